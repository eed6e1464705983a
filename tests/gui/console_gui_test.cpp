// The console end to end: the Qt main window and panels over the real
// serial driver, against kestrane-sim on a pseudo-terminal linked as COM1
// in a program folder of the test's own. The operator is played with real
// clicks, presses and typing; what happened is read back from the settings
// file, the simulator's command log and the window's own texts. Waits are
// for what is to be seen; where nothing must happen, the test lets the
// console make a number of exchanges with the machine instead of letting
// time pass (the limits of the waits only keep a broken run from hanging).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "i18n/catalogue.h"
#include "link/posix_serial_driver.h"
#include "link/testing/counting_driver.h"
#include "platform/clock.h"
#include "platform/program_folder.h"
#include "platform/wait_hook.h"
#include "programs/console/console_session.h"
#include "res/ids.h"
#include "settings/keys.h"
#include "ui/qt/dialog_widgets.h"
#include "ui/qt/hole_map_widget.h"
#include "ui/qt/ui_faces.h"

namespace ks::console {
namespace {

namespace con = ks::res::console;
using ui::qt::DialogWindow;

constexpr int kWaitMs = 20000;  // the limit of a wait: only a hang reaches it

QString Q(const std::string& s) { return QString::fromUtf8(s.c_str()); }

// A program folder of the test's own with kestrane-sim linked as COM1.
class Machine {
public:
    Machine() {
        folder = dir.path().toStdString();
        SetProgramFolder(folder);
        log = folder + "/sim.log";
    }
    ~Machine() { Stop(); }

    void Start(const QStringList& extra = {}) {
        sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList args{"--link", Q(folder + "/COM1"), "--drill-ms", "150", "--speed-scale", "12000",
                         "--log", Q(log)};
        sim.start(QStringLiteral(KS_SIM_EXE), args + extra);
        ASSERT_TRUE(sim.waitForStarted(kWaitMs));
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(Q(folder + "/COM1")).isSymLink(); }, kWaitMs))
            << "kestrane-sim made no link";
    }
    void Stop() {
        if (sim.state() == QProcess::NotRunning) return;
        sim.terminate();
        if (!sim.waitForFinished(5000)) sim.kill();
        sim.waitForFinished(2000);
    }

    // Converts the sample drawing into an NC program in the folder.
    std::string SampleJob() {
        QProcess conv;
        conv.start(QStringLiteral(KS_DXF2NC_EXE),
                   {"--min", "0.3", "--max", "7", "--out", Q(folder), QStringLiteral(KS_SAMPLE_DXF)});
        EXPECT_TRUE(conv.waitForFinished(10000));
        return QString::fromLocal8Bit(conv.readAllStandardOutput()).trimmed().toStdString();
    }

    // The settings as the console creates them, with the job path set.
    void WriteSettings(const std::string& jobPath, const std::string& hole = "0") {
        QFile f(Q(Ini()));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        const std::vector<std::string> lines = {"[FileParam Info]", "OpenDXFPath=0", "DiameterMin=0",
                                                "DiameterMax=0", "SaveNCPath=0", "DirNCPath=" + jobPath,
                                                "Com=1", "Speed=1", "LockMotor=0", "Hole=" + hole,
                                                "ViewType=1", "ViewScale=160"};
        for (const auto& l : lines) f.write((l + "\r\n").c_str());
    }

    std::string Ini() const { return settings::SettingsPathIn(folder); }
    std::string Setting(std::string_view key) const { return settings::ReadSetting(Ini(), key, "<none>"); }
    int IntSetting(std::string_view key) const { return QString::fromStdString(Setting(key)).toInt(); }

    // Lines of the simulator's command log ("ms code name params").
    QStringList Log() const {
        QFile f(Q(log));
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    // The names of the logged commands from line `from` on.
    QStringList Commands(int from = 0) const {
        QStringList names;
        const QStringList lines = Log();
        for (int i = from; i < lines.size(); ++i) names << lines[i].section(' ', 2, 2);
        return names;
    }

    QTemporaryDir dir;
    std::string folder;
    std::string log;
    QProcess sim;
};

