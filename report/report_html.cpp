#include "report/report_html.h"

#include <algorithm>
#include <charconv>

#include "platform/os.h"
#include "platform/textnum.h"
#include "report/page_assets.h"
#include "report/report_format.h"
#include "report/report_texts.h"

namespace ks::report {
namespace {

std::string T(const char* source) { return Tr("report", source); }

std::string Html(const std::string& text) {
    std::string out;
    for (char c : Utf8Text(text)) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

// A column of the holes' figures as a JSON array, null where one is missing.
template <typename Get>
void AppendColumn(std::string& out, const char* name, const std::vector<HoleFigures>& holes, Get get) {
    out += '"';
    out += name;
    out += "\":[";
    for (size_t i = 0; i < holes.size(); ++i) {
        if (i) out += ',';
        const std::optional<double> v = get(holes[i]);
        if (v) AppendJsonNumber(out, *v);
        else out += "null";
    }
    out += ']';
}

std::optional<double> Mm(const std::optional<int32_t>& um) {
    return um ? std::optional<double>(*um / 1000.0) : std::nullopt;
}

// Whole numbers as a JSON array.
template <typename T, typename Get>
void AppendInts(std::string& out, const char* name, const std::vector<T>& items, Get get) {
    out += '"';
    out += name;
    out += "\":[";
    char buf[24];
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) out += ',';
        out.append(buf, size_t(std::to_chars(buf, buf + sizeof buf, int64_t(get(items[i]))).ptr - buf));
    }
    out += ']';
}

std::string TextsJson() {
    const std::pair<const char*, const char*> texts[] = {
        {"none", text::kNone},           {"axisHole", text::kAxisHole},
        {"axisSeconds", text::kAxisSeconds}, {"axisHoleCount", text::kAxisHoleCount},
        {"axisZTravel", text::kAxisZTravel}, {"drilling", text::kDrilling},
        {"noCharts", text::kNoCharts},
    };
    std::string out = "{";
    for (const auto& [key, source] : texts) out += std::string(out.size() > 1 ? "," : "") + "\"" + key + "\":" + JsonString(T(source));
    return out + "}";
}

std::string Cell(const std::string& text) { return "<td>" + Html(text) + "</td>"; }

std::string SummaryHtml(const JobSummary& s) {
    std::string out = "<div class=\"summary-grid\">\n";
    for (const SummaryLine& l : SummaryLines(s)) {
        const bool sub = l.label.rfind("  ", 0) == 0;
        out += std::string(sub ? "<div class=\"sub-line\">" : "<div>") + "<span>" + Html(sub ? l.label.substr(2) : l.label) +
               "</span><span>" + Html(l.value) + "</span></div>\n";
    }
    return out + "</div>\n";
}

std::string FindingsHtml(const JobSummary& s) {
    if (s.findings.empty()) return "";
    const bool problem = std::any_of(s.findings.begin(), s.findings.end(), [](const Finding& f) { return IsProblem(f.kind); });
    std::string out = std::string("<h2>") + Html(T(text::kFound)) + "</h2>\n<ul class=\"findings" +
                      (problem ? " problem" : "") + "\" id=\"findings\">\n";
    for (const Finding& f : s.findings)
        out += std::string("<li") + (IsProblem(f.kind) ? " class=\"problem\"" : "") + ">" + Html(FindingText(f, s)) + "</li>\n";
    return out + "</ul>\n";
}

std::string SlowestHtml(const JobSummary& s) {
    if (s.slowest.empty()) return "";
    std::string out = "<h2>" + Html(Fill(T(text::kSlowest), {FormatInt(int64_t(s.slowest.size()))})) +
                      "</h2>\n<table class=\"holes\" id=\"slowest\"><tr><th>" + Html(T(text::kRank)) + "</th><th>" +
                      Html(T(text::kAxisHole)) + "</th><th>X (mm)</th><th>Y (mm)</th><th>" + Html(T(text::kAxisSeconds)) +
                      "</th><th>" + Html(T(text::kAxisZTravel)) + "</th><th>" + Html(T(text::kFinishedAt)) + "</th></tr>\n";
    for (size_t i = 0; i < s.slowest.size(); ++i) {
        const HoleFigures& h = s.holes[s.slowest[i]];
        auto mm = [](const std::optional<int32_t>& um) { return um ? FormatFixed(*um / 1000.0, 3) : std::string(); };
        out += "<tr>" + Cell(FormatInt(int64_t(i + 1))) + Cell(FormatInt(h.hole)) + Cell(mm(h.xUm)) + Cell(mm(h.yUm)) +
               Cell(NumberText(h.drillSeconds, 1)) + Cell(mm(h.zTravelUm)) + Cell(FormatLocalTime(h.time, s.utcOffset)) +
               "</tr>\n";
    }
    return out + "</table>\n";
}

std::string RunsHtml(const JobSummary& s) {
    if (s.runs.size() < 2) return "";
    std::string out = "<h2>" + Html(T(text::kRuns)) + "</h2>\n<table class=\"holes\" id=\"runs\"><tr><th>" +
                      Html(T(text::kRun)) + "</th><th>" + Html(T(text::kLines)) + "</th><th>" + Html(T(text::kFirstTime)) +
                      "</th><th>" + Html(T(text::kLastTime)) + "</th><th>" + Html(T(text::kHolesDrilled)) + "</th><th>" +
                      Html(T(text::kEndedBy)) + "</th></tr>\n";
    for (size_t i = 0; i < s.runs.size(); ++i) {
        const RunInfo& r = s.runs[i];
        out += "<tr>" + Cell(FormatInt(int64_t(i + 1)) + (i + 1 == s.run ? " " + T(text::kShown) : "")) +
               Cell(FormatInt(int64_t(r.firstLine)) + "-" + FormatInt(int64_t(r.lastLine))) +
               Cell(FormatLocalTime(r.start, r.utcOffset)) + Cell(FormatLocalTime(r.end, r.utcOffset)) +
               Cell(FormatInt(r.holesDrilled)) + Cell(EndedByText(r.endedBy)) + "</tr>\n";
    }
    return out + "</table>\n";
}

std::string Figure(const char* id, const char* title, bool wide) {
    return std::string("<figure") + (wide ? " class=\"wide\"" : "") + "><figcaption>" + Html(T(title)) +
           "</figcaption><div class=\"chart\" id=\"" + id + "\"></div></figure>\n";
}

// An inline script ends at the first "</script", whatever the quotes
// around it say; in JavaScript "<\/script" means the same.
void AppendScript(std::string& out, std::string_view code) {
    for (size_t from = 0;;) {
        size_t at = code.find("</", from);
        while (at != std::string_view::npos) {
            std::string tag(code.substr(at + 2, 6));
            std::transform(tag.begin(), tag.end(), tag.begin(), [](char c) { return char(c | 0x20); });
            if (tag == "script") break;
            at = code.find("</", at + 2);
        }
        out.append(code.substr(from, at == std::string_view::npos ? std::string_view::npos : at + 1 - from));
        if (at == std::string_view::npos) return;
        out += '\\';
        from = at + 1;
    }
}

}  // namespace

