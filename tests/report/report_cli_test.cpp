// kestrane-report from the command line: where it writes, what it prints,
// its exit status, its two languages, and numbers with a decimal point
// under a decimal-comma locale.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string out, err;
};

// The tool with `args` (shell words), its stdout and stderr apart.
ToolRun Report(const std::string& args, const fs::path& dir, const std::string& env = "LC_ALL=C.UTF-8") {
    const fs::path err = dir / "stderr";
    const std::string cmd = "env -u LANGUAGE -u LC_MESSAGES -u LANG " + env + " " KS_REPORT_TOOL " " + args + " 2>'" +
                            err.string() + "'";
    ToolRun r;
    FILE* p = ::popen(cmd.c_str(), "r");
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int status = ::pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(err);
    r.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return r;
}

class ReportTool : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("ks_report_cli_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        std::ofstream(dir / "plate00.csv", std::ios::binary)
            << "time,hole,x_mm,y_mm,drill_s,z_start_mm,z_end_mm,event,reason\r\n"
               "2026-12-09T08:00:10+08:00,1,0.000,0.000,3.0,0.000,-1.000,drilled,\r\n"
               "2026-12-09T08:00:15+08:00,2,1.000,0.000,4.5,-1.000,-2.500,drilled,\r\n"
               "2026-12-09T08:00:16+08:00,3,2.000,0.000,,,,paused,button\r\n";
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string Record() const { return "'" + (dir / "plate00.csv").string() + "'"; }
    fs::path dir;
};

TEST_F(ReportTool, WritesThePageBesideTheRecordAndSaysWhatItFound) {
    ToolRun r = Report(Record(), dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, (dir / "plate00.html").string() + "\n");
    EXPECT_GT(fs::file_size(dir / "plate00.html"), 500000u);

    // A line cut by a power cut: still written, exit 1, said on stderr in
    // the language asked for.
    std::ofstream(dir / "plate00.csv", std::ios::binary | std::ios::app) << "2026-12-09T08:01";
    r = Report("--lang en --out '" + (dir / "r.html").string() + "' " + Record(), dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cut short"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("5"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(dir / "r.html"));
    r = Report("--lang zh " + Record(), dir);
    EXPECT_NE(r.err.find("不完整"), std::string::npos) << r.err;
}

TEST_F(ReportTool, JsonAndTextKeepTheDecimalPointUnderACommaLocale) {
    const std::string comma = "LC_ALL=de_DE.UTF-8";
    ToolRun r = Report("--format json " + Record(), dir, comma);
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* piece : {"\"median\": 3.75", "\"drilling\": 7.5", "\"total\": 9", "\"reason\": \"button\"",
                              "\"per_hole\": 1.25"})
        EXPECT_NE(r.out.find(piece), std::string::npos) << piece << "\n" << r.out;
    r = Report("--format text --lang en " + Record(), dir, comma);
    EXPECT_NE(r.out.find("Holes drilled"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("3.75"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("3,75"), std::string::npos) << r.out;
    r = Report("--format text " + Record(), dir, "LANG=en_US.UTF-8");
    EXPECT_NE(r.out.find("Holes drilled"), std::string::npos) << r.out;
    r = Report("--format text " + Record(), dir, "LANG=zh_CN.UTF-8");
    EXPECT_NE(r.out.find("已加工孔数"), std::string::npos) << r.out;
}

TEST_F(ReportTool, NothingWrittenAndUsageErrors) {
    ToolRun r = Report("'" + (dir / "none.csv").string() + "'", dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("none.csv"), std::string::npos) << r.err;
    r = Report("--run 2 " + Record(), dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(fs::exists(dir / "plate00.html"));
    r = Report("--out '" + (dir / "no" / "such" / "r.html").string() + "' " + Record(), dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(Report("--format pdf " + Record(), dir).status, 64);
    EXPECT_EQ(Report("--run 0 " + Record(), dir).status, 64);
    EXPECT_EQ(Report("", dir).status, 64);
}

}  // namespace
