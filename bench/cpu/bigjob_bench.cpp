// Loading a big job into the console's window, in process and step by step,
// as the console does it on its first paint: the job file into the hole
// table, one hole list row per hole, then the first frame of the hole map.
// Each step is printed in milliseconds beside a baseline of the same run
// (reading the file's bytes; a bare QListWidget given the same rows at once;
// the map's frame of an empty job), best of several rounds.
//
// usage (under an X server): ks_bigjob_bench JOB.NC [--rounds N]
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jobfiles/job_loader.h"
#include "res/ids.h"
#include "ui/dialog.h"
#include "ui/qt/dialog_window.h"
#include "ui/qt/hole_map_widget.h"
#include "view/hole_map.h"

namespace {

namespace con = ks::res::console;

// The main window's template with the list styled as the console styles it
// and the map context made as the console makes it.
class Console : public ks::ui::Dialog {
public:
    Console() : Dialog(ks::res::IDD_CONSOLE) {}
    ks::ui::qt::DialogWindow* window = nullptr;
    bool OnInitDialog() override { return window->MapSurface()->CreateContext(); }
    std::optional<ks::ui::ControlStyle> OnCtlColor(int, ks::ui::CtlColorKind kind) override {
        if (kind != ks::ui::CtlColorKind::ListBox) return std::nullopt;
        return ks::ui::ControlStyle{ks::ui::Rgb{127, 255, 80}, ks::ui::Rgb{83, 104, 130}, true, "黑体", 12};
    }
};

class Quiet : public ks::MessageSink {
public:
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "message: %s\n", text.c_str()); }
};

double Ms(QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

// Until the map has painted once more than `before` (the paint runs from
// the event loop, as in the console).
void WaitPainted(ks::ui::qt::HoleMapWidget& map, int before) {
    while (map.PaintedFrames() <= before) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct Best {
    double v = 1e300;
    void Take(double x) { v = std::min(v, x); }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: ks_bigjob_bench JOB.NC [--rounds N]\n");
        return 2;
    }
    const std::string job = argv[1];
    int rounds = 5;
    if (argc >= 4 && std::strcmp(argv[2], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[3]));

    Console logic;
    ks::ui::qt::DialogWindow window(logic);
    logic.window = &window;
    if (!window.Open() || !window.MapWidget()) {
        std::fprintf(stderr, "no map context\n");
        return 1;
    }
    if (!QTest::qWaitForWindowExposed(&window)) std::fprintf(stderr, "window not exposed\n");
    auto* list = qobject_cast<QListWidget*>(window.Control(con::IDC_HOLE_LIST));
    ks::ui::qt::HoleMapWidget& map = *window.MapWidget();

    Best readBytes, load, rows, fill, laidOut, bareFill, scene, firstFrame, emptyFrame, nextFrame;
    int32_t count = 0;
    Quiet sink;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        std::ifstream in(job, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        readBytes.Take(Ms(t));

        auto holes = std::make_unique<ks::HoleSlots>();
        count = 0;
        t.restart();
        ks::LoadJob(job, *holes, count, sink);
        load.Take(Ms(t));

        std::vector<std::string> text;
        t.restart();
        for (int32_t i = 1; i <= count && i < ks::kHoleSlots; ++i)
            text.push_back(ks::HoleListRow(i, (*holes)[static_cast<size_t>(i)]));
        rows.Take(Ms(t));

        // The console: the list emptied, one call per row, the first row
        // selected; then the event loop lays the list out.
        window.ListReset(con::IDC_HOLE_LIST);
        QApplication::processEvents();
        t.restart();
        for (const std::string& row : text) window.ListAddString(con::IDC_HOLE_LIST, row);
        fill.Take(Ms(t));
        window.ListSetCurSel(con::IDC_HOLE_LIST, 0);
        QApplication::processEvents();
        laidOut.Take(Ms(t));

        // Baseline: the same rows handed to a list of the same face at once.
        {
            QListWidget bare;
            bare.setUniformItemSizes(list->uniformItemSizes());
            bare.setFont(list->font());
            bare.resize(list->size());
            bare.show();
            QStringList all;
            all.reserve(static_cast<qsizetype>(text.size()));
            QApplication::processEvents();
            t.restart();
            for (const std::string& row : text) all.push_back(QString::fromUtf8(row.data(), qsizetype(row.size())));
            bare.addItems(all);
            bare.setCurrentRow(0);
            QApplication::processEvents();
            bareFill.Take(Ms(t));
        }

        // The first frame of the job, from a fresh map as after start-up.
        ks::view::HoleMap scenes;
        scenes.m_nViewScale = 160;
        scenes.m_nViewType = 1;
        const ks::view::MapInput input{holes.get(), count, 0, ks::RunState::Idle, 0.0f, 0.0f};
        t.restart();
        ks::view::Frame frame = scenes.RenderView(input);
        scene.Take(Ms(t));
        int painted = map.PaintedFrames();
        map.Present(frame);
        WaitPainted(map, painted);
        firstFrame.Take(Ms(t));

        // A machining redraw of the same job: the marker blinks.
        const ks::view::MapInput machining{holes.get(), count, 0, ks::RunState::Machining, 0.0f, 0.0f};
        painted = map.PaintedFrames();
        t.restart();
        map.Present(scenes.DrawHoleMap(machining));
        WaitPainted(map, painted);
        nextFrame.Take(Ms(t));

        // Baseline: an empty job's frame.
        ks::view::HoleMap none;
        none.m_nViewScale = 160;
        painted = map.PaintedFrames();
        t.restart();
        map.Present(none.RenderView(ks::view::MapInput{}));
        WaitPainted(map, painted);
        emptyFrame.Take(Ms(t));
    }

    std::printf("job %s: %d holes, best of %d rounds (ms)\n", job.c_str(), count, rounds);
    std::printf("  %-44s %9.1f   (reading its bytes: %.1f)\n", "load into the hole table", load.v, readBytes.v);
    std::printf("  %-44s %9.1f   (row texts: %.1f)\n", "fill the hole list (ListAddString x N)", fill.v, rows.v);
    std::printf("  %-44s %9.1f   (bare QListWidget, same rows: %.1f, ratio %.2f)\n", "  ... first row selected, list laid out", laidOut.v,
                bareFill.v, laidOut.v / bareFill.v);
    std::printf("  %-44s %9.1f   (scene only: %.1f; empty job: %.1f)\n", "first map frame, built and painted",
                firstFrame.v, scene.v, emptyFrame.v);
    std::printf("  %-44s %9.1f\n", "next frame (marker blinks)", nextFrame.v);
    std::printf("  %-44s %9.1f\n", "load + list + first frame", load.v + laidOut.v + firstFrame.v);
    return 0;
}
