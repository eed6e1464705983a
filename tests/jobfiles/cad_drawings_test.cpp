// Drawings as CAD programs write them (made by ezdxf at test time): the
// older layout, the one with subclass markers, LibreCAD's records without
// group 30; blocks with base points, scale, mirroring, rotation, arrays,
// nesting and extrusion; mirrored, tilted and far-away circles; arcs.
// The written reader writes what it always wrote, the check after it
// counts each miss by its reason, and the full reader's holes are ezdxf's
// circles after the written filter and ordering.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <fstream>
#include <memory>
#include <span>

#include "jobfiles/dxf_converter.h"
#include "test_support.h"

namespace ks {
namespace {

using test::RecordingSink;
using test::ScratchDir;

std::tm May3() {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 4;
    t.tm_mday = 3;
    return t;
}

class CadDrawingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new ScratchDir;
        const std::string cmd = std::string("/usr/bin/python3 '") + KS_MAKE_CAD_DRAWINGS + "' '" + dir->Path() + "'";
        status = std::system(cmd.c_str());
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    void SetUp() override {
        if (WIFEXITED(status) && WEXITSTATUS(status) == 3) GTEST_SKIP() << "python3-ezdxf is not installed";
        ASSERT_EQ(status, 0);
    }

    std::unique_ptr<DxfConverter> Converter(const std::string& name, DxfReaderKind reader, const std::string& out) {
        auto c = std::make_unique<DxfConverter>(sink);
        c->SetLocalTimeSource(May3);
        c->m_dxfPath = dir->File(name + ".dxf");
        c->m_diaMinText = "0.4";
        c->m_diaMaxText = "6";
        c->m_ncFolder = dir->File(out);
        c->m_ncBaseName = name;
        c->m_reader = reader;
        return c;
    }

    static DrawingCheck ExpectedCheck(const std::string& name) {
        DrawingCheck check;
        std::ifstream in(dir->File(name + ".check"));
        for (int32_t& n : check.missed) in >> n;
        for (int32_t& n : check.added) in >> n;
        check.writtenReader = true;
        return check;
    }

    static inline ScratchDir* dir = nullptr;
    static inline int status = -1;
    RecordingSink sink;
};

TEST_F(CadDrawingTest, WrittenReaderWritesAsBeforeAndTheCheckCountsEachMissByItsReason) {
    for (const std::string name : {"r12", "r2018", "librecad"}) {
        sink.messages.clear();
        auto conv = Converter(name, DxfReaderKind::Written, "written");
        conv->ConvertDxf();
        const DrawingCheck expected = ExpectedCheck(name);
        ASSERT_FALSE(expected.Clean()) << name;
        // The check's message comes last, after the written reader's own.
        std::vector<std::string> messages;
        if (name == "librecad") messages.push_back("DXF文件格式有误");
        messages.push_back(DrawingCheckMessage(expected));
        EXPECT_EQ(sink.messages, messages) << name;

        // The same passes without the check: the same program, byte for byte.
        auto bare = Converter(name, DxfReaderKind::Written, "bare");
        bare->ClearHoleTable();
        bare->ReadDxfHeader();
        bare->ReadDxfCircles();
        bare->OrderHoles();
        const std::string program =
            FormatNcProgram(std::span(bare->m_holes).first(static_cast<size_t>(bare->m_writeCount)), May3());
        EXPECT_EQ(test::ReadBytes(conv->WrittenPath()), program) << name;
    }
    // The older layout gives the written reader nothing at all.
    EXPECT_EQ(test::ReadBytes(dir->File("written/r1200.NC")).find("\nN"), std::string::npos);
}

TEST_F(CadDrawingTest, FullReaderHolesAreEzdxfsCirclesAfterTheWrittenFilterAndOrder) {
    for (const std::string name : {"r12", "r2018", "librecad"}) {
        sink.messages.clear();
        auto conv = Converter(name, DxfReaderKind::Full, "full");
        conv->ConvertDxf();
        std::ifstream expected(dir->File(name + ".full"));
        std::string dmin, dmax;
        expected >> dmin >> dmax;
        std::string lines;
        int n = 0;
        for (int32_t x, y, r; expected >> x >> y >> r;) {
            lines += "N" + std::to_string(++n) + "  X" + std::to_string(x) + "  Y" + std::to_string(y) + "   R" +
                     std::to_string(r) + "\r\n";
        }
        ASSERT_GT(n, 70) << name;
        const std::string program = test::ReadBytes(conv->WrittenPath());
        const size_t start = program.find("START\r\n");
        ASSERT_NE(start, std::string::npos) << name;
        EXPECT_EQ(program.substr(start + 7), lines + "STOP") << name;
        // What the window keeps out of every program is still said.
        const size_t outside = static_cast<size_t>(MissReason::OutsideWindow);
        DrawingCheck window;
        window.missed[outside] = ExpectedCheck(name).missed[outside];
        EXPECT_EQ(sink.messages, std::vector<std::string>{DrawingCheckMessage(window)}) << name;
    }
}

}  // namespace
}  // namespace ks
