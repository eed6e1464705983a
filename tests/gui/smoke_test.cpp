// Smoke tests of the Qt windows: every template opens around a small test
// logic, clicks, keys, wheel and timers reach the logic, pictures take their
// sizes, and screenshots are not blank. Screenshots land in KS_SHOT_DIR (or
// the temporary folder) for a look by eye.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSet>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <memory>

#include "jobfiles/job_loader.h"
#include "platform/wait_hook.h"
#include "res/ids.h"
#include "res/templates.h"
#include "ui/qt/dialog_window.h"
#include "ui/qt/file_filter.h"
#include "ui/qt/hole_map_widget.h"
#include "ui/qt/pictures.h"
#include "qt_settle.h"
#include "view/hole_map.h"

namespace ks::ui::qt {
namespace {

namespace ids = ks::res;
namespace con = ks::res::console;

// A dialog logic that records what its window routes to it.
class Probe : public Dialog {
public:
    Probe(int templateId, int closeId) : Dialog(templateId) {
        for (const auto& c : res::FindTemplate(templateId)->controls) {
            if (c.id <= 0 && c.id != ids::IDOK) continue;
            const int id = c.id;
            MapCommand(id, [this, id, closeId] {
                commands.push_back(id);
                if (id == closeId) View().EndDialog(kIdOk);
            });
        }
        for (int id : {ids::IDM_ABOUTBOX, ids::IDM_JOBREPORT}) MapCommand(id, [this, id] { commands.push_back(id); });
    }

    bool swallowKeys = true;
    std::function<bool()> init;
    std::map<int, ControlStyle> colours;
    std::optional<ControlStyle> dialogColour;
    std::vector<int> commands;
    std::vector<Message> messages;
    std::vector<int> wheel;
    std::vector<bool> sizes;
    int ticks = 0;
    int paints = 0;
    int cancels = 0;

    bool OnInitDialog() override { return init ? init() : true; }
    bool PreTranslateMessage(const Message& m) override {
        messages.push_back(m);
        return swallowKeys && m.kind == Message::KeyDown && (m.key == kKeyEnter || m.key == kKeyEscape);
    }
    // Set while the logic waits: nothing may call it then.
    bool waiting = false;
    int reentries = 0;
    std::function<void()> duringTick;
    void OnTimer(int) override {
        reentries += waiting;
        ++ticks;
        if (duringTick) std::exchange(duringTick, nullptr)();
    }
    void OnMouseWheel(int delta) override { wheel.push_back(delta); }
    void OnSize(bool restored) override { sizes.push_back(restored); }
    void OnPaint() override {
        reentries += waiting;
        ++paints;
    }
    void OnCancel() override {
        reentries += waiting;
        ++cancels;
        Dialog::OnCancel();
    }
    std::optional<ControlStyle> OnCtlColor(int id, CtlColorKind kind) override {
        if (kind == CtlColorKind::Dialog) return dialogColour;
        auto it = colours.find(id);
        if (it == colours.end()) return std::nullopt;
        return it->second;
    }
    int Count(int id) const { return int(std::count(commands.begin(), commands.end(), id)); }
};

QString ShotDir() {
    QString dir = qEnvironmentVariable("KS_SHOT_DIR");
    if (dir.isEmpty()) dir = QDir::tempPath() + QStringLiteral("/kestrane-shots");
    QDir().mkpath(dir);
    return dir;
}

// Saves the window's picture and tells whether it shows something: many
// colours, not one flat fill.
bool ShotShowsSomething(QWidget& w, const QString& name) {
    const QImage img = w.grab().toImage();
    img.save(ShotDir() + QLatin1Char('/') + name + QStringLiteral(".png"));
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); y += 3)
        for (int x = 0; x < img.width(); x += 3) colours.insert(img.pixel(x, y));
    return colours.size() > 30;
}

int CountNear(const QImage& img, QColor c, int tolerance = 40) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor p = img.pixelColor(x, y);
            if (std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) + std::abs(p.blue() - c.blue()) < tolerance)
                ++n;
        }
    return n;
}

ControlStyle Style(Rgb text, std::optional<Rgb> back, std::string face = {}, int points = 0) {
    ControlStyle s;
    s.text = text;
    s.background = back;
    s.transparentText = true;
    s.fontFace = std::move(face);
    s.fontPoints = points;
    return s;
}

