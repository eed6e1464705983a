// kestrane-dxf2nc as a black box: exit codes, what goes to stdout and
// stderr, and the round trip drawing -> NC program -> hole table.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

#include "jobfiles/dxf_check.h"
#include "jobfiles/job_loader.h"
#include "test_support.h"

namespace ks {
namespace {

using test::Circle;
using test::Drawing;
using test::ScratchDir;

struct ToolRun {
    int code = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class NullSink final : public MessageSink {
public:
    void ShowMessage(const std::string& text) override { messages += text; }
    std::string messages;
};

class CliTest : public ::testing::Test {
protected:
    ToolRun Dxf2nc(const std::string& args) {
        const std::string cmd = std::string(KS_DXF2NC) + " " + args + " >" + dir.File("stdout") + " 2>" +
                                dir.File("stderr");
        const int status = std::system(cmd.c_str());
        ToolRun r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = test::ReadBytes(dir.File("stdout"));
        r.err = test::ReadBytes(dir.File("stderr"));
        return r;
    }
    // Drawings that ezdxf writes (make_drawings.py), once for the suite.
    static const std::string& Made() {
        static const ScratchDir made;
        if (s_made < 0) {
            const std::string cmd = "/usr/bin/python3 " + Quote(KS_MAKE_DRAWINGS) + " " + Quote(made.Path());
            const int status = std::system(cmd.c_str());
            s_made = WIFEXITED(status) ? WEXITSTATUS(status) : 255;
        }
        return made.Path();
    }
    static inline int s_made = -1;  // the generator's exit code; 3: no ezdxf

    ScratchDir dir;
};

// The line that closes a conversion that wrote holes: how many, and where.
std::string Wrote(const ToolRun& r, int holes) {
    return "已写入" + std::to_string(holes) + "个孔：" + r.out.substr(0, r.out.size() - 1) + "\n";
}

// The program's hole lines.
std::string HoleLines(const std::string& program) {
    const size_t start = program.find("START\r\n");
    return start == std::string::npos ? "" : program.substr(start);
}

TEST_F(CliTest, WritesTheNextFreeProgramAndPrintsItsPath) {
    test::WriteBytes(dir.File("plate.dxf"), Drawing(Circle("1", "2", "0.5") + Circle("3", "2", "0.5")));
    const std::string outDir = dir.File("out");
    ToolRun r = Dxf2nc("--min 0.5 --max 2 --out " + Quote(outDir) + " " + Quote(dir.File("plate.dxf")));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, outDir + "/plate00.NC\n");
    EXPECT_EQ(r.err, "已写入2个孔：" + outDir + "/plate00.NC\n");
    const std::string nc = test::ReadBytes(outDir + "/plate00.NC");
    EXPECT_NE(nc.find("START\r\nN1  X1000  Y2000   R500\r\nN2  X3000  Y2000   R500\r\nSTOP"), std::string::npos);
    r = Dxf2nc("--out " + Quote(outDir) + " --max 2 " + Quote(dir.File("plate.dxf")) + " --min 0.5");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, outDir + "/plate01.NC\n");
}

TEST_F(CliTest, MessagesGoToStderrInOrderAndExitOne) {
    const std::string outDir = dir.File("out");
    ToolRun r = Dxf2nc("--min 1 --max 2 --out " + Quote(outDir) + " " + Quote(dir.File("none.dxf")));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "DXF文件打开出错\n文件打开出错\n");
    EXPECT_EQ(r.out, outDir + "/none00.NC\n");
    EXPECT_TRUE(test::Exists(outDir + "/none00.NC"));
    test::WriteBytes(dir.File("bad.dxf"), Drawing(Circle("1", "1", "0.5") + "  0\r\nCIRCLE\r\n100\r\nAcDbCircle\r\n 39\r\n1\r\n"));
    r = Dxf2nc("--min 0 --max 2 --out " + Quote(outDir) + " " + Quote(dir.File("bad.dxf")));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "DXF文件格式有误\n" + Wrote(r, 1));
}

// The written program comes as always; the check says what is wrong with
// the file, after the written reader's own message.
TEST_F(CliTest, DamagedOrUnreadableDrawingsAreSaidAndExitOne) {
    for (const test::BadDrawing& bad : test::BadDrawings()) {
        test::WriteBytes(dir.File("bad.dxf"), bad.bytes);
        const std::string outDir = dir.File(std::string("out ") + bad.what);
        ToolRun r = Dxf2nc("--min 0.5 --max 2 --out " + Quote(outDir) + " " + Quote(dir.File("bad.dxf")));
        EXPECT_EQ(r.code, 1) << bad.what;
        DrawingCheck check;
        check.fault = bad.fault;
        EXPECT_EQ(r.err, std::string(bad.formatError ? "DXF文件格式有误\n" : "") + DrawingCheckMessage(check) + "\n" +
                             (bad.holes > 0 ? Wrote(r, bad.holes) : ""))
            << bad.what;
        ASSERT_EQ(r.out, outDir + "/bad00.NC\n") << bad.what;
        auto table = std::make_unique<HoleSlots>();
        int32_t count = -1;
        NullSink sink;
        LoadJob(outDir + "/bad00.NC", *table, count, sink);
        EXPECT_EQ(count, bad.holes) << bad.what;
    }
}

