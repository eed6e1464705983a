#pragma once
// Word-level reading of drawing files. A drawing is scanned as a stream of
// whitespace-separated words (the "%s\n" behaviour of the C library), but a
// whole drawing is held in memory at once so that long stretches that hold
// no key word can be passed with a substring search instead of word by word.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_read.h"

namespace ks {

// Space, tab, CR, LF, vertical tab, form feed.
inline bool IsScanBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The bytes of one file, read whole into memory when opened: later changes
// to the file (or its medium going away) do not reach them.
class FileBytes {
public:
    FileBytes() = default;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    // False when the file cannot be opened or read to its end (errno is
    // set to the reason).
    bool Open(const std::string& path);
    std::string_view Bytes() const { return m_contents.View(); }

private:
    FileContents m_contents;
};

// Reads words from a byte range. A word longer than the word buffer keeps
// only its first maxWord bytes; the rest of its run is passed over, so a
// long run never spills into the next word.
class WordScanner {
public:
    explicit WordScanner(std::string_view bytes, size_t maxWord = 199)
        : m_begin(bytes.data()), m_end(bytes.data() + bytes.size()), m_pos(m_begin),
          m_maxWord(maxWord) {}
    // Goes on from `offset` of the bytes; the byte before it still tells
    // whether a key word starts there.
    void Seek(size_t offset) { m_pos = m_begin + offset; }

    // Skips blanks, takes the next word, then skips the blanks after it.
    // False (and an empty word) when no word is left.
    bool ReadWord(std::string_view& word) { return ReadWord(word, m_maxWord); }
    // The same with a buffer of its own size (maxWord bytes kept).
    bool ReadWord(std::string_view& word, size_t maxWord);
    // True when nothing but blanks could follow (the stream's end flag after
    // a read that consumed the trailing blanks).
    bool AtEnd() const { return m_pos >= m_end; }
    // Bytes consumed so far, from the start of the bytes.
    size_t Offset() const { return static_cast<size_t>(m_pos - m_begin); }

    // A key word, with the offset of a byte pair in it that is rare in
    // drawings: the search looks for that pair and only then for the word.
    struct Key {
        std::string_view word;
        size_t anchor;
    };
    // Moves to the next word that equals one of `keys` (up to 4 searched
    // 16 bytes at a time, more byte by byte) and
    // consumes it with the blanks after it; returns the key's index, or -1
    // (and moves to the end) when no such word is left. The words passed
    // over are exactly the words ReadWord would have returned in between.
    int SkipToKey(const std::vector<Key>& keys);

private:
    bool IsWholeWordAt(const char* p, size_t len) const;
    // Index of the key whose whole word has its anchor pair at `pair`, or -1.
    int KeyAt(const std::vector<Key>& keys, const char* pair, const char* from) const;
    // The vector searches for up to 4 keys, 16 and 32 bytes at a time (the
    // wider where the processor has AVX2): the key found with p at its
    // anchor pair, or -1 with p where the search stopped.
    int SearchNarrow(const std::vector<Key>& keys, const char* from, const char*& p) const;
    int SearchWide(const std::vector<Key>& keys, const char* from, const char*& p) const;

    const char* m_begin;
    const char* m_end;
    const char* m_pos;
    size_t m_maxWord;
};

}  // namespace ks
