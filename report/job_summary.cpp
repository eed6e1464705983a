#include "report/job_summary.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace ks::report {
namespace {

struct RunLines {
    size_t first = 0, last = 0;  // indices into the entries, inclusive
    std::string endedBy;
    bool otherJob = false;
};

// When the line's event began: a drilling its seconds before the line.
int64_t DrillStart(const RecordEntry& e) { return e.time - int64_t(std::llround(e.drillSeconds.value_or(0.0))); }

bool IsActivity(Event e) { return e != Event::Reset && e != Event::JobEnd; }

// Where the record keeps a hole of a run: a hole number at another place
// than before means another job file of the same name.
using Places = std::unordered_map<int32_t, std::pair<int32_t, int32_t>>;

bool Elsewhere(const Places& places, const RecordEntry& e) {
    const auto it = places.find(e.hole);
    return it != places.end() && it->second != std::make_pair(*e.xUm, *e.yUm);
}

std::vector<RunLines> SplitRuns(const std::vector<RecordEntry>& entries, std::vector<Finding>& findings) {
    std::vector<RunLines> runs;
    Places before, here;
    bool open = false, active = false;
    auto close = [&](size_t last, std::string endedBy) {
        if (open && active) {
            runs.back().last = last;
            runs.back().endedBy = std::move(endedBy);
            before = std::move(here);
        } else if (open) {
            runs.pop_back();  // a reset or job end with nothing before it
        }
        here.clear();
        open = active = false;
    };
    for (size_t i = 0; i < entries.size(); ++i) {
        const RecordEntry& e = entries[i];
        const bool placed = e.xUm && e.yUm;
        if (open && placed && Elsewhere(here, e)) {
            close(i - 1, "other-job");
            AddFinding(findings, FindingKind::OtherJob, int64_t(e.line));
            open = true;
            runs.push_back({i, i, {}, true});
        }
        if (!open) {
            runs.push_back({i, i, {}, false});
            open = true;
        }
        RunLines& run = runs.back();
        run.last = i;
        active = active || IsActivity(e.event);
        if (placed) {
            if (!run.otherJob && Elsewhere(before, e)) {
                run.otherJob = true;
                AddFinding(findings, FindingKind::OtherJob, int64_t(e.line));
            }
            here.emplace(e.hole, std::make_pair(*e.xUm, *e.yUm));
        }
        if (e.event == Event::JobEnd) close(i, "job-end");
        if (e.event == Event::Reset) close(i, "reset");
    }
    if (open) close(entries.size() - 1, "");
    return runs;
}

// Bins of a round width (a multiple of the record's tenth of a second)
// about as many as the square root of the count, at most 50.
Histogram MakeHistogram(const std::vector<double>& sorted) {
    Histogram h;
    if (sorted.empty()) return h;
    const double lo = sorted.front(), hi = sorted.back();
    const double bins = std::clamp(std::ceil(std::sqrt(double(sorted.size()))), 1.0, 50.0);
    const double raw = std::max((hi - lo) / bins, 0.1);
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double width = magnitude;
    for (double step : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        width = step * magnitude;
        if (width >= raw - 1e-12) break;
    }
    h.width = width;
    h.start = std::floor(lo / width + 1e-9) * width;
    const size_t count = size_t(std::floor((hi - h.start) / width + 1e-9)) + 1;
    h.counts.assign(count, 0);
    for (double v : sorted) {
        const size_t bin = std::min(count - 1, size_t(std::floor((v - h.start) / width + 1e-9)));
        ++h.counts[bin];
    }
    return h;
}

// A drilling joins the stretch before it when nothing came between.
void AddDrilling(std::vector<TimeSpan>& timeline, int64_t begins, const RecordEntry& e) {
    if (!timeline.empty() && !timeline.back().paused && begins >= timeline.back().end &&
        begins - timeline.back().end <= kDrillingGapSeconds) {
        TimeSpan& stretch = timeline.back();
        stretch.end = e.time;
        stretch.lastHole = e.hole;
        ++stretch.holes;
        return;
    }
    timeline.push_back({begins, e.time, false, {}, e.hole, e.hole, 1});
}

// Ends an open pause where the run goes on (or at its own start).
void ClosePause(std::optional<TimeSpan>& pause, int64_t at, JobSummary& s) {
    if (!pause) return;
    pause->end = std::max(pause->start, at);
    s.timeline.push_back(*pause);
    pause.reset();
}

void SumUpRun(const std::vector<RecordEntry>& entries, const RunLines& run, JobSummary& s) {
    std::unordered_map<int32_t, size_t> holeAt;  // hole -> index into s.holes
    std::unordered_set<int32_t> skipped, visited;
    std::optional<TimeSpan> pause;
    double electrodeUm = 0;
    size_t holesWithZ = 0;
    s.start = entries[run.first].time;
    s.end = entries[run.first].time;
    s.utcOffset = entries[run.first].utcOffset;
    for (size_t i = run.first; i <= run.last; ++i) {
        const RecordEntry& e = entries[i];
        const int64_t begins = DrillStart(e);
        s.start = std::min(s.start, begins);
        s.end = std::max(s.end, e.time);
        switch (e.event) {
            case Event::Drilled: {
                ClosePause(pause, begins, s);
                ++s.drillings;
                std::optional<int32_t> travel;
                if (e.zStartUm && e.zEndUm) {
                    travel = int32_t(std::min<int64_t>(std::llabs(int64_t(*e.zEndUm) - *e.zStartUm), INT32_MAX));
                    electrodeUm += *travel;
                }
                if (e.drillSeconds) {
                    s.drillingSeconds += *e.drillSeconds;
                    AddDrilling(s.timeline, begins, e);
                } else {
                    ++s.drillingsUntimed;
                }
                const auto [it, first] = holeAt.emplace(e.hole, s.holes.size());
                if (first) {
                    s.holes.push_back({e.hole, e.xUm, e.yUm, e.drillSeconds, travel, e.time, 0});
                    if (travel) ++holesWithZ;
                }
                if (++s.holes[it->second].drillings == 2) {
                    ++s.holesDrilledTwice;
                    AddFinding(s.findings, FindingKind::DrilledTwice, e.hole);
                }
                break;
            }
            case Event::Visited:
                ClosePause(pause, e.time, s);
                visited.insert(e.hole);
                break;
            case Event::Skipped: skipped.insert(e.hole); break;
            case Event::Paused:
                ClosePause(pause, e.time, s);
                pause = TimeSpan{e.time, e.time, true, e.reason.empty() ? std::string("unknown") : e.reason, e.hole, e.hole, 0};
                break;
            case Event::Reset:
            case Event::JobEnd: ClosePause(pause, e.time, s); break;
        }
    }
    ClosePause(pause, s.end, s);

    std::stable_sort(s.timeline.begin(), s.timeline.end(),
                     [](const TimeSpan& a, const TimeSpan& b) { return a.start < b.start; });
    for (const TimeSpan& span : s.timeline) {
        if (!span.paused) continue;
        const double seconds = double(span.end - span.start);
        auto it = std::find_if(s.pauses.begin(), s.pauses.end(),
                               [&](const PauseTotal& p) { return p.reason == span.reason; });
        if (it == s.pauses.end()) it = s.pauses.insert(s.pauses.end(), {span.reason, 0, 0});
        ++it->count;
        it->seconds += seconds;
        s.pausedSeconds += seconds;
        if (span.reason == "lost-link") s.linkLostSeconds += seconds;
    }

    std::sort(s.holes.begin(), s.holes.end(), [](const HoleFigures& a, const HoleFigures& b) { return a.hole < b.hole; });
    s.holesDrilled = int(s.holes.size());
    for (int32_t h : skipped) s.holesSkipped += holeAt.count(h) == 0;
    s.holesVisited = int(visited.size());
    s.totalSeconds = double(s.end - s.start);
    if (s.totalSeconds > 0) s.holesPerHour = s.holesDrilled * 3600.0 / s.totalSeconds;
    s.electrodeMm = electrodeUm / 1000.0;
    if (holesWithZ > 0) s.electrodePerHoleMm = s.electrodeMm / double(holesWithZ);

    std::vector<double> seconds;
    for (const HoleFigures& h : s.holes)
        if (h.drillSeconds) seconds.push_back(*h.drillSeconds);
    std::sort(seconds.begin(), seconds.end());
    if (!seconds.empty()) {
        s.medianSeconds = Quantile(seconds, 0.5);
        s.p95Seconds = Quantile(seconds, 0.95);
        s.maxSeconds = seconds.back();
    }
    s.histogram = MakeHistogram(seconds);

    for (size_t i = 0; i < s.holes.size(); ++i)
        if (s.holes[i].drillSeconds) s.slowest.push_back(i);
    const size_t keep = std::min(kSlowestCount, s.slowest.size());
    std::partial_sort(s.slowest.begin(), s.slowest.begin() + long(keep), s.slowest.end(), [&](size_t a, size_t b) {
        return *s.holes[a].drillSeconds != *s.holes[b].drillSeconds
                   ? *s.holes[a].drillSeconds > *s.holes[b].drillSeconds
                   : s.holes[a].hole < s.holes[b].hole;
    });
    s.slowest.resize(keep);
}

}  // namespace

