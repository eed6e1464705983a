// The full reader on drawings written by hand: the format's pairs in any
// layout, blocks placed exactly, bad bytes and runaway blocks, and the
// check's counts and message.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <span>
#include <utility>

#include "jobfiles/dxf_converter.h"
#include "jobfiles/dxf_place.h"
#include "test_support.h"

namespace ks {
namespace {

using test::RecordingSink;
using test::ScratchDir;
using Pairs = std::initializer_list<std::pair<int, const char*>>;

// Group code and value lines, LF only, codes padded as many writers pad them.
std::string Dxf(Pairs pairs) {
    std::string s;
    for (const auto& [code, value] : pairs) s += (code < 10 ? "  " : code < 100 ? " " : "") + std::to_string(code) + "\n" + value + "\n";
    return s;
}
std::string Section(const char* name, const std::string& body) {
    return Dxf({{0, "SECTION"}, {2, name}}) + body + Dxf({{0, "ENDSEC"}});
}
std::string Circle(const char* x, const char* y, const char* r) { return Dxf({{0, "CIRCLE"}, {10, x}, {20, y}, {40, r}}); }
std::string Insert(const char* block, const char* x, const char* y, Pairs more = {}) {
    return Dxf({{0, "INSERT"}, {2, block}, {10, x}, {20, y}}) + Dxf(more);
}
std::string Block(const char* name, const std::string& body, const char* bx = "0", const char* by = "0") {
    return Dxf({{0, "BLOCK"}, {2, name}, {10, bx}, {20, by}}) + body + Dxf({{0, "ENDBLK"}});
}
std::string Drawing(const std::string& entities, const std::string& blocks = "") {
    return (blocks.empty() ? "" : Section("BLOCKS", blocks)) + Section("ENTITIES", entities) + Dxf({{0, "EOF"}});
}

struct Hole {
    int32_t x, y, r;
    bool operator==(const Hole&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Hole& h) { return o << "(" << h.x << "," << h.y << "," << h.r << ")"; }

class FullReaderTest : public ::testing::Test {
protected:
    // The full reader's table in reading order.
    std::vector<Hole> Read(const std::string& text, const char* dmax = "100") {
        test::WriteBytes(dir.File("part.dxf"), text);
        conv = std::make_unique<DxfConverter>(sink);
        conv->m_dxfPath = dir.File("part.dxf");
        conv->m_diaMinText = "0";
        conv->m_diaMaxText = dmax;
        conv->m_ncFolder = dir.File("nc");
        conv->m_reader = DxfReaderKind::Full;
        conv->ClearHoleTable();
        conv->ReadDxfFull();
        std::vector<Hole> holes;
        for (int i = 0; i < conv->m_holeCount; ++i) {
            const HoleRecord& h = conv->m_holes[static_cast<size_t>(i)];
            holes.push_back({h.x, h.y, h.radius});
        }
        return holes;
    }
    ScratchDir dir;
    RecordingSink sink;
    std::unique_ptr<DxfConverter> conv;
};

TEST_F(FullReaderTest, ReadsRecordsInAnyLayoutAndOnlyModelSpaceCircles) {
    const std::string header = Section("HEADER", Dxf({{9, "$ACADVER"}, {1, "AC1009"}, {9, "$UCSORG"}, {10, "1.0"},
                                                      {20, "-2"}, {30, "0"}}));
    const std::string entities =
        Dxf({{0, "CIRCLE"}, {8, "HOLES"}, {40, "0.5"}, {20, "3.25"}, {10, "2.0 "}}) +             // any order, no Z
        Dxf({{0, "CIRCLE"}, {10, "4"}, {20, "4"}, {40, "0.5"}, {67, "1"}}) +                    // paper space
        Dxf({{0, "ARC"}, {10, "5"}, {20, "5"}, {40, "0.5"}, {50, "0"}, {51, "90"}}) +           // not a hole
        Dxf({{0, "CIRCLE"}, {10, "3"}, {20, "1"}, {40, "0.25"}, {210, "0"}, {220, "0"}, {230, "-1"}});  // mirrored
    const std::string objects = Section("OBJECTS", Circle("9", "9", "0.5"));
    EXPECT_EQ(Read(header + Section("ENTITIES", entities) + objects + Dxf({{0, "EOF"}})),
              (std::vector<Hole>{{1000, 5250, 500}, {-4000, 3000, 250}}));
    EXPECT_TRUE(sink.messages.empty());
    // CR LF, and the subclass layout the written reader knows.
    EXPECT_EQ(Read(test::Drawing(test::Circle("1.2345678", "-1.2345678", "0.2509"))),
              (std::vector<Hole>{{1234, -1234, 250}}));
}

TEST_F(FullReaderTest, BlocksArePlacedWithoutRoundingNoise) {
    // Base point, scale 1.5 of a 0.3 mm radius, a right angle, a mirror, an
    // array, nesting, a name in other case, an undefined block.
    const std::string blocks = Block("Screw", Circle("1", "2", "0.3") + Circle("3", "2", "0.1"), "1", "2") +
                               Block("PAIR", Insert("SCREW", "0", "0") + Insert("screw", "10", "0"));
    const std::string entities =
        Insert("SCREW", "100", "50", {{41, "1.5"}, {42, "1.5"}, {50, "90"}}) +
        Insert("SCREW", "0", "0", {{41, "-1"}, {70, "2"}, {71, "2"}, {44, "5"}, {45, "7"}}) +
        Insert("PAIR", "20", "30", {{50, "180"}}) + Insert("NONE", "1", "1") +
        Insert("SCREW", "0", "0", {{41, "2"}, {42, "1"}});  // an ellipse, no hole
    EXPECT_EQ(Read(Drawing(entities, blocks)),
              (std::vector<Hole>{{100000, 50000, 450}, {100000, 53000, 150},                      // turned 90
                                 {0, 0, 300}, {-2000, 0, 100}, {5000, 0, 300}, {3000, 0, 100},    // mirrored row
                                 {0, 7000, 300}, {-2000, 7000, 100}, {5000, 7000, 300}, {3000, 7000, 100},
                                 {20000, 30000, 300}, {18000, 30000, 100}, {10000, 30000, 300}, {8000, 30000, 100}}));
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(FullReaderTest, BadBytesGiveTheFormatMessageAndKeepWhatWasRead) {
    const std::string first = Circle("1", "1", "0.5");
    // Cut inside a record (its radius may have lost digits: it goes); a
    // value that is no number (only that circle goes); a code line that is
    // no number (nothing after it can be paired).
    const std::string cut = Section("ENTITIES", first + Circle("2", "2", "0.55"));
    for (const std::string& text : {cut.substr(0, cut.find("0.55") + 3),
                                    Drawing(first + Circle("2", "abc", "0.5")),
                                    Drawing(first + Circle("2", "1,5", "0.5")),
                                    Drawing(first + Dxf({{0, "LINE"}}) + "x1\nCIRCLE\n" + Circle("3", "3", "0.5"))}) {
        sink.messages.clear();
        EXPECT_EQ(Read(text), (std::vector<Hole>{{1000, 1000, 500}})) << text;
        EXPECT_EQ(sink.messages, std::vector<std::string>{"DXF文件格式有误"}) << text;
    }
    for (const std::string& text : {std::string(), std::string("AutoCAD Binary DXF\r\n\x1a\0", 22) + first,
                                    std::string("CIRCLE 10 1 20 1 40 0.5"), std::string(5000, '\n')}) {
        sink.messages.clear();
        EXPECT_TRUE(Read(text).empty());
        EXPECT_EQ(sink.messages, std::vector<std::string>{"DXF文件格式有误"});
    }
}

TEST_F(FullReaderTest, RunawayBlocksEndWithAMessage) {
    // A block that places itself, two that place each other, a chain deeper
    // than any drawing needs: each copy once, then no further.
    std::string chain;
    for (int i = 0; i < 200; ++i) {
        const std::string self = "C" + std::to_string(i), next = "C" + std::to_string(i + 1);
        chain += Block(self.c_str(), Circle(std::to_string(i).c_str(), "5", "0.5") + Insert(next.c_str(), "0", "0"));
    }
    const std::string blocks = Block("SELF", Circle("0", "0", "0.5") + Insert("SELF", "1", "0")) +
                               Block("A", Insert("B", "0", "1")) + Block("B", Circle("0", "0", "0.5") + Insert("A", "0", "1")) +
                               chain;
    const auto holes = Read(Drawing(Insert("SELF", "0", "0") + Insert("A", "0", "0") + Insert("C0", "0", "0"), blocks));
    ASSERT_EQ(holes.size(), 2u + static_cast<size_t>(dxf::kMaxNesting));
    EXPECT_EQ(holes[1], (Hole{0, 1000, 500}));
    EXPECT_TRUE(sink.messages.empty());
    // 32767 x 32767 copies of a circle are cut at the limit, and said so.
    Read(Drawing(Insert("DOT", "0", "0", {{70, "32767"}, {71, "32767"}, {44, "0.001"}, {45, "0.001"}}),
                 Block("DOT", Circle("0", "0", "0.5"))),
         "1");
    EXPECT_EQ(conv->m_holeCount, kConversionSlots);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"孔的个数超出范围，建议重新绘图"});
    sink.messages.clear();
    Read(Drawing(Insert("DOT", "0", "0", {{70, "32767"}, {71, "32767"}, {44, "0.001"}, {45, "0.001"}}),
                 Block("DOT", Circle("0", "0", "0.5"))),
         "0.1");  // none in range: no hole limit, the placement limit
    conv->ConvertDxf();
    DrawingCheck cut;
    cut.tooLarge = true;
    EXPECT_EQ(sink.messages, std::vector<std::string>{DrawingCheckMessage(cut)});
}

TEST_F(FullReaderTest, BlocksThatPlaceEachOtherGiveEveryCircleWhateverTheOrder) {
    // A holds a circle and places B; B only places A. Each INSERT places
    // the circle once, through whichever block it names.
    const std::string a = Block("A", Insert("B", "0", "1") + Circle("0", "0", "0.5"));
    const std::string b = Block("B", Insert("A", "0", "2"));
    const std::string toA = Insert("A", "10", "0"), toB = Insert("B", "20", "0");
    const Hole viaA{10000, 0, 500}, viaB{20000, 2000, 500};
    EXPECT_EQ(Read(Drawing(toA + toB, a + b)), (std::vector<Hole>{viaA, viaB}));
    EXPECT_EQ(Read(Drawing(toA + toB, b + a)), (std::vector<Hole>{viaA, viaB}));
    EXPECT_EQ(Read(Drawing(toB + toA, a + b)), (std::vector<Hole>{viaB, viaA}));
    EXPECT_EQ(Read(Drawing(toB + toA, b + a)), (std::vector<Hole>{viaB, viaA}));
    EXPECT_TRUE(sink.messages.empty());
}

TEST(DrawingCheck, CountsWhatTheTableMissedOrAddedByReason) {
    dxf::Drawing d;
    const std::string text = test::Drawing(test::Circle("1", "1", "0.5") + test::Circle("2", "2", "0.5") +
                                           test::Circle("3", "3", "0.5") + Dxf({{0, "ARC"}, {10, "4"}, {20, "4"}, {40, "0.5"}}));
    ASSERT_EQ(dxf::ReadDrawing(text, d), dxf::ReadStatus::Ok);
    const RadiusBounds bounds{0.0, 5000.0};
    // The table holds the first circle, the arc, and a circle of paper space.
    const std::vector<HoleRecord> table{{1000, 1000, 500, 0}, {4000, 4000, 500, 0}, {9000, 9000, 500, 0}};
    DrawingCheck check = CheckHoleTable(d, table, bounds, TableReading{});
    EXPECT_EQ(check.missed[static_cast<size_t>(MissReason::Other)], 2);
    EXPECT_EQ(check.added, (std::array<int32_t, kAddReasons>{1, 1}));
    // Reading stopped between the second and the third: after a format
    // error the third is lost to it; after the hole limit it is not counted
    // (the limit has its own message).
    const size_t second = text.find("AcDbCircle", text.find("AcDbCircle") + 1);
    const size_t stop = text.find("CIRCLE\r\n", second);
    check = CheckHoleTable(d, table, bounds, TableReading{0, 0, TableReading::Stop::FormatError, stop});
    EXPECT_EQ(check.missed[static_cast<size_t>(MissReason::Other)], 1);
    EXPECT_EQ(check.missed[static_cast<size_t>(MissReason::AfterFormatError)], 1);
    check = CheckHoleTable(d, table, bounds, TableReading{0, 0, TableReading::Stop::HoleLimit, stop});
    EXPECT_EQ(check.missed[static_cast<size_t>(MissReason::Other)], 1);
    EXPECT_EQ(check.missed[static_cast<size_t>(MissReason::AfterFormatError)], 0);

    check = DrawingCheck{};
    check.missed = {1, 0, 12, 0, 3, 0};
    check.added = {2, 0};
    EXPECT_EQ(DrawingCheckMessage(check),
              "图纸核对：NC文件与图纸中的圆不一致，加工前请核对图纸\n"
              "未写入的圆：16个\n"
              "　旧版DXF格式（无子类标记）：1个\n"
              "　在块中（经块参照插入）：12个\n"
              "　格式错误之后未读：3个\n"
              "多写入的孔：2个\n"
              "　圆弧被当作孔：2个");
    EXPECT_EQ(DrawingCheckMessage(DrawingCheck{}), "");

    // A file cut short, in inches: its fault first, the unit last.
    check = DrawingCheck{};
    check.fault = dxf::Fault::EndsEarly;
    check.missed[static_cast<size_t>(MissReason::InBlock)] = 2;
    check.unit = DrawingUnit{1, "英寸", 25.4};
    EXPECT_EQ(DrawingCheckMessage(check),
              "图纸核对：图纸文件有误，NC文件中的孔可能不全\n"
              "图纸文件不完整：在结束标记（EOF）之前中断\n"
              "未写入的圆：2个\n"
              "　在块中（经块参照插入）：2个\n"
              "图纸单位：英寸（1英寸=25.4mm），坐标按毫米读入，未换算");
    check = DrawingCheck{};
    check.fault = dxf::Fault::Binary;
    EXPECT_EQ(DrawingCheckMessage(check),
              "图纸核对：图纸文件有误，NC文件中的孔可能不全\n二进制DXF文件：请在CAD软件中另存为ASCII格式的DXF");
}

TEST(DxfReaderKind, OnlyFullChoosesTheFullReader) {
    for (const char* text : {"full", "FULL", " Full\r", "\tfull "}) EXPECT_EQ(DxfReaderKindOf(text), DxfReaderKind::Full) << text;
    for (const char* text : {"", "written", "fullx", "ful", "0", "没找到"}) EXPECT_EQ(DxfReaderKindOf(text), DxfReaderKind::Written) << text;
}

}  // namespace
}  // namespace ks