std::string ReportPathFor(const std::string& record) {
    const size_t sep = LastPathSeparator(record);
    const size_t dot = record.rfind('.');
    const bool extension = dot != std::string::npos && (sep == std::string::npos || dot > sep + 1);
    return (extension ? record.substr(0, dot) : record) + ".html";
}

std::string ChartLibraryName() { return std::string(assets::kChartLibraryName); }

std::string PageData(const JobSummary& s) {
    std::string d;
    d.reserve(64 * 1024 + s.holes.size() * 40 + s.timeline.size() * 32);
    d += "{\"lang\":" + JsonString(T(text::kLangTag)) + ",\"texts\":" + TextsJson() +
         ",\"offsetMs\":" + FormatInt(int64_t(s.utcOffset) * 1000) + ",\"holes\":{";
    AppendInts(d, "hole", s.holes, [](const HoleFigures& h) { return h.hole; });
    d += ',';
    AppendColumn(d, "x", s.holes, [](const HoleFigures& h) { return Mm(h.xUm); });
    d += ',';
    AppendColumn(d, "y", s.holes, [](const HoleFigures& h) { return Mm(h.yUm); });
    d += ',';
    AppendColumn(d, "s", s.holes, [](const HoleFigures& h) { return h.drillSeconds; });
    d += ',';
    AppendColumn(d, "z", s.holes, [](const HoleFigures& h) { return Mm(h.zTravelUm); });
    d += "},\"histogram\":{\"start\":" + JsonNumber(s.histogram.start) + ",\"width\":" +
         JsonNumber(s.histogram.width) + ",";
    AppendInts(d, "counts", s.histogram.counts, [](int c) { return c; });
    // Timeline rows: drilling first, then one per pause reason; times in
    // seconds from the run's start.
    std::vector<std::string> reasons;
    for (const PauseTotal& p : s.pauses) reasons.push_back(p.reason);
    d += "},\"timeline\":{\"t0\":" + FormatInt(s.start * 1000) + ",\"rows\":[" + JsonString(T(text::kDrilling));
    for (const std::string& r : reasons) d += "," + JsonString(Fill(T(text::kPausedFor), {ReasonText(r)}));
    d += "],\"reasons\":[";
    for (size_t i = 0; i < reasons.size(); ++i) d += (i ? "," : "") + JsonString(reasons[i]);
    d += "],";
    AppendInts(d, "row", s.timeline, [&](const TimeSpan& t) {
        return t.paused ? std::find(reasons.begin(), reasons.end(), t.reason) - reasons.begin() + 1 : 0;
    });
    d += ',';
    AppendInts(d, "start", s.timeline, [&](const TimeSpan& t) { return t.start - s.start; });
    d += ',';
    AppendInts(d, "end", s.timeline, [&](const TimeSpan& t) { return t.end - s.start; });
    d += ',';
    AppendInts(d, "hole", s.timeline, [](const TimeSpan& t) { return t.hole; });
    d += ',';
    AppendInts(d, "last", s.timeline, [](const TimeSpan& t) { return t.lastHole; });
    d += ',';
    AppendInts(d, "holes", s.timeline, [](const TimeSpan& t) { return t.holes; });
    d += "}}";
    // Inside a script element: no "<" may start a tag.
    for (size_t at = 0; (at = d.find('<', at)) != std::string::npos;) d.replace(at, 1, "\\u003c");
    return d;
}