// The main window's colours, as its logic answers them.
void ConsoleColours(Probe& p) {
    const Rgb yellow{255, 255, 0}, row{50, 70, 80};
    for (int id : {con::IDC_X_LABEL, con::IDC_X_INT, con::IDC_X_DEC, con::IDC_Y_LABEL, con::IDC_Y_INT, con::IDC_Y_DEC,
                   con::IDC_Z_LABEL, con::IDC_Z_INT, con::IDC_Z_DEC})
        p.colours[id] = Style(yellow, row, "微软雅黑", 25);
    for (int id : {con::IDC_COMM_LABEL, con::IDC_RATE_LABEL, con::IDC_STATUS_LINE})
        p.colours[id] = Style({255, 255, 255}, row);
    p.colours[con::IDC_HOLE_LIST] = Style({127, 255, 80}, Rgb{83, 104, 130}, "黑体", 12);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        logic = std::make_unique<Probe>(ids::IDD_CONSOLE, -1);
        ConsoleColours(*logic);
        logic->init = [this] {
            // As the console does: the map context first, then the tick.
            if (!window->MapSurface() || !window->MapSurface()->CreateContext()) return false;
            logic->View().SetTimer(con::TIMER_STATUS, 30);
            return true;
        };
        window = std::make_unique<DialogWindow>(*logic);
        window->Open();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), testing::kGuardMs));
    }
    void TearDown() override {
        window.reset();
        logic.reset();
    }
    std::unique_ptr<Probe> logic;
    std::unique_ptr<DialogWindow> window;
};

TEST_F(MainWindowTest, SizesAndPictureButtons) {
    EXPECT_TRUE(window->InitResult());
    EXPECT_EQ(window->size(), QSize(1020, 700));
    EXPECT_EQ(window->MapWidget()->geometry(), QRect(3, 30, 735, 617));
    int pictures = 0;
    for (const auto& c : window->Template().controls) {
        if (c.kind != res::ControlKind::PictureButton) continue;
        ++pictures;
        const res::PictureInfo* info = res::FindPicture(c.bitmap);
        EXPECT_EQ(window->Control(c.id)->size(), QSize(info->width, info->height)) << c.id;
    }
    EXPECT_EQ(pictures, 19);
    EXPECT_TRUE(ShotShowsSomething(*window, QStringLiteral("main-start")));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);

    // Swapping the lock picture changes the pixels, not the size.
    QWidget* lock = window->Control(con::IDC_LOCK);
    const QImage locked = lock->grab().toImage();
    window->SetButtonPicture(con::IDC_LOCK, ids::IDB_UNLOCKED);
    EXPECT_EQ(lock->size(), QSize(111, 35));
    EXPECT_NE(lock->grab().toImage(), locked);
}

TEST_F(MainWindowTest, ClicksKeysWheelAndSize) {
    QTest::mouseClick(window->Control(con::IDC_START), Qt::LeftButton);
    QTest::mouseClick(window->Control(con::IDC_PUMP), Qt::LeftButton);
    EXPECT_EQ(logic->commands, (std::vector<int>{con::IDC_START, con::IDC_PUMP}));
    int downs = 0, ups = 0;
    for (const auto& m : logic->messages) {
        if (m.kind == Message::LButtonDown && m.targetId == con::IDC_START) ++downs;
        if (m.kind == Message::LButtonUp && m.targetId == con::IDC_START) ++ups;
    }
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 1);

    // Esc and Enter swallowed by the logic: nothing closes, nothing runs.
    window->activateWindow();
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QTest::keyClick(window->Control(con::IDC_HOLE_LIST), Qt::Key_Return);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(logic->cancels, 0);
    EXPECT_EQ(logic->commands.size(), 2u);
    int keys = 0;
    for (const auto& m : logic->messages) keys += m.kind == Message::KeyDown;
    EXPECT_EQ(keys, 2);  // each press once, however far it travels

    // Not swallowed: Esc is the cancel command.
    logic->swallowKeys = false;
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(logic->cancels, 1);

    // The wheel over the map reaches the logic; over the list it scrolls the list.
    QWheelEvent up(QPointF(100, 100), window->MapWidget()->mapToGlobal(QPointF(100, 100)), QPoint(), QPoint(0, 120),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(window->MapWidget(), &up);
    QWheelEvent down(QPointF(10, 10), QPointF(), QPoint(), QPoint(0, -240), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(window->Control(con::IDC_RATE_LABEL), &down);
    EXPECT_EQ(logic->wheel, (std::vector<int>{120, -240}));

    window->setWindowState(Qt::WindowMinimized);
    window->setWindowState(Qt::WindowNoState);
    EXPECT_EQ(logic->sizes, (std::vector<bool>{false, true}));
}

TEST_F(MainWindowTest, WindowMenuCarriesTheAboutAndJobReportCommands) {
    QMenu* menu = window->WindowMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("关于 Kestrane(&A)..."));
    EXPECT_EQ(menu->actions()[1]->text(), QStringLiteral("加工报告"));
    menu->actions()[0]->trigger();
    menu->actions()[1]->trigger();
    EXPECT_EQ(logic->commands, (std::vector<int>{ids::IDM_ABOUTBOX, ids::IDM_JOBREPORT}));
}

