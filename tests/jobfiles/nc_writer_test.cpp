// Ordering into the serpentine path, the NC program bytes and the choice of
// the file name.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <memory>
#include <tuple>

#include "jobfiles/dxf_converter.h"
#include "test_support.h"

namespace ks {
namespace {

using test::Circle;
using test::Drawing;
using test::RecordingSink;
using test::ScratchDir;

struct Pos {
    int32_t x, y, r;
};

class OrderTest : public ::testing::Test {
protected:
    // Appends holes as the reader would (filters included) and orders them.
    std::vector<Pos> Order(const std::vector<Pos>& holes) {
        conv.m_diaMinText = "0";
        conv.m_diaMaxText = "100";
        conv.ClearHoleTable();
        for (const Pos& p : holes) {
            conv.m_circleXum = p.x;
            conv.m_circleYum = p.y;
            conv.m_circleRum = p.r;
            conv.AcceptCircle();
        }
        conv.m_writeCount = conv.m_holeCount;
        conv.OrderHoles();
        std::vector<Pos> out;
        for (int i = 0; i < conv.m_writeCount; ++i) {
            const HoleRecord& h = conv.m_holes[static_cast<size_t>(i)];
            out.push_back({h.x, h.y, h.radius});
        }
        return out;
    }
    RecordingSink sink;
    DxfConverter conv{sink};
};

MATCHER_P(Is, positions, "") {
    if (arg.size() != positions.size()) return false;
    for (size_t i = 0; i < arg.size(); ++i) {
        if (arg[i].x != positions[i].x || arg[i].y != positions[i].y || arg[i].r != positions[i].r) {
            *result_listener << "differs at " << i << ": (" << arg[i].x << "," << arg[i].y << ","
                             << arg[i].r << ")";
            return false;
        }
    }
    return true;
}

TEST_F(OrderTest, SerpentineFromTheTopBandDown) {
    auto out = Order({{0, 0, 500}, {10000, 0, 500}, {5000, 0, 500}, {0, 5000, 500}, {10000, 5000, 500}});
    EXPECT_THAT(out, Is(std::vector<Pos>{
                         {0, 5000, 500}, {10000, 5000, 500}, {10000, 0, 500}, {5000, 0, 500}, {0, 0, 500}}));
}

TEST_F(OrderTest, BandsAreWholeMillimetresOnEachSideOfZero) {
    // 5.2 and 5.9 mm share a row, 6.1 does not; -0.5 and 0.5 are two rows
    // (0.5 first); -1.0 and -1.9 share one.
    auto out = Order({{1, 5200, 1}, {3, 6100, 1}, {2, 5900, 1}, {4, -500, 1}, {5, 500, 1},
                      {6, -1000, 1}, {7, -1900, 1}});
    EXPECT_THAT(out, Is(std::vector<Pos>{{3, 6100, 1},                  // row 1, ascending
                                         {2, 5900, 1}, {1, 5200, 1},    // row 2, descending
                                         {5, 500, 1},                   // row 3
                                         {4, -500, 1},                  // row 4
                                         {6, -1000, 1}, {7, -1900, 1}})); // row 5, ascending
}

TEST_F(OrderTest, SingleHoleRowsFlipTheDirectionToo) {
    auto out = Order({{1, 3000, 1}, {2, 3000, 1}, {5, 2000, 1}, {1, 1000, 1}, {2, 1000, 1}});
    EXPECT_THAT(out, Is(std::vector<Pos>{{1, 3000, 1}, {2, 3000, 1}, {5, 2000, 1}, {1, 1000, 1}, {2, 1000, 1}}));
    // Gaps between bands do not matter either.
    out = Order({{1, 900000, 1}, {2, 900000, 1}, {1, -900000, 1}, {2, -900000, 1}});
    EXPECT_THAT(out, Is(std::vector<Pos>{{1, 900000, 1}, {2, 900000, 1}, {2, -900000, 1}, {1, -900000, 1}}));
}

TEST_F(OrderTest, TiesKeepTheOrderOfTheDrawing) {
    // Equal X in a row: file order both ascending and descending.
    auto out = Order({{7, 100, 1}, {7, 200, 2}, {7, 300, 3}, {7, 1100, 4}, {7, 1200, 5}, {7, 1300, 6}});
    EXPECT_THAT(out, Is(std::vector<Pos>{{7, 1100, 4}, {7, 1200, 5}, {7, 1300, 6},
                                         {7, 100, 1}, {7, 200, 2}, {7, 300, 3}}));
}

TEST_F(OrderTest, ConcentricCirclesKeepTheFirstOfThePath) {
    auto out = Order({{1000, 1000, 200}, {1000, 1000, 300}});
    ASSERT_EQ(out.size(), 2u);  // m_writeCount keeps its value
    EXPECT_EQ(out[0].r, 200);
    EXPECT_EQ(out[1].r, 0);
    EXPECT_EQ(out[1].x, 0);
    EXPECT_EQ(conv.m_holes[1].rowKey, 998);  // only x, y and radius are emptied
    // A third circle of the same band and X between them keeps them apart.
    out = Order({{1000, 1000, 200}, {1000, 1300, 250}, {1000, 1000, 300}});
    EXPECT_THAT(out, Is(std::vector<Pos>{{1000, 1000, 200}, {1000, 1300, 250}, {1000, 1000, 300}}));
}

TEST_F(OrderTest, RepeatedPositionsLeaveEmptyEntriesAtTheEnd) {
    auto out = Order({{1, 1, 1}, {1, 1, 2}, {1, 1, 3}, {2, 1, 1}, {2, 1, 5}, {3, 1, 1}});
    EXPECT_THAT(out, Is(std::vector<Pos>{{1, 1, 1}, {2, 1, 1}, {3, 1, 1}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}));
}

TEST_F(OrderTest, TenThousandHolesOrderAsTheExchangeSortsWould) {
    // Reference: the exchange sorts themselves, on a table of many ties.
    std::vector<Pos> in;
    uint32_t seed = 7;
    for (int i = 0; i < 3000; ++i) {
        seed = seed * 1103515245u + 12345u;
        in.push_back({static_cast<int32_t>(seed % 20) * 100, static_cast<int32_t>((seed >> 8) % 40) * 250 - 5000,
                      static_cast<int32_t>(i + 1)});
    }
    std::vector<HoleRecord> ref;
    for (auto& p : in) ref.push_back({p.x, p.y, p.r, RowKeyOf(p.y)});
    for (size_t i = 0; i < ref.size(); ++i)
        for (size_t j = 0; j + 1 < ref.size() - i; ++j)
            if (ref[j].rowKey > ref[j + 1].rowKey) std::swap(ref[j], ref[j + 1]);
    bool asc = true;
    for (size_t a = 0; a < ref.size();) {
        size_t b = a;
        while (b < ref.size() && ref[b].rowKey == ref[a].rowKey) ++b;
        for (size_t i = a; i < b; ++i)
            for (size_t j = a; j + 1 < b - (i - a); ++j)
                if (asc ? ref[j].x > ref[j + 1].x : ref[j].x < ref[j + 1].x) std::swap(ref[j], ref[j + 1]);
        asc = !asc;
        a = b;
    }
    std::vector<Pos> expected;
    for (size_t i = 0; i < ref.size(); ++i)
        if (i == 0 || ref[i].x != ref[i - 1].x || ref[i].y != ref[i - 1].y) expected.push_back({ref[i].x, ref[i].y, ref[i].radius});
    while (expected.size() < ref.size()) expected.push_back({0, 0, 0});
    EXPECT_THAT(Order(in), Is(expected));
}

// Row keys far apart are sorted, close ones counted into place: the same
// path either way.
TEST(OrderHoleTable, RowsFarApartOrderAsRowsCloseTogether) {
    std::vector<HoleRecord> close, apart;
    uint32_t seed = 11;
    for (int32_t i = 0; i < 500; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int32_t row = static_cast<int32_t>((seed >> 8) % 30);
        close.push_back({static_cast<int32_t>(seed % 20), row, i + 1, row});
        apart.push_back({static_cast<int32_t>(seed % 20), row, i + 1, row * 100000});
    }
    std::vector<HoleRecord> scratch(close.size());
    OrderHoleTable(close, scratch);
    OrderHoleTable(apart, scratch);
    for (size_t i = 0; i < close.size(); ++i) {
        ASSERT_EQ(std::tie(close[i].x, close[i].y, close[i].radius), std::tie(apart[i].x, apart[i].y, apart[i].radius))
            << "entry " << i;
    }
}

std::tm May3() {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 4;
    t.tm_mday = 3;
    t.tm_hour = 14;
    t.tm_min = 7;
    t.tm_sec = 9;
    return t;
}

const std::string kBanner =
    "************************************************************\r\n"
    "********       \xB4\xA9\xBF\xD7\xBB\xFA\xBC\xD3\xB9\xA4NC\xCE\xC4\xBC\xFE    Volmarek        *********\r\n"
    "********    \xC9\xFA\xB3\xC9\xCA\xB1\xBC\xE4:2026\xC4\xEA" "05\xD4\xC2" "03\xC8\xD5" "14\xCA\xB1"
    "07\xB7\xD6" "09\xC3\xEB    *********\r\n"
    "************************************************************\r\n"
    "START\r\n";

class WriterTest : public ::testing::Test {
protected:
    std::string Convert(const std::string& drawingName, const std::string& text,
                        const std::string& dmin = "0.1", const std::string& dmax = "10") {
        test::WriteBytes(dir.File(drawingName), text);
        conv = std::make_unique<DxfConverter>(sink);
        conv->SetLocalTimeSource(May3);
        conv->m_dxfPath = dir.File(drawingName);
        conv->m_diaMinText = dmin;
        conv->m_diaMaxText = dmax;
        conv->m_ncFolder = out;
        conv->m_ncBaseName = NcBaseNameOf(conv->m_dxfPath);
        conv->ConvertDxf();
        return conv->WrittenPath();
    }
    ScratchDir dir;
    std::string out = dir.File("nc");
    RecordingSink sink;
    std::unique_ptr<DxfConverter> conv;
};

TEST_F(WriterTest, ProgramBytesAreExact) {
    std::string path = Convert("bracket.dxf", Drawing(Circle("-0.5", "0.03", "0.25") + Circle("0", "0", "0.25") +
                                                      Circle("-0.5", "0.03", "0.25") + Circle("3", "-4.5", "1")));
    ASSERT_EQ(path, test::In(out, "bracket00.NC"));
    EXPECT_EQ(test::ReadBytes(path), kBanner +
                                         "N1  X-500  Y30   R250\r\n"
                                         "N2  X0  Y0   R250\r\n"
                                         "N3  X3000  Y-4500   R1000\r\n"
                                         "STOP");
    EXPECT_EQ(kBanner.size(), 62u * 4 + 7);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(conv->m_holeCount, 0);
    EXPECT_EQ(conv->m_writeCount, 3);
}

TEST_F(WriterTest, DecimalCommaLocaleChangesNothing) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    // The second name is the Windows C library's spelling.
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::setlocale(LC_ALL, "German_Germany.1252") == nullptr)
        GTEST_SKIP() << "no German locale";
    std::string path = Convert("p.dxf", Drawing(Circle("1.5", "-2.25", "0.75")), "1.4", "1.6");
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(test::ReadBytes(path), kBanner + "N1  X1500  Y-2250   R750\r\nSTOP");
}

