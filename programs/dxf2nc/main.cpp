// kestrane-dxf2nc: the file processing panel's drawing-to-NC conversion from
// the command line, for batch use and scripts.
#include <cmath>
#include <cstdio>
#include <optional>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "jobfiles/dxf_converter.h"
#include "platform/textnum.h"
#include "platform/texts.h"
#include "programs/tool_language.h"
#include "res/version.h"

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitWrittenWithMessages = 1;
constexpr int kExitNotWritten = 2;
constexpr int kExitUsage = 64;

const char kUsage[] =
    "usage: kestrane-dxf2nc --min TEXT --max TEXT [--out DIR] [--reader written|full]\n"
    "                       [--units mm|drawing] [--lang en|zh] DRAWING.dxf\n"
    "       kestrane-dxf2nc --version | --help\n"
    "\n"
    "Converts the circles of a DXF drawing whose diameter (mm) lies between the\n"
    "two texts, read as the panel's diameter boxes would read them, into the\n"
    "next free NC hole program BASEnn.NC in DIR (default: the current folder).\n"
    "--reader written (the default) reads as the panel does and then checks the\n"
    "drawing with the full reader, reporting circles missed and arcs taken for\n"
    "holes, and says when the drawing is damaged or no ASCII DXF; --reader full\n"
    "converts every circle of model space, blocks included.\n"
    "--units mm (the default) takes the drawing's values as millimetres, whatever\n"
    "unit it names (and says so when it names another); --units drawing converts\n"
    "them to millimetres by that unit.\n"
    "Prints the path of the program written; messages go to stderr.\n"
    "Exit: 0 written, 1 written with messages, 2 not written, 64 usage error.\n"
    "Messages are Chinese, or English with --lang en or an English locale.\n";

constexpr const char* kTextNoNumber = KS_TEXT("tools", "%1 %2 不是数字");
constexpr const char* kTextMinAboveMax = KS_TEXT("tools", "最小直径 %1 大于最大直径 %2");
constexpr const char* kTextWrote = KS_TEXT("tools", "已写入%1个孔：%2");
constexpr const char* kTextNoCircle = KS_TEXT("jobfiles", "图纸中没有直径在范围内的圆：生成的程序不含孔");

// Messages as lines on stderr, in the order the conversion shows them.
class StderrSink final : public ks::MessageSink {
public:
    void ShowMessage(const std::string& text) override {
        std::fprintf(stderr, "%s\n", ks::Tr("jobfiles", text.c_str()).c_str());
        ++m_count;
    }
    int Count() const { return m_count; }

private:
    int m_count = 0;
};

int Usage(std::FILE* to, int code) {
    std::fputs(kUsage, to);
    return code;
}

// A diameter as the panel's box reads it (the atof rule), but only when the
// whole text is that number: a mistyped bound would otherwise read as 0
// and quietly convert nothing.
std::optional<double> Diameter(const std::string& text) {
    size_t consumed = 0;
    const double value = ks::AtofPrefix(text, &consumed);
    if (consumed == 0 || text.find_first_not_of(" \t", consumed) != std::string::npos || !std::isfinite(value))
        return std::nullopt;
    return value;
}

int UsageError(const char* pattern, std::initializer_list<std::string_view> args) {
    std::fprintf(stderr, "kestrane-dxf2nc: %s\n", ks::Fill(ks::Tr("tools", pattern), args).c_str());
    return Usage(stderr, kExitUsage);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    if (!ks::SpeakTheOperatorsLanguage("kestrane-dxf2nc", argc, argv, args)) return kExitUsage;
    const size_t count = args.size();
    std::string minText, maxText, outDir = ".";
    ks::DxfReaderKind reader = ks::DxfReaderKind::Written;
    ks::DxfUnits units = ks::DxfUnits::Millimetres;
    bool haveMin = false, haveMax = false;
    std::vector<std::string> drawings;
    bool optionsEnded = false;
    for (size_t i = 0; i < count; ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            drawings.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            return Usage(stdout, 0);
        } else if (arg == "--version") {
            std::printf("kestrane-dxf2nc %.*s\n", static_cast<int>(ks::res::kVersion.size()), ks::res::kVersion.data());
            return 0;
        } else if (arg == "--min" || arg == "--max" || arg == "--out" || arg == "--reader" || arg == "--units") {
            if (i + 1 >= count) return Usage(stderr, kExitUsage);
            const std::string& value = args[++i];
            if (arg == "--min") { minText = value; haveMin = true; }
            else if (arg == "--max") { maxText = value; haveMax = true; }
            else if (arg == "--out") { outDir = value; }
            else if (arg == "--units" && (value == "mm" || value == "drawing")) { units = ks::DxfUnitsOf(value); }
            else if (arg == "--reader" && (value == "full" || value == "written")) { reader = ks::DxfReaderKindOf(value); }
            else {
                std::fprintf(stderr, "kestrane-dxf2nc: unknown %s %s\n", arg.c_str() + 2, value.c_str());
                return Usage(stderr, kExitUsage);
            }
        } else {
            std::fprintf(stderr, "kestrane-dxf2nc: unknown option %s\n", arg.c_str());
            return Usage(stderr, kExitUsage);
        }
    }
    if (!haveMin || !haveMax || drawings.size() != 1) return Usage(stderr, kExitUsage);
    const std::optional<double> low = Diameter(minText), high = Diameter(maxText);
    if (!low) return UsageError(kTextNoNumber, {"--min", minText});
    if (!high) return UsageError(kTextNoNumber, {"--max", maxText});
    if (*low > *high) return UsageError(kTextMinAboveMax, {minText, maxText});

    StderrSink sink;
    auto converter = std::make_unique<ks::DxfConverter>(sink);
    converter->m_dxfPath = drawings[0];
    converter->m_diaMinText = minText;
    converter->m_diaMaxText = maxText;
    converter->m_ncFolder = outDir;
    converter->m_ncBaseName = ks::NcBaseNameOf(drawings[0]);
    converter->m_reader = reader;
    converter->m_units = units;
    converter->ConvertDxf();

    if (converter->WrittenPath().empty()) return kExitNotWritten;
    std::printf("%s\n", converter->WrittenPath().c_str());
    const int32_t holes = converter->WrittenHoles();
    if (holes == 0 && sink.Count() == 0) {
        // A program without holes is written as the panel writes it, but it
        // is no job: said like any other message, unless one said why.
        sink.ShowMessage(kTextNoCircle);
    } else if (holes > 0) {
        std::fprintf(stderr, "%s\n",
                     ks::Fill(ks::Tr("tools", kTextWrote), {ks::FormatInt(holes), converter->WrittenPath()}).c_str());
    }
    return sink.Count() == 0 ? kExitWritten : kExitWrittenWithMessages;
}
