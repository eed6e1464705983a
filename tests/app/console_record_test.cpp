// The job record: a whole job with a pause, a skip, a lost link and a
// restart leaves one CSV line per event whose drilled holes match the
// controller's own drill log hole for hole; a line cut by a power cut
// leaves the earlier lines whole and the next one on a line of its own.
#include "console_rig.h"

#include <cstdio>
#include <sstream>

#include "app/job_record.h"

namespace ks::app::testing {
namespace {

using Holes = std::vector<std::pair<int32_t, int32_t>>;

std::vector<std::vector<std::string>> Rows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> fields;
        std::istringstream cells(line);
        std::string cell;
        while (std::getline(cells, cell, ',')) fields.push_back(cell);
        if (!line.empty() && line.back() == ',') fields.emplace_back();
        rows.push_back(fields);
    }
    return rows;
}

std::string Mm(int32_t um) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", um * 0.001);
    return buf;
}

// Python's csv module reads the file: every row but a cut one has the
// header's nine fields. Prints the rows it counted.
int PythonRowsOfNine(const std::string& path) {
    const std::string cmd = "/usr/bin/python3 -c \"import csv,sys; r=list(csv.reader(open(sys.argv[1], newline=''))); "
                            "print(sum(1 for x in r if len(x)==9))\" '" + path + "'";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (p == nullptr) return -1;
    int n = -1;
    if (std::fscanf(p, "%d", &n) != 1) n = -1;
    ::pclose(p);
    return n;
}

TEST(ConsoleRecordTest, WholeJobWithPauseSkipLostLinkAndRestart) {
    ConsoleRig rig;
    Holes holes;
    for (int i = 0; i < 8; ++i) holes.emplace_back(i * 2000, -500 * i);
    rig.WriteSettings(rig.WriteJob(holes, "plate00.NC"), 0);
    rig.Start();
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_nCurHole == 3 && rig.dlg->m_nState == RunState::Positioning; }));
    rig.view.Click(ids::IDC_PAUSE);  // on the way to hole 3
    rig.Ticks(5);
    rig.view.Click(ids::IDC_NEXT_HOLE);  // the operator jumps past hole 3
    rig.Ticks(20);
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_nCurHole == 5 && rig.dlg->m_nState == RunState::Machining; }));
    rig.simDriver.Vanish();  // the cabinet goes away while hole 5 drills
    rig.simDriver.SetPresent(false);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_bPauseReq == 1; }, 100));
    rig.Ticks(40);
    rig.simDriver.SetPresent(true);
    ASSERT_TRUE(rig.TickUntil([&] { return !rig.dlg->Link().Down(); }, 100));
    // The program is restarted before the operator goes on.
    rig.view.Close();
    rig.dlg.reset();
    rig.Start();
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.JobEnded(); }));

    const std::string path = (rig.folder / "records" / "plate00.csv").string();
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_EQ(text.rfind(JobRecord::kHeader, 0), 0u);
    const auto rows = Rows(text);
    std::vector<std::string> events;
    Holes drilled;
    for (size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 9u) << i;
        const auto& r = rows[i];
        EXPECT_EQ(r[0].size(), 25u) << r[0];  // 2026-12-09T14:05:09+08:00
        events.push_back(r[7] + (r[8].empty() ? "" : "/" + r[8]) + "#" + r[1]);
        if (r[7] != "drilled") continue;
        const int hole = std::stoi(r[1]);
        EXPECT_EQ(r[2], Mm(holes[size_t(hole) - 1].first));
        EXPECT_EQ(r[3], Mm(holes[size_t(hole) - 1].second));
        EXPECT_FALSE(r[6].empty());
        drilled.push_back(holes[size_t(hole) - 1]);
    }
    // Every hole the controller finished, in its order, and nothing else.
    EXPECT_EQ(drilled, rig.FinishedAt());
    const std::vector<std::string> expectedEvents = {
        "drilled#1", "drilled#2", "paused/button#3", "skipped#3", "drilled#4", "paused/lost-link#5"};
    ASSERT_GE(events.size(), expectedEvents.size() + 4);
    EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + 6), expectedEvents);
    EXPECT_EQ(events.back(), "job-end#8");
    EXPECT_EQ(PythonRowsOfNine(path), int(rows.size()));
    // Drill seconds: the controller drills 300 ms; command 1 to the finished
    // bit is at least that and within a few ticks of it.
    for (size_t i = 1; i < rows.size(); ++i) {
        if (rows[i][7] == "drilled" && !rows[i][4].empty()) {
            EXPECT_GE(std::stod(rows[i][4]), 0.3);
            EXPECT_LE(std::stod(rows[i][4]), 1.0);
        }
    }
}

