// The DXF circle reader: word scanning, the header origin, circle records,
// the extrusion scan, the three filters and the hole limit.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string_view>

#include "jobfiles/dxf_converter.h"
#include "jobfiles/word_scanner.h"
#include "platform/textnum.h"
#include "test_support.h"

namespace ks {
namespace {

using test::Circle;
using test::Drawing;
using test::Header;
using test::Line;
using test::RecordingSink;
using test::ScratchDir;
using test::UcsOrg;

class DxfReaderTest : public ::testing::Test {
protected:
    // Runs the two reading passes over `text` as a file.
    DxfConverter& Read(const std::string& text, const std::string& dmin = "0.001",
                       const std::string& dmax = "100") {
        test::WriteBytes(dir.File("part.dxf"), text);
        conv = std::make_unique<DxfConverter>(sink);
        conv->m_dxfPath = dir.File("part.dxf");
        conv->m_diaMinText = dmin;
        conv->m_diaMaxText = dmax;
        conv->ClearHoleTable();
        conv->ReadDxfHeader();
        conv->ReadDxfCircles();
        return *conv;
    }
    std::vector<HoleRecord> Holes() const {
        return {conv->m_holes.begin(), conv->m_holes.begin() + conv->m_holeCount};
    }

    ScratchDir dir;
    RecordingSink sink;
    std::unique_ptr<DxfConverter> conv;
};

bool Same(const HoleRecord& a, const HoleRecord& b) {
    return a.x == b.x && a.y == b.y && a.radius == b.radius && a.rowKey == b.rowKey;
}

TEST_F(DxfReaderTest, ConvertsCentresAndRadiiToMicrometresTruncatingTowardZero) {
    auto& c = Read(Drawing(Circle("1.2345678", "-1.2345678", "0.2509") + Line() +
                           Circle("-0.0009", "999.9999", "1.0")));
    ASSERT_EQ(c.m_holeCount, 2);
    EXPECT_EQ(c.m_writeCount, 2);
    EXPECT_TRUE(Same(c.m_holes[0], HoleRecord{1234, -1234, 250, 1001}));
    // -0.9 um truncates to 0, which counts with the positive side.
    EXPECT_TRUE(Same(c.m_holes[1], HoleRecord{0, 999999, 1000, 0}));
    EXPECT_TRUE(sink.messages.empty());
}

TEST(RowKey, BandsOfOneMillimetreOnEachSideOfZero) {
    EXPECT_EQ(RowKeyOf(0), 999);
    EXPECT_EQ(RowKeyOf(999), 999);
    EXPECT_EQ(RowKeyOf(1000), 998);
    EXPECT_EQ(RowKeyOf(-1), 1000);
    EXPECT_EQ(RowKeyOf(-999), 1000);
    EXPECT_EQ(RowKeyOf(-1000), 1001);
    EXPECT_EQ(RowKeyOf(-1999), 1001);
    EXPECT_EQ(RowKeyOf(-500), 1000);
    EXPECT_EQ(RowKeyOf(500), 999);
    EXPECT_EQ(RowKeyOf(999999), 0);
    EXPECT_EQ(RowKeyOf(-999999), 1999);
}

TEST_F(DxfReaderTest, DiameterRangeIncludesBothBounds) {
    EXPECT_EQ(Read(Drawing(Circle("0", "0", "0.5")), "1", "2").m_holeCount, 1);
    EXPECT_EQ(Read(Drawing(Circle("0", "0", "0.5")), "0.5", "1").m_holeCount, 1);
    EXPECT_EQ(Read(Drawing(Circle("0", "0", "0.5")), "0.5", "0.999").m_holeCount, 0);
    EXPECT_EQ(Read(Drawing(Circle("0", "0", "0.5")), "1.002", "3").m_holeCount, 0);
    // The texts are read as atof reads them: leading blanks, numeric prefix.
    EXPECT_EQ(Read(Drawing(Circle("0", "0", "0.5")), "  0.9mm", "1.1 mm").m_holeCount, 1);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(DxfReaderTest, TextsThatAreNotNumbersRejectEveryRealCircle) {
    auto& c = Read(Drawing(Circle("0", "0", "0.5") + Circle("1", "1", "0.001")),
                   "没找到最小孔径", "没找到最大孔径");
    EXPECT_EQ(c.m_holeCount, 0);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(DxfReaderTest, CentresMustLieStrictlyInsideOneMetre) {
    auto& c = Read(Drawing(Circle("1000", "0", "0.5") + Circle("999.999", "0", "0.5") +
                           Circle("0", "-1000", "0.5") + Circle("0", "-999.999", "0.5") +
                           Circle("-1000.0001", "5", "0.5")));
    ASSERT_EQ(c.m_holeCount, 2);
    EXPECT_EQ(c.m_holes[0].x, 999999);
    EXPECT_EQ(c.m_holes[1].y, -999999);
}

TEST_F(DxfReaderTest, UcsOriginShiftsEveryHole) {
    auto& c = Read(Drawing(Circle("10", "10", "0.5"), Header(UcsOrg("5.0", "-2.5"))));
    EXPECT_EQ(c.m_ucsOriginX, 5000);
    EXPECT_EQ(c.m_ucsOriginY, -2500);
    ASSERT_EQ(c.m_holeCount, 1);
    EXPECT_EQ(c.m_holes[0].x, 5000);
    EXPECT_EQ(c.m_holes[0].y, 12500);
    // The origin shift also moves a centre across the position limit.
    EXPECT_EQ(Read(Drawing(Circle("1004", "0", "0.5"), Header(UcsOrg("5", "0")))).m_holeCount, 1);
}

TEST_F(DxfReaderTest, OriginIsOnlyTakenBeforeTheFirstEndsec) {
    // A $UCSORG in a later section (here: a text value) does not count.
    std::string late = Header() + "  0\r\nSECTION\r\n  2\r\nTABLES\r\n  1\r\n$UCSORG\r\n 10\r\n7\r\n 20\r\n7\r\n"
                       "  0\r\nENDSEC\r\n" + test::Entities(Circle("10", "10", "0.5"));
    auto& c = Read(late);
    EXPECT_EQ(c.m_ucsOriginX, 0);
    EXPECT_EQ(c.m_ucsOriginY, 0);
    ASSERT_EQ(c.m_holeCount, 1);
    EXPECT_EQ(c.m_holes[0].x, 10000);
}

TEST_F(DxfReaderTest, MirroredOnlyForTheExactSpellingMinusOnePointZero) {
    const std::string mirrored = "210\r\n0.0\r\n220\r\n0.0\r\n230\r\n-1.0\r\n";
    auto& c = Read(Drawing(Circle("3", "4", "0.5", mirrored), Header(UcsOrg("1", "2"))));
    ASSERT_EQ(c.m_holeCount, 1);
    EXPECT_EQ(c.m_holes[0].x, -3000 - 1000);  // the origin is still subtracted
    EXPECT_EQ(c.m_holes[0].y, 2000);
    for (const char* spelling : {"-1", "-1.000000", "-1.00", "1.0"}) {
        auto& d = Read(Drawing(Circle("3", "4", "0.5", std::string("230\r\n") + spelling + "\r\n")));
        ASSERT_EQ(d.m_holeCount, 1) << spelling;
        EXPECT_EQ(d.m_holes[0].x, 3000) << spelling;
    }
}

TEST_F(DxfReaderTest, ExtrusionScanStopsAtCircleAndAfterTwentyWords) {
    // The next CIRCLE ends the scan, so its 230 belongs to it alone.
    auto& c = Read(Drawing(Circle("3", "4", "0.5") + Circle("5", "4", "0.5", "230\r\n-1.0\r\n")));
    ASSERT_EQ(c.m_holeCount, 2);
    EXPECT_EQ(c.m_holes[0].x, 3000);
    EXPECT_EQ(c.m_holes[1].x, -5000);
    // 20 words pass: a 230 as the 21st word is not seen...
    std::string filler;
    for (int i = 0; i < 9; ++i) filler += "999\r\nx\r\n";
    auto& d = Read(Drawing(Circle("3", "4", "0.5", filler + "7\r\n8\r\n230\r\n-1.0\r\n")));
    ASSERT_EQ(d.m_holeCount, 1);
    EXPECT_EQ(d.m_holes[0].x, 3000);
    // ...but as the 20th it is, and its value word is not counted.
    auto& e = Read(Drawing(Circle("3", "4", "0.5", filler + "7\r\n230\r\n-1.0\r\n")));
    ASSERT_EQ(e.m_holeCount, 1);
    EXPECT_EQ(e.m_holes[0].x, -3000);
}

TEST_F(DxfReaderTest, RepeatedCirclesAreAppendedOnce) {
    auto& c = Read(Drawing(Circle("1", "1", "0.2") + Circle("1.0", "1.0000", "0.2") +
                           Circle("1", "1", "0.3") + Circle("1", "1", "0.2")));
    ASSERT_EQ(c.m_holeCount, 2);  // same centre, other radius: both stay here
    EXPECT_EQ(c.m_holes[0].radius, 200);
    EXPECT_EQ(c.m_holes[1].radius, 300);
}

TEST_F(DxfReaderTest, OnlyTheEntitySectionIsRead) {
    // Circles of block definitions come before ENTITIES and are not read.
    std::string blocks = "  0\r\nSECTION\r\n  2\r\nBLOCKS\r\n" + Circle("7", "7", "0.5") + "  0\r\nENDSEC\r\n";
    // (A line after the last circle, so that the scan after its radius ends
    // before the section's ENDSEC.)
    auto& c = Read(Header() + blocks + test::Entities(Circle("1", "1", "0.5") + Line()) +
                   "  0\r\nSECTION\r\n  2\r\nOBJECTS\r\n" + Circle("8", "8", "0.5") + "  0\r\nENDSEC\r\n");
    ASSERT_EQ(c.m_holeCount, 1);
    EXPECT_EQ(c.m_holes[0].x, 1000);
    // Without ENTITIES nothing at all, and no message.
    EXPECT_EQ(Read(Header() + blocks).m_holeCount, 0);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(DxfReaderTest, EndsecHiddenInTheExtrusionScanIsNotNoticed) {
    std::string text = Header() + "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n" + Circle("1", "1", "0.5") +
                       "  0\r\nENDSEC\r\n  0\r\nSECTION\r\n  2\r\nOBJECTS\r\n" + Circle("2", "2", "0.5") + Line() +
                       "  0\r\nENDSEC\r\n" + test::Entities(Circle("3", "3", "0.5"));
    auto& c = Read(text);
    ASSERT_EQ(c.m_holeCount, 2);  // the OBJECTS circle is read, the pass ends at its ENDSEC
    EXPECT_EQ(c.m_holes[1].x, 2000);
}

TEST_F(DxfReaderTest, BrokenRecordOrderStopsWithFormatErrorKeepingEarlierHoles) {
    std::string thick = "  0\r\nCIRCLE\r\n100\r\nAcDbCircle\r\n 39\r\n2.0\r\n 10\r\n5\r\n 20\r\n5\r\n 30\r\n0\r\n 40\r\n1\r\n";
    auto& c = Read(Drawing(Circle("1", "1", "0.5") + thick + Circle("2", "2", "0.5")));
    EXPECT_EQ(c.m_holeCount, 1);
    EXPECT_EQ(c.m_writeCount, 1);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"DXF文件格式有误"});
    sink.messages.clear();
    // A missing 20 or 40 as well.
    Read(Drawing("100\r\nAcDbCircle\r\n 10\r\n1\r\n 21\r\n1\r\n 30\r\n0\r\n 40\r\n1\r\n"));
    Read(Drawing("100\r\nAcDbCircle\r\n 10\r\n1\r\n 20\r\n1\r\n 30\r\n0\r\n 41\r\n1\r\n"));
    EXPECT_EQ(sink.messages.size(), 2u);
}

TEST_F(DxfReaderTest, MarkersAreWholeWordsOnly) {
    std::string text = Header() + "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n"
                       "  1\r\nxAcDbCircle\r\n  1\r\nAcDbCircles\r\n  1\r\nENDSECT\r\n  1\r\nMYENDSEC\r\n" +
                       Circle("1", "2", "0.5") + "  0\r\nENDSEC\r\n";
    auto& c = Read(text);
    ASSERT_EQ(c.m_holeCount, 1);
    EXPECT_TRUE(sink.messages.empty());
    // Any blank separates words: tabs, form feeds, vertical tabs, bare CR.
    auto& d = Read("SECTION\tENTITIES\fAcDbCircle\v10\r1.5\t20 2.5 30 0 40\n0.5\nENDSEC");
    ASSERT_EQ(d.m_holeCount, 1);
    EXPECT_EQ(d.m_holes[0].x, 1500);
    EXPECT_EQ(d.m_holes[0].radius, 500);
}

TEST_F(DxfReaderTest, LongWordsNeitherOverflowNorSpillIntoTheNextWord) {
    // 300 bytes ending in the marker: one long word, not a marker.
    std::string longWord(290, 'Q');
    std::string text = Drawing("  1\r\n" + longWord + "AcDbCircle\r\n" + Circle("1", "1", "0.5"));
    auto& c = Read(text);
    EXPECT_EQ(c.m_holeCount, 1);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(DxfReaderTest, NumberWordThatIsNotANumberKeepsTheLastValue) {
    auto& c = Read(Drawing(Circle("4", "5", "0.5") + Circle("abc", "6", "0.5")));
    ASSERT_EQ(c.m_holeCount, 2);
    EXPECT_EQ(c.m_holes[1].x, 4000);
    EXPECT_EQ(c.m_holes[1].y, 6000);
}

TEST_F(DxfReaderTest, FileEndingInsideARecordEndsTheReading) {
    std::string head = Header() + "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n" + Circle("1", "1", "0.5") +
                       "  0\r\nCIRCLE\r\n";
    EXPECT_EQ(Read(head + "100\r\nAcDbCircle\r\n 10\r\n2\r\n 20\r\n2\r\n 30\r\n0\r\n 40").m_holeCount, 1);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(Read(head + "100\r\nAcDbCircle").m_holeCount, 1);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"DXF文件格式有误"});
    // A radius that is the very last word still counts.
    sink.messages.clear();
    EXPECT_EQ(Read(head + "100\r\nAcDbCircle\r\n 10\r\n2\r\n 20\r\n2\r\n 30\r\n0\r\n 40\r\n0.5").m_holeCount, 2);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(DxfReaderTest, UnreadableFileGivesOneMessagePerPass) {
    conv = std::make_unique<DxfConverter>(sink);
    conv->m_dxfPath = dir.File("missing.dxf");
    conv->ClearHoleTable();
    conv->ReadDxfHeader();
    conv->ReadDxfCircles();
    EXPECT_EQ(conv->m_writeCount, 0);
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"DXF文件打开出错", "文件打开出错"}));
}

