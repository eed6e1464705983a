#pragma once
// Reading a whole file into memory. Job files and drawings are read into a
// buffer of their own rather than mapped: a mapped file on a USB stick that
// is pulled, or a file cut short while it is being read, ends the program
// with a bus error, whereas a read only ends early or fails.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace ks {

// The bytes of a file. The storage comes from the system reader's own
// allocator (file_read_*.cpp), which knows how to make a buffer of tens of
// megabytes cheap to fill and to scan; it is never cleared before the read.
class FileContents {
public:
    FileContents() = default;
    FileContents(const FileContents&) = delete;
    FileContents& operator=(const FileContents&) = delete;
    FileContents(FileContents&& other) noexcept { TakeFrom(other); }
    FileContents& operator=(FileContents&& other) noexcept {
        if (this != &other) {
            Release();
            TakeFrom(other);
        }
        return *this;
    }
    ~FileContents() { Release(); }

    const char* Data() const { return m_data; }
    size_t Size() const { return m_size; }
    std::string_view View() const { return {m_data, m_size}; }

private:
    friend bool ReadWholeFile(const std::string& path, FileContents& out, int* error);
    void TakeFrom(FileContents& other) {
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    // Defined by the system reader, which made the storage.
    void Release();

    char* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;  // bytes of storage behind m_data
};

// Reads the file at `path` to its end into `out` (replacing what it held).
// A file that grows or shrinks while it is read gives the bytes actually
// read. Pipes and devices are read until they report their end. False, with
// an errno value in *error (when error is not null) and `out` empty, when
// the file cannot be opened, is a folder (EISDIR), or a read fails (EIO from
// a pulled stick, for instance): a job must not be taken from part of a file.
bool ReadWholeFile(const std::string& path, FileContents& out, int* error);

// A file read front to back, a piece at a time, into the caller's buffer: for
// readers that need only a window of a file at once, so that a drawing of
// tens of megabytes costs no buffer of its size (fresh pages are cleared by
// the system, which costs more than reading them). Same failures as above.
class FileReader {
public:
    FileReader() = default;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ~FileReader() { Close(); }

    // False, with an errno value in *error, when the file cannot be opened
    // or is a folder (EISDIR).
    bool Open(const std::string& path, int* error);
    // Up to `room` bytes into `to`: how many were read, 0 at the end of the
    // file, -1 on a failure (an errno value in *error).
    ptrdiff_t Read(char* to, size_t room, int* error);
    void Close();

private:
    intptr_t m_handle = -1;  // the descriptor, or the HANDLE on Windows
};

}  // namespace ks
