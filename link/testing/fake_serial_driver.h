#pragma once
// A scripted serial driver for tests. It records every call and every byte
// written, plays answers that arrive in pieces at chosen times after a write,
// injects call failures, and moves a VirtualClock forward by exactly the time
// a real read would block under the port's time-outs - so a 500 ms response
// time-out costs no real time.
#include <cstdint>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "link/serial_driver.h"
#include "platform/clock.h"

namespace ks {

class FakeSerialDriver final : public SerialDriver {
public:
    enum Op { kOpen, kSetLine, kSetQueues, kSetTimeouts, kPurge, kRead, kWrite, kClose, kOpCount };

    // A piece of an answer: its bytes arrive together, atMs after the write
    // that triggered the answer.
    struct Piece {
        uint32_t atMs;
        std::vector<uint8_t> bytes;
    };
    using Bytes = std::vector<uint8_t>;
    // Called for a write when no scripted answer is queued; may Deliver().
    using Responder = std::function<void(FakeSerialDriver& driver, const Bytes& request)>;

    explicit FakeSerialDriver(VirtualClock& clock) : m_clock(clock) {}

    // --- scripting
    // The answer to the next write without one (FIFO). An empty list is a
    // silent slave.
    void ScriptAnswer(std::vector<Piece> pieces) { m_answers.push_back(std::move(pieces)); }
    void ScriptAnswer(const Bytes& bytes) { ScriptAnswer(std::vector<Piece>{{0, bytes}}); }
    // Bytes arriving inMs from now, independent of any write.
    void Deliver(const Bytes& bytes, uint32_t inMs = 0);
    void SetResponder(Responder responder) { m_responder = std::move(responder); }
    // After `after` more successful calls of op, the next `times` calls fail
    // (Open returns invalid, the others false).
    void FailNext(Op op, int times = 1, int after = 0) {
        m_failNext[op] = times;
        m_failSkip[op] = after;
    }
    // The errno LastError() reports after an injected failure (0, "cannot
    // say", until set).
    void SetFailureErrno(int err) { m_failErrno = err; }
    // The next write moves at most `bytes` bytes (and still succeeds).
    void LimitNextWrite(uint32_t bytes) { m_writeLimit = static_cast<int64_t>(bytes); }

    // --- observation
    std::vector<Bytes> writes;             // bytes of every successful write
    std::vector<Op> calls;                 // every call in order
    std::vector<std::string> openedPaths;  // path of every Open call
    LineSettings lastLine;
    CommTimeouts lastTimeouts;
    uint32_t queueIn = 0, queueOut = 0;
    int misuse = 0;  // calls on a handle that is not open

    int CallCount(Op op) const;
    size_t OpenHandleCount() const { return m_open.size(); }
    size_t PendingBytes() const;

    // --- SerialDriver
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
    struct Arrival {
        uint64_t atMs;
        Bytes bytes;
    };
    bool Begin(Op op, SerialHandle h);  // logs; false when the call is to fail
    void Schedule(uint64_t atMs, Bytes bytes);

    VirtualClock& m_clock;
    std::deque<std::vector<Piece>> m_answers;
    std::deque<Arrival> m_incoming;  // sorted by atMs
    Responder m_responder;
    int m_failNext[kOpCount] = {};
    int m_failSkip[kOpCount] = {};
    int64_t m_writeLimit = -1;
    int m_failErrno = 0;
    int m_lastError = 0;
    std::set<SerialHandle> m_open;
    SerialHandle m_nextHandle = 100;
    CommTimeouts m_timeouts;
};

}  // namespace ks
