#include "platform/file_read.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

namespace ks {
namespace {

class ReadWholeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        const fs::path dir = fs::temp_directory_path() / ("ks_file_read_" + std::to_string(std::random_device{}()));
        ASSERT_TRUE(fs::create_directory(dir));
        m_dir = dir.string();
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    std::string Path(const char* name) const { return m_dir + "/" + name; }
    void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    // A text no shorter than `size` bytes in which every offset differs from
    // its neighbours, so a shifted or repeated block shows.
    static std::string Pattern(size_t size) {
        std::string s;
        s.reserve(size + 16);
        for (size_t i = 0; s.size() < size; ++i) s += std::to_string(i) + (i % 7 == 0 ? '\0' : ' ');
        s.resize(size);
        return s;
    }
    std::string m_dir;
};

TEST_F(ReadWholeFileTest, ReadsFilesOfAnySizeByteForByte) {
    FileContents got;
    int error = 0;
    // Sizes around the page and huge-page boundaries of the buffer; a large
    // buffer is used again for the next large file, shorter than the last.
    for (size_t size : {size_t{0}, size_t{1}, size_t{4096}, size_t{4097}, size_t{3} << 20, (size_t{2} << 20) + 5,
                        (size_t{2} << 20) - 1}) {
        const std::string bytes = Pattern(size);
        Write(Path("a.NC"), bytes);
        ASSERT_TRUE(ReadWholeFile(Path("a.NC"), got, &error)) << size;
        EXPECT_EQ(got.Size(), size);
        EXPECT_TRUE(got.View() == bytes) << size;
    }
#ifndef _WIN32
    // A file that reports no size but has bytes (a kernel status file).
    if (ReadWholeFile("/proc/self/status", got, &error)) {
        EXPECT_NE(got.View().find("Pid:"), std::string_view::npos);
    }
#endif
    // The contents outlive the file and survive a move.
    Write(Path("b.NC"), "START N1 X1 Y1 R100 STOP");
    ASSERT_TRUE(ReadWholeFile(Path("b.NC"), got, &error));
    std::remove(Path("b.NC").c_str());
    FileContents moved = std::move(got);
    EXPECT_EQ(moved.View(), "START N1 X1 Y1 R100 STOP");
    EXPECT_EQ(got.Size(), 0u);
}

#ifndef _WIN32
TEST_F(ReadWholeFileTest, ReadsPipesAndDevicesToTheirEnd) {
    FileContents got;
    int error = 0;
    ASSERT_TRUE(ReadWholeFile("/dev/null", got, &error));
    EXPECT_EQ(got.Size(), 0u);

    // More than the first guess for a stream without size, in small writes.
    const std::string fifo = Path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string bytes = Pattern(300000);
    std::thread writer([&] {
        int fd = ::open(fifo.c_str(), O_WRONLY);
        if (fd < 0) return;
        for (size_t done = 0; done < bytes.size();) {
            ssize_t n = ::write(fd, bytes.data() + done, std::min<size_t>(1000, bytes.size() - done));
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        ::close(fd);
    });
    const bool ok = ReadWholeFile(fifo, got, &error);
    if (!ok) ::close(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK));  // lets a waiting writer go
    writer.join();
    ASSERT_TRUE(ok);
    EXPECT_EQ(got.Size(), bytes.size());
    EXPECT_TRUE(got.View() == bytes);
}
#else
TEST_F(ReadWholeFileTest, ReadsPipesAndDevicesToTheirEnd) {
    FileContents got;
    int error = 0;
    ASSERT_TRUE(ReadWholeFile("NUL", got, &error));
    EXPECT_EQ(got.Size(), 0u);

    // More than the first guess for a stream without size, in small writes;
    // the pipe's end shows as a broken pipe, not as an error.
    const std::string name = "\\\\.\\pipe\\ks_file_read_" + std::to_string(::GetCurrentProcessId());
    HANDLE server = ::CreateNamedPipeA(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096,
                                       0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    const std::string bytes = Pattern(300000);
    std::thread writer([&] {
        if (!::ConnectNamedPipe(server, nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) return;
        for (size_t done = 0; done < bytes.size();) {
            DWORD n = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(1000, bytes.size() - done));
            if (!::WriteFile(server, bytes.data() + done, chunk, &n, nullptr) || n == 0) break;
            done += n;
        }
        ::CloseHandle(server);  // the reader sees the rest, then the pipe's end
    });
    const bool ok = ReadWholeFile(name, got, &error);
    if (!ok) ::CloseHandle(::CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    writer.join();
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(got.Size(), bytes.size());
    EXPECT_TRUE(got.View() == bytes);
}
#endif

// The piece reader: the file front to back in pieces of any size, whole;
// the same refusals.
TEST_F(ReadWholeFileTest, PieceReaderReadsTheWholeFileAndRefusesWhatReadWholeFileRefuses) {
    const std::string bytes = Pattern(300000);
    Write(Path("big.dxf"), bytes);
    for (size_t piece : {size_t{1} << 20, size_t{4096}, size_t{7}}) {
        FileReader file;
        int error = 0;
        ASSERT_TRUE(file.Open(Path("big.dxf"), &error)) << error;
        std::string got, buffer(piece, '\0');
        for (ptrdiff_t n; (n = file.Read(buffer.data(), piece, &error)) != 0;) {
            ASSERT_GT(n, 0) << error;
            got.append(buffer, 0, static_cast<size_t>(n));
        }
        EXPECT_TRUE(got == bytes) << piece;
    }
    FileReader file;
    int error = 0;
    EXPECT_FALSE(file.Open(m_dir, &error));
    EXPECT_EQ(error, EISDIR);
    EXPECT_FALSE(file.Open(Path("none.dxf"), &error));
    EXPECT_EQ(error, ENOENT);
}

TEST_F(ReadWholeFileTest, RefusesFoldersAndMissingFilesWithTheirErrno) {
    FileContents got;
    Write(Path("a.NC"), "old");
    ASSERT_TRUE(ReadWholeFile(Path("a.NC"), got, nullptr));
    int error = 0;
    EXPECT_FALSE(ReadWholeFile(m_dir, got, &error));
    EXPECT_EQ(error, EISDIR);
    EXPECT_EQ(got.Size(), 0u);  // nothing of the earlier file is left
    EXPECT_FALSE(ReadWholeFile(Path("none.NC"), got, &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(ReadWholeFile(Path("none.NC"), got, nullptr));
    EXPECT_FALSE(ReadWholeFile(Path("no folder/none.NC"), got, &error));
    EXPECT_EQ(error, ENOENT);
#ifndef _WIN32
    if (::geteuid() != 0) {
        Write(Path("locked.NC"), "x");
        ::chmod(Path("locked.NC").c_str(), 0);
        EXPECT_FALSE(ReadWholeFile(Path("locked.NC"), got, &error));
        EXPECT_EQ(error, EACCES);
    }
#endif
}

#ifdef _WIN32
// A job file still open in the program that writes it is read as it is
// now; one that another program holds without sharing is refused.
TEST_F(ReadWholeFileTest, ReadsFilesOthersHoldOpenUnlessTheyShareNothing) {
    Write(Path("open.NC"), "START N1 X1 Y1 R100 STOP");
    HANDLE writer = ::CreateFileA(Path("open.NC").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    FileContents got;
    int error = 0;
    EXPECT_TRUE(ReadWholeFile(Path("open.NC"), got, &error));
    EXPECT_EQ(got.View(), "START N1 X1 Y1 R100 STOP");
    ::CloseHandle(writer);

    HANDLE owner = ::CreateFileA(Path("open.NC").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
    ASSERT_NE(owner, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ReadWholeFile(Path("open.NC"), got, &error));
    EXPECT_EQ(error, EACCES);
    EXPECT_EQ(got.Size(), 0u);
    ::CloseHandle(owner);
}
#endif

}  // namespace
}  // namespace ks