std::string MakeReportHtml(const JobSummary& s) {
    const std::string title = T(text::kTitle) + " - " + s.job;
    std::string h;
    h.reserve(assets::kChartLibrary.size() + assets::kPageScript.size() + 128 * 1024 + s.holes.size() * 40);
    h += "<!DOCTYPE html>\n<html lang=\"" + Html(T(text::kLangTag)) + "\">\n<head>\n<meta charset=\"utf-8\">\n" +
                    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n" +
                    "<meta name=\"generator\" content=\"kestrane-report, " + Html(ChartLibraryName()) + "\">\n<title>" +
                    Html(title) + "</title>\n<style>\n" + std::string(assets::kPageStyle) + "</style>\n</head>\n<body>\n";
    h += "<h1>" + Html(title) + "</h1>\n";
    h += FindingsHtml(s) + SummaryHtml(s);
    if (!s.holes.empty() || !s.timeline.empty()) {
        h += "<div class=\"plots\">\n" + Figure("plot-per-hole", text::kPlotPerHole, false) +
             Figure("plot-histogram", text::kPlotHistogram, false) + Figure("plot-plate", text::kPlotPlate, false) +
             Figure("plot-z-travel", text::kPlotZTravel, false) + Figure("plot-timeline", text::kPlotTimeline, true) +
             "</div>\n";
    }
    h += SlowestHtml(s) + RunsHtml(s);
    h += "<script id=\"ks-data\" type=\"application/json\">" + PageData(s) + "</script>\n";
    if (!s.holes.empty() || !s.timeline.empty()) {
        h += "<script>\n";
        AppendScript(h, assets::kChartLibrary);
        h += "\n</script>\n<script>\n";
        AppendScript(h, assets::kPageScript);
        h += "</script>\n";
    }
    return h + "</body>\n</html>\n";
}

}  // namespace ks::report
