// The job record read back and summed up from any bytes: a choice of run
// and then the record. Nothing crashes, and the summary holds together:
// holes counted once, totals not negative, the slowest holes in order, the
// page's figures and the JSON without a number that is none.
#include <cmath>
#include <string>

#include "fuzz/fuzz_support.h"
#include "report/report_format.h"
#include "report/report_html.h"

namespace rp = ks::report;

namespace {

// Outside its strings a JSON text has no words but true, false and null
// (a NaN or an infinity printed as a number would be one).
bool OnlyJsonWords(const std::string& json) {
    bool inString = false;
    std::string word;
    for (size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
            continue;
        }
        if (c == '"') inString = true;
        if (c >= 'a' && c <= 'z') {
            word += c;
            continue;
        }
        if (!word.empty() && word != "true" && word != "false" && word != "null") return false;
        word.clear();
    }
    return !inString;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ks::fuzz::Input in(data, size);
    const size_t run = in.Byte() % 4;
    const std::string_view bytes = in.Rest();
    const rp::RecordRead read = rp::ReadRecord(bytes);
    const rp::JobSummary s = rp::Summarize(read, "fuzz", run);

    KS_FUZZ_CHECK(s.run <= s.runs.size());
    KS_FUZZ_CHECK(size_t(s.holesDrilled) == s.holes.size());
    KS_FUZZ_CHECK(s.holesDrilledTwice <= s.holesDrilled && s.holesDrilled <= s.drillings);
    KS_FUZZ_CHECK(s.drillingsUntimed <= s.drillings);
    KS_FUZZ_CHECK(s.totalSeconds >= 0 && s.pausedSeconds >= 0 && s.drillingSeconds >= 0);
    KS_FUZZ_CHECK(s.linkLostSeconds <= s.pausedSeconds);
    KS_FUZZ_CHECK(std::isfinite(s.electrodeMm) && s.electrodeMm >= 0);
    KS_FUZZ_CHECK(s.slowest.size() <= rp::kSlowestCount);
    for (size_t i = 1; i < s.slowest.size(); ++i)
        KS_FUZZ_CHECK(*s.holes[s.slowest[i - 1]].drillSeconds >= *s.holes[s.slowest[i]].drillSeconds);
    if (s.medianSeconds) KS_FUZZ_CHECK(*s.medianSeconds <= *s.p95Seconds && *s.p95Seconds <= *s.maxSeconds);
    int binned = 0, timed = 0;
    for (int c : s.histogram.counts) binned += c;
    for (const rp::HoleFigures& h : s.holes) timed += h.drillSeconds.has_value();
    KS_FUZZ_CHECK(binned == timed);
    for (const rp::TimeSpan& t : s.timeline) KS_FUZZ_CHECK(t.end >= t.start);
    for (const rp::Finding& f : s.findings) KS_FUZZ_CHECK(f.examples.size() <= f.count);

    KS_FUZZ_CHECK(OnlyJsonWords(rp::FormatJson(s)));
    const std::string page = rp::PageData(s);
    KS_FUZZ_CHECK(OnlyJsonWords(page));
    KS_FUZZ_CHECK(page.find('<') == std::string::npos);
    (void)rp::FormatText(s);
    return 0;
}
