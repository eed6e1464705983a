#include "report/report_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/textnum.h"
#include "report/report_texts.h"

namespace ks::report {
namespace {

std::string T(const char* source) { return Tr("report", source); }

std::string Mm(const std::optional<int32_t>& um) { return um ? JsonNumber(*um / 1000.0) : "null"; }

const char* FindingKey(FindingKind k) {
    switch (k) {
        case FindingKind::Empty: return "empty";
        case FindingKind::CutLine: return "cut-line";
        case FindingKind::BadLine: return "bad-line";
        case FindingKind::UnknownEvent: return "unknown-event";
        case FindingKind::TimeBackwards: return "time-backwards";
        case FindingKind::DrilledTwice: return "drilled-twice";
        case FindingKind::OtherJob: return "other-job";
        case FindingKind::SeveralRuns: return "several-runs";
    }
    return "";
}

std::string Examples(const Finding& f) {
    std::string s;
    for (int64_t e : f.examples) s += (s.empty() ? "" : ", ") + FormatInt(e);
    if (f.count > f.examples.size()) s += ", ...";
    return s;
}

// Display columns of UTF-8 text: wide (CJK) characters take two.
size_t Columns(const std::string& text) {
    size_t n = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) == 0x80) continue;
        n += c >= 0xE3 ? 2 : 1;  // U+3000 and up: CJK and full-width forms
    }
    return n;
}

}  // namespace

// Up to three decimals, trailing zeros dropped: drill seconds come in
// tenths, quantiles between them.
void AppendJsonNumber(std::string& out, double v) {
    char buf[400];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3);
    if (!std::isfinite(v) || r.ec != std::errc()) {
        out += "null";
        return;
    }
    const char* end = r.ptr;
    while (end[-1] == '0') --end;
    if (end[-1] == '.') --end;
    if (end - buf == 2 && buf[0] == '-' && buf[1] == '0') {
        out += '0';
        return;
    }
    out.append(buf, size_t(end - buf));
}

std::string JsonNumber(double v) {
    std::string s;
    AppendJsonNumber(s, v);
    return s;
}

std::string JsonNumber(const std::optional<double>& v) { return v ? JsonNumber(*v) : "null"; }