// One console window as kestrane runs it, opened without a modal loop.
class Console {
public:
    explicit Console(ProgramPanels& panels, const std::string& folder)
        : session(line, clock, panels, folder) {
        session.Window().SetMessageHook([this](const std::string& t) { messages.push_back(t); });
    }
    // Up, and past the link's start-up, which the window runs at the first
    // turn of its loop (one call: when the flag shows, it has ended).
    bool Open() {
        const bool ok = session.Open();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&session.Window(), kWaitMs));
        if (ok) {
            EXPECT_TRUE(QTest::qWaitFor([this] { return C().m_bLinkStarted == 1; }, kWaitMs));
        }
        return ok;
    }
    DialogWindow& W() { return session.Window(); }
    app::CConsoleDlg& C() { return session.Console(); }
    QWidget* Control(int id) { return W().Control(id); }
    std::string Text(int id) { return W().GetItemText(id); }
    void Click(int id) {
        QWidget* w = Control(id);
        EXPECT_NE(w, nullptr) << id;
        if (w) QTest::mouseClick(w, Qt::LeftButton);
    }
    // Opens a panel with a real click on its launcher; `play` runs inside
    // the panel's modal loop and must close it.
    void InPanel(int launcher, int expectedTemplate, const std::function<void(DialogWindow&)>& play) {
        bool ran = false;
        W().SetChildHook([&](DialogWindow& child) {
            ran = true;
            EXPECT_EQ(child.Template().id, expectedTemplate);
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&child, kWaitMs));
            play(child);
            // A play cut short by a failed assertion must not leave the
            // modal loop running.
            if (child.isVisible()) child.EndDialog(ui::kIdCancel);
        });
        Click(launcher);
        W().SetChildHook(nullptr);
        EXPECT_TRUE(ran) << "launcher " << launcher << " opened nothing";
    }

    // Lets the console make `n` more writes on the line (status reads and
    // commands alike).
    bool Exchanges(int n) {
        const int until = line.Writes() + n;
        return QTest::qWaitFor([&] { return line.Writes() >= until; }, kWaitMs);
    }

    PosixSerialDriver driver;
    CountingDriver line{driver};
    SystemClock clock;
    ConsoleSession session;
    std::vector<std::string> messages;
};

// Answers the next file dialog once it is up; a dialog that never comes
// fails the test instead of hanging it.
void AnswerFileDialog(std::function<void(QFileDialog*)> act) {
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, act, tries] {
        QFileDialog* found = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) found = d;
        if (found && QTest::qWaitForWindowExposed(found, kWaitMs)) {
            poll->stop();
            poll->deleteLater();
            act(found);
            if (found->isVisible()) found->reject();  // an answer cut short
        } else if (++*tries > 500) {
            poll->stop();
            poll->deleteLater();
            ADD_FAILURE() << "no file dialog came up";
        }
    });
    poll->start(20);
}

void TypeInto(QWidget* edit, const QString& text) {
    ASSERT_NE(edit, nullptr);
    auto* e = qobject_cast<QLineEdit*>(edit);
    ASSERT_NE(e, nullptr);
    QTest::mouseClick(e, Qt::LeftButton);
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClicks(e, text);
}

int HoleRows(Console& c) { return c.W().ListGetCount(con::IDC_HOLE_LIST); }

// --- The main window ------------------------------------------------------

