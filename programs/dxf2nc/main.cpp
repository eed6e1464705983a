// kestrane-dxf2nc: the file processing panel's drawing-to-NC conversion from
// the command line, for batch use and scripts.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "jobfiles/dxf_converter.h"
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
    return sink.Count() == 0 ? kExitWritten : kExitWrittenWithMessages;
}