std::string Utf8Text(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        bool ok = len > 0 && i + len <= text.size() && !(len == 2 && c < 0xC2);
        for (size_t k = 1; ok && k < len; ++k) ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        if (ok) {
            out.append(text, i, len);
            i += len;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

// Quotes, backslashes and control bytes escaped.
std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : Utf8Text(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string NumberText(const std::optional<double>& v, int decimals) {
    return v && std::isfinite(*v) ? FormatFixed(*v, decimals) : T(text::kNone);
}

std::string DurationText(double seconds) {
    const int64_t s = std::llround(std::max(0.0, seconds));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                  static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
    return buf;
}

std::string ReasonText(const std::string& reason) {
    if (reason == "button") return T(text::kReasonButton);
    if (reason == "pause-hole") return T(text::kReasonPauseHole);
    if (reason == "controller-request") return T(text::kReasonController);
    if (reason == "lost-link") return T(text::kReasonLostLink);
    if (reason == "arrival-check") return T(text::kReasonArrival);
    if (reason == "position-changed") return T(text::kReasonPlaceChanged);
    if (reason == "unknown") return T(text::kReasonUnknown);
    return reason;
}

std::string EndedByText(const std::string& endedBy) {
    if (endedBy == "job-end") return T(text::kEndedJobEnd);
    if (endedBy == "reset") return T(text::kEndedReset);
    if (endedBy == "other-job") return T(text::kEndedOtherJob);
    return T(text::kEndedOpen);
}

std::string FindingText(const Finding& f, const JobSummary& s) {
    const std::string count = FormatInt(int64_t(f.count));
    const std::string examples = Examples(f);
    switch (f.kind) {
        case FindingKind::Empty: return T(text::kFindingEmpty);
        case FindingKind::CutLine: return Fill(T(text::kFindingCutLine), {count, examples});
        case FindingKind::BadLine: return Fill(T(text::kFindingBadLine), {count, examples});
        case FindingKind::UnknownEvent: return Fill(T(text::kFindingUnknownEvent), {count, examples});
        case FindingKind::TimeBackwards: return Fill(T(text::kFindingTimeBackwards), {count, examples});
        case FindingKind::DrilledTwice: return Fill(T(text::kFindingDrilledTwice), {count, examples});
        case FindingKind::OtherJob: return Fill(T(text::kFindingOtherJob), {count, examples});
        case FindingKind::SeveralRuns: {
            const RunInfo* run = s.run > 0 ? &s.runs[s.run - 1] : nullptr;
            return Fill(T(text::kFindingSeveralRuns),
                        {count, FormatInt(int64_t(s.run)), run ? FormatInt(int64_t(run->firstLine)) : "",
                         run ? FormatInt(int64_t(run->lastLine)) : ""});
        }
    }
    return "";
}

std::vector<SummaryLine> SummaryLines(const JobSummary& s) {
    std::vector<SummaryLine> lines;
    auto add = [&](const char* label, std::string value) { lines.push_back({T(label), std::move(value)}); };
    add(text::kJob, s.job);
    if (s.run == 0) return lines;
    add(text::kRun, Fill(T(text::kRunOf), {FormatInt(int64_t(s.run)), FormatInt(int64_t(s.runs.size()))}));
    add(text::kFirstTime, FormatLocalTime(s.start, s.utcOffset));
    add(text::kLastTime, FormatLocalTime(s.end, s.utcOffset));
    add(text::kHolesDrilled, FormatInt(s.holesDrilled));
    add(text::kHolesSkipped, FormatInt(s.holesSkipped));
    add(text::kHolesVisited, FormatInt(s.holesVisited));
    add(text::kHolesDrilledTwice, FormatInt(s.holesDrilledTwice));
    add(text::kTotalTime, DurationText(s.totalSeconds));
    add(text::kDrillingTime, DurationText(s.drillingSeconds));
    add(text::kPauseTime, DurationText(s.pausedSeconds));
    for (const PauseTotal& p : s.pauses)
        lines.push_back({"  " + Fill(T(text::kPauseFor), {ReasonText(p.reason), FormatInt(p.count)}),
                         DurationText(p.seconds)});
    add(text::kLinkLostTime, DurationText(s.linkLostSeconds));
    add(text::kOtherTime, DurationText(s.totalSeconds - s.drillingSeconds - s.pausedSeconds));
    add(text::kHolesPerHour, NumberText(s.holesPerHour, 1));
    add(text::kMedianSeconds, NumberText(s.medianSeconds, 2));
    add(text::kP95Seconds, NumberText(s.p95Seconds, 2));
    add(text::kMaxSeconds, NumberText(s.maxSeconds, 1));
    add(text::kElectrode, FormatFixed(s.electrodeMm, 3));
    add(text::kElectrodePerHole, NumberText(s.electrodePerHoleMm, 3));
    return lines;
}

std::string FormatText(const JobSummary& s) {
    const std::vector<SummaryLine> lines = SummaryLines(s);
    size_t width = 0;
    for (const SummaryLine& l : lines) width = std::max(width, Columns(l.label));
    std::string out = T(text::kTitle) + "\n";
    for (const SummaryLine& l : lines) out += l.label + std::string(width + 2 - Columns(l.label), ' ') + l.value + "\n";
    for (const Finding& f : s.findings) out += "! " + FindingText(f, s) + "\n";
    if (!s.slowest.empty()) {
        out += "\n" + Fill(T(text::kSlowest), {FormatInt(int64_t(s.slowest.size()))}) + "\n";
        for (size_t i = 0; i < s.slowest.size(); ++i) {
            const HoleFigures& h = s.holes[s.slowest[i]];
            char buf[96];
            std::snprintf(buf, sizeof buf, "%3zu  %6d  ", i + 1, h.hole);
            out += buf + NumberText(h.drillSeconds, 1) + " s  " + FormatLocalTime(h.time, s.utcOffset) + "\n";
        }
    }
    return out;
}

std::string FormatJson(const JobSummary& s) {
    std::string j = "{\n  \"job\": " + JsonString(s.job) + ",\n  \"run\": " + FormatInt(int64_t(s.run)) +
                    ",\n  \"runs\": [";
    for (size_t i = 0; i < s.runs.size(); ++i) {
        const RunInfo& r = s.runs[i];
        j += std::string(i ? "," : "") + "\n    {\"run\": " + FormatInt(int64_t(i + 1)) +
             ", \"first_line\": " + FormatInt(int64_t(r.firstLine)) + ", \"last_line\": " + FormatInt(int64_t(r.lastLine)) +
             ", \"start\": " + JsonString(FormatIsoTime(r.start, r.utcOffset)) +
             ", \"end\": " + JsonString(FormatIsoTime(r.end, r.utcOffset)) +
             ", \"holes_drilled\": " + FormatInt(r.holesDrilled) + ", \"ended_by\": " + JsonString(r.endedBy) +
             ", \"other_job\": " + (r.otherJob ? "true" : "false") + "}";
    }
    j += s.runs.empty() ? "],\n" : "\n  ],\n";
    if (s.run > 0) {
        j += "  \"start\": " + JsonString(FormatIsoTime(s.start, s.utcOffset)) + ",\n";
        j += "  \"end\": " + JsonString(FormatIsoTime(s.end, s.utcOffset)) + ",\n";
    } else {
        j += "  \"start\": null,\n  \"end\": null,\n";
    }
    j += "  \"holes\": {\"drilled\": " + FormatInt(s.holesDrilled) + ", \"skipped\": " + FormatInt(s.holesSkipped) +
         ", \"visited\": " + FormatInt(s.holesVisited) + ", \"drilled_twice\": " + FormatInt(s.holesDrilledTwice) +
         "},\n";
    j += "  \"drillings\": " + FormatInt(s.drillings) + ",\n  \"drillings_untimed\": " + FormatInt(s.drillingsUntimed) +
         ",\n";
    j += "  \"seconds\": {\"total\": " + JsonNumber(s.totalSeconds) + ", \"drilling\": " + JsonNumber(s.drillingSeconds) +
         ", \"paused\": " + JsonNumber(s.pausedSeconds) + ", \"link_lost\": " + JsonNumber(s.linkLostSeconds) + "},\n";
    j += "  \"pauses\": [";
    for (size_t i = 0; i < s.pauses.size(); ++i)
        j += std::string(i ? ", " : "") + "{\"reason\": " + JsonString(s.pauses[i].reason) +
             ", \"count\": " + FormatInt(s.pauses[i].count) + ", \"seconds\": " + JsonNumber(s.pauses[i].seconds) + "}";
    j += "],\n  \"holes_per_hour\": " + JsonNumber(s.holesPerHour) + ",\n";
    j += "  \"drill_seconds\": {\"median\": " + JsonNumber(s.medianSeconds) + ", \"p95\": " + JsonNumber(s.p95Seconds) +
         ", \"max\": " + JsonNumber(s.maxSeconds) + "},\n";
    j += "  \"electrode_mm\": {\"total\": " + JsonNumber(s.electrodeMm) +
         ", \"per_hole\": " + JsonNumber(s.electrodePerHoleMm) + "},\n";
    j += "  \"slowest\": [";
    for (size_t i = 0; i < s.slowest.size(); ++i) {
        const HoleFigures& h = s.holes[s.slowest[i]];
        j += std::string(i ? "," : "") + "\n    {\"hole\": " + FormatInt(h.hole) + ", \"x_mm\": " + Mm(h.xUm) +
             ", \"y_mm\": " + Mm(h.yUm) + ", \"drill_s\": " + JsonNumber(h.drillSeconds) +
             ", \"z_travel_mm\": " + Mm(h.zTravelUm) + ", \"time\": " + JsonString(FormatIsoTime(h.time, s.utcOffset)) +
             "}";
    }
    j += s.slowest.empty() ? "],\n" : "\n  ],\n";
    j += "  \"findings\": [";
    for (size_t i = 0; i < s.findings.size(); ++i) {
        const Finding& f = s.findings[i];
        j += std::string(i ? "," : "") + "\n    {\"kind\": \"" + FindingKey(f.kind) + "\", \"count\": " +
             FormatInt(int64_t(f.count)) + ", \"examples\": [";
        for (size_t k = 0; k < f.examples.size(); ++k) j += (k ? ", " : "") + FormatInt(f.examples[k]);
        j += std::string("], \"problem\": ") + (IsProblem(f.kind) ? "true" : "false") + "}";
    }
    j += s.findings.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return j;
}

}  // namespace ks::report