TEST(MainWindow, StartsAgainstTheSimulator) {
    Machine m;
    m.Start();
    const std::string job = m.SampleJob();
    ASSERT_FALSE(job.empty());
    m.WriteSettings(job);
    ProgramPanels panels;
    Console c(panels, m.folder);
    ASSERT_TRUE(c.Open());

    EXPECT_EQ(c.W().windowTitle(), Q("Kestrane 分体机Ver19.2  加工文件:---------" + job));
    // A fixed size: no maximise box, no resizing.
    EXPECT_EQ(c.W().minimumSize(), c.W().maximumSize());
    EXPECT_FALSE(c.W().windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(c.Text(con::IDC_COMM_LABEL).rfind("连接成功 , 端口号COM1", 0), 0u) << c.Text(con::IDC_COMM_LABEL);
    EXPECT_NE(c.Text(con::IDC_COMM_LABEL).find("√通信正常"), std::string::npos);
    // The slow group of the tick fills the status line and the rate.
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.Text(con::IDC_STATUS_LINE).find("暂停状态") != std::string::npos; },
                                kWaitMs))
        << c.Text(con::IDC_STATUS_LINE);
    EXPECT_EQ(c.Text(con::IDC_RATE_LABEL), "完成率:0.00%");
    EXPECT_EQ(c.Text(con::IDC_X_INT), "0");
    EXPECT_EQ(c.Text(con::IDC_X_DEC), ".000");
    // The 25-point digits are not cut off by their controls.
    for (int id : {con::IDC_X_DEC, con::IDC_Y_DEC, con::IDC_Z_DEC}) {
        auto* l = qobject_cast<QLabel*>(c.Control(id));
        ASSERT_NE(l, nullptr);
        EXPECT_GE(l->font().pointSize(), 25);
        EXPECT_LE(QFontMetrics(l->font()).horizontalAdvance(l->text()), l->contentsRect().width()) << id;
    }

    // The first paint loaded the job into the list and the map.
    ASSERT_TRUE(QTest::qWaitFor([&] { return HoleRows(c) > 0; }, kWaitMs));
    EXPECT_EQ(HoleRows(c), c.C().m_nHoleCount);
    EXPECT_GT(c.C().m_nHoleCount, 10);
    EXPECT_TRUE(c.messages.empty()) << c.messages.front();
    auto* map = c.W().MapWidget();
    ASSERT_NE(map, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return map->PaintedFrames() > 0; }, kWaitMs));
    const QImage shot = map->grabFramebuffer();
    EXPECT_GT(shot.width(), 100);
    // Yellow outlines of pending holes are on the map.
    bool yellow = false;
    for (int y = 0; y < shot.height() && !yellow; y += 1)
        for (int x = 0; x < shot.width() && !yellow; ++x) {
            const QColor p = shot.pixelColor(x, y);
            yellow = p.red() > 200 && p.green() > 200 && p.blue() < 80;
        }
    EXPECT_TRUE(yellow) << "no pending hole drawn";
    // Start-up sent the speed and the axis lock of the settings.
    EXPECT_TRUE(m.Commands().contains("speed"));
    EXPECT_TRUE(m.Commands().contains("unlock"));

    // Wheel up zooms in and saves the scale at once.
    QWheelEvent up(QPointF(50, 50), map->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(map, &up);
    EXPECT_EQ(c.C().m_nViewScale, 157);
    EXPECT_EQ(m.Setting(settings::key::ViewScale), "157");
    QWheelEvent down(QPointF(50, 50), map->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(map, &down);
    QApplication::sendEvent(map, &down);
    EXPECT_EQ(m.Setting(settings::key::ViewScale), "163");

    // Esc and Enter do not close it.
    QTest::keyClick(&c.W(), Qt::Key_Escape);
    QTest::keyClick(&c.W(), Qt::Key_Return);
    QTest::keyClick(c.Control(con::IDC_HOLE_LIST), Qt::Key_Escape);
    ASSERT_TRUE(c.Exchanges(2));
    EXPECT_TRUE(c.W().isVisible());

    // The about box: from the window menu of the window's own area, and F1.
    int abouts = 0;
    c.W().SetChildHook([&](DialogWindow& child) {
        EXPECT_EQ(child.Template().id, res::IDD_ABOUTBOX);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&child, kWaitMs));
        ++abouts;
        QTest::mouseClick(child.Control(res::IDOK), Qt::LeftButton);
    });
    QMenu* menu = c.W().WindowMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_FALSE(menu->actions().isEmpty());
    menu->actions().front()->trigger();
    EXPECT_EQ(abouts, 1);
    c.W().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&c.W(), kWaitMs));
    QTest::keyClick(&c.W(), Qt::Key_F1);
    EXPECT_EQ(abouts, 2);
    c.W().SetChildHook(nullptr);
    EXPECT_TRUE(c.W().isVisible());

    // The caption's close box ends the window; no command goes to the
    // controller. Every write of the console waits for its answer, and the
    // simulator logs a command before it answers: what close sent is in the
    // log once close has returned and the events it left are handled.
    const int sent = m.Log().size();
    c.W().close();
    EXPECT_FALSE(c.W().isVisible());
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(m.Log().size(), sent);
}

TEST(MainWindow, StartDrillsHoles) {
    Machine m;
    m.Start();
    m.WriteSettings(m.SampleJob());
    ProgramPanels panels;
    Console c(panels, m.folder);
    ASSERT_TRUE(c.Open());
    ASSERT_TRUE(QTest::qWaitFor([&] { return HoleRows(c) > 0; }, kWaitMs));

    c.Click(con::IDC_START);
    EXPECT_EQ(c.C().m_nCurHole, 1);
    // Each hole: move, a second's pause, drill, finish; the settings keep
    // the last finished hole.
    ASSERT_TRUE(QTest::qWaitFor([&] { return m.IntSetting(settings::key::Hole) >= 3; }, 60000))
        << "Hole=" << m.Setting(settings::key::Hole);
    EXPECT_GE(m.Commands().count("drill"), 3);
    EXPECT_TRUE(c.C().m_Hole[1].bDone && c.C().m_Hole[2].bDone);
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.Text(con::IDC_RATE_LABEL) != "完成率:0.00%"; }, kWaitMs));

    // Pause stops the run where it is.
    c.Click(con::IDC_PAUSE);
    EXPECT_EQ(c.C().m_nState, RunState::Idle);
    EXPECT_EQ(c.C().m_bPauseReq, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.C().m_bDrilling == 0 && c.C().m_bMoving == 0; }, kWaitMs));
    const int held = m.IntSetting(settings::key::Hole);
    const int drills = m.Commands().count("drill");
    ASSERT_TRUE(c.Exchanges(30));  // many more than a hole takes here
    EXPECT_EQ(m.IntSetting(settings::key::Hole), held);
    EXPECT_EQ(m.Commands().count("drill"), drills);
    EXPECT_EQ(c.C().m_nState, RunState::Idle);
}

