#include "sim/request_framer.h"

#include "link/crc16.h"
#include "sim/rtu_slave.h"

namespace ks::sim {

void RequestFramer::Feed(const uint8_t* data, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        // Keep the buffer bounded: a stream that never pauses is noise.
        if (m_buf.size() >= 2 * kMaxFrame) {
            m_buf.clear();
            m_overflow = true;
        }
        m_buf.push_back(data[i]);
    }
}

bool RequestFramer::Next(std::vector<uint8_t>* frame) {
    if (m_overflow) return false;  // resynchronise on the next silence
    int want = RtuSlave::ExpectedRequestLength(m_buf.data(), m_buf.size());
    if (want <= 0 || static_cast<size_t>(want) > kMaxFrame || m_buf.size() < static_cast<size_t>(want))
        return false;
    if (!CrcMatches(m_buf.data(), static_cast<size_t>(want) - 2)) return false;
    frame->assign(m_buf.begin(), m_buf.begin() + want);
    m_buf.erase(m_buf.begin(), m_buf.begin() + want);
    return true;
}

bool RequestFramer::Flush(std::vector<uint8_t>* frame) {
    bool had = !m_buf.empty() && !m_overflow && m_buf.size() <= kMaxFrame;
    if (had) frame->assign(m_buf.begin(), m_buf.end());
    m_buf.clear();
    m_overflow = false;
    return had;
}

}  // namespace ks::sim