TEST_F(MainWindowTest, TimerFiresAndReArmReplacesThePeriod) {
    QTRY_VERIFY_WITH_TIMEOUT(logic->ticks >= 3, testing::kGuardMs);
    window->SetTimer(con::TIMER_STATUS, 100000);
    const int before = logic->ticks;
    // The old 30 ms period would have fired meanwhile.
    ASSERT_TRUE(testing::LetTimerFire(30, 8));
    EXPECT_EQ(logic->ticks, before);
    window->SetTimer(con::TIMER_STATUS, 20);
    QTRY_VERIFY_WITH_TIMEOUT(logic->ticks > before, testing::kGuardMs);
    window->KillTimer(con::TIMER_STATUS);
    const int stopped = logic->ticks;
    ASSERT_TRUE(testing::LetTimerFire(20, 8));
    EXPECT_EQ(logic->ticks, stopped);
}

// A wait of the logic (a serial time-out) keeps the window painting but
// never calls back into the logic: ticks falling into it are left out, a
// close request is delivered after it.
TEST_F(MainWindowTest, WaitsKeepPaintingWithoutReenteringTheLogic) {
    DialogWindow::InstallWaitHook();
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            paints += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    window->installEventFilter(&counter);
    int ticksInWait = -1, paintsInWait = -1, cancelsAfterWait = -1;
    logic->duringTick = [&] {
        const int ticks = logic->ticks, cancels = logic->cancels;
        counter.paints = 0;
        // Both come up as soon as the wait lets events through.
        QTimer::singleShot(0, window.get(), [this] { window->update(); });
        QTimer::singleShot(0, window.get(), [this] { window->close(); });  // the close box
        logic->waiting = true;
        ks::WaitMs(400);
        logic->waiting = false;
        ticksInWait = logic->ticks - ticks;
        paintsInWait = counter.paints;
        cancelsAfterWait = logic->cancels - cancels;
    };
    QTRY_VERIFY_WITH_TIMEOUT(ticksInWait >= 0, testing::kGuardMs);
    EXPECT_EQ(logic->reentries, 0);
    EXPECT_EQ(ticksInWait, 0);
    EXPECT_GE(paintsInWait, 1);
    EXPECT_EQ(cancelsAfterWait, 0);
    QTRY_VERIFY_WITH_TIMEOUT(logic->cancels == 1, testing::kGuardMs);  // delivered once the wait is over
    const int after = logic->ticks;
    QTRY_VERIFY_WITH_TIMEOUT(logic->ticks > after, testing::kGuardMs);  // and the ticks come round again
    ks::SetWaitHook(nullptr);
}

TEST_F(MainWindowTest, ListsTextsAndStyles) {
    for (int i = 0; i < 30; ++i) window->ListAddString(con::IDC_HOLE_LIST, "孔 " + std::to_string(i + 1));
    EXPECT_EQ(window->ListGetCount(con::IDC_HOLE_LIST), 30);
    window->ListSetCurSel(con::IDC_HOLE_LIST, 25);
    EXPECT_EQ(window->ListGetCurSel(con::IDC_HOLE_LIST), 25);
    window->ListSetCurSel(con::IDC_HOLE_LIST, 30);
    EXPECT_EQ(window->ListGetCurSel(con::IDC_HOLE_LIST), -1);
    window->ListSetCurSel(con::IDC_HOLE_LIST, 0);
    window->ListReset(con::IDC_HOLE_LIST);
    EXPECT_EQ(window->ListGetCount(con::IDC_HOLE_LIST), 0);

    window->SetItemText(con::IDC_COMM_LABEL, "连接成功 , 串口号COM1");
    EXPECT_EQ(window->GetItemText(con::IDC_COMM_LABEL), "连接成功 , 串口号COM1");
    auto* x = qobject_cast<QLabel*>(window->Control(con::IDC_X_INT));
    EXPECT_EQ(x->font().family(), QStringLiteral("微软雅黑"));
    EXPECT_EQ(x->font().pointSize(), 25);
    EXPECT_TRUE(x->styleSheet().contains(QStringLiteral("rgb(255,255,0)")));

    // A changed answer is applied when the window is asked to repaint.
    logic->colours[con::IDC_X_INT] = Style({255, 0, 0}, Rgb{0, 0, 0});
    window->Invalidate(true);
    EXPECT_TRUE(x->styleSheet().contains(QStringLiteral("rgb(255,0,0)")));

    std::vector<std::string> shown;
    window->SetMessageHook([&](const std::string& t) { shown.push_back(t); });
    window->MessageBox("未找到指定路径的加工文件");
    EXPECT_EQ(shown, (std::vector<std::string>{"未找到指定路径的加工文件"}));
}