TEST(ConsoleRecordTest, LineCutByAPowerCutLeavesTheOthersWhole) {
    ConsoleRig rig;
    JobRecord record;
    record.SetJob(rig.folder.string(), rig.folder.string() + "/cut.NC");
    RecordLine line;
    line.hole = 1;
    line.xUm = 1500;
    line.yUm = -2500;
    ASSERT_TRUE(record.Write(line, 1765000000));
    {
        std::ofstream cut(record.Path(), std::ios::binary | std::ios::app);
        cut << "2026-12-09T10:00:00+00:00,2,3.0";  // the power went here
    }
    line.hole = 3;
    line.event = RecordEvent::Paused;
    line.cause = PauseCause::ArrivalCheck;
    ASSERT_TRUE(record.Write(line, 1765000001));
    std::ifstream in(record.Path(), std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto rows = Rows(text);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1][1], "1");
    EXPECT_EQ(rows[1][2], "1.500");
    EXPECT_EQ(rows[2].size(), 3u);  // the cut line, alone on its line
    EXPECT_EQ(rows[3][1], "3");
    EXPECT_EQ(rows[3][8], "arrival-check");
    EXPECT_EQ(PythonRowsOfNine(record.Path()), 3);

    // A folder that cannot be written: told, never thrown.
    record.SetJob((rig.folder / "job.NC").string() + "/no/such", "x.NC");
    std::ofstream(rig.folder / "job.NC") << "a file, not a folder";
    EXPECT_FALSE(record.Write(line, 1765000002));
}

// One record per job file: two plate00.NC of different folders and a
// plate00.3B never share one. The plain name stays the first one's, and
// each record names its job in the .job file beside it; a record of the
// plain name from before the .job files is taken over by its job.
TEST(ConsoleRecordTest, JobsOfOneBaseNameKeepRecordsOfTheirOwn) {
    ConsoleRig rig;
    fs::create_directories(rig.folder / "a");
    fs::create_directories(rig.folder / "b");
    const std::string a = (rig.folder / "a" / "plate00.NC").string(), b = (rig.folder / "b" / "plate00.NC").string(),
                      threeB = (rig.folder / "a" / "plate00.3B").string();
    for (const std::string& job : {a, b, threeB}) std::ofstream(job) << "job\n";
    const fs::path records = rig.folder / "records";
    fs::create_directories(records);
    std::ofstream(records / "older.csv", std::ios::binary) << JobRecord::kHeader;  // from before the .job files

    auto slurp = [](const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    };
    auto recordOf = [&](const std::string& job, int hole) {
        JobRecord record;
        record.SetJob(rig.folder.string(), job);
        RecordLine line;
        line.hole = hole;
        EXPECT_TRUE(record.Write(line, 1765000000 + hole));
        return fs::path(record.Path()).filename().string();
    };
    EXPECT_EQ(recordOf(a, 1), "plate00.csv");
    EXPECT_EQ(recordOf(b, 2), "plate00-2.csv");
    EXPECT_EQ(recordOf(threeB, 3), "plate00-3.csv");
    EXPECT_EQ(recordOf(a, 4), "plate00.csv");
    // The same file named another way is the same job.
    EXPECT_EQ(recordOf((rig.folder / "b" / ".." / "a" / "plate00.NC").string(), 5), "plate00.csv");
    const std::string older = (rig.folder / "older.NC").string();
    std::ofstream(older) << "job\n";
    EXPECT_EQ(recordOf(older, 6), "older.csv");

    EXPECT_EQ(slurp(records / "plate00.job"), fs::weakly_canonical(a).string() + "\r\n");
    EXPECT_EQ(slurp(records / "plate00-2.job"), fs::weakly_canonical(b).string() + "\r\n");
    EXPECT_EQ(slurp(records / "plate00-3.job"), fs::weakly_canonical(threeB).string() + "\r\n");
    const auto holesIn = [&](const std::string& name) {
        std::vector<std::string> holes;
        const auto rows = Rows(slurp(records / name));
        for (size_t i = 1; i < rows.size(); ++i) holes.push_back(rows[i][1]);
        return holes;
    };
    EXPECT_EQ(holesIn("plate00.csv"), (std::vector<std::string>{"1", "4", "5"}));
    EXPECT_EQ(holesIn("plate00-2.csv"), (std::vector<std::string>{"2"}));
    EXPECT_EQ(holesIn("older.csv"), (std::vector<std::string>{"6"}));
}

}  // namespace
}  // namespace ks::app::testing
