// A line appended durably is on the disk, and so is the name of a file it
// made: a power cut right after must not take a new record file away. The
// test binary stands in for the C library's fsync to see which folders are
// synced (the real call is made all the same).
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/append_file.h"

namespace {
std::vector<std::string> g_syncedFolders;
}

extern "C" int fsync(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        char path[PATH_MAX] = {};
        const std::string link = "/proc/self/fd/" + std::to_string(fd);
        const ssize_t n = ::readlink(link.c_str(), path, sizeof path - 1);
        g_syncedFolders.push_back(n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string("?"));
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace ks {
namespace {

TEST(AppendDurably, NewFileSyncsItsFolderOnce) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("ks_append_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string file = (folder / "job.csv").string();
    const std::string canonical = fs::canonical(folder).string();

    g_syncedFolders.clear();
    int error = 0;
    ASSERT_TRUE(AppendDurably(file, "head\r\n", "one\r\n", &error)) << error;
    EXPECT_EQ(g_syncedFolders, (std::vector<std::string>{canonical}));
    ASSERT_TRUE(AppendDurably(file, "head\r\n", "two\r\n", &error)) << error;
    EXPECT_EQ(g_syncedFolders.size(), 1u);  // an existing name needs no sync
    fs::remove_all(folder);
}

}  // namespace
}  // namespace ks
