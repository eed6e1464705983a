#include "ui/qt/dialog_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QScreen>
#include <QSpacerItem>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>

#include "platform/wait_hook.h"
#include "ui/control_colour_kind.h"
#include "ui/qt/control_factory.h"
#include "ui/qt/dialog_styling.h"
#include "ui/qt/dialog_widgets.h"
#include "ui/qt/event_translation.h"
#include "ui/qt/file_filter.h"
#include "ui/qt/hole_map_widget.h"
#include "ui/qt/qt_text.h"

namespace ks::ui::qt {

DialogWindow::DialogWindow(Dialog& logic, QWidget* parent) : QDialog(parent), m_logic(logic) {
    m_template = res::FindTemplate(logic.TemplateId());
    if (!m_template) {
        static const res::DialogTemplate empty;
        m_template = &empty;
    }
    m_styler = std::make_unique<DialogStyler>(SetUpWindow(*this, *m_template));
    m_controls = std::make_unique<Controls>(MakeControls(*this, *m_template, [this](int id) {
        CallLogic([this, id] { m_logic.OnCommand(id); });
    }));
    m_events = std::make_unique<EventTranslator>(*this, m_logic, *m_template, m_controls->idOf);
}

DialogWindow::~DialogWindow() { Finish(); }

QWidget* DialogWindow::Control(int id) const { return m_controls->Find(id); }

HoleMapWidget* DialogWindow::MapWidget() const { return m_controls->map; }

view::MapSurface* DialogWindow::MapSurface() const { return m_controls->map; }

void DialogWindow::ApplyStyle(int id) {
    QWidget* w = Control(id);
    const res::ControlTemplate* tmpl = m_controls->TemplateOf(id);
    if (!w || !tmpl || !DialogStyler::TakesStyle(*tmpl)) return;
    std::optional<ControlStyle> style;
    if (m_logic.IsAttached()) style = m_logic.OnCtlColor(id, ColourKindOf(tmpl->kind));
    m_styler->Apply(id, w, *tmpl, style);
}

void DialogWindow::RefreshStyles() {
    if (m_logic.IsAttached()) m_styler->SetWindowColours(m_logic.OnCtlColor(0, CtlColorKind::Dialog));
    for (const auto& [id, w] : m_controls->byId) ApplyStyle(id);
}

// --- Life cycle ----------------------------------------------------------

void DialogWindow::Start() {
    if (m_started) return;
    m_logic.Attach(this);
    qApp->installEventFilter(this);
    RefreshStyles();
    m_initResult = m_logic.OnInitDialog();
    RefreshStyles();
    m_started = true;
}

void DialogWindow::Finish() {
    if (!m_started) return;
    m_started = false;
    for (auto& [id, timer] : m_timers) timer->stop();
    qApp->removeEventFilter(this);
    m_logic.Detach();
}

void DialogWindow::PlaceOverParent() {
    if (!m_template->panel || !parentWidget()) return;
    const QRect main = parentWidget()->window()->frameGeometry();
    move(main.left() + res::kPanelOffsetX, main.top() + res::kPanelOffsetY);
}

int DialogWindow::RunModal() {
    PlaceOverParent();
    setResult(0);
    m_ended = false;
    Start();
    int r = m_ended ? result() : exec();
    Finish();
    return r;
}

bool DialogWindow::Open() {
    PlaceOverParent();
    Start();
    show();
    return m_initResult;
}

void DialogWindow::EndDialog(int result) {
    m_ended = true;
    done(result);
}

void DialogWindow::reject() {
    // The close box and Esc reach the logic as the cancel command.
    if (m_logic.IsAttached()) {
        CallLogic([this] { m_logic.OnCommand(kIdCancel); });
    } else {
        QDialog::reject();
    }
}

void DialogWindow::accept() {
    if (m_logic.IsAttached()) {
        CallLogic([this] { m_logic.OnCommand(kIdOk); });
    } else {
        QDialog::accept();
    }
}

// While the logic waits (a serial time-out, a retry pause), the wait hook
// lets this window paint and answer the window manager; what would call
// the logic then (a close request, a deferred paint) is delivered after
// the wait instead. User input is not delivered during a wait at all.
void DialogWindow::CallLogic(std::function<void()> call) {
    if (!InWait()) {
        if (m_logic.IsAttached()) call();
        return;
    }
    QTimer::singleShot(static_cast<int>(kWaitSliceMs), this, [this, call = std::move(call)]() mutable {
        CallLogic(std::move(call));
    });
}

void DialogWindow::InstallWaitHook() {
    SetWaitHook([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5); });
}