TEST(MainWindow, WithoutOpenGl) {
    Machine m;  // no simulator: nothing may be opened anyway
    ui::qt::HoleMapWidget::SimulateMissingOpenGl(true);
    ProgramPanels panels;
    Console c(panels, m.folder);
    EXPECT_FALSE(c.Open());
    ui::qt::HoleMapWidget::SimulateMissingOpenGl(false);
    // The window is composed without OpenGL (the map frame has left it),
    // and its paints look for no job.
    EXPECT_EQ(c.W().MapWidget()->parentWidget(), nullptr);
    c.W().repaint();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    ASSERT_EQ(c.messages.size(), 1u) << c.messages.back();
    EXPECT_EQ(c.messages[0], kNoOpenGlText);
    // No settings read (so none created), no link, no timer.
    EXPECT_FALSE(QFile::exists(Q(m.Ini())));
    EXPECT_EQ(c.C().m_pModbus, nullptr);
    EXPECT_EQ(c.Text(con::IDC_COMM_LABEL), "通信状态");
    EXPECT_TRUE(c.W().isVisible());
}

// --- Panels -----------------------------------------------------------------

TEST(Panels, PositioningJogsAndPresets) {
    namespace pos = res::positioning;
    Machine m;
    m.Start();
    m.WriteSettings(m.SampleJob());
    ProgramPanels panels;
    Console c(panels, m.folder);
    ASSERT_TRUE(c.Open());
    c.InPanel(con::IDC_POSITIONING, res::IDD_POSITIONING, [&](DialogWindow& p) {
        QTest::mouseClick(p.Control(pos::IDC_MODE_SLOW), Qt::LeftButton);
        EXPECT_TRUE(p.IsButtonChecked(pos::IDC_MODE_SLOW));

        // Held X+: the axis runs while the button is down...
        const int from = m.Log().size();
        QWidget* xPlus = p.Control(pos::IDC_X_PLUS);
        QTest::mousePress(xPlus, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return c.C().m_nPosX > 2000; }, kWaitMs)) << c.C().m_nPosX;
        const int32_t during = c.C().m_nPosX;
        ASSERT_TRUE(QTest::qWaitFor([&] { return c.C().m_nPosX > during + 1000; }, kWaitMs));
        EXPECT_FALSE(m.Commands(from).contains("jog-stop"));
        // ...and stops on release.
        QTest::mouseRelease(xPlus, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return m.Commands(from).contains("jog-stop"); }, kWaitMs));
        EXPECT_TRUE(m.Commands(from).contains("jog-x+"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return c.C().m_bMoving == 0; }, kWaitMs));
        const int32_t stopped = c.C().m_nPosX;
        ASSERT_TRUE(c.Exchanges(10));  // the position read again and again
        EXPECT_EQ(c.C().m_nPosX, stopped);
        EXPECT_GT(stopped, 3000);

        // X0 presets X on the machine.
        QTest::mouseClick(p.Control(pos::IDC_X_ZERO), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return c.C().m_nPosX == 0; }, kWaitMs)) << c.C().m_nPosX;
        EXPECT_TRUE(m.Log().filter(QStringLiteral(" preset-x value=0")).size() == 1);

        QTest::mouseClick(p.Control(res::IDOK), Qt::LeftButton);
    });
    EXPECT_FALSE(c.W().isHidden());
    EXPECT_EQ(c.C().m_bPosPanelOpen, 0);
}

