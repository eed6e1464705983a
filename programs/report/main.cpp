// kestrane-report: a job record (records/<job>.csv) as a report for people
// (one HTML file with the plots inside, to open offline anywhere) or as
// figures for scripts (JSON) and terminals (text).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file_read.h"
#include "platform/os.h"
#include "platform/textnum.h"
#include "programs/tool_language.h"
#include "report/report_format.h"
#include "report/report_html.h"
#include "report/report_texts.h"
#include "res/version.h"

namespace {

namespace rp = ks::report;

constexpr int kExitClean = 0;
constexpr int kExitWithFindings = 1;
constexpr int kExitNotWritten = 2;
constexpr int kExitUsage = 64;

const char kUsage[] =
    "usage: kestrane-report RECORD.csv [--out FILE] [--format html|json|text] [--run N]\n"
    "                       [--lang en|zh]\n"
    "       kestrane-report --version | --help\n"
    "\n"
    "Sums up a job record of the console (records/<job>.csv): holes, times,\n"
    "pauses by reason, drilling seconds, electrode used, the slowest holes.\n"
    "--format html (the default) writes one self-contained page with plots,\n"
    "which opens offline in any browser, to FILE (default: the record's name\n"
    "with .html) and prints its path; json and text print the summary on\n"
    "stdout (or write it to FILE). A record holds every run of its job (each\n"
    "ends with job-end or reset); the last is summed up unless --run N says\n"
    "which. What the record holds that is not clean (cut lines, holes drilled\n"
    "twice, another job of the same name) is said in the report and on stderr.\n"
    "Exit: 0 written, 1 written with findings, 2 not written, 64 usage error.\n"
    "Texts are Chinese, or English with --lang en or an English locale.\n";

int Usage(std::FILE* to, int code) {
    std::fputs(kUsage, to);
    return code;
}

std::string T(const char* source) { return ks::Tr("report", source); }

void Say(const std::string& text) { std::fprintf(stderr, "kestrane-report: %s\n", text.c_str()); }

bool ParseRun(const std::string& text, size_t* run) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    *run = size_t(ks::AtoiRule(text));
    return *run > 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    if (!ks::SpeakTheOperatorsLanguage("kestrane-report", argc, argv, args)) return kExitUsage;
    std::string out, format = "html";
    size_t run = 0;
    std::vector<std::string> records;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            records.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            return Usage(stdout, 0);
        } else if (arg == "--version") {
            std::printf("kestrane-report %.*s (%s)\n", static_cast<int>(ks::res::kVersion.size()), ks::res::kVersion.data(),
                        rp::ChartLibraryName().c_str());
            return 0;
        } else if (arg == "--out" || arg == "--format" || arg == "--run") {
            if (i + 1 >= args.size()) return Usage(stderr, kExitUsage);
            const std::string& value = args[++i];
            if (arg == "--out") {
                out = value;
            } else if (arg == "--format" && (value == "html" || value == "json" || value == "text")) {
                format = value;
            } else if (arg == "--run" && ParseRun(value, &run)) {
            } else {
                std::fprintf(stderr, "kestrane-report: bad value for %s: %s\n", arg.c_str(), value.c_str());
                return Usage(stderr, kExitUsage);
            }
        } else {
            std::fprintf(stderr, "kestrane-report: unknown option %s\n", arg.c_str());
            return Usage(stderr, kExitUsage);
        }
    }
    if (records.size() != 1) return Usage(stderr, kExitUsage);
    const std::string& path = records[0];

    ks::FileContents bytes;
    int error = 0;
    if (!ks::ReadWholeFile(path, bytes, &error)) {
        Say(ks::Fill(T(rp::text::kCannotRead), {path, std::strerror(error)}));
        return kExitNotWritten;
    }
    const rp::JobSummary summary = rp::Summarize(rp::ReadRecord(bytes.View()), rp::JobNameOf(path), run);
    if (run > summary.runs.size()) {
        Say(ks::Fill(T(rp::text::kNoSuchRun), {ks::FormatInt(int64_t(summary.runs.size()))}));
        return kExitNotWritten;
    }

    std::string document;
    if (format == "html") {
        document = rp::MakeReportHtml(summary);
        if (out.empty()) out = rp::ReportPathFor(path);
    } else {
        document = format == "json" ? rp::FormatJson(summary) : rp::FormatText(summary);
    }
    if (out.empty()) {
        std::fwrite(document.data(), 1, document.size(), stdout);
    } else {
        if (!ks::ReplaceFileDurably(out, document)) {
            Say(ks::Fill(T(rp::text::kCannotWrite), {out}));
            return kExitNotWritten;
        }
        // The findings are in the file; the terminal hears them too.
        for (const rp::Finding& f : summary.findings) Say(rp::FindingText(f, summary));
        if (format == "html") std::printf("%s\n", out.c_str());
    }
    for (const rp::Finding& f : summary.findings)
        if (rp::IsProblem(f.kind)) return kExitWithFindings;
    return kExitClean;
}