// --- Events --------------------------------------------------------------

bool DialogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (m_started && m_logic.IsAttached()) {
        if (std::optional<bool> taken = m_events->Translate(watched, event)) return *taken;
    }
    return QDialog::eventFilter(watched, event);
}

QMenu* DialogWindow::WindowMenu() {
    if (!m_template->aboutItem && !m_template->reportItem) return nullptr;
    if (!m_windowMenu) {
        // The platform's window menu cannot take items here; the same
        // commands sit in the window's own context menu, with their mnemonics.
        m_windowMenu = new QMenu(this);
        const struct { bool wanted; int text, command; } items[] = {
            {m_template->aboutItem, res::IDS_ABOUTBOX, res::IDM_ABOUTBOX},
            {m_template->reportItem, res::IDS_JOBREPORT, res::IDM_JOBREPORT},
        };
        for (const auto& item : items) {
            const QString text = Q(res::LoadString(item.text));
            if (!item.wanted || text.isEmpty()) continue;
            const int command = item.command;
            connect(m_windowMenu->addAction(text), &QAction::triggered, this,
                    [this, command] { CallLogic([this, command] { m_logic.OnCommand(command); }); });
        }
    }
    return m_windowMenu->actions().isEmpty() ? nullptr : m_windowMenu;
}

void DialogWindow::contextMenuEvent(QContextMenuEvent* event) {
    if (QMenu* menu = WindowMenu(); menu && childAt(event->pos()) == nullptr) {
        menu->exec(event->globalPos());
        return;
    }
    QDialog::contextMenuEvent(event);
}

void DialogWindow::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    m_styler->PaintWindow(p, rect(), m_template->windowStyle & res::kThinBorder);
    // A control repainting itself (a label's new text) shows through to the
    // window here; that is not a paint of the window itself, which the
    // logic's paint work (and the map's blinking) must not follow.
    QRegion own = event->region();
    for (QObject* o : children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && w->isVisible() && !w->isWindow()) own -= w->geometry();
    }
    if (!own.isEmpty()) SchedulePaint();
}

void DialogWindow::SchedulePaint() {
    // The logic's paint work may open a message box; it runs right after the
    // paint, not inside it.
    if (!m_started || m_paintPending) return;
    m_paintPending = true;
    QTimer::singleShot(0, this, [this] {
        CallLogic([this] {
            m_paintPending = false;
            if (m_started) m_logic.OnPaint();
        });
    });
}

void DialogWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !m_started || !m_logic.IsAttached()) return;
    const bool minimised = isMinimized();
    if (minimised != m_wasMinimised) CallLogic([this, minimised] { m_logic.OnSize(!minimised); });
    m_wasMinimised = minimised;
}

// --- DialogView ----------------------------------------------------------

void DialogWindow::SetItemText(int id, const std::string& text) {
    QWidget* w = Control(id);
    const QString s = Q(text);
    m_givenText[id] = {s, text};
    SetShownText(w, s);
    FitLabel(qobject_cast<QLabel*>(w));
}

std::string DialogWindow::GetItemText(int id) {
    const std::string shown = U(ShownText(Control(id)));
    if (auto it = m_givenText.find(id); it != m_givenText.end() && U(it->second.first) == shown)
        return it->second.second;  // untouched since it was set: the bytes as given
    return shown;
}

