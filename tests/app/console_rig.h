#pragma once
// A console on a test bench: CConsoleDlg in the fake window, the simulated
// controller behind an in-process serial driver, virtual time, and a
// settings folder of its own.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "app/console_dlg.h"
#include "platform/clock.h"
#include "res/ids.h"
#include "sim/controller.h"
#include "sim/in_process_driver.h"
#include "ui/testing/fake_view.h"

namespace ks::app::testing {

namespace fs = std::filesystem;
namespace ids = ks::res::console;

// One frame the console wrote, with the virtual time of the write.
struct SentFrame {
    uint64_t atMs = 0;
    std::vector<uint8_t> bytes;
    bool dropped = false;
    // Function 16: first register written, and the data words.
    uint16_t Start() const { return static_cast<uint16_t>(bytes[2] << 8 | bytes[3]); }
    bool IsWrite() const { return bytes.size() > 1 && bytes[1] == 16; }
    uint16_t Word(int i) const { return static_cast<uint16_t>(bytes[7 + 2 * i] << 8 | bytes[8 + 2 * i]); }
};

// Passes everything to the simulator's driver and records the frames
// written; a frame the filter picks is swallowed on the line (the
// controller never sees it and never answers).
class RecordingDriver final : public SerialDriver {
public:
    RecordingDriver(sim::InProcessDriver& inner, VirtualClock& clock) : m_inner(inner), m_clock(clock) {}
    std::vector<SentFrame> frames;
    std::function<bool(const SentFrame&)> drop;
    std::vector<std::string> opened;  // device paths, in order

    SerialHandle Open(const std::string& p) override {
        opened.push_back(p);
        return m_inner.Open(p);
    }
    bool SetLineSettings(SerialHandle h, const LineSettings& l) override { return m_inner.SetLineSettings(h, l); }
    void SetQueueSizes(SerialHandle h, uint32_t i, uint32_t o) override { m_inner.SetQueueSizes(h, i, o); }
    bool SetTimeouts(SerialHandle h, const CommTimeouts& t) override { return m_inner.SetTimeouts(h, t); }
    bool Purge(SerialHandle h) override { return m_inner.Purge(h); }
    bool Read(SerialHandle h, uint8_t* b, uint32_t n, uint32_t* got) override { return m_inner.Read(h, b, n, got); }
    bool Write(SerialHandle h, const uint8_t* b, uint32_t n, uint32_t* put) override {
        SentFrame f{m_clock.NowMs(), std::vector<uint8_t>(b, b + n), false};
        f.dropped = drop && drop(f);
        frames.push_back(f);
        if (f.dropped) {
            *put = n;
            return true;
        }
        return m_inner.Write(h, b, n, put);
    }
    void Close(SerialHandle h) override { m_inner.Close(h); }
    int LastError() const override { return m_inner.LastError(); }