// The hole list shows number, X and Y of every row without a horizontal
// scroll bar or an elided end, down to the widest rows a job can have.
TEST_F(MainWindowTest, HoleListRowsFitTheirWidth) {
    const std::vector<std::pair<int, JobHole>> rows = {
        {1, {0, -999999}}, {14999, {-999999, -999999}}, {7, {999999, 999999}}, {1234, {-1000, 5}}};
    for (int i = 0; i < 40; ++i) {
        const auto& [n, hole] = rows[static_cast<size_t>(i) % rows.size()];
        window->ListAddString(con::IDC_HOLE_LIST, HoleListRow(n, hole));
    }
    auto* list = qobject_cast<QListWidget*>(window->Control(con::IDC_HOLE_LIST));
    QApplication::processEvents();
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
    const QFontMetrics shown(list->font());
    for (const auto& [n, hole] : rows)
        EXPECT_LE(shown.horizontalAdvance(QString::fromStdString(HoleListRow(n, hole))), list->viewport()->width()) << n;
    EXPECT_EQ(list->font().family(), QStringLiteral("黑体"));
    // Short rows alone keep the list's own size.
    window->ListReset(con::IDC_HOLE_LIST);
    window->ListAddString(con::IDC_HOLE_LIST, "N1");
    EXPECT_EQ(list->font().pointSize(), 12);
}

// The size is measured, not scaled: at every width the widest row fits with
// its item margins, and a quarter point more would not (unless the list's
// own size fits, or the smallest size is reached).
TEST_F(MainWindowTest, HoleListSizeIsTheLargestThatFits) {
    auto* list = qobject_cast<QListWidget*>(window->Control(con::IDC_HOLE_LIST));
    const QFont design = list->font();
    const std::vector<std::string> rows = {HoleListRow(14999, {-999999, -999999}), HoleListRow(7, {999999, 999999}),
                                           HoleListRow(1234, {-1000, 5}), HoleListRow(88, {123456, -654321})};
    int narrowed = 0;
    for (int width = 200; width <= 300; width += 2) {
        list->setFixedWidth(width);
        const int room = list->width() - 2 * list->frameWidth() - list->verticalScrollBar()->sizeHint().width();
        for (const std::string& row : rows) {
            window->ListReset(con::IDC_HOLE_LIST);
            window->ListAddString(con::IDC_HOLE_LIST, row);
            const QString text = QString::fromStdString(row);
            const QFont chosen = list->font();
            if (chosen.pointSizeF() <= 7.0) continue;  // the smallest size: as good as it gets
            EXPECT_LE(QFontMetrics(chosen).horizontalAdvance(text) + 8, room) << width << " " << row;
            if (chosen.pointSizeF() >= design.pointSizeF()) continue;
            ++narrowed;
            QFont larger = chosen;
            larger.setPointSizeF(chosen.pointSizeF() + 0.25);
            EXPECT_GT(QFontMetrics(larger).horizontalAdvance(text) + 8, room) << width << " " << row;
        }
    }
    EXPECT_GT(narrowed, 20);
}

// A job's rows differ mostly in their digits, and rows of one shape are
// measured once; the widest row must still be found when it differs from
// the others only in its other characters, and again after the list's face
// changed.
TEST_F(MainWindowTest, HoleListFitsItsWidestRowAmongThousands) {
    auto* list = qobject_cast<QListWidget*>(window->Control(con::IDC_HOLE_LIST));
    std::vector<std::string> rows;
    for (int i = 0; i < 3000; ++i) rows.push_back(HoleListRow(10000 + i, {-100000 - i * 7, -200000 - i * 13}));
    std::string odd = rows[1500];
    odd.replace(odd.find("  "), 2, "WW");  // as long, with the same digits, but wider
    rows.insert(rows.begin() + 2000, odd);
    auto fitted = [&](const std::vector<std::string>& fill) {
        window->ListReset(con::IDC_HOLE_LIST);
        for (const std::string& r : fill) window->ListAddString(con::IDC_HOLE_LIST, r);
        return list->font();
    };
    for (int face = 0; face < 2; ++face) {
        const QFont all = fitted(rows);
        EXPECT_EQ(all, fitted({odd})) << face;
        EXPECT_NE(all, fitted({rows[0]})) << face;  // the odd row made it smaller
        logic->colours[con::IDC_HOLE_LIST] = Style({127, 255, 80}, Rgb{83, 104, 130}, "宋体", 15);
        window->RefreshStyles();
    }
}

