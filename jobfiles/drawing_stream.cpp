#include "jobfiles/drawing_stream.h"

#include <cerrno>
#include <cstring>

namespace ks {

DrawingStream::DrawingStream(size_t windowSize)
    : m_buffer(new char[windowSize > 0 ? windowSize : 1]), m_capacity(windowSize > 0 ? windowSize : 1) {}

bool DrawingStream::Open(const std::string& path) {
    int error = 0;
    if (!m_file.Open(path, &error)) {
        errno = error;
        return false;
    }
    m_filled = 0;
    m_atEnd = false;
    m_window = DrawingWindow{{}, 0, false};
    return Fill(0);
}

bool DrawingStream::Advance(size_t keep) {
    if (m_window.last) return true;
    const size_t seen = m_window.End() - keep;
    const size_t drop = keep - m_window.base;
    std::memmove(m_buffer.get(), m_buffer.get() + drop, m_filled - drop);
    m_filled -= drop;
    m_window.base = keep;
    return Fill(seen);
}

// Reads until the buffer holds a line feed after the first `seen` bytes
// (what the last window showed), or the file ends; a line longer than the
// buffer makes it grow.
bool DrawingStream::Fill(size_t seen) {
    size_t searchFrom = seen;
    for (;;) {
        if (m_filled == m_capacity) {
            std::unique_ptr<char[]> bigger(new char[m_capacity * 2]);
            std::memcpy(bigger.get(), m_buffer.get(), m_filled);
            m_buffer = std::move(bigger);
            m_capacity *= 2;
        }
        while (!m_atEnd && m_filled < m_capacity) {
            int error = 0;
            const ptrdiff_t n = m_file.Read(m_buffer.get() + m_filled, m_capacity - m_filled, &error);
            if (n < 0) {
                errno = error;
                return false;
            }
            if (n == 0) m_atEnd = true;
            m_filled += static_cast<size_t>(n);
        }
        if (m_atEnd) {
            m_file.Close();
            m_window.bytes = std::string_view(m_buffer.get(), m_filled);
            m_window.last = true;
            return true;
        }
        for (size_t i = m_filled; i > searchFrom; --i) {
            if (m_buffer[i - 1] == '\n') {
                m_window.bytes = std::string_view(m_buffer.get(), i);
                return true;
            }
        }
        searchFrom = m_filled;
    }
}

}  // namespace ks
