#pragma once
// A Modbus RTU slave on the master side of a pseudo-terminal pair, run by a
// thread of its own: tests and benchmarks open SlavePath() with the real
// driver and talk to it like to a controller on a serial line.
#ifndef _WIN32
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ks {

class PtyResponder {
public:
    enum class Mode {
        kAnswer,      // answer every complete request
        kSilent,      // swallow requests, never answer
        kHeldSplit,   // the first half of each answer at once, the second
                      // half only when the test releases it
    };

    // Slave 1 with `registers` holding registers (all zero); addresses beyond
    // them get exception 2.
    explicit PtyResponder(uint16_t registers = 100);
    ~PtyResponder();

    bool Ok() const { return m_master >= 0; }
    const std::string& SlavePath() const { return m_slavePath; }

    void SetMode(Mode mode) { m_mode = mode; }
    // kHeldSplit: lets the held second half go and returns once it is on the
    // line; false when nothing was held within guardMs.
    bool ReleaseHeldHalf(int guardMs = 30000);

    void SetRegister(uint16_t address, uint16_t value);
    uint16_t Register(uint16_t address);
    int RequestsSeen() const { return m_requests; }

    // Closes the master side: the slave side then sees a hang-up.
    void Hangup();

private:
    void Stop();
    void Run();
    void HoldThenWrite(const std::vector<uint8_t>& rest);
    std::vector<uint8_t> Answer(const std::vector<uint8_t>& request);
    // Length of the request at the front of buf, 0 while incomplete.
    static size_t RequestLength(const std::vector<uint8_t>& buf);

    int m_master = -1;
    int m_slaveKeep = -1;  // keeps the pair alive while no client has it open
    std::string m_slavePath;
    std::atomic<Mode> m_mode{Mode::kAnswer};
    std::atomic<int> m_requests{0};
    std::atomic<bool> m_stop{false};
    std::mutex m_holdMutex;  // guards the three below
    std::condition_variable m_holdChanged;
    bool m_holding = false;  // a second half waits for its release
    bool m_released = false;
    int m_heldWritten = 0;   // second halves written so far
    std::mutex m_regMutex;
    std::vector<uint16_t> m_regs;
    std::thread m_thread;
};

}  // namespace ks
#endif