TEST_F(MainWindowTest, HoleMapScreenshot) {
    auto holes = std::make_unique<HoleSlots>();
    int32_t count = 0;
    for (int row = 0; row < 6; ++row)
        for (int col = 0; col < 8; ++col) {
            const int x = (row % 2 ? 7 - col : col) * 12000;
            (*holes)[++count] = JobHole{x, row * 12000, 0.5f, count <= 14 ? 1 : 0};
        }
    (*holes)[0] = (*holes)[1];
    view::HoleMap map;
    map.m_nViewScale = 160;
    map.m_nViewType = 2;
    view::MapInput in{holes.get(), count, 15, RunState::Machining, 40000.0f, 30000.0f};
    window->MapSurface()->Present(map.RenderView(in));
    window->SetItemText(con::IDC_X_INT, "40.");
    window->SetItemText(con::IDC_X_DEC, "000");
    window->SetItemText(con::IDC_Y_INT, "30.");
    window->SetItemText(con::IDC_Y_DEC, "000");
    window->SetItemText(con::IDC_Z_INT, "-1.");
    window->SetItemText(con::IDC_Z_DEC, "250");
    window->SetItemText(con::IDC_COMM_LABEL, "连接成功 , 串口号COM1");
    window->SetItemText(con::IDC_STATUS_LINE, "   加工状态   预约暂停孔号 -1 ");
    window->SetItemText(con::IDC_RATE_LABEL, "完成率:29.17%");
    for (int i = 1; i <= count; ++i) window->ListAddString(con::IDC_HOLE_LIST, "第" + std::to_string(i) + "孔");
    window->ListSetCurSel(con::IDC_HOLE_LIST, 14);
    window->SetButtonPicture(con::IDC_PUMP, ids::IDB_PUMP_ON);
    window->SetButtonPicture(con::IDC_DRILL, ids::IDB_DRILL_ON);
    QTRY_VERIFY_WITH_TIMEOUT(window->MapWidget()->PaintedFrames() > 0, testing::kGuardMs);
    testing::Settle();

    EXPECT_TRUE(ShotShowsSomething(*window, QStringLiteral("main")));
    const QImage mapImage = window->MapWidget()->grabFramebuffer();
    EXPECT_GT(CountNear(mapImage, QColor(14, 14, 48), 12), mapImage.width() * mapImage.height() / 2);
    EXPECT_GT(CountNear(mapImage, QColor(51, 178, 255)), 100);   // done holes
    EXPECT_GT(CountNear(mapImage, QColor(255, 255, 0)), 100);    // pending holes
    EXPECT_GT(CountNear(mapImage, QColor(255, 0, 0)), 100);      // marker and cross-hair
    EXPECT_LT(logic->paints, 20);  // painting the map does not repaint the window in a loop
}

TEST_F(MainWindowTest, OnlyPaintsOfTheWindowItselfReachTheLogic) {
    QTRY_VERIFY_WITH_TIMEOUT(logic->paints >= 1, testing::kGuardMs);
    testing::Settle();
    const int settled = logic->paints;
    // Status texts change on every tick; they repaint their labels only.
    for (int i = 0; i < 10; ++i) {
        window->SetItemText(con::IDC_X_INT, std::to_string(i) + ".");
        window->SetItemText(con::IDC_STATUS_LINE, "   暂停状态   预约暂停孔号 " + std::to_string(i));
        testing::Settle();
    }
    EXPECT_EQ(logic->paints, settled);
    window->Invalidate(true);
    QTRY_COMPARE_WITH_TIMEOUT(logic->paints, settled + 1, testing::kGuardMs);
}

