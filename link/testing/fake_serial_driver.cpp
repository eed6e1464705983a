#include "link/testing/fake_serial_driver.h"

#include <algorithm>
#include <limits>

namespace ks {

int FakeSerialDriver::CallCount(Op op) const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), op));
}

size_t FakeSerialDriver::PendingBytes() const {
    size_t n = 0;
    for (const Arrival& a : m_incoming) n += a.bytes.size();
    return n;
}

void FakeSerialDriver::Schedule(uint64_t atMs, Bytes bytes) {
    if (bytes.empty()) return;
    auto pos = std::upper_bound(m_incoming.begin(), m_incoming.end(), atMs,
                                [](uint64_t t, const Arrival& a) { return t < a.atMs; });
    m_incoming.insert(pos, Arrival{atMs, std::move(bytes)});
}

void FakeSerialDriver::Deliver(const Bytes& bytes, uint32_t inMs) { Schedule(m_clock.NowMs() + inMs, bytes); }

bool FakeSerialDriver::Begin(Op op, SerialHandle h) {
    calls.push_back(op);
    if (op != kOpen && m_open.count(h) == 0) {
        ++misuse;
        return false;
    }
    if (m_failNext[op] > 0 && m_failSkip[op] > 0) {
        --m_failSkip[op];
    } else if (m_failNext[op] > 0) {
        --m_failNext[op];
        m_lastError = m_failErrno;
        return false;
    }
    return true;
}

SerialHandle FakeSerialDriver::Open(const std::string& devicePath) {
    openedPaths.push_back(devicePath);
    if (!Begin(kOpen, kInvalidSerialHandle)) return kInvalidSerialHandle;
    SerialHandle h = m_nextHandle++;
    m_open.insert(h);
    return h;
}

bool FakeSerialDriver::SetLineSettings(SerialHandle h, const LineSettings& line) {
    if (!Begin(kSetLine, h)) return false;
    lastLine = line;
    return true;
}

void FakeSerialDriver::SetQueueSizes(SerialHandle h, uint32_t inBytes, uint32_t outBytes) {
    if (!Begin(kSetQueues, h)) return;
    queueIn = inBytes;
    queueOut = outBytes;
}

bool FakeSerialDriver::SetTimeouts(SerialHandle h, const CommTimeouts& timeouts) {
    if (!Begin(kSetTimeouts, h)) return false;
    lastTimeouts = timeouts;
    m_timeouts = timeouts;
    return true;
}

bool FakeSerialDriver::Purge(SerialHandle h) {
    if (!Begin(kPurge, h)) return false;
    const uint64_t now = m_clock.NowMs();
    while (!m_incoming.empty() && m_incoming.front().atMs <= now) m_incoming.pop_front();
    return true;
}

bool FakeSerialDriver::Read(SerialHandle h, uint8_t* buffer, uint32_t count, uint32_t* got) {
    *got = 0;
    if (!Begin(kRead, h)) return false;
    const uint64_t start = m_clock.NowMs();
    const CommTimeouts& to = m_timeouts;
    const bool totalLimit = to.readTotalMultiplier != 0 || to.readTotalConstant != 0;
    // Without any time-out a real read would block until count bytes are in;
    // a script that never sends them would hang, so cap it at a minute.
    const uint64_t deadline =
        start + (totalLimit ? uint64_t{count} * to.readTotalMultiplier + to.readTotalConstant : 60000);
    uint64_t t = start;
    uint64_t lastByte = 0;
    while (*got < count) {
        if (!m_incoming.empty() && m_incoming.front().atMs <= t) {
            Arrival& a = m_incoming.front();
            uint32_t take = std::min<uint32_t>(count - *got, static_cast<uint32_t>(a.bytes.size()));
            std::copy_n(a.bytes.begin(), take, buffer + *got);
            a.bytes.erase(a.bytes.begin(), a.bytes.begin() + take);
            if (a.bytes.empty()) m_incoming.pop_front();
            *got += take;
            lastByte = t;
            continue;
        }
        uint64_t limit = deadline;
        if (*got > 0 && to.readInterval != 0) limit = std::min(limit, lastByte + to.readInterval);
        if (m_incoming.empty() || m_incoming.front().atMs > limit) {
            t = std::max(t, limit);
            break;
        }
        t = m_incoming.front().atMs;
    }
    m_clock.Advance(t - start);
    return true;
}

bool FakeSerialDriver::Write(SerialHandle h, const uint8_t* buffer, uint32_t count, uint32_t* put) {
    *put = 0;
    if (!Begin(kWrite, h)) return false;
    uint32_t n = count;
    if (m_writeLimit >= 0) {
        n = std::min<uint32_t>(n, static_cast<uint32_t>(m_writeLimit));
        m_writeLimit = -1;
    }
    *put = n;
    Bytes request(buffer, buffer + n);
    writes.push_back(request);
    const uint64_t now = m_clock.NowMs();
    if (!m_answers.empty()) {
        std::vector<Piece> pieces = std::move(m_answers.front());
        m_answers.pop_front();
        for (Piece& p : pieces) Schedule(now + p.atMs, std::move(p.bytes));
    } else if (m_responder) {
        m_responder(*this, request);
    }
    return true;
}

void FakeSerialDriver::Close(SerialHandle h) {
    if (!Begin(kClose, h)) return;
    m_open.erase(h);
    m_incoming.clear();
}

}  // namespace ks
