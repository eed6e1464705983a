// A job run by the console against the simulated controller, whose drilling
// times spread per hole from a seed and whose Z sinks as it drills, leaves
// a record whose summary agrees with the controller's own account and with
// the figures Python's csv and statistics modules work out from the same
// file. And the console's menu entry writes that report beside the record
// and hands it to the desktop's opener.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <thread>

#include "report/job_summary.h"
#include "report/report_format.h"
#include "tests/app/console_rig.h"

namespace ks::app::testing {
namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// record_figures.py's "name value" lines.
std::map<std::string, double> PythonFigures(const fs::path& record) {
    std::map<std::string, double> out;
    const std::string cmd = "/usr/bin/python3 " KS_RECORD_FIGURES " '" + record.string() + "'";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (p == nullptr) return out;
    char name[64];
    double value;
    while (std::fscanf(p, "%63s %lf", name, &value) == 2) out[name] = value;
    ::pclose(p);
    return out;
}

// A job of 30 holes; the operator pauses before hole 10, jumps past it and
// starts again half a minute later.
struct PausedJob {
    explicit PausedJob(sim::Config config) : rig(config) {
        std::vector<std::pair<int32_t, int32_t>> holes;
        for (int i = 0; i < 30; ++i) holes.emplace_back(1000 * (i % 6), 1000 * (i / 6));
        rig.WriteSettings(rig.WriteJob(holes, "plate00.NC"), 0);
        rig.Start();
        rig.view.Click(ids::IDC_START);
        EXPECT_TRUE(rig.TickUntil([&] { return rig.dlg->m_nCurHole == 10 && rig.dlg->m_nState == RunState::Positioning; }));
        rig.view.Click(ids::IDC_PAUSE);
        rig.Ticks(500);
        rig.view.Click(ids::IDC_NEXT_HOLE);
        rig.Ticks(20);
        rig.view.Click(ids::IDC_START);
        EXPECT_TRUE(rig.TickUntil([&] { return rig.JobEnded(); }, 50000));
        record = rig.folder / "records" / "plate00.csv";
    }
    ConsoleRig rig;
    fs::path record;
};

sim::Config SpreadMachine() {
    sim::Config c = FastMachine();
    c.drillTimeMs = 2000;
    c.drillSpreadMs = 1500;
    c.drillSeed = 29;
    c.zFeedUmPerS = 300;
    return c;
}

TEST(SimulatedJobReport, FiguresAgreeWithTheControllerAndWithPython) {
    PausedJob job(SpreadMachine());
    const report::RecordRead read = report::ReadRecord(ReadAll(job.record));
    const report::JobSummary s = report::Summarize(read, "plate00");
    EXPECT_TRUE(s.findings.empty());  // the console's lines read back whole

    // The controller's account: every hole it finished, how long it drilled
    // and how far Z sank.
    const std::vector<sim::DrillRecord> drills = job.rig.machine.FinishedDrills();
    ASSERT_EQ(drills.size(), 29u);
    EXPECT_EQ(s.holesDrilled, 29);
    EXPECT_EQ(s.holesSkipped, 1);
    ASSERT_EQ(s.holes.size(), drills.size());
    int64_t sunkUm = 0;
    std::set<double> seconds;
    for (size_t i = 0; i < drills.size(); ++i) {
        const double truth = double(drills[i].endMs - drills[i].startMs) / 1000.0;
        sunkUm += int64_t(SpreadMachine().zFeedUmPerS) * int64_t(drills[i].endMs - drills[i].startMs) / 1000;
        // From the command to the tick that saw the hole finished, in tenths.
        ASSERT_TRUE(s.holes[i].drillSeconds);
        EXPECT_GE(*s.holes[i].drillSeconds, truth - 0.05) << i;
        EXPECT_LE(*s.holes[i].drillSeconds, truth + 0.3) << i;
        seconds.insert(*s.holes[i].drillSeconds);
    }
    EXPECT_GE(seconds.size(), 15u);  // the spread shows
    EXPECT_NEAR(s.electrodeMm * 1000.0, double(sunkUm), 0.5);

    // Python's reading of the same file.
    const std::map<std::string, double> py = PythonFigures(job.record);
    ASSERT_FALSE(py.empty());
    const std::pair<const char*, double> figures[] = {
        {"drilled", s.holesDrilled},       {"skipped", s.holesSkipped},
        {"total_s", s.totalSeconds},       {"drilling_s", s.drillingSeconds},
        {"paused_s", s.pausedSeconds},     {"median_s", *s.medianSeconds},
        {"p95_s", *s.p95Seconds},          {"max_s", *s.maxSeconds},
        {"holes_per_hour", *s.holesPerHour}, {"electrode_mm", s.electrodeMm},
        {"timeline_spans", double(s.timeline.size())},
    };
    for (const auto& [name, value] : figures) {
        ASSERT_TRUE(py.count(name)) << name;
        EXPECT_NEAR(value, py.at(name), 1e-6) << name;
    }
    EXPECT_GE(s.pausedSeconds, 25);  // the half minute the operator stood
}

// A folder of its own put first on PATH for the life of the test.
class OpenerOnPath {
public:
    OpenerOnPath(const fs::path& dir, bool withOpener) : m_saved(std::getenv("PATH") ? std::getenv("PATH") : "") {
        fs::create_directories(dir);
        if (withOpener) {
            const std::string opened = (dir / "opened").string();
            std::ofstream(dir / "xdg-open") << "#!/bin/sh\nprintf '%s' \"$1\" > '" << opened << ".tmp' && /bin/mv '"
                                            << opened << ".tmp' '" << opened << "'\n";
            fs::permissions(dir / "xdg-open", fs::perms::owner_all);
        }
        ::setenv("PATH", dir.c_str(), 1);
    }
    ~OpenerOnPath() { ::setenv("PATH", m_saved.c_str(), 1); }

private:
    std::string m_saved;
};

TEST(SimulatedJobReport, TheMenuEntryWritesTheReportBesideTheRecordAndOpensIt) {
    PausedJob job(FastMachine());
    const fs::path page = job.rig.folder / "records" / "plate00.html";
    {
        OpenerOnPath path(job.rig.folder / "bin", true);
        job.rig.dlg->OnCommand(res::IDM_JOBREPORT);
        const fs::path opened = job.rig.folder / "bin" / "opened";
        for (int i = 0; i < 1000 && !fs::exists(opened); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(ReadAll(opened), page.string());
    }
    EXPECT_TRUE(job.rig.view.Messages().empty());
    const std::string html = ReadAll(page);
    EXPECT_NE(html.find("plot-timeline"), std::string::npos);
    EXPECT_NE(html.find("plate00"), std::string::npos);

    // No opener on this desktop: the report is written all the same and the
    // operator is told where.
    fs::remove(page);
    {
        OpenerOnPath path(job.rig.folder / "empty", false);
        job.rig.dlg->OnCommand(res::IDM_JOBREPORT);
    }
    EXPECT_TRUE(fs::exists(page));
    ASSERT_EQ(job.rig.view.Messages().size(), 1u);
    EXPECT_NE(job.rig.view.Messages()[0].find("无法打开浏览器"), std::string::npos);
    EXPECT_NE(job.rig.view.Messages()[0].find(page.string()), std::string::npos);

    // A report that cannot be written, and a job that has no record yet.
    fs::remove(page);
    fs::create_directories(page / "in the way");
    job.rig.dlg->OnCommand(res::IDM_JOBREPORT);
    fs::remove_all(page);
    fs::remove(job.record);
    job.rig.dlg->OnCommand(res::IDM_JOBREPORT);
    ASSERT_EQ(job.rig.view.Messages().size(), 3u);
    EXPECT_NE(job.rig.view.Messages()[1].find("加工报告无法写入"), std::string::npos);
    EXPECT_NE(job.rig.view.Messages()[2].find("还没有加工记录"), std::string::npos);
}

// Each reason the console writes for a pause is one the report names in
// words and the shop's schemas and dashboard know.
TEST(PauseReasons, EveryOneTheConsoleRecordsIsKnownToTheReportAndTheShop) {
    const std::string schemas[] = {ReadAll(KS_PUBLISH_DIR "/state.schema.json"),
                                   ReadAll(KS_PUBLISH_DIR "/record.schema.json")};
    const std::string dashboard = ReadAll(KS_SHOP_DIR "/dashboard.js");
    for (int c = 0; c <= static_cast<int>(PauseCause::PlaceChanged); ++c) {
        RecordLine line;
        line.event = RecordEvent::Paused;
        line.cause = static_cast<PauseCause>(c);
        std::string written = JobRecord::FormatLine("t", line);
        written.erase(written.size() - 2);  // CR LF
        const std::string word = written.substr(written.rfind(',') + 1);
        ASSERT_FALSE(word.empty()) << c;
        EXPECT_NE(report::ReasonText(word), word);
        for (const std::string& schema : schemas) EXPECT_NE(schema.find('"' + word + '"'), std::string::npos) << word;
        // Named in both of its languages, as "word": or, plain, word:.
        int named = 0;
        for (const std::string& key : {'"' + word + "\":", ' ' + word + ':'})
            for (size_t at = dashboard.find(key); at != std::string::npos; at = dashboard.find(key, at + 1)) ++named;
        EXPECT_EQ(named, 2) << word;
    }
}

}  // namespace
}  // namespace ks::app::testing