    // Writes to `reg`, in order.
    std::vector<SentFrame> WritesTo(uint16_t reg) const {
        std::vector<SentFrame> out;
        for (const auto& f : frames)
            if (f.IsWrite() && f.Start() == reg) out.push_back(f);
        return out;
    }
    // Command codes written to register 41 (each attempt), in order.
    std::vector<int> Commands() const {
        std::vector<int> out;
        for (const auto& f : WritesTo(41)) out.push_back(f.Word(0));
        return out;
    }

private:
    sim::InProcessDriver& m_inner;
    VirtualClock& m_clock;
};

inline sim::Config FastMachine() {
    sim::Config c;
    c.drillTimeMs = 300;
    return c;
}

class ConsoleRig {
public:
    explicit ConsoleRig(sim::Config config = FastMachine(), const std::string& folderRoot = "")
        : clock(1000),
          machine(config, clock.NowMs()),
          simDriver(machine, clock),
          driver(simDriver, clock) {
        fs::path root = folderRoot.empty() ? fs::temp_directory_path() : fs::path(folderRoot);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = root / ("ks_app_" + std::to_string(::getpid()) + "_" + info->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    ~ConsoleRig() {
        view.Close();
        dlg.reset();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    std::string IniPath() const { return (folder / "KSConfig.ini").string(); }
    void WriteIni(const std::string& bytes) const { std::ofstream(IniPath(), std::ios::binary) << bytes; }
    std::string ReadIni() const {
        std::ifstream in(IniPath(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Settings file naming `jobPath`, with hole `hole` reached.
    void WriteSettings(const std::string& jobPath, int hole, int lock = 0) const {
        WriteIni("[FileParam Info]\r\nDirNCPath=" + jobPath + "\r\nCom=1\r\nSpeed=1\r\nLockMotor=" +
                 std::to_string(lock) + "\r\nHole=" + std::to_string(hole) + "\r\nViewType=1\r\nViewScale=160\r\n");
    }
    // An NC job of holes at the given (x, y) micrometres, radius 0.5 mm.
    std::string WriteJob(const std::vector<std::pair<int32_t, int32_t>>& holes, const std::string& name = "job.NC") const {
        std::string text = "Kestrane NC\r\nSTART\r\n";
        for (size_t i = 0; i < holes.size(); ++i) {
            text += "N" + std::to_string(i + 1) + " X" + std::to_string(holes[i].first) + " Y" +
                    std::to_string(holes[i].second) + " R500\r\n";
        }
        text += "STOP\r\n";
        std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // Creates the window, runs its start-up and its first paint.
    void Start(bool paint = true) { Open(driver, paint); }
    // The same over another line.
    void Open(SerialDriver& line, bool paint = true) {
        dlg = std::make_unique<CConsoleDlg>(line, clock, positioning, machining, folder.string());
        started = view.Open(*dlg);
        if (paint) dlg->OnPaint();
    }
    // The console closes its port as it goes, so a line made after the rig
    // must outlive the console: keep the returned guard after the line.
    struct [[nodiscard]] ClosesFirst {
        ConsoleRig& rig;
        ~ClosesFirst() {
            rig.view.Close();
            rig.dlg.reset();
        }
    };
    ClosesFirst OpenOnLocalLine(SerialDriver& line) {
        Open(line);
        return ClosesFirst{*this};
    }
    // One timer period of virtual time, then the tick.
    void Tick() {
        clock.Advance(view.TimerPeriod(ids::TIMER_STATUS).value_or(60));
        view.FireTimer(ids::TIMER_STATUS);
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) Tick();
    }
    // Ticks until pred holds; false after maxTicks.
    bool TickUntil(const std::function<bool()>& pred, int maxTicks = 10000) {
        for (int i = 0; i < maxTicks; ++i) {
            if (pred()) return true;
            Tick();
        }
        return pred();
    }
    // Where the drillings that ended with the finished bit were made.
    std::vector<std::pair<int32_t, int32_t>> FinishedAt() const {
        std::vector<std::pair<int32_t, int32_t>> out;
        for (const auto& d : machine.FinishedDrills()) out.emplace_back(d.x, d.y);
        return out;
    }
    bool JobEnded() const {
        return dlg->m_nState == RunState::Idle && dlg->m_nNextStep == NextStep::None && dlg->m_nCurHole == 0 && dlg->m_bPauseReq == 0;
    }
    // Sets a simulated axis position with the controller's own preset.
    void SetMachinePosition(int axisCommand, int32_t value) {
        uint16_t words[2] = {static_cast<uint16_t>(static_cast<uint32_t>(value) & 0xFFFF),
                             static_cast<uint16_t>(static_cast<uint32_t>(value) >> 16)};
        machine.WriteRegisters(60, words, 2);
        machine.Command(axisCommand);
    }

    // The operator opens the positioning panel, types x and y (micrometres,
    // typed as millimetres) and presses the X and Y set buttons. The panel
    // takes millimetres times 1000 truncated toward zero, and in binary
    // 0.7 x 1000 may come out just below 700: typed half a micrometre
    // further out, the micrometre stays.
    void SetXYInPositioningPanel(int32_t x, int32_t y) {
        namespace pos = res::positioning;
        auto typed = [](int32_t um) {
            char text[32];
            std::snprintf(text, sizeof text, "%.4f", (um + (um < 0 ? -0.5 : 0.5)) / 1000.0);
            return std::string(text);
        };
        view.QueueModal([this, x, y, typed](ui::testing::FakeView& panel, ui::Dialog&) {
            panel.Type(pos::IDC_X_VALUE, typed(x));
            panel.Click(pos::IDC_X_SET);
            panel.Type(pos::IDC_Y_VALUE, typed(y));
            panel.Click(pos::IDC_Y_SET);
            Tick();  // the main window's tick sends them
            panel.Click(res::IDOK);
        });
        view.Click(ids::IDC_POSITIONING);
    }

    VirtualClock clock;
    sim::Controller machine;
    sim::InProcessDriver simDriver;
    RecordingDriver driver;
    panels::CPositioningDlg positioning;
    panels::CMachiningParamDlg machining;
    ui::testing::FakeView view;
    std::unique_ptr<CConsoleDlg> dlg;
    fs::path folder;
    bool started = false;
};

}  // namespace ks::app::testing