TEST_F(WriterTest, EmptiedAndZeroRadiusEntriesKeepTheirNumbersUnused) {
    // A radius under one micrometre truncates to 0: accepted with a minimum
    // of 0, never written, and its number is not reused.
    std::string path = Convert("p.dxf", Drawing(Circle("1", "0", "0.0004") + Circle("2", "0", "0.5") +
                                                Circle("2", "0", "0.6") + Circle("3", "0", "0.5")), "0", "5");
    EXPECT_EQ(test::ReadBytes(path), kBanner +
                                         "N2  X2000  Y0   R500\r\n"
                                         "N3  X3000  Y0   R500\r\n"
                                         "STOP");
}

TEST_F(WriterTest, UnreadableDrawingStillGivesAnEmptyProgram) {
    conv = std::make_unique<DxfConverter>(sink);
    conv->SetLocalTimeSource(May3);
    conv->m_dxfPath = dir.File("absent.dxf");
    conv->m_ncFolder = out;
    conv->m_ncBaseName = "absent";
    conv->ConvertDxf();
    EXPECT_EQ(test::ReadBytes(test::In(out, "absent00.NC")), kBanner + "STOP");
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"DXF文件打开出错", "文件打开出错"}));
}

TEST_F(WriterTest, TakesTheNextFreeNumberAndReplacesNinetyNine) {
    ASSERT_EQ(Convert("bracket.dxf", Drawing("")), test::In(out, "bracket00.NC"));
    for (int k = 1; k <= 4; ++k) test::WriteBytes(test::In(out, "bracket0") + std::to_string(k) + ".NC", "x");
    EXPECT_EQ(Convert("bracket.dxf", Drawing("")), test::In(out, "bracket05.NC"));
    for (int k = 0; k <= 99; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "bracket%02d.NC", k);
        test::WriteBytes(test::In(out, name), "old");
    }
    EXPECT_EQ(Convert("bracket.dxf", Drawing(Circle("1", "1", "1"))), test::In(out, "bracket99.NC"));
    EXPECT_EQ(test::ReadBytes(test::In(out, "bracket99.NC")).substr(0, 5), "*****");
    EXPECT_EQ(test::ReadBytes(test::In(out, "bracket98.NC")), "old");
}

