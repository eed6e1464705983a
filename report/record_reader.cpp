#include "report/record_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace ks::report {
namespace {

// The record's first line, as the console writes it (app/job_record.h).
constexpr std::string_view kHeader = "time,hole,x_mm,y_mm,drill_s,z_start_mm,z_end_mm,event,reason";
constexpr size_t kFieldCount = 9;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's
// days_from_civil), and back.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t* y, unsigned* m, unsigned* d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = static_cast<int64_t>(yoe) + era * 400 + (*m <= 2);
}

unsigned DaysInMonth(int64_t y, unsigned m) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : days[m - 1];
}

// Exactly `width` decimal digits at text[at].
bool Digits(std::string_view text, size_t at, size_t width, unsigned* value) {
    unsigned v = 0;
    for (size_t i = at; i < at + width; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + static_cast<unsigned>(text[i] - '0');
    }
    *value = v;
    return true;
}

bool ParseInt(std::string_view field, int32_t* out) {
    if (field.empty()) return false;
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, *out);
    return ec == std::errc() && ptr == end;
}

// A plain decimal number ("-12.345"): no exponent, no blanks, finite.
bool ParseDecimal(std::string_view field, double* out) {
    if (field.empty() || field.find_first_of("eEnNiIxXpP") != std::string_view::npos) return false;
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, *out, std::chars_format::fixed);
    return ec == std::errc() && ptr == end && std::isfinite(*out);
}

// Millimetres to micrometres; an empty field is no value, anything else
// that is not a number in the axes' range spoils the line.
bool ParseMillimetres(std::string_view field, std::optional<int32_t>* out) {
    if (field.empty()) return true;
    double mm = 0;
    if (!ParseDecimal(field, &mm)) return false;
    const double um = std::round(mm * 1000.0);
    if (std::fabs(um) > std::numeric_limits<int32_t>::max()) return false;
    *out = static_cast<int32_t>(um);
    return true;
}

bool ParseSeconds(std::string_view field, std::optional<double>* out) {
    if (field.empty()) return true;
    double s = 0;
    if (!ParseDecimal(field, &s) || s < 0 || s > 1e7) return false;
    *out = s;
    return true;
}

std::optional<Event> EventOf(std::string_view word) {
    if (word == "drilled") return Event::Drilled;
    if (word == "visited") return Event::Visited;
    if (word == "skipped") return Event::Skipped;
    if (word == "paused") return Event::Paused;
    if (word == "reset") return Event::Reset;
    if (word == "job-end") return Event::JobEnd;
    return std::nullopt;
}

// Words of the record are lower-case ASCII letters and dashes.
bool IsWord(std::string_view s) {
    if (s.empty() || s.size() > 40) return false;
    for (char c : s)
        if (!((c >= 'a' && c <= 'z') || c == '-')) return false;
    return true;
}

// Where a reason of a line at the end of the file may have been cut short.
bool IsKnownReason(std::string_view word) {
    for (const char* r : {"button", "pause-hole", "controller-request", "lost-link", "arrival-check", "position-changed"})
        if (word == r) return true;
    return false;
}

// The beginning of a time as the record writes it ("2026-12-09T08:0").
bool IsTimePrefix(std::string_view text) {
    constexpr std::string_view shape = "dddd-dd-ddTdd:dd:dd+dd:dd";
    if (text.empty() || text.size() > shape.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool ok = shape[i] == 'd'   ? (c >= '0' && c <= '9')
                        : shape[i] == '+' ? (c == '+' || c == '-' || c == 'Z')
                                          : c == shape[i];
        if (!ok) return false;
    }
    return true;
}

enum class LineResult { Entry, Cut, Bad, UnknownEvent };

LineResult ParseLine(std::string_view line, bool lastWithoutEnd, RecordEntry* e) {
    std::string_view fields[kFieldCount];
    size_t n = 0;
    size_t start = 0;
    for (;;) {
        const size_t comma = line.find(',', start);
        if (n == kFieldCount) return LineResult::Bad;  // more fields than the format has
        fields[n++] = line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    // A power cut leaves the start of a line: fewer fields than a line has,
    // beginning with its time (or a part of it), or all of them with the
    // last one unfinished at the very end of the file.
    if (n < kFieldCount) {
        int64_t t;
        int32_t o;
        const bool timed = n == 1 ? IsTimePrefix(fields[0]) : ParseIsoTime(fields[0], &t, &o);
        return timed ? LineResult::Cut : LineResult::Bad;
    }
    if (!ParseIsoTime(fields[0], &e->time, &e->utcOffset) || !ParseInt(fields[1], &e->hole) ||
        !ParseMillimetres(fields[2], &e->xUm) || !ParseMillimetres(fields[3], &e->yUm) ||
        !ParseSeconds(fields[4], &e->drillSeconds) || !ParseMillimetres(fields[5], &e->zStartUm) ||
        !ParseMillimetres(fields[6], &e->zEndUm))
        return LineResult::Bad;
    const std::optional<Event> event = EventOf(fields[7]);
    if (!event) {
        if (lastWithoutEnd) return LineResult::Cut;
        return IsWord(fields[7]) ? LineResult::UnknownEvent : LineResult::Bad;
    }
    if (!fields[8].empty() && !IsWord(fields[8])) return lastWithoutEnd ? LineResult::Cut : LineResult::Bad;
    if (lastWithoutEnd && !fields[8].empty() && !IsKnownReason(fields[8])) return LineResult::Cut;
    e->event = *event;
    e->reason = std::string(fields[8]);
    return LineResult::Entry;
}

}  // namespace