TEST_F(MainWindowTest, PickersReturnPathAndName) {
    const QString dir = QDir::tempPath() + QStringLiteral("/kestrane-picker");
    QDir(dir).removeRecursively();
    QDir().mkpath(dir + QStringLiteral("/out"));
    QFile nc(dir + QStringLiteral("/plate00.nc"));
    ASSERT_TRUE(nc.open(QIODevice::WriteOnly));
    nc.close();

    // Plays the operator in the file dialog once it is up; gives up (and
    // closes it) rather than hang the run.
    auto answer = [](std::function<void(QFileDialog*)> act) {
        auto* poll = new QTimer;
        auto tries = std::make_shared<int>(0);
        QObject::connect(poll, &QTimer::timeout, [poll, act, tries] {
            QFileDialog* found = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) found = d;
            }
            if (found && QTest::qWaitForWindowExposed(found, testing::kGuardMs)) {
                poll->stop();
                poll->deleteLater();
                act(found);
            } else if (++*tries > 250) {
                poll->stop();
                poll->deleteLater();
                ADD_FAILURE() << "no file dialog came up";
                if (found) static_cast<QDialog*>(found)->reject();
            }
        });
        poll->start(20);
    };

    QStringList offered;
    answer([&](QFileDialog* d) {
        offered = d->nameFilters();
        EXPECT_EQ(QDir(d->directory()).absolutePath(), QDir(dir).absolutePath());
        // Typed, as the directory listing may still be loading.
        auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QStringLiteral("plate00.nc"));
        static_cast<QDialog*>(d)->accept();
    });
    OpenFileRequest request{"加工文件(*.NC)|*.NC|所有文件(*.*)|*.*||", dir.toStdString()};
    OpenFileResult result;
    ASSERT_TRUE(window->ChooseOpenFile(request, &result));
    EXPECT_EQ(result.path, (dir + QStringLiteral("/plate00.nc")).toStdString());
    EXPECT_EQ(result.name, "plate00.nc");
    EXPECT_EQ(offered.size(), 2);

    answer([](QFileDialog* d) { d->reject(); });
    EXPECT_FALSE(window->ChooseOpenFile(request, &result));

    QString title;
    answer([&](QFileDialog* d) {
        title = d->windowTitle();
        d->setDirectory(dir + QStringLiteral("/out"));
        static_cast<QDialog*>(d)->accept();
    });
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir);
    std::string folder;
    const bool chosen = window->ChooseFolder("请选择要保存文件的文件夹", &folder);
    QDir::setCurrent(before);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(title, QStringLiteral("请选择要保存文件的文件夹"));
    EXPECT_EQ(folder, (dir + QStringLiteral("/out")).toStdString());
    QDir(dir).removeRecursively();
}

TEST(MapSurface, ReportsAMissingContext) {
    HoleMapWidget widget;
    EXPECT_TRUE(widget.CreateContext());
    HoleMapWidget::SimulateMissingOpenGl(true);
    EXPECT_FALSE(widget.CreateContext());
    EXPECT_TRUE(widget.ContextFailed());
    HoleMapWidget::SimulateMissingOpenGl(false);
}

// Opens `panel` modally over a main window; `inside` runs while it is open
// and must close it.
int RunPanel(Probe& panel, const std::function<void(DialogWindow&)>& inside) {
    Probe mainLogic(ids::IDD_CONSOLE, -1);
    DialogWindow main(mainLogic);
    main.Open();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&main, testing::kGuardMs));
    main.SetChildHook([&](DialogWindow& child) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&child, testing::kGuardMs));
        const QRect m = main.frameGeometry();
        if (child.Template().panel) {
            EXPECT_EQ(child.frameGeometry(), QRect(m.left() + 4, m.top() + 52, 736, 620));
        }
        inside(child);
        if (child.isVisible()) {
            ADD_FAILURE() << "panel still open";
            child.EndDialog(-1);
        }
    });
    return main.RunModal(panel);
}

TEST(Panels, MachiningParametersCloseOnEnter) {
    Probe p(ids::IDD_MACHINING_PARAM, ids::IDOK);
    p.swallowKeys = false;
    const Rgb black{0, 0, 0}, skin{172, 186, 202};
    for (int id = ids::machining::IDC_DEPTH_GROUP; id <= ids::machining::IDC_SPEED_LABEL; ++id)
        p.colours[id] = Style(black, skin);
    const int r = RunPanel(p, [&](DialogWindow& w) {
        w.SetItemText(ids::machining::IDC_PULSE_WIDTH, "12");
        w.SetItemText(ids::machining::IDC_DEPTH_UPPER, "1.500");
        QTest::mouseClick(w.Control(ids::machining::IDC_WIDTH_PLUS), Qt::LeftButton);
        EXPECT_EQ(p.commands.back(), ids::machining::IDC_WIDTH_PLUS);
        EXPECT_TRUE(ShotShowsSomething(w, QStringLiteral("panel160")));
        // Enter on a push button presses that button; elsewhere the default one.
        QTest::keyClick(w.Control(ids::machining::IDC_WIDTH_MINUS), Qt::Key_Return);
        EXPECT_EQ(p.commands.back(), ids::machining::IDC_WIDTH_MINUS);
        EXPECT_TRUE(w.isVisible());
        QTest::keyClick(w.Control(ids::machining::IDC_PULSE_WIDTH), Qt::Key_Return);
    });
    EXPECT_EQ(r, kIdOk);
    EXPECT_EQ(p.Count(ids::IDOK), 1);
}