TEST(Panels, MachiningSendsASegment) {
    namespace mp = res::machining;
    Machine m;
    m.Start();
    m.WriteSettings(m.SampleJob());
    ProgramPanels panels;
    Console c(panels, m.folder);
    ASSERT_TRUE(c.Open());
    int from = 0;
    c.InPanel(con::IDC_MACHINING_PARAM, res::IDD_MACHINING_PARAM, [&](DialogWindow& p) {
        // The group goes out only with every value in its range.
        const std::pair<int, const char*> group[] = {{mp::IDC_PULSE_WIDTH, "10"}, {mp::IDC_PULSE_INTERVAL, "20"},
                                                     {mp::IDC_POWER, "3"}, {mp::IDC_CAP, "4"},
                                                     {mp::IDC_VOLT, "2"}, {mp::IDC_SPEED, "15"}};
        for (const auto& [edit, value] : group) TypeInto(p.Control(edit), QString::fromLatin1(value));
        QTest::mouseClick(p.Control(mp::IDC_WIDTH_PLUS), Qt::LeftButton);
        QTest::mouseClick(p.Control(mp::IDC_WIDTH_PLUS), Qt::LeftButton);
        const std::string width = p.GetItemText(mp::IDC_PULSE_WIDTH);
        from = m.Log().size();
        QTest::mouseClick(p.Control(mp::IDC_SEG_SEND), Qt::LeftButton);
        // The panel's tick forwarding downloads the segment while it is open.
        ASSERT_TRUE(QTest::qWaitFor([&] { return m.Commands(from).contains("params-complete"); }, kWaitMs));
        const QStringList lines = m.Log().mid(from).filter(QStringLiteral("pulse-width"));
        ASSERT_EQ(lines.size(), 1);
        EXPECT_TRUE(lines[0].endsWith(Q(" value=" + width))) << lines[0].toStdString() << " / " << width;
        QTest::mouseClick(p.Control(res::IDOK), Qt::LeftButton);
    });
    // Six values (each a register write and its command), the voltage flag
    // and the closing command: the fourteen writes, in this order.
    QStringList sent = m.Commands(from);
    sent.removeAll("speed");  // closing the panel restores nothing here, but a tick may
    const QStringList expected{"pulse-width", "pulse-interval", "power-amp",       "capacitance",
                               "voltage",     "machining-speed", "voltage-flag-on", "params-complete"};
    QStringList segment;
    for (const QString& s : sent)
        if (expected.contains(s) || s == "voltage-flag-off") segment << s;
    ASSERT_EQ(segment.size(), 8) << segment.join(',').toStdString();
    for (int i = 0; i < 6; ++i) EXPECT_EQ(segment[i], expected[i]);
    EXPECT_TRUE(segment[6].startsWith("voltage-flag-"));
    EXPECT_EQ(segment[7], "params-complete");
    EXPECT_EQ(c.C().m_bParamPanelOpen, 0);
}

TEST(Panels, FileAndMachineSettingsWrite) {
    namespace f = res::fileproc;
    namespace mc = res::machine;
    Machine m;
    m.Start();
    m.WriteSettings(m.SampleJob());
    ProgramPanels panels;
    Console c(panels, m.folder);
    ASSERT_TRUE(c.Open());

    // Exit of the file panel keeps what stands in the boxes.
    c.InPanel(con::IDC_FILE_PROCESS, res::IDD_FILE_PROCESS, [&](DialogWindow& p) {
        TypeInto(p.Control(f::IDC_DIA_MIN), "0.5");
        TypeInto(p.Control(f::IDC_DIA_MAX), "6.25");
        QTest::keyClick(p.Control(f::IDC_DIA_MAX), Qt::Key_Escape);  // swallowed
        EXPECT_TRUE(p.isVisible());
        QTest::mouseClick(p.Control(f::IDC_EXIT), Qt::LeftButton);
    });
    EXPECT_EQ(m.Setting(settings::key::DiameterMin), "0.5");
    EXPECT_EQ(m.Setting(settings::key::DiameterMax), "6.25");

    // A radio click in the machine settings writes port, speed and view at once.
    c.InPanel(con::IDC_MACHINE_PARAM, res::IDD_MACHINE_PARAM, [&](DialogWindow& p) {
        QFile::remove(Q(m.Ini()));  // so only this click can bring the keys back
        QTest::mouseClick(p.Control(mc::IDC_VIEW_CENTRE), Qt::LeftButton);
        EXPECT_EQ(m.Setting(settings::key::ViewType), "2");
        EXPECT_EQ(m.Setting(settings::key::Com), "1");
        EXPECT_EQ(m.Setting(settings::key::Speed), "1");
        QTest::mouseClick(p.Control(res::IDOK), Qt::LeftButton);
    });
    EXPECT_EQ(c.C().m_nViewType, 2);
}

// --- A whole operator story -----------------------------------------------