TEST_F(WriterTest, NamesAreConcatenatedNotFormatted) {
    EXPECT_EQ(Convert("100%d%s.v2.dxf", Drawing("")), test::In(out, "100%d%s.v200.NC"));
    EXPECT_TRUE(test::Exists(test::In(out, "100%d%s.v200.NC")));
    EXPECT_EQ(Convert("noext", Drawing("")), test::In(out, "00.NC"));
}

TEST(NcBaseName, AfterTheLastSlashBeforeTheLastDot) {
    EXPECT_EQ(NcBaseNameOf("/parts/plate.dxf"), "plate");
    EXPECT_EQ(NcBaseNameOf("plate.v2.dxf"), "plate.v2");
    EXPECT_EQ(NcBaseNameOf("/parts.old/plate"), "");
    EXPECT_EQ(NcBaseNameOf("/parts/plate"), "");
    EXPECT_EQ(NcBaseNameOf(""), "");
    EXPECT_EQ(NcBaseNameOf("/parts/.dxf"), "");
#ifdef _WIN32
    // Pickers and settings give backslashes, hand-typed names often slashes.
    EXPECT_EQ(NcBaseNameOf("C:\\parts\\plate.dxf"), "plate");
    EXPECT_EQ(NcBaseNameOf("C:\\parts.old\\plate"), "");
    EXPECT_EQ(NcBaseNameOf("C:/parts\\sub/plate.v2.dxf"), "plate.v2");
    EXPECT_EQ(NcBaseNameOf("D:plate.dxf"), "D:plate");
#else
    // A backslash is part of a file name here.
    EXPECT_EQ(NcBaseNameOf("/parts/a\\b.dxf"), "a\\b");
#endif
}