TEST_F(DxfReaderTest, StopsAfterTheTenThousandAndFirstHole) {
    std::string body;
    body.reserve(10100 * 120);
    for (int i = 0; i < 10050; ++i) {
        if (i == 500) body += Circle("1", "0", "0.5");  // a repeat of hole 2 is not counted
        body += Circle(FormatInt(i % 1000), FormatInt(i / 1000), "0.5");
    }
    auto& c = Read(Drawing(body));
    EXPECT_EQ(c.m_holeCount, kConversionSlots);
    EXPECT_EQ(c.m_writeCount, kConversionSlots);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"孔的个数超出范围，建议重新绘图"});
    // The last hole kept is the 10001st distinct one.
    EXPECT_EQ(c.m_holes[10000].x, 0);
    EXPECT_EQ(c.m_holes[10000].y, 10000);
}

// The reader skips to key words with a substring search; word by word, as
// the C library's scanf would go, must give the same holes for any text.
std::vector<HoleRecord> ReadWordByWord(const std::string& text, int32_t& count, int& formatErrors) {
    std::vector<HoleRecord> holes;
    WordScanner in(text);
    std::string_view w;
    int32_t ox = 0, oy = 0;
    double x = 0, y = 0, r = 0;
    auto number = [&](double& v) {
        if (!in.ReadWord(w)) return false;
        size_t used = 0;
        double d = AtofPrefix(w, &used);
        if (used > 0) v = d;
        return true;
    };
    while (in.ReadWord(w)) {
        if (w == "ENDSEC") break;
        if (w == "$UCSORG") {
            in.ReadWord(w); number(x); ox = TruncToInt32(x * 1000.0);
            in.ReadWord(w); number(y); oy = TruncToInt32(y * 1000.0);
        }
    }
    WordScanner e(text);
    bool inside = false;
    formatErrors = 0;
    while (e.ReadWord(w)) {
        if (!inside) { inside = w == "ENTITIES"; continue; }
        if (w == "ENDSEC") break;
        if (w != "AcDbCircle") continue;
        WordScanner& s = e;
        auto num = [&](double& v) {
            if (!s.ReadWord(w)) return false;
            size_t used = 0;
            double d = AtofPrefix(w, &used);
            if (used > 0) v = d;
            return true;
        };
        if (!s.ReadWord(w) || w != "10") { ++formatErrors; break; }
        if (!num(x)) break;
        int32_t X = TruncToInt32(x * 1000.0 - ox);
        if (!s.ReadWord(w) || w != "20") { ++formatErrors; break; }
        if (!num(y)) break;
        int32_t Y = TruncToInt32(y * 1000.0 - oy);
        s.ReadWord(w); s.ReadWord(w);
        if (!s.ReadWord(w) || w != "40") { ++formatErrors; break; }
        if (!num(r)) break;
        int32_t R = TruncToInt32(r * 1000.0);
        for (int i = 0; i < 20 && s.ReadWord(w); ++i) {
            if (w == "230") { if (s.ReadWord(w) && w == "-1.0") X = TruncToInt32(x * -1000.0 - ox); }
            else if (w == "CIRCLE") break;
        }
        bool repeated = false;
        for (auto& h : holes) repeated |= h.x == X && h.y == Y && h.radius == R;
        if (R >= 0 && R <= 5000 && X > -1000000 && X < 1000000 && Y > -1000000 && Y < 1000000 && !repeated)
            holes.push_back({X, Y, R, RowKeyOf(Y)});
    }
    count = static_cast<int32_t>(holes.size());
    return holes;
}