// The cabinet is switched off in the middle of a job and on again five
// seconds later: meanwhile the window answers (its panels open), the
// console finds the controller again by itself, and one more start ends
// the job with every hole done.
TEST(OperatorStory, ControllerSwitchedOffAndOnAgain) {
    DialogWindow::InstallWaitHook();  // as kestrane runs: the window paints while the console waits
    Machine m;
    m.Start({"--vanish-after", "5000", "--reappear-after", "5000"});
    const std::string job = m.folder + "/row.NC";
    {
        QFile f(Q(job));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Kestrane NC\r\nSTART\r\n");
        for (int i = 1; i <= 8; ++i) f.write(("N" + std::to_string(i) + " X" + std::to_string(i * 2000) + " Y1000 R500\r\n").c_str());
        f.write("STOP\r\n");
    }
    m.WriteSettings(job);
    ProgramPanels panels;
    Console c(panels, m.folder);
    ASSERT_TRUE(c.Open());
    ASSERT_TRUE(QTest::qWaitFor([&] { return HoleRows(c) == 8; }, kWaitMs));
    c.Click(con::IDC_START);

    ASSERT_TRUE(QTest::qWaitFor([&] { return c.C().Link().Down(); }, kWaitMs)) << "the controller never went";
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.C().m_bPauseReq == 1; }, kWaitMs));
    EXPECT_NE(c.Text(con::IDC_STATUS_LINE).find("通信中断，已暂停"), std::string::npos) << c.Text(con::IDC_STATUS_LINE);
    const int saved = m.IntSetting(settings::key::Hole);
    EXPECT_LT(saved, 8);
    c.InPanel(con::IDC_SYSTEM_INFO, res::IDD_SYSTEM_INFO, [](DialogWindow& panel) { panel.EndDialog(ui::kIdOk); });
    EXPECT_TRUE(c.C().Link().Down()) << "back before the panel was tried";

    ASSERT_TRUE(QTest::qWaitFor([&] { return !c.C().Link().Down(); }, kWaitMs)) << "not found again";
    EXPECT_NE(c.Text(con::IDC_COMM_LABEL).find("√通信正常"), std::string::npos) << c.Text(con::IDC_COMM_LABEL);
    c.Click(con::IDC_START);
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.C().m_nCurHole == 0 && c.C().m_nState == RunState::Idle && c.C().m_bPauseReq == 0; },
                                60000))
        << "hole " << c.C().m_nCurHole;
    for (int i = 1; i <= 8; ++i) EXPECT_EQ(c.C().m_Hole[i].bDone, 1) << i;
    EXPECT_EQ(m.IntSetting(settings::key::Hole), 8);
    c.W().close();
    ks::SetWaitHook(nullptr);
}

TEST(OperatorStory, ConvertRunRestartResume) {
    namespace f = res::fileproc;
    Machine m;
    m.Start();
    const QString drawings = Q(m.folder + "/drawings");
    const QString out = Q(m.folder + "/nc");
    QDir().mkpath(drawings);
    QDir().mkpath(out);
    ASSERT_TRUE(QFile::copy(QStringLiteral(KS_SAMPLE_DXF), drawings + "/plate.dxf"));
    ProgramPanels panels;
    int done = 0;
    {
        Console c(panels, m.folder);
        ASSERT_TRUE(c.Open());
        // No job yet: the settings name none, and start says so.
        EXPECT_EQ(HoleRows(c), 0);
        c.Click(con::IDC_START);
        EXPECT_NE(c.Text(con::IDC_STATUS_LINE).find("无加工文件"), std::string::npos) << c.Text(con::IDC_STATUS_LINE);
        EXPECT_TRUE(c.messages.empty());

        c.InPanel(con::IDC_FILE_PROCESS, res::IDD_FILE_PROCESS, [&](DialogWindow& p) {
            AnswerFileDialog([&](QFileDialog* d) {
                d->setDirectory(drawings);
                auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                ASSERT_NE(name, nullptr);
                name->setText(QStringLiteral("plate.dxf"));
                static_cast<QDialog*>(d)->accept();
            });
            QTest::mouseClick(p.Control(f::IDC_CHOOSE_DXF), Qt::LeftButton);
            EXPECT_EQ(p.GetItemText(f::IDC_DXF_PATH), (drawings + "/plate.dxf").toStdString());
            TypeInto(p.Control(f::IDC_DIA_MIN), "0.3");
            TypeInto(p.Control(f::IDC_DIA_MAX), "7");

            AnswerFileDialog([&](QFileDialog* d) {
                d->setDirectory(out);
                static_cast<QDialog*>(d)->accept();
            });
            QTest::mouseClick(p.Control(f::IDC_GENERATE_NC), Qt::LeftButton);
            const QStringList written = QDir(out).entryList({"*.NC"}, QDir::Files);
            ASSERT_EQ(written, QStringList{"plate00.NC"});

            AnswerFileDialog([&](QFileDialog* d) {
                d->setDirectory(out);
                auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                ASSERT_NE(name, nullptr);
                name->setText(QStringLiteral("plate00.NC"));
                static_cast<QDialog*>(d)->accept();
            });
            QTest::mouseClick(p.Control(f::IDC_CHOOSE_JOB), Qt::LeftButton);
            EXPECT_EQ(p.GetItemText(f::IDC_JOB_PATH), (out + "/plate00.NC").toStdString());
            QTest::mouseClick(p.Control(f::IDC_EXIT), Qt::LeftButton);
        });
        // The exit named the job; the main window loaded it.
        EXPECT_EQ(m.Setting(settings::key::DirNCPath), (out + "/plate00.NC").toStdString());
        EXPECT_GT(HoleRows(c), 10);
        EXPECT_EQ(c.W().windowTitle(), Q("Kestrane 分体机Ver19.2  加工文件:---------") + out + "/plate00.NC");

        c.Click(con::IDC_START);
        ASSERT_TRUE(QTest::qWaitFor([&] { return m.IntSetting(settings::key::Hole) >= 2; }, 60000));
        c.Click(con::IDC_PAUSE);
        // A hole already under way may still finish; wait for the run to rest.
        ASSERT_TRUE(QTest::qWaitFor([&] { return c.C().m_bDrilling == 0 && c.C().m_bMoving == 0; }, kWaitMs));
    }  // the operator closes the console
    // Where the closed console left the job, as the next one reads it.
    done = m.IntSetting(settings::key::Hole);

    // A new console in the same folder resumes at the next hole.
    Console c(panels, m.folder);
    ASSERT_TRUE(c.Open());
    ASSERT_TRUE(QTest::qWaitFor([&] { return HoleRows(c) > 0; }, kWaitMs));
    EXPECT_EQ(c.C().m_nCurHole, done);
    for (int i = 1; i <= done; ++i) EXPECT_EQ(int(c.C().m_Hole[i].bDone), 1) << i;
    EXPECT_EQ(int(c.C().m_Hole[done + 1].bDone), 0);
    const int from = m.Log().size();
    c.Click(con::IDC_START);
    EXPECT_EQ(c.C().m_nCurHole, done + 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m.IntSetting(settings::key::Hole) >= done + 1; }, 60000));
    // The machine drove to hole done + 1 from where it stood.
    const QStringList moves = m.Log().mid(from).filter(QStringLiteral(" move "));
    ASSERT_FALSE(moves.isEmpty());
    const auto& h = c.C().m_Hole[done + 1];
    EXPECT_TRUE(moves[0].endsWith(Q(" -> x=" + std::to_string(h.nX) + " y=" + std::to_string(h.nY) + " z=0")))
        << moves[0].toStdString();
}