void DialogWindow::EnableItem(int id, bool enabled) {
    if (QWidget* w = Control(id)) w->setEnabled(enabled);
}

void DialogWindow::SetItemToolTip(int id, const std::string& text) {
    if (QWidget* w = Control(id)) w->setToolTip(Q(text));
}

void DialogWindow::ListReset(int id) {
    if (auto* l = qobject_cast<QListWidget*>(Control(id))) {
        l->clear();
        m_styler->ListCleared(id, l);
    }
}

int DialogWindow::ListAddString(int id, const std::string& row) {
    auto* l = qobject_cast<QListWidget*>(Control(id));
    if (!l) return -1;
    const QString text = Q(row);
    l->addItem(text);
    m_styler->RowAdded(id, l, text);
    return l->count() - 1;
}

void DialogWindow::ListSetCurSel(int id, int index) {
    auto* l = qobject_cast<QListWidget*>(Control(id));
    if (!l) return;
    if (index < 0 || index >= l->count()) {
        l->clearSelection();
        l->setCurrentRow(-1);
        return;
    }
    l->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    l->scrollToItem(l->item(index), QAbstractItemView::EnsureVisible);
}

int DialogWindow::ListGetCurSel(int id) {
    auto* l = qobject_cast<QListWidget*>(Control(id));
    if (!l) return -1;
    const int row = l->currentRow();
    return (row >= 0 && l->item(row)->isSelected()) ? row : -1;
}

int DialogWindow::ListGetCount(int id) {
    auto* l = qobject_cast<QListWidget*>(Control(id));
    return l ? l->count() : 0;
}

void DialogWindow::ComboSetCurSel(int id, int index) {
    auto* c = qobject_cast<QComboBox*>(Control(id));
    if (!c) return;
    c->setCurrentIndex(index >= 0 && index < c->count() ? index : -1);
    if (c->currentIndex() < 0 && c->isEditable()) c->setEditText(QString());
}

int DialogWindow::ComboGetCurSel(int id) {
    auto* c = qobject_cast<QComboBox*>(Control(id));
    return c ? c->currentIndex() : -1;
}

void DialogWindow::ComboSetItemText(int id, int index, const std::string& text) {
    auto* c = qobject_cast<QComboBox*>(Control(id));
    if (!c || index < 0 || index >= c->count()) return;
    c->setItemText(index, Q(text));
    if (index == c->currentIndex() && c->lineEdit()) c->lineEdit()->setCursorPosition(0);
}

void DialogWindow::CheckRadioButton(int first, int last, int checked) {
    std::vector<QButtonGroup*> groups;
    for (int id = first; id <= last; ++id) {
        if (auto it = m_controls->radioGroup.find(id); it != m_controls->radioGroup.end()) {
            if (std::find(groups.begin(), groups.end(), it->second) == groups.end()) groups.push_back(it->second);
        }
    }
    // An exclusive group cannot be left without a checked button otherwise.
    for (auto* g : groups) g->setExclusive(false);
    for (int id = first; id <= last; ++id) {
        if (auto* b = qobject_cast<QRadioButton*>(Control(id))) b->setChecked(id == checked);
    }
    for (auto* g : groups) g->setExclusive(true);
}

bool DialogWindow::IsButtonChecked(int id) {
    auto* b = qobject_cast<QAbstractButton*>(Control(id));
    return b && b->isChecked();
}

void DialogWindow::SetButtonPicture(int id, int bitmapId) {
    if (auto* b = dynamic_cast<PictureButton*>(Control(id))) b->SetPicture(bitmapId);
}

void DialogWindow::SetWindowTitle(const std::string& title) { setWindowTitle(Q(title)); }

