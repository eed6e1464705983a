#pragma once
// The simulated controller behind the console's serial port, in virtual time:
//
//   ks::VirtualClock clock;
//   ks::sim::Controller machine({}, clock.NowMs());
//   ks::sim::InProcessDriver driver(machine, clock);   // a ks::SerialDriver
//   CModbusMaster master(driver, clock);                // opens any path
//
// Write hands each written block to the slave as one request frame (the
// master writes a frame with one call, and the line is silent after it).
// Read returns the answer bytes that have arrived at once; when none have,
// it advances the clock by what the real read would block: until a delayed
// answer arrives, or n * multiplier + constant of the CommTimeouts it was
// given, whichever comes first. The model follows the clock through an
// observer, so moves and drilling progress while the console sleeps.
//
// Faults: the SimLink's FaultPlan (drop, corrupt, delay, exception, wrong
// slave, vanish after a time). Vanish() breaks the open handle at once:
// reads and writes fail, as when the adapter is pulled; the next Open finds
// the controller again (a program restart). SetPresent(false) makes Open fail.
// The controller and the clock must outlive the driver; one port may be
// open at a time (a second Open fails, as an exclusive port would).
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "link/serial_driver.h"
#include "platform/clock.h"
#include "sim/sim_link.h"

namespace ks::sim {

class Controller;

class InProcessDriver final : public ks::SerialDriver {
public:
    InProcessDriver(Controller& controller, ks::VirtualClock& clock, FaultPlan plan = {});
    ~InProcessDriver() override;
    InProcessDriver(const InProcessDriver&) = delete;
    InProcessDriver& operator=(const InProcessDriver&) = delete;

    SimLink& Link() { return m_link; }
    Controller& Model() { return m_controller; }

    void SetPresent(bool present) { m_present = present; }
    void Vanish();
    bool IsOpen() const { return m_handle != kInvalidSerialHandle && !m_broken; }
    int OpenCount() const { return m_opens; }
    const std::string& LastPath() const { return m_lastPath; }
    const CommTimeouts& Timeouts() const { return m_timeouts; }
    const LineSettings& Line() const { return m_line; }
    // Blocks written so far, and the last one as written (a whole job
    // writes hundreds of thousands; they are not all kept).
    uint64_t RequestCount() const { return m_requestCount; }
    const std::vector<uint8_t>& LastRequest() const { return m_lastRequest; }

    SerialHandle Open(const std::string& devicePath) override;
    bool SetLineSettings(SerialHandle h, const LineSettings& line) override;
    void SetQueueSizes(SerialHandle h, uint32_t inBytes, uint32_t outBytes) override;
    bool SetTimeouts(SerialHandle h, const CommTimeouts& timeouts) override;
    bool Purge(SerialHandle h) override;
    bool Read(SerialHandle h, uint8_t* buffer, uint32_t count, uint32_t* got) override;
    bool Write(SerialHandle h, const uint8_t* buffer, uint32_t count, uint32_t* put) override;
    void Close(SerialHandle h) override;
    int LastError() const override { return m_lastError; }

private:
    bool Usable(SerialHandle h);
    void Arrive(uint64_t nowMs);

    Controller& m_controller;
    ks::VirtualClock& m_clock;
    SimLink m_link;
    int m_observer = 0;
    bool m_present = true;
    bool m_broken = false;
    SerialHandle m_handle = kInvalidSerialHandle;
    SerialHandle m_nextHandle = 100;
    int m_opens = 0;
    int m_lastError = 0;
    std::string m_lastPath;
    CommTimeouts m_timeouts;
    LineSettings m_line;
    std::deque<uint8_t> m_rx;      // arrived, not yet read
    std::vector<Reply> m_inFlight;  // answers still on their way
    uint64_t m_requestCount = 0;
    std::vector<uint8_t> m_lastRequest;
};

}  // namespace ks::sim