// --- In Chinese -------------------------------------------------------------

// A word of English alone ("Cancel", "Look in:", "File name:") in a Chinese
// screen; names of files and ports carry digits, dots or slashes.
bool LatinOnly(const QString& text) {
    static const QRegularExpression latin(QStringLiteral("^[A-Za-z][A-Za-z &:'()-]*$"));
    return latin.match(text.trimmed().remove(QLatin1Char('&'))).hasMatch();
}

// Qt's own file dialog speaks Chinese (its catalogue is loaded), its file
// name is not an error text, and the communication label stays one line
// that fits its field while the machine goes away and comes back.
TEST(Chinese, OneLanguageAndNothingCut) {
    ASSERT_TRUE(i18n::UseLanguage(Language::Chinese));
    Machine m;
    m.Start();
    m.WriteSettings(m.SampleJob());
    ProgramPanels panels;
    Console c(panels, m.folder);
    ASSERT_TRUE(c.Open());

    c.InPanel(con::IDC_FILE_PROCESS, res::IDD_FILE_PROCESS, [&](DialogWindow& p) {
        bool answered = false;
        AnswerFileDialog([&](QFileDialog* d) {
            answered = true;
            QStringList latin;
            if (LatinOnly(d->windowTitle())) latin << d->windowTitle();
            for (QWidget* w : d->findChildren<QWidget*>()) {
                if (!w->isVisibleTo(d)) continue;
                QString text;
                if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
                if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
                if (LatinOnly(text)) latin << text;
                if (auto* e = qobject_cast<QLineEdit*>(w)) {
                    EXPECT_FALSE(e->text().contains(QStringLiteral("没找到"))) << e->text().toStdString();
                }
            }
            EXPECT_TRUE(latin.isEmpty()) << latin.join(QStringLiteral(" | ")).toStdString();
            d->reject();
        });
        QTest::mouseClick(p.Control(res::fileproc::IDC_CHOOSE_DXF), Qt::LeftButton);
        EXPECT_TRUE(answered);
        QTest::mouseClick(p.Control(res::fileproc::IDC_EXIT), Qt::LeftButton);
    });

    // Every text the label shows while the line is gone and back.
    QStringList shown;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const QString text = ui::qt::ShownText(c.Control(con::IDC_COMM_LABEL));
        if (shown.isEmpty() || shown.back() != text) shown << text;
        EXPECT_EQ(ui::qt::Overflow(c.Control(con::IDC_COMM_LABEL)), 0) << text.toStdString();
    });
    watch.start(5);
    m.Stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.C().Link().Down(); }, kWaitMs));
    QTest::qWait(2500);  // a few probes of a port that is gone
    EXPECT_EQ(c.Text(con::IDC_COMM_LABEL), "通信中断，正在重新连接控制器…");
    m.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !c.C().Link().Down(); }, kWaitMs));
    QTest::qWait(200);
    watch.stop();
    ASSERT_GT(shown.size(), 1);
    for (const QString& text : shown) EXPECT_FALSE(text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')))
        << text.toStdString();
}