TEST_F(CliTest, NoCircleInTheRangeIsSaidAndExitsOne) {
    test::WriteBytes(dir.File("plate.dxf"), Drawing(Circle("1", "2", "0.5")));
    const std::string outDir = dir.File("out");
    ToolRun r = Dxf2nc("--min 3 --max 5 --out " + Quote(outDir) + " " + Quote(dir.File("plate.dxf")));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, outDir + "/plate00.NC\n");
    EXPECT_EQ(r.err, "图纸中没有直径在范围内的圆：生成的程序不含孔\n");
}

TEST_F(CliTest, OutputFolderThatCannotBeMadeExitsTwo) {
    test::WriteBytes(dir.File("plate.dxf"), Drawing(Circle("1", "2", "0.5")));
    test::WriteBytes(dir.File("blocker"), "x");
    ToolRun r = Dxf2nc("--min 0 --max 2 --out " + Quote(dir.File("blocker/sub")) + " " + Quote(dir.File("plate.dxf")));
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "创建记录文件失败！\n");
}

TEST_F(CliTest, DefaultFolderIsTheCurrentOne) {
    test::WriteBytes(dir.File("p.dxf"), Drawing(""));
    const std::string cmd = "cd " + Quote(dir.Path()) + " && " + KS_DXF2NC + " --min 0 --max 1 p.dxf >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 256);  // written, with the message that it holds no hole
    EXPECT_TRUE(test::Exists(dir.File("p00.NC")));
}

TEST_F(CliTest, UsageErrorsExitSixtyFour) {
    for (const char* args : {"", "--min 1 --max 2", "--min 1 x.dxf", "--max 1 x.dxf", "--min 1 --max 2 a.dxf b.dxf",
                             "--min 1 --max 2 --bogus x.dxf", "--min 1 --max 2 x.dxf --out"}) {
        ToolRun r = Dxf2nc(args);
        EXPECT_EQ(r.code, 64) << args;
        EXPECT_NE(r.err.find("usage:"), std::string::npos) << args;
        EXPECT_EQ(r.out, "") << args;
    }
    // Bounds that would quietly convert nothing.
    test::WriteBytes(dir.File("plate.dxf"), Drawing(Circle("1", "2", "0.5")));
    for (const char* bounds : {"--min 7 --max 0.3", "--min abc --max 1", "--min 0.3 --max 7mm"}) {
        ToolRun r = Dxf2nc(std::string(bounds) + " --out " + Quote(dir.File("o")) + " " + Quote(dir.File("plate.dxf")));
        EXPECT_EQ(r.code, 64) << bounds;
        EXPECT_EQ(r.err.rfind("kestrane-dxf2nc: ", 0), 0u) << r.err;
        EXPECT_FALSE(test::Exists(dir.File("o"))) << bounds;
    }
    EXPECT_NE(Dxf2nc("--min 7 --max 0.3 x.dxf").err.find("最小直径 7 大于最大直径 0.3"), std::string::npos);
    ToolRun help = Dxf2nc("--help");
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("usage:"), std::string::npos);
}

TEST_F(CliTest, ReaderOptionChoosesTheFullReaderElseTheCheckReports) {
    // The second circle lies in a block that an INSERT places.
    const std::string blocks = "  0\r\nSECTION\r\n  2\r\nBLOCKS\r\n  0\r\nBLOCK\r\n  2\r\nPIN\r\n 10\r\n1\r\n 20\r\n1\r\n" +
                               Circle("1", "1", "0.5") + "  0\r\nENDBLK\r\n  0\r\nENDSEC\r\n";
    const std::string insert = "  0\r\nINSERT\r\n  2\r\nPIN\r\n 10\r\n3\r\n 20\r\n2\r\n";
    test::WriteBytes(dir.File("plate.dxf"), Drawing(Circle("1", "2", "0.5") + insert, test::Header() + blocks));
    const std::string outDir = dir.File("out");
    const std::string args = " --min 0.5 --max 2 --out " + Quote(outDir) + " " + Quote(dir.File("plate.dxf"));
    ToolRun r = Dxf2nc(args);
    EXPECT_EQ(r.code, 1);
    DrawingCheck inBlock;
    inBlock.missed[static_cast<size_t>(MissReason::InBlock)] = 1;
    inBlock.writtenReader = true;  // and so the full reader is named as the remedy
    EXPECT_EQ(r.err, DrawingCheckMessage(inBlock) + "\n" + Wrote(r, 1));
    r = Dxf2nc("--reader full" + args);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, Wrote(r, 2));
    EXPECT_NE(test::ReadBytes(outDir + "/plate01.NC").find("N1  X1000  Y2000   R500\r\nN2  X3000  Y2000   R500\r\n"),
              std::string::npos);
    for (const char* bad : {"--reader Full", "--reader", "--reader dime"}) {
        r = Dxf2nc(std::string(bad) + args);
        EXPECT_EQ(r.code, 64) << bad;
        EXPECT_NE(r.err.find("usage:"), std::string::npos) << bad;
    }
}

