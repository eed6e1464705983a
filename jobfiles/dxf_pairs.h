#pragma once
// The pairs of an ASCII drawing: a line with the group code, a line with
// the value (CR LF or LF), read from a window of its bytes
// (drawing_stream.h). Passing over the records that nothing keeps is most
// of the work of reading a drawing, so SkipTo looks at 64 bytes at a time
// where the processor allows it: a code line of digits and blanks that
// starts no number with 0 is a code other than 0 and passed over with its
// value unread; any other code line is read as Next reads it.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ks::dxf {

struct Pair {
    int32_t code = 0;
    std::string_view value;  // blanks around it removed
    size_t offset = 0;       // of the code line, in the file
};

class PairScanner {
public:
    // The window holds bytes [base, base + window.size()) of the file and
    // ends after a line feed unless it is the last; reading starts at
    // `offset`, the start of a code line.
    PairScanner(std::string_view window, size_t base, size_t offset, bool last);

    enum class Step {
        Pair,    // one was read
        More,    // the window ends inside the pair at Offset()
        End,     // the bytes end (last window)
        Broken,  // a code line that is no number, or the last line of the
                 // bytes is a code: nothing after it can be paired
    };
    Step Next(Pair& pair);
    // Passes over pairs up to the next with code 0 whose value `stop`
    // accepts, and reads that one: Pair when there is one, else what Next
    // returned on the way.
    using Stop = bool (*)(std::string_view value);
    Step SkipTo(Pair& pair, Stop stop);

    // Where the next pair starts (at More and Broken: the one that could
    // not be read), in the file.
    size_t Offset() const { return m_base + static_cast<size_t>(m_p - m_begin); }
    // Broken because the bytes end after a code line (a file cut short),
    // not because a code line is no number.
    bool BrokenAtEnd() const { return m_brokenAtEnd; }

private:
    // The kinds of the bytes of blocks of 64 (dxf_pairs.cpp), sorted a run
    // of blocks at a time and kept while reading goes on inside them.
    static constexpr int kRun = 8;
    struct Blocks {
        const char* at = nullptr;  // the first block of the run
        size_t count = 0;
        uint64_t kinds[kRun][4] = {};  // by Kind
    };
    const uint64_t* KindsAt(const char* block);
    const uint64_t* SortRun(const char* block);
    bool Stops(Pair& pair, Stop stop, Step& step);
    const char* LineStart(const char* p) const;
    Step SkipPlain(Pair& pair, Stop stop);
    Step SkipBlocks(Pair& pair, Stop stop, bool& found);

    const char* m_begin;
    const char* m_end;
    const char* m_p;
    const char* m_linesEnd;  // after the window's last line feed
    size_t m_base;
    bool m_last;
    bool m_brokenAtEnd = false;
    Blocks m_blocks;
};

// A group code line: blanks around a whole number (a "+" may stand first).
bool ParseCode(std::string_view line, int32_t& code);
// A code line that SkipTo passes over unread, as a code other than 0:
// digits and blanks only, no number in it starting with 0.
bool PlainCodeLine(std::string_view line);

}  // namespace ks::dxf
