#pragma once
// The summary as words and numbers: JSON for scripts (field names and
// words as the record has them, never translated), text for a terminal and
// the pieces the page shows, in the program's language (ks::Tr). Numbers
// always with a decimal point, whatever the locale.
#include <optional>
#include <string>
#include <vector>

#include "report/job_summary.h"

namespace ks::report {

std::string FormatJson(const JobSummary& s);
std::string FormatText(const JobSummary& s);

// One finding as a sentence for people.
std::string FindingText(const Finding& f, const JobSummary& s);
// A pause reason of the record as people read it (unknown words as written).
std::string ReasonText(const std::string& reason);
// How a run ended, for people.
std::string EndedByText(const std::string& endedBy);
// Seconds as h:mm:ss.
std::string DurationText(double seconds);
// A number with `decimals` places, or the text for "none".
std::string NumberText(const std::optional<double>& v, int decimals);

// JSON pieces: a number with up to three decimals (null when none) and a
// string (bytes that are no UTF-8 replaced, so that the file stays valid).
std::string JsonNumber(double v);
std::string JsonNumber(const std::optional<double>& v);
// The same appended to out, for the long columns of the page's figures.
void AppendJsonNumber(std::string& out, double v);
std::string JsonString(const std::string& text);
// Valid UTF-8: every byte sequence that is none becomes U+FFFD.
std::string Utf8Text(const std::string& text);

// The summary's lines as (label, value) pairs, in the order every format
// shows them.
struct SummaryLine {
    std::string label, value;
};
std::vector<SummaryLine> SummaryLines(const JobSummary& s);

}  // namespace ks::report