// Drawings written by ezdxf, converted by the tool, loaded back by the NC
// loader: every hole in path order, radius R / 1000 mm.
TEST_F(CliTest, RoundTripThroughTheNcLoader) {
    const std::string made = Made();
    if (s_made == 3) GTEST_SKIP() << "python3-ezdxf is not installed";
    ASSERT_EQ(s_made, 0);
    for (const std::string name : {"plate", "dense"}) {
        std::ifstream expected(made + "/" + name + ".expected");
        std::string dmin, dmax;
        expected >> dmin >> dmax;
        std::vector<JobHole> holes;
        for (int32_t x, y, r; expected >> x >> y >> r;) holes.push_back({x, y, static_cast<float>(r * 0.001), 0});
        ASSERT_GT(holes.size(), 100u) << name;

        // The drawings hold arcs and circles beyond one metre: the check
        // after the conversion counts them, so the program comes with a message.
        DrawingCheck check;
        std::ifstream counts(made + "/" + name + ".check");
        counts >> check.missed[static_cast<size_t>(MissReason::OutsideWindow)] >>
            check.added[static_cast<size_t>(AddReason::Arc)];
        ASSERT_FALSE(check.Clean()) << name;
        check.writtenReader = true;

        ToolRun run = Dxf2nc("--min " + dmin + " --max " + dmax + " --out " + Quote(dir.File("nc")) + " " +
                         Quote(made + "/" + name + ".dxf"));
        ASSERT_EQ(run.code, 1) << name << ": " << run.err;
        EXPECT_EQ(run.err, DrawingCheckMessage(check) + "\n" + Wrote(run, static_cast<int>(holes.size()))) << name;
        ASSERT_EQ(run.out, dir.File("nc/" + name + "00.NC\n"));

        auto table = std::make_unique<HoleSlots>();
        int32_t count = 0;
        NullSink sink;
        LoadJob(dir.File("nc/" + name + "00.NC"), *table, count, sink);
        EXPECT_EQ(sink.messages, "") << name;
        ASSERT_EQ(count, static_cast<int32_t>(holes.size())) << name;
        for (size_t i = 0; i < holes.size(); ++i) {
            const JobHole& got = (*table)[i + 1];
            ASSERT_EQ(got.nX, holes[i].nX) << name << " hole " << i + 1;
            ASSERT_EQ(got.nY, holes[i].nY) << name << " hole " << i + 1;
            ASSERT_EQ(got.fRadius, holes[i].fRadius) << name << " hole " << i + 1;
        }
    }
}

// One set of holes drawn in millimetres, inches, centimetres and as an
// imperial drawing naming no unit: taken as millimetres unless asked, said
// either way, and converted on request to the millimetre drawing's holes.
TEST_F(CliTest, UnitsAreSaidAndConvertedOnRequest) {
    const std::string made = Made();
    if (s_made == 3) GTEST_SKIP() << "python3-ezdxf is not installed";
    ASSERT_EQ(s_made, 0);
    const std::string title = "图纸核对：图纸的单位不是毫米，请核对孔的位置和尺寸\n";
    const std::string inch = "图纸单位：英寸（1英寸=25.4mm），坐标";
    for (const std::string reader : {"written", "full"}) {
        const std::string args = "--reader " + reader + " --min 0 --max 100 --out " + Quote(dir.Path()) + " ";
        ToolRun mm = Dxf2nc(args + "--units drawing " + Quote(made + "/units_mm.dxf"));
        ASSERT_EQ(mm.code, 0) << reader << mm.err;
        const std::string holes = HoleLines(test::ReadBytes(mm.out.substr(0, mm.out.size() - 1)));
        ASSERT_EQ(std::count(holes.begin(), holes.end(), 'N'), 60) << reader;
        for (const auto& [name, line] : {std::pair<std::string, std::string>{"in", inch},
                                         {"cm", "图纸单位：厘米（1厘米=10mm），坐标"},
                                         {"imperial", inch}}) {
            ToolRun r = Dxf2nc(args + "--units drawing " + Quote(made + "/units_" + name + ".dxf"));
            EXPECT_EQ(r.code, 1) << reader << " " << name;
            EXPECT_EQ(r.err, title + line + "已换算为毫米\n" + Wrote(r, 60)) << reader << " " << name;
            EXPECT_EQ(HoleLines(test::ReadBytes(r.out.substr(0, r.out.size() - 1))), holes) << reader << " " << name;
            r = Dxf2nc(args + Quote(made + "/units_" + name + ".dxf"));
            EXPECT_EQ(r.code, 1) << reader << " " << name;
            EXPECT_EQ(r.err, title + line + "按毫米读入，未换算\n" + Wrote(r, 60)) << reader << " " << name;
            EXPECT_NE(HoleLines(test::ReadBytes(r.out.substr(0, r.out.size() - 1))), holes) << reader << " " << name;
        }
    }
    EXPECT_EQ(Dxf2nc("--units inch --min 0 --max 1 x.dxf").code, 64);
}

}  // namespace
}  // namespace ks