TEST_F(DxfReaderTest, SkippingAheadMatchesReadingEveryWord) {
    const char* vocabulary[] = {"AcDbCircle", "ENDSEC", "ENTITIES", "$UCSORG", "10", "20", "30", "40",
                                "230", "-1.0", "CIRCLE", "1.5", "-2.25", "3", "0", "x", "AcDbCircleX",
                                "ENDSECENDSEC", "0.001", "7e-1", "nan", "ENTITIESAcDbCircle",
                                // byte pairs the search anchors on, in other words
                                "bC", "DS", "xbCircle", "AcDbC", "ENDS", "DSEC", "TI", "$UCSORGX"};
    const char* blanks[] = {" ", "\r\n", "\t", "\n", "  \v", "\f"};
    std::mt19937 rng(12345);
    for (int round = 0; round < 400; ++round) {
        std::string text;
        const int words = 20 + static_cast<int>(rng() % 400);
        for (int i = 0; i < words; ++i) {
            if (rng() % 9 == 0) {
                text += Circle(FormatInt(static_cast<int>(rng() % 2000) - 1000) + ".5",
                               FormatInt(static_cast<int>(rng() % 50)), "0." + FormatInt(rng() % 9), "230\r\n-1.0\r\n");
            }
            text += vocabulary[rng() % std::size(vocabulary)];
            text += blanks[rng() % std::size(blanks)];
        }
        if (rng() % 2 == 0) {  // let the last word end the file
            while (!text.empty() && IsScanBlank(text.back())) text.pop_back();
        }
        int32_t expectedCount = 0;
        int formatErrors = 0;
        auto expected = ReadWordByWord(text, expectedCount, formatErrors);
        sink.messages.clear();
        auto& c = Read(text, "0", "10");
        ASSERT_EQ(c.m_holeCount, expectedCount) << "round " << round;
        for (int i = 0; i < expectedCount; ++i) {
            ASSERT_TRUE(Same(c.m_holes[static_cast<size_t>(i)], expected[static_cast<size_t>(i)]))
                << "round " << round << " hole " << i;
        }
        EXPECT_EQ(static_cast<int>(sink.messages.size()), formatErrors) << "round " << round;
    }
}

}  // namespace
}  // namespace ks