// --- In English -------------------------------------------------------------

void ExpectNoChinese(const std::string& where, const QString& text) {
    static const QRegularExpression cjk(QStringLiteral("[\\x{3000}-\\x{303f}\\x{4e00}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
    EXPECT_FALSE(text.contains(cjk)) << where << ": " << text.toStdString();
}

// Every text of every visible window: none may hold a Chinese character,
// and none may run past its control.
void ExpectEnglishScreen(const std::string& screen) {
    int checked = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible()) continue;
        QStringList texts{top->windowTitle()};
        for (QWidget* w : top->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(top)) continue;
            texts << w->toolTip();
            if (auto* b = qobject_cast<QComboBox*>(w)) {
                for (int i = 0; i < b->count(); ++i) texts << b->itemText(i);
            } else if (auto* l = qobject_cast<QListWidget*>(w)) {
                for (int i = 0; i < l->count(); ++i) texts << l->item(i)->text();
            } else {
                texts << ui::qt::ShownText(w);
            }
            EXPECT_EQ(ui::qt::Overflow(w), 0) << screen << ": \"" << ui::qt::ShownText(w).toStdString()
                                              << "\" runs past its control";
        }
        for (const QString& t : texts) {
            ExpectNoChinese(screen, t);
            ++checked;
        }
    }
    EXPECT_GT(checked, 10) << screen;
}

TEST(English, EveryWindowAndPanel) {
    ASSERT_TRUE(i18n::UseLanguage(Language::English));
    ui::qt::UseLatinFaces(true);
    Machine m;
    m.Start();
    m.WriteSettings(m.SampleJob());
    ProgramPanels panels;
    Console c(panels, m.folder);
    ASSERT_TRUE(c.Open());
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.Text(con::IDC_STATUS_LINE).find("Paused") != std::string::npos; },
                                kWaitMs))
        << c.Text(con::IDC_STATUS_LINE);
    EXPECT_EQ(c.Text(con::IDC_RATE_LABEL), "Done:0.00%");
    ExpectEnglishScreen("main window");
    QMenu* menu = c.W().WindowMenu();
    ASSERT_NE(menu, nullptr);
    for (QAction* a : menu->actions()) ExpectNoChinese("window menu", a->text());

    const struct { int launcher, panel, close; } screens[] = {
        {con::IDC_FILE_PROCESS, res::IDD_FILE_PROCESS, res::fileproc::IDC_EXIT},
        {con::IDC_MACHINING_PARAM, res::IDD_MACHINING_PARAM, res::IDOK},
        {con::IDC_POSITIONING, res::IDD_POSITIONING, res::IDOK},
        {con::IDC_MACHINE_PARAM, res::IDD_MACHINE_PARAM, res::IDOK},
        {con::IDC_SYSTEM_INFO, res::IDD_SYSTEM_INFO, res::IDOK},
    };
    for (const auto& s : screens) {
        c.InPanel(s.launcher, s.panel, [&](DialogWindow& p) {
            ExpectEnglishScreen("panel " + std::to_string(s.panel));
            if (s.panel == res::IDD_MACHINING_PARAM) {
                // A refused value: the operator is told in English.
                TypeInto(p.Control(res::machining::IDC_LIFT), "99999999");
                QTest::mouseClick(p.Control(res::machining::IDC_LIFT_SEND), Qt::LeftButton);
            }
            QTest::mouseClick(p.Control(s.close), Qt::LeftButton);
        });
    }
    ASSERT_FALSE(c.messages.empty());
    for (const std::string& text : c.messages) ExpectNoChinese("message", Q(text));

    c.W().SetChildHook([&](DialogWindow& about) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&about));
        ExpectEnglishScreen("about box");
        QTest::mouseClick(about.Control(res::IDOK), Qt::LeftButton);
    });
    menu->actions().front()->trigger();
    c.W().SetChildHook(nullptr);

    c.Click(con::IDC_START);
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.Text(con::IDC_STATUS_LINE).find("Drilling") != std::string::npos; },
                                kWaitMs))
        << c.Text(con::IDC_STATUS_LINE);
    ExpectEnglishScreen("machining");
}

}  // namespace
}  // namespace ks::console

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
