#pragma once
// What the soaks check, independent of how they reach the controller:
//
//  - every drilling happens at a job hole's place, and at the place of the
//    hole the console has as current when it gets control back;
//  - a hole is drilled twice only with an operator's resume (start after a
//    pause) or a program restart in between. Those events open a new
//    "stretch"; within one stretch the console must never drill a hole again;
//  - by the end every hole has been drilled through at least once;
//  - the settings file is, after every tick, a whole file: the section
//    header, CR LF lines, all eleven keys of the console exactly once with
//    sane values, and Hole equal to the last hole the console saw finished.
//
// Violations are collected as texts, not asserted one by one, so a soak
// reports all it found with its figures.
//
// Also what the soaks in virtual time share: the seed, the scratch folder
// and the console as a program that a power cut ends.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/console_dlg.h"
#include "platform/clock.h"
#include "platform/textnum.h"
#include "res/ids.h"
#include "ui/testing/fake_view.h"

namespace ks::soak {

// A fixed seed per soak, so a run repeats exactly; KS_SOAK_SEED explores
// others by hand.
inline uint32_t SoakSeed(uint32_t fixed) {
    const char* text = std::getenv("KS_SOAK_SEED");
    return text ? static_cast<uint32_t>(std::strtoul(text, nullptr, 10)) : fixed;
}

// A fresh folder for the settings and the job, in memory where there is
// /dev/shm: the soaks check the settings file after nearly every tick.
inline std::filesystem::path SoakFolder(const std::string& name) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path root = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    fs::path folder = root / ("ks_soak_" + std::to_string(::getpid()) + "_" + name);
    fs::remove_all(folder, ec);
    fs::create_directories(folder);
    return folder;
}

// The console as a program on the virtual clock: panels, window and
// console. A power cut simply destroys them; Boot builds them anew over the
// same line, clock and settings folder, as a program start does.
class VirtualProgram {
public:
    VirtualProgram(SerialDriver& line, VirtualClock& clock, std::filesystem::path folder)
        : m_line(line), m_clock(clock), m_folder(std::move(folder)) {}
    ~VirtualProgram() { Shutdown(); }
    VirtualProgram(const VirtualProgram&) = delete;
    VirtualProgram& operator=(const VirtualProgram&) = delete;

    void Boot() {
        positioning = std::make_unique<panels::CPositioningDlg>();
        machining = std::make_unique<panels::CMachiningParamDlg>();
        view = std::make_unique<ui::testing::FakeView>();
        dlg = std::make_unique<app::CConsoleDlg>(m_line, m_clock, *positioning, *machining, m_folder.string());
        view->Open(*dlg);
        dlg->OnPaint();
    }
    // What a power cut does to the program: it is simply gone.
    void Shutdown() {
        if (view) view->Close();
        dlg.reset();
        view.reset();
        machining.reset();
        positioning.reset();
    }
    // One status tick, the clock moved on by the timer's period first.
    void Tick() {
        m_clock.Advance(view->TimerPeriod(res::console::TIMER_STATUS).value_or(60));
        view->FireTimer(res::console::TIMER_STATUS);
    }

    std::unique_ptr<panels::CPositioningDlg> positioning;
    std::unique_ptr<panels::CMachiningParamDlg> machining;
    std::unique_ptr<ui::testing::FakeView> view;
    std::unique_ptr<app::CConsoleDlg> dlg;

private:
    SerialDriver& m_line;
    VirtualClock& m_clock;
    std::filesystem::path m_folder;
};

struct Place {
    int32_t x = 0;
    int32_t y = 0;
    bool operator<(const Place& o) const { return x != o.x ? x < o.x : y < o.y; }
};

// A plate of `count` holes, `columns` to a row, 1.5 mm apart: rows run
// alternately left and right (so a move repeated by mistake lands exactly on
// a neighbour), every fourth row shifted by 0.25 mm.
inline std::vector<Place> Plate(int count, int columns) {
    std::vector<Place> holes;
    for (int i = 0; i < count; ++i) {
        const int row = i / columns;
        const int col = (row % 2 == 0) ? i % columns : columns - 1 - i % columns;
        holes.push_back({col * 1500 - 18000 + (row % 4 == 3 ? 250 : 0), row * 1500 + 400});
    }
    return holes;
}

