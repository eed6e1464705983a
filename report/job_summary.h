#pragma once
// What a job record says, summed up: the figures a supervisor asks for
// (holes, times, pauses, drilling seconds, electrode), each hole's own
// figures for the plots, the shift as a timeline, and what was found on
// the way. Plain data; report_format.h and report_html.h write it out.
//
// A record keeps every run of its job file: a run ends with job-end or
// reset, and where a hole turns up at another place than before, the lines
// from there on belong to another job of the same name. One run is summed
// up (the last, unless asked otherwise); the others are listed.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/record_reader.h"

namespace ks::report {

// A hole of the run, with the figures of its first drilling: a second one
// (the hole drilled again after a restart) goes through a finished hole and
// says nothing about the electrode or the plate.
struct HoleFigures {
    int32_t hole = 0;
    std::optional<int32_t> xUm, yUm;
    std::optional<double> drillSeconds;
    std::optional<int32_t> zTravelUm;  // |Z at the end - Z at the start|
    int64_t time = 0;                  // when that drilling ended
    int drillings = 0;
};

// A stretch of the shift: holes drilled one after the other, or the run
// paused for a reason (from the pause to the next hole's drilling, visit,
// reset or job end). Drillings that follow each other within
// kDrillingGapSeconds make one stretch: the moves between them are too
// short to see on a shift's timeline, and per hole the other plots tell.
struct TimeSpan {
    int64_t start = 0, end = 0;
    bool paused = false;
    std::string reason;  // paused only
    int32_t hole = 0;    // the first hole of the stretch, or where it paused
    int32_t lastHole = 0;
    int holes = 0;       // drillings of the stretch
};

inline constexpr int64_t kDrillingGapSeconds = 30;

struct PauseTotal {
    std::string reason;
    int count = 0;
    double seconds = 0;
};

struct RunInfo {
    size_t firstLine = 0, lastLine = 0;
    int64_t start = 0, end = 0;
    int32_t utcOffset = 0;
    int holesDrilled = 0;
    std::string endedBy;  // "job-end", "reset", "other-job", or empty (the record stops)
    bool otherJob = false;  // its holes lie elsewhere than the run's before it
};

struct Histogram {
    double start = 0, width = 0;  // of the first bin, in seconds
    std::vector<int> counts;
};

struct JobSummary {
    std::string job;
    std::vector<RunInfo> runs;
    size_t run = 0;  // 1-based number of the run summed up; 0 when there is none

    int64_t start = 0, end = 0;  // the run's first drilling start (or first line) and last line
    int32_t utcOffset = 0;       // of the run's first line
    int holesDrilled = 0, holesSkipped = 0, holesVisited = 0, holesDrilledTwice = 0;
    int drillings = 0, drillingsUntimed = 0;
    double totalSeconds = 0, drillingSeconds = 0, pausedSeconds = 0, linkLostSeconds = 0;
    std::vector<PauseTotal> pauses;  // by reason, in the order they first occur
    std::optional<double> holesPerHour;
    std::optional<double> medianSeconds, p95Seconds, maxSeconds;
    double electrodeMm = 0;
    std::optional<double> electrodePerHoleMm;

    std::vector<HoleFigures> holes;  // drilled holes in hole order
    std::vector<TimeSpan> timeline;  // in time order
    Histogram histogram;
    std::vector<size_t> slowest;     // indices into holes, slowest first
    std::vector<Finding> findings;
};

inline constexpr size_t kSlowestCount = 20;

// Sums up run `run` (1-based) of the record, or the last run for 0. A run
// number beyond the record's runs sums up nothing (summary.run == 0).
JobSummary Summarize(const RecordRead& record, std::string job, size_t run = 0);

// The p-quantile (0..1) of sorted values by linear interpolation between
// the closest ranks (as numpy's default and Excel's PERCENTILE.INC).
double Quantile(const std::vector<double>& sorted, double p);

// The job's name as the record's file name says it: "plate00" for
// ".../records/plate00.csv" (either separator).
std::string JobNameOf(const std::string& recordPath);

}  // namespace ks::report