void DialogWindow::MessageBox(const std::string& text) {
    if (m_messageHook) {
        m_messageHook(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(res::kAppName), Q(text), QMessageBox::Ok, this);
    // The one button speaks the operator's language like the text above it.
    box.button(QMessageBox::Ok)->setText(QCoreApplication::translate("window", "确定"));
    box.exec();
}

// A long first line would run into the box's edge: the box is made wide
// enough for the widest line, within the screen.
void DialogWindow::WarningBox(const std::string& title, const std::string& text) {
    if (m_messageHook) {
        m_messageHook(title + "\n" + text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, Q(title), Q(text), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.button(QMessageBox::Ok)->setText(QCoreApplication::translate("window", "确定"));
    int widest = 0;
    const QFontMetrics metrics(box.font());
    for (const QString& line : Q(text).split(QLatin1Char('\n'))) widest = std::max(widest, metrics.horizontalAdvance(line));
    const int limit = screen() ? screen()->availableGeometry().width() * 3 / 4 : 900;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(std::min(widest + 40, limit), 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    box.exec();
}

void DialogWindow::Invalidate(bool erase) {
    (void)erase;  // every repaint fills the background
    RefreshStyles();
    update();
    if (m_controls->map) m_controls->map->update();
}

Rect DialogWindow::WindowRect() {
    const QRect r = frameGeometry();
    return {r.left(), r.top(), r.width(), r.height()};
}

void DialogWindow::MoveWindow(const Rect& rect) {
    move(rect.left, rect.top);
    // Frame parts (a caption) are not the window's to resize.
    const QSize frameExtra = frameGeometry().size() - size();
    const QSize client(rect.width - frameExtra.width(), rect.height - frameExtra.height());
    if (client.isValid()) setFixedSize(client);
}

void DialogWindow::SetTimer(int timerId, uint32_t periodMs) {
    QTimer*& timer = m_timers[timerId];
    if (!timer) {
        timer = new QTimer(this);
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, [this, timerId] {
            // A tick that falls into a wait is left out: the timer comes
            // round again, and ticks must not pile up behind a long wait.
            if (InWait()) return;
            if (m_started && m_logic.IsAttached()) m_logic.OnTimer(timerId);
        });
    }
    // Periods below 10 ms run at 10 ms: a period of 0 would otherwise make
    // the logic's tick a busy loop that starves painting and input.
    timer->start(static_cast<int>(std::clamp<uint32_t>(periodMs, 10u, 0x7FFFFFFFu)));
}

void DialogWindow::KillTimer(int timerId) {
    if (auto it = m_timers.find(timerId); it != m_timers.end()) it->second->stop();
}

int DialogWindow::RunModal(Dialog& child) {
    DialogWindow window(child, this);
    window.SetMessageHook(m_messageHook);
    window.SetChildHook(m_childHook);
    if (m_childHook) {
        QTimer::singleShot(0, &window, [this, &window] { m_childHook(window); });
    }
    return window.RunModal();
}

bool DialogWindow::ChooseOpenFile(const OpenFileRequest& request, OpenFileResult* result) {
    const QString path = QFileDialog::getOpenFileName(this, QCoreApplication::translate("window", "打开"),
                                                      QString::fromLocal8Bit(request.startFolder.c_str()),
                                                      QtFileFilter(request.filter));
    if (path.isEmpty()) return false;
    if (result) {
        result->path = QDir::toNativeSeparators(path).toLocal8Bit().toStdString();
        result->name = QFileInfo(path).fileName().toLocal8Bit().toStdString();
    }
    return true;
}

bool DialogWindow::ChooseFolder(const std::string& title, std::string* folder) {
    const QString dir = QFileDialog::getExistingDirectory(this, Q(title), QDir::currentPath());
    if (dir.isEmpty()) return false;
    if (folder) *folder = QDir::toNativeSeparators(dir).toLocal8Bit().toStdString();
    return true;
}

}  // namespace ks::ui::qt