TEST(Panels, PositioningRoutesJogPressesAndSwallowsKeys) {
    namespace pos = ids::positioning;
    Probe p(ids::IDD_POSITIONING, ids::IDOK);
    for (int id : {pos::IDC_SPEED_LABEL, pos::IDC_PRESET_GROUP, pos::IDC_JOG_GROUP, pos::IDC_MODE_STEP,
                   pos::IDC_MODE_SLOW, pos::IDC_MODE_MEDIUM, pos::IDC_MODE_FAST})
        p.colours[id] = Style({0, 0, 0}, Rgb{172, 186, 202});
    const int r = RunPanel(p, [&](DialogWindow& w) {
        w.CheckRadioButton(pos::IDC_MODE_STEP, pos::IDC_MODE_FAST, pos::IDC_MODE_SLOW);
        EXPECT_TRUE(w.IsButtonChecked(pos::IDC_MODE_SLOW));
        QTest::mouseClick(w.Control(pos::IDC_MODE_FAST), Qt::LeftButton);
        EXPECT_TRUE(w.IsButtonChecked(pos::IDC_MODE_FAST));
        EXPECT_FALSE(w.IsButtonChecked(pos::IDC_MODE_SLOW));
        EXPECT_EQ(p.commands.back(), pos::IDC_MODE_FAST);

        QWidget* yMinus = w.Control(pos::IDC_Y_MINUS);
        QTest::mousePress(yMinus, Qt::LeftButton);
        ASSERT_FALSE(p.messages.empty());
        EXPECT_EQ(p.messages.back().kind, Message::LButtonDown);
        EXPECT_EQ(p.messages.back().targetId, pos::IDC_Y_MINUS);
        QTest::mouseRelease(yMinus, Qt::LeftButton);
        EXPECT_EQ(p.messages.back().kind, Message::LButtonUp);

        w.SetItemText(pos::IDC_X_VALUE, "12.345");
        w.SetItemText(pos::IDC_Y_VALUE, "-0.062");
        w.SetItemText(pos::IDC_Z_VALUE, "0.000");
        EXPECT_TRUE(ShotShowsSomething(w, QStringLiteral("panel161")));
        QTest::keyClick(w.Control(pos::IDC_X_VALUE), Qt::Key_Return);
        QTest::keyClick(w.Control(pos::IDC_X_VALUE), Qt::Key_Escape);
        EXPECT_TRUE(w.isVisible());
        QTest::mouseClick(w.Control(ids::IDOK), Qt::LeftButton);
    });
    EXPECT_EQ(r, kIdOk);
}

TEST(Panels, MachineSettingsCombosAndRadios) {
    namespace m = ids::machine;
    Probe p(ids::IDD_MACHINE_PARAM, ids::IDOK);
    for (int id : {m::IDC_PORT_LABEL, m::IDC_SPEED_LABEL, m::IDC_VIEW_GROUP, m::IDC_VIEW_HOLE, m::IDC_VIEW_CENTRE})
        p.colours[id] = Style({0, 0, 0}, Rgb{172, 186, 202}, "宋体", 10);
    RunPanel(p, [&](DialogWindow& w) {
        auto* port = qobject_cast<QComboBox*>(w.Control(m::IDC_PORT));
        ASSERT_EQ(port->count(), 7);
        EXPECT_EQ(port->itemText(6), QStringLiteral("COM7"));
        EXPECT_EQ(w.ComboGetCurSel(m::IDC_PORT), -1);
        w.ComboSetCurSel(m::IDC_PORT, 2);
        EXPECT_EQ(w.ComboGetCurSel(m::IDC_PORT), 2);
        w.ComboSetCurSel(m::IDC_PORT, 8);
        EXPECT_EQ(w.ComboGetCurSel(m::IDC_PORT), -1);
        w.ComboSetCurSel(m::IDC_PORT, 0);
        w.ComboSetCurSel(m::IDC_SPEED, 2);
        EXPECT_EQ(w.GetItemText(m::IDC_SPEED), "3挡");

        EXPECT_FALSE(w.IsButtonChecked(m::IDC_VIEW_HOLE));
        EXPECT_FALSE(w.IsButtonChecked(m::IDC_VIEW_CENTRE));
        w.CheckRadioButton(m::IDC_VIEW_HOLE, m::IDC_VIEW_CENTRE, m::IDC_VIEW_HOLE);
        EXPECT_TRUE(w.IsButtonChecked(m::IDC_VIEW_HOLE));
        w.CheckRadioButton(m::IDC_VIEW_HOLE, m::IDC_VIEW_CENTRE, 0);
        EXPECT_FALSE(w.IsButtonChecked(m::IDC_VIEW_HOLE));
        w.CheckRadioButton(m::IDC_VIEW_HOLE, m::IDC_VIEW_CENTRE, m::IDC_VIEW_CENTRE);
        EXPECT_TRUE(ShotShowsSomething(w, QStringLiteral("panel162")));
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_TRUE(w.isVisible());
        QTest::mouseClick(w.Control(ids::IDOK), Qt::LeftButton);
    });
    EXPECT_EQ(p.Count(ids::IDOK), 1);
}

