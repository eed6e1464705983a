// The record read back and summed up: a record whose figures are worked out
// by hand gives exactly those, and each kind of unclean record (a line cut
// by a power cut, a hole drilled again after a restart, two jobs of the same
// name in one file, nothing at all, lines in no known form) says what it
// found while the totals stay those of the clean lines.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "report/job_summary.h"
#include "report/report_format.h"
#include "report/report_html.h"

namespace ks::report {
namespace {

const std::string kHeader = "time,hole,x_mm,y_mm,drill_s,z_start_mm,z_end_mm,event,reason\r\n";

// Holes 1, 2, 4 and 5 drilled; a pause for the button (hole 3 skipped
// meanwhile) and one for a lost link; the job end. Worked out by hand:
// from 08:00:07 (the first drilling's start) to 08:05:31 is 324 s; the
// button pause lasts until hole 4 starts drilling at 08:03:15 (180 s), the
// lost link until hole 5 starts at 08:05:28 (123 s).
const std::vector<std::string> kClean = {
    "2026-12-09T08:00:10+08:00,1,0.000,0.000,3.0,0.000,-1.000,drilled,",
    "2026-12-09T08:00:15+08:00,2,1.000,0.000,4.0,-1.000,-2.500,drilled,",
    "2026-12-09T08:00:15+08:00,3,2.000,0.000,,,,paused,button",
    "2026-12-09T08:02:15+08:00,3,2.000,0.000,,,,skipped,",
    "2026-12-09T08:03:20+08:00,4,3.000,0.000,5.0,-2.500,-3.000,drilled,",
    "2026-12-09T08:03:25+08:00,5,4.000,0.000,,,,paused,lost-link",
    "2026-12-09T08:05:30+08:00,5,4.000,0.000,2.0,-3.000,-3.200,drilled,",
    "2026-12-09T08:05:31+08:00,0,,,,,,job-end,",
};

std::string Record(const std::vector<std::string>& lines, const std::string& tail = "") {
    std::string text = kHeader;
    for (const std::string& l : lines) text += l + "\r\n";
    return text + tail;
}

std::vector<std::string> With(std::vector<std::string> lines, size_t at, std::vector<std::string> more) {
    lines.insert(lines.begin() + long(at), more.begin(), more.end());
    return lines;
}

JobSummary Sum(const std::string& text, size_t run = 0) { return Summarize(ReadRecord(text), "plate00", run); }

const Finding* Find(const JobSummary& s, FindingKind kind) {
    for (const Finding& f : s.findings)
        if (f.kind == kind) return &f;
    return nullptr;
}

TEST(ReportFigures, AHandWorkedRecordGivesItsFigures) {
    const JobSummary s = Sum(Record(kClean));
    EXPECT_TRUE(s.findings.empty());
    EXPECT_EQ(s.run, 1u);
    EXPECT_EQ(FormatLocalTime(s.start, s.utcOffset), "2026-12-09 08:00:07");
    EXPECT_EQ(s.holesDrilled, 4);
    EXPECT_EQ(s.holesSkipped, 1);
    EXPECT_EQ(s.holesDrilledTwice, 0);
    EXPECT_DOUBLE_EQ(s.totalSeconds, 324);
    EXPECT_DOUBLE_EQ(s.drillingSeconds, 14);
    EXPECT_DOUBLE_EQ(s.pausedSeconds, 303);
    EXPECT_DOUBLE_EQ(s.linkLostSeconds, 123);
    ASSERT_EQ(s.pauses.size(), 2u);
    EXPECT_EQ(s.pauses[0].reason, "button");
    EXPECT_DOUBLE_EQ(s.pauses[0].seconds, 180);
    EXPECT_NEAR(*s.holesPerHour, 4 * 3600.0 / 324, 1e-9);
    EXPECT_DOUBLE_EQ(*s.medianSeconds, 3.5);
    EXPECT_NEAR(*s.p95Seconds, 4.85, 1e-9);  // between 4 and 5 at 0.85
    EXPECT_DOUBLE_EQ(*s.maxSeconds, 5);
    EXPECT_NEAR(s.electrodeMm, 3.2, 1e-9);
    EXPECT_NEAR(*s.electrodePerHoleMm, 0.8, 1e-9);
    // The timeline: holes 1-2 as one stretch, the two pauses, holes 4 and 5.
    ASSERT_EQ(s.timeline.size(), 5u);
    EXPECT_EQ(s.timeline[0].holes, 2);
    EXPECT_TRUE(s.timeline[1].paused);
    std::vector<int32_t> slowest;
    for (size_t i : s.slowest) slowest.push_back(s.holes[i].hole);
    EXPECT_EQ(slowest, (std::vector<int32_t>{4, 2, 1, 5}));
    // Two bins (the square root of four) of a round width: 2-4 s and 4-6 s.
    EXPECT_DOUBLE_EQ(s.histogram.start, 2);
    EXPECT_DOUBLE_EQ(s.histogram.width, 2);
    EXPECT_EQ(s.histogram.counts, (std::vector<int>{2, 2}));

    // Scripts read it with a decimal point and untranslated words, people
    // too, under a decimal-comma locale as well (where there is one).
    const bool comma = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    const std::string json = FormatJson(s), text = FormatText(s), page = MakeReportHtml(s);
    std::setlocale(LC_ALL, "C");
    for (const char* piece : {"\"median\": 3.5", "\"p95\": 4.85", "\"total\": 324", "\"reason\": \"lost-link\"",
                              "\"drilled\": 4", "\"skipped\": 1", "\"holes_per_hour\": 44.444", "\"findings\": []"})
        EXPECT_NE(json.find(piece), std::string::npos) << piece << "\n" << json;
    for (const std::string* out : {&text, &page}) {
        EXPECT_NE(out->find("4.85"), std::string::npos);
        EXPECT_NE(out->find("44.4"), std::string::npos);
        EXPECT_EQ(out->find("4,85"), std::string::npos);
    }
    if (!comma) std::printf("no de_DE.UTF-8 locale: checked in the C locale only\n");
}

struct Unclean {
    const char* what;
    std::string text;
    FindingKind kind;
    size_t count;
    std::vector<int64_t> examples;
    std::function<void(const JobSummary&)> alsoCheck;
};

TEST(ReportFigures, UncleanRecordsSayWhatTheyFoundAndKeepTheirTotals) {
    auto sameTotals = [](const JobSummary& s) {
        EXPECT_EQ(s.holesDrilled, 4);
        EXPECT_DOUBLE_EQ(s.drillingSeconds, 14);
        EXPECT_DOUBLE_EQ(s.pausedSeconds, 303);
    };
    const Unclean cases[] = {
        {"last line cut by a power cut", Record(kClean, "2026-12-09T08:05:40+08:00,6,5.0"), FindingKind::CutLine, 1,
         {10}, sameTotals},
        {"cut line followed by the next one", Record(With(kClean, 5, {"2026-12-09T08:03:2"})), FindingKind::CutLine, 1,
         {7}, sameTotals},
        {"cut inside the reason", Record(kClean, "2026-12-09T08:05:40+08:00,6,5.000,0.000,,,,paused,butt"),
         FindingKind::CutLine, 1, {10}, sameTotals},
        {"hole 4 drilled again after a restart",
         Record(With(kClean, 6, {"2026-12-09T08:04:00+08:00,4,3.000,0.000,1.0,-3.000,-3.100,drilled,"})),
         FindingKind::DrilledTwice, 1, {4},
         [](const JobSummary& s) {
             EXPECT_EQ(s.holesDrilled, 4);
             EXPECT_EQ(s.holesDrilledTwice, 1);
             EXPECT_EQ(s.drillings, 5);
             EXPECT_DOUBLE_EQ(s.drillingSeconds, 15);  // both drillings took machine time
             EXPECT_DOUBLE_EQ(*s.maxSeconds, 5);       // hole 4 by its first drilling
             EXPECT_NEAR(s.electrodeMm, 3.3, 1e-9);
         }},
        {"another job of the same name after a pause",
         Record(With(std::vector<std::string>(kClean.begin(), kClean.end() - 1), 7,
                     {"2026-12-09T09:00:05+08:00,1,50.000,50.000,3.0,0.000,-1.000,drilled,",
                      "2026-12-09T09:00:11+08:00,2,51.000,50.000,4.0,-1.000,-2.000,drilled,",
                      "2026-12-09T09:00:12+08:00,0,,,,,,job-end,"})),
         FindingKind::OtherJob, 1, {9},
         [](const JobSummary& s) {
             ASSERT_EQ(s.runs.size(), 2u);
             EXPECT_EQ(s.runs[0].endedBy, "other-job");
             EXPECT_TRUE(s.runs[1].otherJob);
             EXPECT_EQ(s.holesDrilled, 2);  // the last run: the other job
             EXPECT_DOUBLE_EQ(s.totalSeconds, 10);
             ASSERT_NE(Find(s, FindingKind::SeveralRuns), nullptr);
         }},
        {"another job of the same name after a job end",
         Record(kClean, "2026-12-09T09:00:05+08:00,1,50.000,50.000,3.0,0.000,-1.000,drilled,\r\n"),
         FindingKind::OtherJob, 1, {10}, nullptr},
        {"empty file", "", FindingKind::Empty, 1, {},
         [](const JobSummary& s) {
             EXPECT_EQ(s.run, 0u);
             EXPECT_EQ(s.holesDrilled, 0);
             const std::string html = MakeReportHtml(s);
             EXPECT_EQ(html.find("id=\"plot-plate\""), std::string::npos);  // no plots of nothing
             EXPECT_NE(html.find(FindingText(s.findings[0], s)), std::string::npos);
         }},
        {"header only", kHeader, FindingKind::Empty, 1, {}, nullptr},
        {"lines in no known form",
         Record(With(kClean, 2, {"hello,world", "yesterday,3,2.000,0.000,,,,skipped,",
                                 "2026-12-09T08:00:15+08:00,3,2.000,0.000,,,,skipped,,extra"})),
         FindingKind::BadLine, 3, {4, 5, 6}, sameTotals},
        {"an event this reader does not know",
         Record(With(kClean, 3, {"2026-12-09T08:01:00+08:00,3,2.000,0.000,,,,resumed,"})), FindingKind::UnknownEvent,
         1, {5}, sameTotals},
        {"the clock set back", Record(With(kClean, 1, {"2026-12-09T07:59:00+08:00,9,8.000,0.000,,,,skipped,"})),
         FindingKind::TimeBackwards, 1, {3}, nullptr},
    };
    for (const Unclean& c : cases) {
        SCOPED_TRACE(c.what);
        const JobSummary s = Sum(c.text);
        const Finding* f = Find(s, c.kind);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->count, c.count);
        EXPECT_EQ(f->examples, c.examples);
        EXPECT_TRUE(IsProblem(c.kind));
        for (int64_t e : c.examples)
            EXPECT_NE(FindingText(*f, s).find(std::to_string(e)), std::string::npos) << FindingText(*f, s);
        if (c.alsoCheck) c.alsoCheck(s);
    }
}

TEST(ReportFigures, EveryRunOfAJobIsListedAndAnyOneSummedUp) {
    std::vector<std::string> twice = kClean;
    twice.push_back("2026-12-09T10:00:00+08:00,0,,,,,,reset,");  // a reset with nothing before it is no run
    twice.push_back("2026-12-09T10:00:10+08:00,1,0.000,0.000,3.0,0.000,-1.000,drilled,");
    twice.push_back("2026-12-09T10:00:11+08:00,2,1.000,0.000,,,,paused,button");
    const JobSummary last = Sum(Record(twice));
    ASSERT_EQ(last.runs.size(), 2u);
    EXPECT_EQ(last.run, 2u);
    EXPECT_EQ(last.holesDrilled, 1);
    EXPECT_EQ(last.runs[1].endedBy, "");  // the record stops there
    const Finding* f = Find(last, FindingKind::SeveralRuns);
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(IsProblem(f->kind));  // a job run on two plates is clean
    EXPECT_EQ(Sum(Record(twice), 1).holesDrilled, 4);
    EXPECT_EQ(Sum(Record(twice), 3).run, 0u);
}

TEST(ReportPage, CarriesItsLibraryAndFiguresAndNothingEndsItsScriptsEarly) {
    std::vector<std::string> lines = kClean;
    lines[0] = "2026-12-09T08:00:10+08:00,1,0.000,0.000,3.0,0.000,-1.000,drilled,";
    const JobSummary s = Summarize(ReadRecord(Record(lines)), "</script><b>job & co", 0);
    const std::string html = MakeReportHtml(s);
    // The charting library is inside, with its licence header.
    EXPECT_NE(html.find("Licensed to the Apache Software Foundation"), std::string::npos);
    EXPECT_GT(html.size(), 500000u);
    EXPECT_NE(html.find("&lt;/script&gt;&lt;b&gt;job &amp; co"), std::string::npos);
    // The only script ends are the page's own three.
    size_t ends = 0;
    for (size_t at = 0; (at = html.find("</script>", at)) != std::string::npos; ++at) ++ends;
    EXPECT_EQ(ends, 3u);
    const std::string data = PageData(s);
    EXPECT_NE(data.find("\"hole\":[1,2,4,5]"), std::string::npos) << data;
    EXPECT_NE(data.find("\"s\":[3,4,5,2]"), std::string::npos) << data;
    EXPECT_EQ(ReportPathFor("/a.b/records/plate00.csv"), "/a.b/records/plate00.html");
    EXPECT_EQ(ReportPathFor("/a.b/records/plate00"), "/a.b/records/plate00.html");
}

}  // namespace
}  // namespace ks::report