bool IsProblem(FindingKind kind) { return kind != FindingKind::SeveralRuns; }

void AddFinding(std::vector<Finding>& findings, FindingKind kind, int64_t example) {
    for (Finding& f : findings) {
        if (f.kind != kind) continue;
        ++f.count;
        if (f.examples.size() < kMaxExamples) f.examples.push_back(example);
        return;
    }
    findings.push_back({kind, 1, {example}});
}

bool ParseIsoTime(std::string_view t, int64_t* seconds, int32_t* utcOffset) {
    if (t.size() != 25 && t.size() != 20) return false;
    unsigned y, mo, d, h, mi, s;
    if (!Digits(t, 0, 4, &y) || t[4] != '-' || !Digits(t, 5, 2, &mo) || t[7] != '-' || !Digits(t, 8, 2, &d) ||
        t[10] != 'T' || !Digits(t, 11, 2, &h) || t[13] != ':' || !Digits(t, 14, 2, &mi) || t[16] != ':' ||
        !Digits(t, 17, 2, &s))
        return false;
    if (mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo) || h > 23 || mi > 59 || s > 60) return false;
    int32_t offset = 0;
    if (t.size() == 20) {
        if (t[19] != 'Z') return false;
    } else {
        unsigned oh, om;
        if ((t[19] != '+' && t[19] != '-') || !Digits(t, 20, 2, &oh) || t[22] != ':' || !Digits(t, 23, 2, &om) ||
            oh > 18 || om > 59)
            return false;
        offset = static_cast<int32_t>(oh * 3600 + om * 60) * (t[19] == '-' ? -1 : 1);
    }
    *seconds = DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s - offset;
    *utcOffset = offset;
    return true;
}

std::string FormatLocalTime(int64_t seconds, int32_t utcOffset) {
    const int64_t local = seconds + utcOffset;
    int64_t days = local / 86400, rest = local % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int64_t y;
    unsigned m, d;
    CivilFromDays(days, &y, &m, &d);
    char text[96];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u %02lld:%02lld:%02lld", static_cast<long long>(y), m, d,
                  static_cast<long long>(rest / 3600), static_cast<long long>(rest / 60 % 60),
                  static_cast<long long>(rest % 60));
    return text;
}

std::string FormatIsoTime(int64_t seconds, int32_t utcOffset) {
    std::string s = FormatLocalTime(seconds, utcOffset);
    s[10] = 'T';
    const int32_t a = utcOffset < 0 ? -utcOffset : utcOffset;
    char zone[32];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", utcOffset < 0 ? '-' : '+', a / 3600, a / 60 % 60);
    return s + zone;
}

RecordRead ReadRecord(std::string_view bytes) {
    RecordRead out;
    out.entries.reserve(size_t(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
    size_t lineNo = 0;
    int64_t lastTime = std::numeric_limits<int64_t>::min();
    for (size_t pos = 0; pos < bytes.size();) {
        size_t end = bytes.find('\n', pos);
        const bool hasEnd = end != std::string_view::npos;
        if (!hasEnd) end = bytes.size();
        std::string_view line = bytes.substr(pos, end - pos);
        pos = hasEnd ? end + 1 : end;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // Blank lines, and the header wherever it stands (records put
        // together from several files carry one per file).
        if (line.find_first_not_of(" \t") == std::string_view::npos || line == kHeader) continue;
        RecordEntry e;
        e.line = lineNo;
        switch (ParseLine(line, !hasEnd, &e)) {
            case LineResult::Entry: break;
            case LineResult::Cut: AddFinding(out.findings, FindingKind::CutLine, int64_t(lineNo)); continue;
            case LineResult::Bad: AddFinding(out.findings, FindingKind::BadLine, int64_t(lineNo)); continue;
            case LineResult::UnknownEvent:
                AddFinding(out.findings, FindingKind::UnknownEvent, int64_t(lineNo));
                continue;
        }
        if (e.time < lastTime) AddFinding(out.findings, FindingKind::TimeBackwards, int64_t(lineNo));
        lastTime = e.time;
        out.entries.push_back(std::move(e));
    }
    return out;
}

}  // namespace ks::report