// The job file as the NC loader reads it.
inline std::string WriteNcJob(const std::filesystem::path& path, const std::vector<Place>& holes) {
    std::string text = "Kestrane NC\r\nSTART\r\n";
    for (size_t i = 0; i < holes.size(); ++i) {
        text += "N" + std::to_string(i + 1) + " X" + std::to_string(holes[i].x) + " Y" +
                std::to_string(holes[i].y) + " R500\r\n";
    }
    text += "STOP\r\n";
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A settings file with every key the console's load would create.
inline std::string SettingsText(const std::string& jobPath, int hole) {
    return "[FileParam Info]\r\nOpenDXFPath=0\r\nDiameterMin=0\r\nDiameterMax=0\r\nSaveNCPath=0\r\n"
           "DirNCPath=" + jobPath + "\r\nCom=1\r\nSpeed=1\r\nLockMotor=0\r\nHole=" + std::to_string(hole) +
           "\r\nViewType=1\r\nViewScale=160\r\n";
}

struct Report {
    std::string name;
    int holes = 0;
    int ticks = 0;
    std::map<std::string, uint64_t> faults;  // injected, by kind
    std::string simCounts;                   // the simulator's own fault counters
    int restarts = 0;        // program restarts (power cuts and link losses)
    int powerCuts = 0;
    int tempLeftovers = 0;   // power cuts that left a stray temporary settings file
    int resumes = 0;         // operator presses of start after a pause
    int operatorPauses = 0;
    int selfPauses = 0;      // the console paused the run itself (failed or strayed move)
    int drills = 0;
    int redrills = 0;        // drillings of a hole that had been drilled before
    int settingsChecks = 0;
    double realSeconds = 0;
    double machineSeconds = 0;
    std::vector<std::string> violations;

    void Violation(const std::string& text) {
        if (violations.size() < 1000) violations.push_back(text);
    }
    void Print() const {
        std::printf("[soak] %s: %d holes, %d drillings (%d again after a resume or restart), %d ticks\n",
                    name.c_str(), holes, drills, redrills, ticks);
        std::string f;
        uint64_t total = 0;
        for (const auto& [kind, n] : faults) {
            f += " " + kind + "=" + std::to_string(n);
            total += n;
        }
        std::printf("[soak] %s: faults injected %llu:%s\n", name.c_str(), static_cast<unsigned long long>(total),
                    f.c_str());
        if (!simCounts.empty()) std::printf("[soak] %s: simulator counted:%s\n", name.c_str(), simCounts.c_str());
        std::printf("[soak] %s: restarts %d (power cuts %d, stray temp files %d), pauses by the operator %d, "
                    "by the console %d, resumes %d, settings checks %d\n",
                    name.c_str(), restarts, powerCuts, tempLeftovers, operatorPauses, selfPauses, resumes,
                    settingsChecks);
        std::printf("[soak] %s: machine time %.1f s, real time %.2f s, invariant violations %zu\n",
                    name.c_str(), machineSeconds, realSeconds, violations.size());
        for (size_t i = 0; i < violations.size() && i < 20; ++i)
            std::printf("[soak] %s: violation: %s\n", name.c_str(), violations[i].c_str());
        std::fflush(stdout);
    }
};

// Drillings against the job: place, current hole, once per stretch.
class DrillLedger {
public:
    explicit DrillLedger(const std::vector<Place>& holes) {
        for (size_t i = 0; i < holes.size(); ++i) m_byPlace.emplace(holes[i], static_cast<int>(i) + 1);
        m_count = static_cast<int>(holes.size());
    }

    int HoleAt(Place p) const {
        auto it = m_byPlace.find(p);
        return it == m_byPlace.end() ? 0 : it->second;
    }
    // The operator resumed, or the program was restarted.
    void NewStretch() { ++m_stretch; }

    // A drilling the controller took at p while the console had `current`
    // as its current hole.
    void Drilled(Place p, int current, Report& r) {
        ++r.drills;
        const int hole = HoleAt(p);
        if (hole == 0) {
            r.Violation("drilled at (" + std::to_string(p.x) + ", " + std::to_string(p.y) +
                        "), no hole's place; current hole " + std::to_string(current));
            return;
        }
        if (hole != current)
            r.Violation("hole " + std::to_string(hole) + " drilled while hole " + std::to_string(current) +
                        " was current");
        auto last = m_lastStretch.find(hole);
        if (last != m_lastStretch.end()) {
            if (last->second == m_stretch)
                r.Violation("hole " + std::to_string(hole) + " drilled twice with no resume or restart between");
            else
                ++r.redrills;
        }
        m_lastStretch[hole] = m_stretch;
    }
    // A drilling that ran to its end at p.
    void Finished(Place p) {
        if (int hole = HoleAt(p)) m_finished.insert(hole);
    }
    bool WasFinished(int hole) const { return m_finished.count(hole) != 0; }

    void CheckAllFinished(Report& r) const {
        int missing = 0;
        std::string first;
        for (int h = 1; h <= m_count; ++h) {
            if (m_finished.count(h)) continue;
            if (missing++ == 0) first = std::to_string(h);
        }
        if (missing)
            r.Violation(std::to_string(missing) + " holes never drilled through, the first " + first);
    }

private:
    std::map<Place, int> m_byPlace;
    std::map<int, int> m_lastStretch;
    std::set<int> m_finished;
    int m_stretch = 0;
    int m_count = 0;
};

// Reads the settings file as bytes and checks its whole shape; returns the
// value of Hole, or nothing (with a violation) when the file is not whole.
inline std::optional<int> CheckSettingsFile(const std::filesystem::path& path, const std::string& jobPath,
                                            Report& r) {
    ++r.settingsChecks;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        r.Violation("settings file missing");
        return std::nullopt;
    }
    const std::string bytes = ReadBytes(path);
    static const std::string kHeader = "[FileParam Info]\r\n";
    if (bytes.compare(0, kHeader.size(), kHeader) != 0) {
        r.Violation("settings file does not start with its section: " + bytes.substr(0, 40));
        return std::nullopt;
    }
    if (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0) {
        r.Violation("settings file ends inside a line");
        return std::nullopt;
    }
    static const std::set<std::string> kNumeric = {"Com", "Speed", "LockMotor", "Hole", "ViewType", "ViewScale"};
    static const std::set<std::string> kKeys = {"OpenDXFPath", "DiameterMin", "DiameterMax", "SaveNCPath",
                                                "DirNCPath",   "Com",         "Speed",       "LockMotor",
                                                "Hole",        "ViewType",    "ViewScale"};
    std::map<std::string, std::string> values;
    size_t pos = kHeader.size();
    while (pos < bytes.size()) {
        const size_t end = bytes.find("\r\n", pos);
        const std::string line = bytes.substr(pos, end - pos);
        pos = end + 2;
        const size_t eq = line.find('=');
        if (eq == std::string::npos || line.find_first_of("\r\n") != std::string::npos) {
            r.Violation("settings file has a broken line: " + line);
            return std::nullopt;
        }
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (!kKeys.count(key) || !values.emplace(key, value).second) {
            r.Violation("settings file has a stray or repeated key: " + key);
            return std::nullopt;
        }
        if (kNumeric.count(key)) {
            const bool digits = !value.empty() && value.find_first_not_of("0123456789") == std::string::npos;
            if (!digits) {
                r.Violation("settings key " + key + " holds " + value);
                return std::nullopt;
            }
        }
    }
    if (values.size() != kKeys.size()) {
        r.Violation("settings file has " + std::to_string(values.size()) + " of its 11 keys");
        return std::nullopt;
    }
    if (values["DirNCPath"] != jobPath) {
        r.Violation("settings job path changed to " + values["DirNCPath"]);
        return std::nullopt;
    }
    return AtoiRule(values["Hole"]);
}