TEST(Panels, SystemInformationAndFileProcessing) {
    Probe info(ids::IDD_SYSTEM_INFO, ids::IDOK);
    info.swallowKeys = false;
    RunPanel(info, [&](DialogWindow& w) {
        EXPECT_TRUE(ShotShowsSomething(w, QStringLiteral("panel159")));
        QTest::keyClick(w.Control(ids::IDOK), Qt::Key_Escape);  // Esc closes this one
    });
    EXPECT_EQ(info.cancels, 1);

    namespace f = ids::fileproc;
    Probe file(ids::IDD_FILE_PROCESS, f::IDC_EXIT);
    file.colours[f::IDC_MM_MIN] = Style({0, 0, 0}, Rgb{172, 186, 202}, "宋体", 12);
    file.colours[f::IDC_MM_MAX] = file.colours[f::IDC_MM_MIN];
    RunPanel(file, [&](DialogWindow& w) {
        w.SetItemText(f::IDC_DXF_PATH, "/home/operator/parts/plate.dxf");
        w.SetItemText(f::IDC_DIA_MIN, "0.5");
        w.SetItemText(f::IDC_DIA_MAX, "3");
        w.SetItemText(f::IDC_NC_FOLDER, "/home/operator/nc");
        w.SetItemText(f::IDC_JOB_PATH, "/home/operator/nc/plate00.NC");
        EXPECT_EQ(w.GetItemText(f::IDC_DIA_MIN), "0.5");
        // A path in another code page comes back byte for byte, until typed over.
        const std::string gbk = "D:\\\xC1\xE3\xBC\xFE\\plate.dxf";
        w.SetItemText(f::IDC_DXF_PATH, gbk);
        EXPECT_EQ(w.GetItemText(f::IDC_DXF_PATH), gbk);
        qobject_cast<QLineEdit*>(w.Control(f::IDC_DXF_PATH))->setText(QStringLiteral("/parts/new.dxf"));
        EXPECT_EQ(w.GetItemText(f::IDC_DXF_PATH), "/parts/new.dxf");
        w.SetItemText(f::IDC_DXF_PATH, "/home/operator/parts/plate.dxf");
        EXPECT_TRUE(ShotShowsSomething(w, QStringLiteral("panel103")));
        QTest::keyClick(w.Control(f::IDC_DIA_MIN), Qt::Key_Return);
        EXPECT_TRUE(w.isVisible());
        QTest::mouseClick(w.Control(f::IDC_EXIT), Qt::LeftButton);
    });
    EXPECT_EQ(file.Count(f::IDC_EXIT), 1);

    Probe about(ids::IDD_ABOUTBOX, ids::IDOK);
    RunPanel(about, [&](DialogWindow& w) {
        EXPECT_TRUE(ShotShowsSomething(w, QStringLiteral("about")));
        QTest::mouseClick(w.Control(ids::IDOK), Qt::LeftButton);
    });
    EXPECT_EQ(about.Count(ids::IDOK), 1);
}

TEST(Pictures, EveryPictureHasItsSizeAndSwapsDiffer) {
    for (const auto& info : res::Pictures()) {
        const QPixmap pm = Picture(info.id);
        EXPECT_EQ(pm.size(), QSize(info.width, info.height)) << info.id;
    }
    for (const auto& s : res::PictureSwaps()) {
        const QImage on = Picture(s.onBitmap).toImage();
        const QImage off = Picture(s.offBitmap).toImage();
        // The centre colours must be far apart for a glance to tell them.
        const QColor a = on.pixelColor(on.width() / 2, on.height() - 4);
        const QColor b = off.pixelColor(off.width() / 2, off.height() - 4);
        const int distance = std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
        EXPECT_GT(distance, 120) << s.buttonId;
    }
    EXPECT_TRUE(Picture(9999).isNull());
}

TEST(FileFilter, ConvertsTheBarForm) {
    EXPECT_EQ(QtFileFilter("加工文件(*.dxf)|*.dxf|所有文件(*.*)|*.*||"),
              QStringLiteral("加工文件(*.dxf) (*.dxf *.DXF);;所有文件(*.*) (*)"));
    EXPECT_EQ(QtFileFilter("加工文件(*.NC)|*.NC|所有文件(*.*)|*.*||"),
              QStringLiteral("加工文件(*.NC) (*.NC *.nc);;所有文件(*.*) (*)"));
    EXPECT_EQ(QtFileFilter("Jobs|*.nc;*.3b||"), QStringLiteral("Jobs (*.nc *.NC *.3b *.3B)"));
    EXPECT_EQ(QtFileFilter(""), QString());
}

}  // namespace
}  // namespace ks::ui::qt

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
