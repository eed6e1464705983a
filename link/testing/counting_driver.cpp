#include "link/testing/counting_driver.h"

namespace ks {

SerialHandle CountingDriver::Open(const std::string& devicePath) {
    ++m_calls;
    return m_inner.Open(devicePath);
}

bool CountingDriver::SetLineSettings(SerialHandle h, const LineSettings& line) {
    ++m_calls;
    return m_inner.SetLineSettings(h, line);
}

void CountingDriver::SetQueueSizes(SerialHandle h, uint32_t inBytes, uint32_t outBytes) {
    ++m_calls;
    m_inner.SetQueueSizes(h, inBytes, outBytes);
}

bool CountingDriver::SetTimeouts(SerialHandle h, const CommTimeouts& timeouts) {
    ++m_calls;
    const bool ok = m_inner.SetTimeouts(h, timeouts);
    if (ok) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_timeouts[h] = timeouts;
    }
    return ok;
}

bool CountingDriver::Purge(SerialHandle h) {
    ++m_calls;
    return m_inner.Purge(h);
}

bool CountingDriver::Read(SerialHandle h, uint8_t* buffer, uint32_t count, uint32_t* got) {
    ++m_calls;
    ++m_reads;
    const bool ok = m_inner.Read(h, buffer, count, got);
    if (ok && m_clock != nullptr && *got < count) {
        CommTimeouts to;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            auto it = m_timeouts.find(h);
            if (it != m_timeouts.end()) to = it->second;
        }
        m_clock->Advance(uint64_t{count} * to.readTotalMultiplier + to.readTotalConstant);
    }
    return ok;
}

bool CountingDriver::Write(SerialHandle h, const uint8_t* buffer, uint32_t count, uint32_t* put) {
    ++m_calls;
    ++m_writes;
    return m_inner.Write(h, buffer, count, put);
}

void CountingDriver::Close(SerialHandle h) {
    ++m_calls;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_timeouts.erase(h);
    }
    m_inner.Close(h);
}

}  // namespace ks