TEST_F(WriterTest, CreatesTheFolderChainWithoutChangingDirectory) {
    const auto before = std::filesystem::current_path();
    out = dir.File("a/b/c/");
    EXPECT_EQ(Convert("p.dxf", Drawing("")), out + "p00.NC");
    EXPECT_TRUE(test::Exists(out + "p00.NC"));
#ifdef _WIN32
    // The folder picker's backslashes, mixed with slashes.
    out = dir.File("d\\e/f");
    EXPECT_EQ(Convert("p.dxf", Drawing("")), out + "\\p00.NC");
    EXPECT_TRUE(test::Exists(dir.File("d/e/f/p00.NC")));
#endif
    EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST_F(WriterTest, FolderThatCannotBeUsedWritesNothingAnywhere) {
    test::WriteBytes(dir.File("plainfile"), "x");
    out = dir.File("plainfile");  // a file, not a folder
    const std::string stray = (std::filesystem::current_path() / "zz_stray_part00.NC").string();
    EXPECT_EQ(Convert("zz_stray_part.dxf", Drawing(Circle("1", "1", "1"))), "");
    EXPECT_EQ(sink.messages, std::vector<std::string>{"创建记录文件失败！"});
    EXPECT_FALSE(test::Exists(stray));
    sink.messages.clear();
    out = "";
    EXPECT_EQ(Convert("zz_stray_part.dxf", Drawing("")), "");
    EXPECT_EQ(sink.messages, std::vector<std::string>{"创建记录文件失败！"});
    EXPECT_FALSE(test::Exists(stray));
}

TEST_F(WriterTest, FileThatCannotBeCreatedIsReported) {
    // All names taken, and number 99 is a folder: nothing can be replaced.
    ASSERT_TRUE(std::filesystem::create_directory(out));
    for (int k = 0; k < 99; ++k) test::WriteBytes(test::In(out, "p") + (k < 10 ? "0" : "") + std::to_string(k) + ".NC", "old");
    ASSERT_TRUE(std::filesystem::create_directory(test::In(out, "p99.NC")));
    EXPECT_EQ(Convert("p.dxf", Drawing(Circle("1", "1", "1"))), "");
    EXPECT_EQ(sink.messages, std::vector<std::string>{"创建记录文件失败！"});
    EXPECT_EQ(test::ReadBytes(test::In(out, "p98.NC")), "old");
}

}  // namespace
}  // namespace ks
