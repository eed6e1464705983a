#pragma once
// Reading a job record (records/<job>.csv, app/job_record.h) back: one
// entry per line that reads as a whole event, and what was found on the
// lines that do not. A record is outside input (a file from a USB stick, a
// line cut by a power cut, a file edited in a spreadsheet): reading never
// fails, it only leaves lines out and says which.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ks::report {

enum class Event { Drilled, Visited, Skipped, Paused, Reset, JobEnd };

struct RecordEntry {
    size_t line = 0;           // 1-based line of the file
    int64_t time = 0;          // seconds since 1970, UTC
    int32_t utcOffset = 0;     // seconds east of UTC the line was written with
    int32_t hole = 0;
    std::optional<int32_t> xUm, yUm;
    std::optional<double> drillSeconds;
    std::optional<int32_t> zStartUm, zEndUm;
    Event event = Event::Drilled;
    std::string reason;        // as written ("button", "lost-link", ...), empty when none
};

// What reading and summing up found, in the order a reader should learn it.
enum class FindingKind {
    Empty,            // no event at all
    CutLine,          // a line cut short (the power went while it was written)
    BadLine,          // a line that is no event of the record's format
    UnknownEvent,     // a line whose event this reader does not know
    TimeBackwards,    // a line stamped earlier than the one before it
    DrilledTwice,     // holes with more than one drilled line in one run
    OtherJob,         // lines of another job that has the same name
    SeveralRuns,      // the record holds several runs; one is reported
};

struct Finding {
    FindingKind kind = FindingKind::Empty;
    size_t count = 0;                 // lines, holes or runs, by kind
    std::vector<int64_t> examples;    // the first few line or hole numbers
};

// A finding that means the record is not clean (every kind but SeveralRuns,
// which is what a job run on several plates looks like).
bool IsProblem(FindingKind kind);

// Adds one occurrence (a line or hole number) to the finding of its kind,
// keeping the first kMaxExamples numbers.
inline constexpr size_t kMaxExamples = 5;
void AddFinding(std::vector<Finding>& findings, FindingKind kind, int64_t example);

struct RecordRead {
    std::vector<RecordEntry> entries;
    std::vector<Finding> findings;  // of reading: CutLine, BadLine, UnknownEvent, TimeBackwards
};

RecordRead ReadRecord(std::string_view bytes);

// "2026-12-09T14:05:09+08:00" (or "...Z") to seconds since 1970 and the
// offset; false for anything else, and for dates that do not exist.
bool ParseIsoTime(std::string_view text, int64_t* seconds, int32_t* utcOffset);
// The local time of `seconds` at `utcOffset`: as the record writes it
// ("2026-12-09T14:05:09+08:00"), and as people read it ("2026-12-09 14:05:09").
std::string FormatIsoTime(int64_t seconds, int32_t utcOffset);
std::string FormatLocalTime(int64_t seconds, int32_t utcOffset);

}  // namespace ks::report
