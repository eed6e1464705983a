#pragma once
// A drawing's bytes a window at a time, for readers that go through it
// together: the file is read once, front to back, into one buffer of a few
// hundred kilobytes, and every reader takes what it needs of each window
// while the window is in the cache. A window ends after a line feed (a
// word or a line never spans two windows) unless it is the file's last.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_read.h"

namespace ks {

// A window of a drawing: bytes [base, base + bytes.size()) of the file.
struct DrawingWindow {
    std::string_view bytes;
    size_t base = 0;
    bool last = false;  // nothing follows

    size_t End() const { return base + bytes.size(); }
};

class DrawingStream {
public:
    explicit DrawingStream(size_t windowSize);
    DrawingStream(const DrawingStream&) = delete;
    DrawingStream& operator=(const DrawingStream&) = delete;

    // Opens the file and reads the first window. False (errno set) when it
    // cannot be opened or read.
    bool Open(const std::string& path);
    // The next window, keeping the bytes from offset `keep` on (no smaller
    // than the current window's base): readers that stopped in the middle
    // of something see it again whole. False (errno set) when a read fails.
    bool Advance(size_t keep);

    const DrawingWindow& Window() const { return m_window; }

private:
    bool Fill(size_t seen);

    FileReader m_file;
    std::unique_ptr<char[]> m_buffer;
    size_t m_capacity;
    size_t m_filled = 0;  // bytes in the buffer, from m_window.base on
    bool m_atEnd = false;
    DrawingWindow m_window;
};

}  // namespace ks