// Hole as saved must be the last hole the console saw finished: it moves
// by one, only when that hole was drilled through, and never back.
class PlaceKeeper {
public:
    PlaceKeeper(int count, int saved) : m_count(count), m_saved(saved) {}
    int Saved() const { return m_saved; }

    // `fileHole`: Hole as read now; `lastSeenFinished`: the hole the console
    // marked done most recently (m_nCurHole of the finishing tick).
    void Check(std::optional<int> fileHole, int lastSeenFinished, const DrillLedger& ledger, Report& r) {
        if (!fileHole) return;  // already a violation
        if (*fileHole != lastSeenFinished)
            r.Violation("Hole is " + std::to_string(*fileHole) + " but the last finished hole is " +
                        std::to_string(lastSeenFinished));
        if (*fileHole == m_saved) return;
        if (*fileHole != m_saved + 1)
            r.Violation("Hole went from " + std::to_string(m_saved) + " to " + std::to_string(*fileHole));
        if (*fileHole < 1 || *fileHole > m_count || !ledger.WasFinished(*fileHole))
            r.Violation("Hole " + std::to_string(*fileHole) + " saved before the machine drilled it through");
        m_saved = *fileHole;
    }

private:
    int m_count;
    int m_saved;
};

// The program comes up and the operator presses start: the run must come
// back at the hole saved and go on with the one after it. `look` takes in
// what the controller did meanwhile.
template <class Look>
void BootAndStart(VirtualProgram& program, PlaceKeeper& keeper, DrillLedger& ledger, Report& report, int holes,
                  Look&& look) {
    program.Boot();
    if (program.dlg->m_nCurHole != keeper.Saved())
        report.Violation("restart came back at hole " + std::to_string(program.dlg->m_nCurHole) + ", saved " +
                         std::to_string(keeper.Saved()));
    look();
    ledger.NewStretch();
    program.view->Click(ks::res::console::IDC_START);
    if (keeper.Saved() < holes && program.dlg->m_nCurHole != keeper.Saved() + 1)
        report.Violation("start after a restart went to hole " + std::to_string(program.dlg->m_nCurHole) +
                         " with hole " + std::to_string(keeper.Saved()) + " saved");
    look();
}

}  // namespace ks::soak