double Quantile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) return 0;
    const double h = (double(sorted.size()) - 1) * p;
    const size_t lo = size_t(std::floor(h));
    if (lo + 1 >= sorted.size()) return sorted.back();
    return sorted[lo] + (h - double(lo)) * (sorted[lo + 1] - sorted[lo]);
}

std::string JobNameOf(const std::string& recordPath) {
    const size_t slash = recordPath.find_last_of("/\\");
    std::string name = slash == std::string::npos ? recordPath : recordPath.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

JobSummary Summarize(const RecordRead& record, std::string job, size_t run) {
    JobSummary s;
    s.job = std::move(job);
    s.findings = record.findings;
    const std::vector<RunLines> runs = SplitRuns(record.entries, s.findings);
    for (const RunLines& r : runs) {
        RunInfo info{record.entries[r.first].line, record.entries[r.last].line, record.entries[r.first].time,
                     record.entries[r.last].time, record.entries[r.first].utcOffset, 0, r.endedBy, r.otherJob};
        std::unordered_set<int32_t> drilled;
        for (size_t i = r.first; i <= r.last; ++i) {
            const RecordEntry& e = record.entries[i];
            info.start = std::min(info.start, DrillStart(e));
            info.end = std::max(info.end, e.time);
            if (e.event == Event::Drilled) drilled.insert(e.hole);
        }
        info.holesDrilled = int(drilled.size());
        s.runs.push_back(info);
    }
    if (runs.empty()) {
        s.findings.push_back({FindingKind::Empty, 1, {}});
        return s;
    }
    if (runs.size() > 1) {
        s.findings.push_back({FindingKind::SeveralRuns, runs.size(), {}});
    }
    if (run == 0) run = runs.size();
    if (run > runs.size()) return s;
    s.run = run;
    SumUpRun(record.entries, runs[run - 1], s);
    std::stable_sort(s.findings.begin(), s.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.kind < b.kind; });
    return s;
}

}  // namespace ks::report
