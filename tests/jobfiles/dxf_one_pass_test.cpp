// One read of the drawing for the written reader and the check: where the
// windows of the file end changes nothing; the pairs that passing over
// leaves unread are those it may; what the header says of units.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "jobfiles/dxf_converter.h"
#include "jobfiles/dxf_pairs.h"
#include "test_support.h"

namespace ks {
namespace {

using test::Circle;
using test::Drawing;
using test::Header;
using test::RecordingSink;
using test::ScratchDir;

std::tm Noon() {
    std::tm t{};
    t.tm_year = 126;
    t.tm_hour = 12;
    return t;
}

struct Outcome {
    std::string program;
    std::vector<std::string> messages;
    bool operator==(const Outcome&) const = default;
};

Outcome Convert(const ScratchDir& dir, const std::string& text, DxfReaderKind reader, DxfUnits units, size_t window) {
    test::WriteBytes(dir.File("part.dxf"), text);
    RecordingSink sink;
    auto c = std::make_unique<DxfConverter>(sink);
    c->SetLocalTimeSource(Noon);
    c->SetWindowSize(window);
    c->m_dxfPath = dir.File("part.dxf");
    c->m_diaMinText = "0.1";
    c->m_diaMaxText = "50";
    c->m_ncFolder = dir.File("nc");
    c->m_ncBaseName = "part";
    c->m_reader = reader;
    c->m_units = units;
    c->ConvertDxf();
    Outcome run{test::ReadBytes(c->WrittenPath()), sink.messages};
    std::remove(c->WrittenPath().c_str());
    return run;
}

TEST(OnePass, WhereTheWindowsEndChangesNothing) {
    const std::string block = "  0\r\nSECTION\r\n  2\r\nBLOCKS\r\n  0\r\nBLOCK\r\n  2\r\nPIN\r\n 10\r\n0\r\n 20\r\n0\r\n" +
                              Circle("0", "0", "0.4") + "  0\r\nENDBLK\r\n  0\r\nENDSEC\r\n";
    const std::string insert = "  0\r\nINSERT\r\n  2\r\nPIN\r\n 10\r\n7\r\n 20\r\n8\r\n 41\r\n2\r\n 42\r\n2\r\n";
    const std::string arc = "  0\r\nARC\r\n100\r\nAcDbCircle\r\n 10\r\n4\r\n 20\r\n4\r\n 30\r\n0\r\n 40\r\n0.5\r\n";
    const std::string thick = "  0\r\nCIRCLE\r\n100\r\nAcDbCircle\r\n 39\r\n1\r\n 10\r\n9\r\n 20\r\n9\r\n 40\r\n1\r\n";
    const std::string inches = Header(test::UcsOrg("0.5", "1") + "  9\r\n$INSUNITS\r\n 70\r\n1\r\n");
    std::string lines;
    for (int i = 0; i < 40; ++i) {
        lines += test::Line() + (i % 7 == 0 ? Circle(std::to_string(i), "-3", "0.25", "230\r\n-1.0\r\n") : "");
    }
    std::vector<std::string> drawings = {
        Drawing(Circle("1", "2", "0.5") + lines + insert + arc + Circle("5", "5", "1"), Header() + block),
        Drawing(lines + Circle("1", "1", "0.5") + thick + lines + Circle("2", "2", "0.5"), inches),
        Drawing(Circle("1", "1", "0.5") + "  1\r\n" + std::string(3000, 'x') + "\r\n" + lines),  // a line longer than windows
        "\xEF\xBB\xBF" + Drawing(lines),
    };
    for (const test::BadDrawing& bad : test::BadDrawings()) drawings.push_back(bad.bytes);
    ScratchDir dir;
    for (size_t d = 0; d < drawings.size(); ++d) {
        for (DxfReaderKind reader : {DxfReaderKind::Written, DxfReaderKind::Full}) {
            for (DxfUnits units : {DxfUnits::Millimetres, DxfUnits::Drawing}) {
                const Outcome whole = Convert(dir, drawings[d], reader, units, size_t{1} << 20);
                ASSERT_NE(whole.program.find("STOP"), std::string::npos) << d;
                for (size_t window : {1, 2, 7, 64, 200}) {
                    EXPECT_EQ(Convert(dir, drawings[d], reader, units, window), whole)
                        << "drawing " << d << " reader " << static_cast<int>(reader) << " window " << window;
                }
            }
        }
    }
}

// Next, pair by pair, with the rule for what passing over leaves unread.
std::vector<size_t> StopsPairByPair(std::string_view bytes) {
    std::vector<size_t> stops;
    dxf::PairScanner in(bytes, 0, 0, true);
    for (;;) {
        const size_t at = in.Offset();
        const size_t lf = bytes.find('\n', at);
        if (lf != std::string_view::npos && dxf::PlainCodeLine(bytes.substr(at, lf - at)) && lf + 1 < bytes.size()) {
            const size_t next = bytes.find('\n', lf + 1);
            dxf::PairScanner rest(bytes, 0, next == std::string_view::npos ? bytes.size() : next + 1, true);
            in = rest;
            continue;
        }
        dxf::Pair pair;
        const dxf::PairScanner::Step step = in.Next(pair);
        if (step != dxf::PairScanner::Step::Pair) {
            stops.push_back(1000000 + static_cast<size_t>(step) * 100000 + in.Offset());
            return stops;
        }
        if (pair.code == 0 && pair.value == "STOP") stops.push_back(pair.offset);
    }
}

std::vector<size_t> StopsSkipping(std::string_view bytes) {
    std::vector<size_t> stops;
    dxf::PairScanner in(bytes, 0, 0, true);
    for (;;) {
        dxf::Pair pair;
        const dxf::PairScanner::Step step = in.SkipTo(pair, [](std::string_view v) { return v == "STOP"; });
        if (step != dxf::PairScanner::Step::Pair) {
            stops.push_back(1000000 + static_cast<size_t>(step) * 100000 + in.Offset());
            return stops;
        }
        stops.push_back(pair.offset);
    }
}

TEST(OnePass, PassingOverStopsWherePairByPairReadingDoes) {
    const char* codes[] = {"  0", "0", "00", " 10", "100", "330", "  5", "-0", "+0", "0 ", "1 0", " 0\r", "10\r",
                           "\t7", "", " ", "x", "1.5", "2147483648", "0000000001", "-3", " 1\v"};
    const char* values[] = {"STOP", "GO", " STOP ", "0", "", "AcDbCircle", "1.25", "STOP\r"};
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int pairs = 1 + static_cast<int>(rng() % 120);
        for (int i = 0; i < pairs; ++i) {
            // Mostly what drawings hold, now and then anything.
            const bool odd = rng() % 8 == 0;
            text += std::string(odd ? codes[rng() % std::size(codes)] : rng() % 3 == 0 ? "  0" : " 10") + "\n";
            text += std::string(values[rng() % std::size(values)]) + "\n";
        }
        if (rng() % 3 == 0) text.pop_back();  // no line feed at the end
        ASSERT_EQ(StopsSkipping(text), StopsPairByPair(text)) << "round " << round << "\n" << text;
    }
    // Every byte in a code line, at places in the blocks of 64 bytes that
    // passing over sorts at once.
    for (int b = 0; b < 256; ++b) {
        if (b == '\n') continue;
        const std::string c(1, static_cast<char>(b));
        for (const std::string& code : {c, " 1" + c, c + "0", "1" + c + "0"}) {
            for (size_t lead = 0; lead < 3; ++lead) {
                std::string text;
                for (size_t i = 0; i < 5 + lead * 7; ++i) text += " 10\n1.0\n";
                text += code + "\nSTOP\n" + std::string(lead, ' ') + "  0\nSTOP\n";
                ASSERT_EQ(StopsSkipping(text), StopsPairByPair(text)) << "byte " << b << " code line " << code;
            }
        }
    }
}

TEST(DrawingUnits, TheHeaderNamesTheUnit) {
    const auto unitOf = [](const std::string& header, const std::string& entities = "") {
        dxf::Drawing d;
        dxf::ReadDrawing(Drawing(entities, Header(header)), d);
        return UnitOf(d);
    };
    const auto var = [](const char* name, const char* value) {
        return std::string("  9\r\n") + name + "\r\n 70\r\n" + value + "\r\n";
    };
    EXPECT_TRUE(unitOf("").Millimetres());
    EXPECT_TRUE(unitOf(var("$INSUNITS", "4")).Millimetres());
    EXPECT_TRUE(unitOf(var("$INSUNITS", "0")).Millimetres());
    EXPECT_TRUE(unitOf(var("$INSUNITS", "99")).Millimetres());
    EXPECT_TRUE(unitOf(var("$INSUNITS", "4") + var("$MEASUREMENT", "0")).Millimetres());
    EXPECT_TRUE(unitOf(var("$MEASUREMENT", "1")).Millimetres());
    for (const std::string& inch : {var("$INSUNITS", "1"), var("$MEASUREMENT", "0"),
                                    var("$INSUNITS", "0") + var("$MEASUREMENT", "0")}) {
        const DrawingUnit u = unitOf(inch);
        EXPECT_EQ(u.code, 1) << inch;
        EXPECT_EQ(u.FactorText(), "25.4");
    }
    EXPECT_EQ(unitOf(var("$INSUNITS", "13")).FactorText(), "0.001");
    EXPECT_EQ(unitOf(var("$INSUNITS", "6")).toMm, 1000.0);
    // A header after the entities comes too late to convert them.
    dxf::Drawing late;
    dxf::ReadDrawing(test::Entities(Circle("1", "1", "1")) + Header(var("$INSUNITS", "1")) + "  0\r\nEOF\r\n", late);
    EXPECT_TRUE(UnitOf(late).Millimetres());
}

}  // namespace
}  // namespace ks
