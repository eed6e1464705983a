#include "ui/qt/dialog_window.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "platform/wait_hook.h"
#include "ui/qt/file_filter.h"
#include "ui/qt/hole_map_widget.h"
#include "ui/qt/pictures.h"

namespace ks::ui::qt {

using res::ControlKind;

// A push button that shows only its picture and takes the picture's size.
class PictureButton : public QAbstractButton {
public:
    PictureButton(const QString& caption, QWidget* parent) : QAbstractButton(parent) { setText(caption); }

    void SetPicture(int bitmapId) {
        m_bitmap = bitmapId;
        m_pixmap = Picture(bitmapId);
        if (!m_pixmap.isNull()) setFixedSize(m_pixmap.size());
        update();
    }
    int Bitmap() const { return m_bitmap; }
    QSize sizeHint() const override { return m_pixmap.isNull() ? QSize(80, 30) : m_pixmap.size(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        // Pressed: the picture sinks by a pixel and darkens.
        const bool down = isDown();
        p.drawPixmap(down ? 1 : 0, down ? 1 : 0, m_pixmap);
        if (down) p.fillRect(rect(), QColor(0, 0, 0, 70));
        if (!isEnabled()) p.fillRect(rect(), QColor(128, 128, 128, 120));
        if (underMouse() && !down) p.fillRect(rect(), QColor(255, 255, 255, 24));
    }
    void enterEvent(QEnterEvent* e) override { update(); QAbstractButton::enterEvent(e); }
    void leaveEvent(QEvent* e) override { update(); QAbstractButton::leaveEvent(e); }

private:
    int m_bitmap = 0;
    QPixmap m_pixmap;
};

// A radio button whose whole rectangle takes the click, as on the original
// platform, not only its indicator and text.
class RadioButton : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

namespace {

QString Q(const std::string& utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }
std::string U(const QString& text) { return text.toUtf8().toStdString(); }

CtlColorKind ColourKind(ControlKind kind) {
    switch (kind) {
        case ControlKind::Edit:
        case ControlKind::ComboBox: return CtlColorKind::Edit;
        case ControlKind::ListBox: return CtlColorKind::ListBox;
        case ControlKind::Button:
        case ControlKind::PictureButton: return CtlColorKind::Button;
        default: return CtlColorKind::Static;
    }
}

// The substitute for a Windows face may run wider than the face a label was
// laid out for (the 25-point coordinate digits): a one-line label whose text
// would be cut is drawn condensed just enough to fit.
void FitLabel(QLabel* l) {
    if (!l || l->wordWrap() || l->text().isEmpty()) return;
    QFont f = l->font();
    f.setStretch(QFont::AnyStretch);
    const int need = QFontMetrics(f).horizontalAdvance(l->text());
    const int room = l->contentsRect().width() - 2;
    const int stretch = (need > room && need > 0) ? std::max(70, room * 100 / need) : 0;
    if (stretch > 0) f.setStretch(stretch);
    if (l->font() != f) l->setFont(f);
}

// Hole list rows keep the blanks of the job format between number, X and Y;
// in the substitute faces the widest of them is wider than the list, which
// would hide Y behind a horizontal scroll bar. The list's face is then drawn
// just small enough for its widest row to fit beside the vertical scroll bar
// (condensing by stretch is not honoured by the item painter).
void FitList(QListWidget* l, const QFont& design, const QString& widest) {
    if (!l) return;
    QFont f = design;
    const int need = widest.isEmpty() ? 0 : QFontMetrics(design).horizontalAdvance(widest) + 8;  // item margins
    const int room = l->width() - 2 * l->frameWidth() - l->verticalScrollBar()->sizeHint().width();
    if (need > room && design.pointSizeF() > 0) {
        const double points = std::floor(design.pointSizeF() * room / need * 4) / 4;  // quarter points
        f.setPointSizeF(std::max(7.0, points));
    }
    if (l->font() != f) l->setFont(f);
}

QString Css(const Rgb& c) { return QStringLiteral("rgb(%1,%2,%3)").arg(c.r).arg(c.g).arg(c.b); }

// Win32 virtual-key code of a Qt key, for the keys the logic looks at.
int VirtualKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Return:
        case Qt::Key_Enter: return kKeyEnter;
        case Qt::Key_Escape: return kKeyEscape;
        case Qt::Key_Space: return kKeySpace;
        default: break;
    }
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)) return qtKey;
    return 0;
}

}  // namespace

DialogWindow::DialogWindow(Dialog& logic, QWidget* parent) : QDialog(parent), m_logic(logic) {
    m_template = res::FindTemplate(logic.TemplateId());
    if (!m_template) {
        static const res::DialogTemplate empty;
        m_template = &empty;
    }
    Build();
}

DialogWindow::~DialogWindow() { Finish(); }

void DialogWindow::Build() {
    const res::DialogTemplate& t = *m_template;
    Qt::WindowFlags flags = Qt::Dialog;
    if (t.windowStyle & res::kThinBorder) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        if (t.windowStyle & res::kSystemMenu) flags |= Qt::WindowSystemMenuHint;
        if (t.windowStyle & res::kMinimiseBox) flags = (flags & ~Qt::Dialog) | Qt::Window | Qt::WindowMinimizeButtonHint;
    }
    setWindowFlags(flags);
    setWindowTitle(Q(t.caption));
    setWindowIcon(QIcon(ProgramIcon(32)));
    setSizeGripEnabled(false);

    QFont font(Q(t.fontFace));
    if (t.fontFace == "System") {
        // The panels' face is a 16-pixel bitmap font where they were drawn
        // first; a CJK face of about that height keeps them as legible.
        font = QFont(QStringLiteral("宋体"));
        font.setPixelSize(15);
    } else if (t.fontPoints > 0) {
        font.setPointSize(t.fontPoints);
    }
    setFont(font);

    const int border = (t.windowStyle & res::kThinBorder) ? 1 : 0;
    if (t.panel) {
        setFixedSize(res::kPanelWidth, res::kPanelHeight);
    } else {
        setFixedSize(t.clientWidth + 2 * border, t.clientHeight + 2 * border);
    }
    if (t.backgroundBitmap) m_background = Picture(t.backgroundBitmap);
    if (t.backgroundRgb >= 0) {
        m_fill = QColor((t.backgroundRgb >> 16) & 0xFF, (t.backgroundRgb >> 8) & 0xFF, t.backgroundRgb & 0xFF);
        m_hasFill = true;
    }

    QButtonGroup* group = nullptr;
    for (const auto& c : t.controls) {
        QWidget* w = MakeControl(c);
        if (!w) continue;
        const res::PixelRect r = res::ToPixels(t, c.rect);
        if (c.kind == ControlKind::PictureButton) {
            w->move(r.x + border, r.y + border);
        } else if (c.kind == ControlKind::ComboBox) {
            w->setGeometry(r.x + border, r.y + border, r.width, std::max(w->sizeHint().height(), 24));
        } else {
            w->setGeometry(r.x + border, r.y + border, r.width, r.height);
        }
        if (c.kind == ControlKind::Radio) {
            if (!group || (c.style & res::kGroupStart)) {
                group = new QButtonGroup(this);
                group->setExclusive(true);
            }
            group->addButton(static_cast<QAbstractButton*>(w), c.id);
            m_radioGroup[c.id] = group;
        } else {
            group = nullptr;
        }
        if (c.kind == ControlKind::GroupBox) w->lower();
        if (c.id != -1) {
            m_controls[c.id] = w;
            m_controlTemplates[c.id] = &c;
        }
        m_idOf[w] = c.id;
        if (c.style & res::kDisabled) w->setEnabled(false);
    }
}

QWidget* DialogWindow::MakeControl(const res::ControlTemplate& c) {
    const QString text = Q(c.text);
    const int id = c.id;
    auto routeClicks = [this, id](QAbstractButton* b) {
        connect(b, &QAbstractButton::clicked, this, [this, id] {
            CallLogic([this, id] { m_logic.OnCommand(id); });
        });
    };
    switch (c.kind) {
        case ControlKind::Static: {
            auto* l = new QLabel(text, this);
            Qt::Alignment a = Qt::AlignLeft;
            if (c.style & res::kCentre) a = Qt::AlignHCenter;
            if (c.style & res::kRight) a = Qt::AlignRight;
            if (c.style & res::kWordWrap) {
                l->setWordWrap(true);
                l->setAlignment(a | Qt::AlignTop);
            } else {
                l->setAlignment(a | Qt::AlignVCenter);
            }
            return l;
        }
        case ControlKind::Icon: {
            auto* l = new QLabel(this);
            l->setPixmap(ProgramIcon(32));
            return l;
        }
        case ControlKind::Edit: {
            auto* e = new QLineEdit(text, this);
            if (c.style & res::kCentre) e->setAlignment(Qt::AlignCenter);
            if (c.style & res::kRight) e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            return e;
        }
        case ControlKind::Button: {
            auto* b = new QPushButton(text, this);
            b->setAutoDefault(false);
            if (c.style & res::kDefault) b->setDefault(true);
            routeClicks(b);
            return b;
        }
        case ControlKind::PictureButton: {
            auto* b = new PictureButton(text, this);
            b->SetPicture(c.bitmap);
            routeClicks(b);
            return b;
        }
        case ControlKind::ListBox: {
            auto* l = new QListWidget(this);
            l->setSelectionMode(QAbstractItemView::SingleSelection);
            l->setUniformItemSizes(true);
            return l;
        }
        case ControlKind::ComboBox: {
            auto* b = new QComboBox(this);
            b->setEditable(c.style & res::kDropDown);
            b->setInsertPolicy(QComboBox::NoInsert);
            QStringList items;
            for (const auto& item : c.items) items << Q(item);
            if (c.style & res::kSorted) items.sort();
            b->addItems(items);
            b->setCurrentIndex(-1);
            return b;
        }
        case ControlKind::Radio: {
            auto* r = new RadioButton(text, this);
            routeClicks(r);
            return r;
        }
        case ControlKind::GroupBox: return new QGroupBox(text, this);
        case ControlKind::Frame: {
            m_map = new HoleMapWidget(this);
            return m_map;
        }
    }
    return nullptr;
}

QWidget* DialogWindow::Control(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

view::MapSurface* DialogWindow::MapSurface() const { return m_map; }

// --- Colours -------------------------------------------------------------

void DialogWindow::ApplyStyle(int id) {
    QWidget* w = Control(id);
    const res::ControlTemplate* tmpl = m_controlTemplates.count(id) ? m_controlTemplates[id] : nullptr;
    if (!w || !tmpl || tmpl->kind == ControlKind::PictureButton || tmpl->kind == ControlKind::Frame) return;

    std::optional<ControlStyle> style;
    if (m_logic.IsAttached()) style = m_logic.OnCtlColor(id, ColourKind(tmpl->kind));

    QString css;
    if (tmpl->style & res::kSunken)
        css += QStringLiteral("border-width: 1px; border-style: solid; border-color: #101820 #8894a4 #8894a4 #101820;");
    if (style) {
        if (style->text) css += QStringLiteral("color: %1;").arg(Css(*style->text));
        if (style->background) {
            css += QStringLiteral("background-color: %1;").arg(Css(*style->background));
        } else if (style->transparentText) {
            css += QStringLiteral("background: transparent;");
        }
        if (!style->fontFace.empty()) {
            QFont f(Q(style->fontFace));
            if (style->fontPoints > 0) f.setPointSize(style->fontPoints);
            if (auto* list = qobject_cast<QListWidget*>(w)) {
                ListFit& fit = m_listFit[id];
                if (fit.design != f) {
                    fit.design = f;
                    fit.width = fit.widest.isEmpty() ? 0 : QFontMetrics(f).horizontalAdvance(fit.widest);
                    FitList(list, fit.design, fit.widest);
                }
            } else if (w->font() != f) {
                w->setFont(f);
                FitLabel(qobject_cast<QLabel*>(w));
            }
        }
    }
    if (tmpl->kind == ControlKind::GroupBox) {
        // An explicit frame, so the box has no fill of its own that would
        // differ from the labels' brush inside it.
        css = QStringLiteral("QGroupBox { border: 1px solid rgb(112,126,146); border-radius: 4px; margin-top: 10px;"
                             " padding-top: 6px; font-weight: bold; %1 }"
                             " QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; }")
                  .arg(css);
    }
    if (tmpl->kind == ControlKind::ListBox && style && style->background) {
        // Keep the selected row readable on the coloured list.
        css = QStringLiteral("QListWidget { %1 } QListWidget::item:selected { background: rgb(255,214,64); color: black; }")
                  .arg(css);
    }
    if (w->styleSheet() != css) w->setStyleSheet(css);
}

void DialogWindow::RefreshStyles() {
    if (m_logic.IsAttached()) {
        if (auto d = m_logic.OnCtlColor(0, CtlColorKind::Dialog); d && d->background) {
            m_fill = QColor(d->background->r, d->background->g, d->background->b);
            m_hasFill = true;
        }
    }
    for (const auto& [id, w] : m_controls) ApplyStyle(id);
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

bool DialogWindow::IsOwnWidget(QObject* object) const {
    auto* w = qobject_cast<QWidget*>(object);
    return w && w->window() == this;
}

int DialogWindow::DefaultButtonId() const {
    for (const auto& c : m_template->controls)
        if (c.kind == ControlKind::Button && (c.style & res::kDefault)) return c.id;
    return kIdOk;
}

bool DialogWindow::HandleKey(QObject* watched, QKeyEvent* key) {
    // Each press once. Esc and Enter are taken at the first widget that sees
    // them and never travel further; other keys are shown to the logic at
    // the widget with the focus (or the window when nothing has it).
    QWidget* focus = QApplication::focusWidget();
    const int vk = VirtualKey(key->key());
    if (vk != kKeyEscape && vk != kKeyEnter) {
        const bool first = (focus && focus->window() == this) ? watched == focus : watched == this;
        if (!first) return false;
    }

    Message msg{Message::KeyDown};
    msg.key = vk;
    if (m_logic.PreTranslateMessage(msg)) return true;

    if (vk == kKeyEscape) {
        m_logic.OnCommand(kIdCancel);
        return true;
    }
    if (vk == kKeyEnter) {
        // Enter presses the focused push button, else the default one.
        int id = DefaultButtonId();
        auto* b = qobject_cast<QAbstractButton*>(watched);
        if (b && !qobject_cast<QRadioButton*>(b) && m_idOf.count(b)) id = m_idOf.at(b);
        m_logic.OnCommand(id);
        return true;
    }
    return false;
}

bool DialogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (!m_started || !m_logic.IsAttached() || !IsOwnWidget(watched)) return QDialog::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::KeyPress:
            return HandleKey(watched, static_cast<QKeyEvent*>(event));
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease: {
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() != Qt::LeftButton) break;
            int target = -1;
            if (watched == this) {
                target = 0;
            } else if (auto it = m_idOf.find(watched); it != m_idOf.end() && qobject_cast<QAbstractButton*>(watched)) {
                target = it->second;
            }
            if (target < 0) break;
            Message msg{event->type() == QEvent::MouseButtonPress ? Message::LButtonDown : Message::LButtonUp};
            msg.targetId = target;
            if (m_logic.PreTranslateMessage(msg)) return true;
            break;
        }
        case QEvent::Wheel: {
            // Scrolling lists and edits keep their own wheel; everywhere else
            // the wheel belongs to the window (the hole map zoom).
            for (QObject* o = watched; o && o != this; o = o->parent()) {
                if (qobject_cast<QAbstractScrollArea*>(o) || qobject_cast<QComboBox*>(o) || qobject_cast<QLineEdit*>(o))
                    return false;
            }
            auto* we = static_cast<QWheelEvent*>(event);
            const int delta = static_cast<int16_t>(we->angleDelta().y());
            m_logic.OnMouseWheel(delta);
            return true;
        }
        default: break;
    }
    return QDialog::eventFilter(watched, event);
}

void DialogWindow::mousePressEvent(QMouseEvent* event) { QDialog::mousePressEvent(event); }
void DialogWindow::mouseReleaseEvent(QMouseEvent* event) { QDialog::mouseReleaseEvent(event); }
void DialogWindow::wheelEvent(QWheelEvent* event) { QDialog::wheelEvent(event); }

QMenu* DialogWindow::WindowMenu() {
    if (!m_template->aboutItem) return nullptr;
    if (!m_windowMenu) {
        // The platform's window menu cannot take items here; the same command
        // sits in the window's own context menu, with its mnemonic.
        m_windowMenu = new QMenu(this);
        const QString text = Q(res::LoadString(res::IDS_ABOUTBOX));
        if (text.isEmpty()) return nullptr;
        connect(m_windowMenu->addAction(text), &QAction::triggered, this, [this] {
            CallLogic([this] { m_logic.OnCommand(res::IDM_ABOUTBOX); });
        });
    }
    return m_windowMenu;
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
    const int border = (m_template->windowStyle & res::kThinBorder) ? 1 : 0;
    const QRect client = rect().adjusted(border, border, -border, -border);
    if (m_hasFill) p.fillRect(client, m_fill);
    if (!m_background.isNull()) {
        p.setClipRect(client);
        p.drawPixmap(client.topLeft(), m_background);
        p.setClipping(false);
    }
    if (border) {
        p.setPen(QColor(40, 48, 60));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
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
    if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(s);
        FitLabel(l);
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(s);
        e->setCursorPosition(0);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(s);
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        g->setTitle(s);
    } else if (auto* c = qobject_cast<QComboBox*>(w); c && c->isEditable()) {
        c->setEditText(s);
    }
}

std::string DialogWindow::GetItemText(int id) {
    QWidget* w = Control(id);
    const std::string shown = ShownText(w);
    if (auto it = m_givenText.find(id); it != m_givenText.end() && U(it->second.first) == shown)
        return it->second.second;  // untouched since it was set: the bytes as given
    return shown;
}

std::string DialogWindow::ShownText(QWidget* w) const {
    if (auto* l = qobject_cast<QLabel*>(w)) return U(l->text());
    if (auto* e = qobject_cast<QLineEdit*>(w)) return U(e->text());
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return U(b->text());
    if (auto* g = qobject_cast<QGroupBox*>(w)) return U(g->title());
    if (auto* c = qobject_cast<QComboBox*>(w)) return U(c->currentText());
    return {};
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
        ListFit& fit = m_listFit[id];
        fit.widest.clear();
        fit.width = 0;
        FitList(l, fit.design, fit.widest);
    }
}

namespace {

bool AsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

}  // namespace

// Measured in exact advances, not whole pixels, so that a difference below
// a pixel, which adds up along a row, still shows.
bool DialogWindow::DigitsAlikeBeside(ListFit& fit, QChar other) {
    auto [it, fresh] = fit.digitsAlikeBeside.try_emplace(other.unicode(), true);
    if (!fresh) return it->second;
    // Every digit pairs with the character (either side) as '0' does: no
    // kerning of its own.
    const QFontMetricsF m(fit.design);
    const QString o(other);
    const qreal after = m.horizontalAdvance(o + QLatin1Char('0'));
    const qreal before = m.horizontalAdvance(QLatin1Char('0') + o);
    for (char d = '1'; d <= '9' && it->second; ++d)
        it->second = m.horizontalAdvance(o + QLatin1Char(d)) == after && m.horizontalAdvance(QLatin1Char(d) + o) == before;
    return it->second;
}

int DialogWindow::RowWidth(ListFit& fit, const QString& row) {
    if (!fit.metrics || fit.measured != fit.design) {  // a new face: nothing measured yet
        fit.measured = fit.design;
        fit.metrics.emplace(fit.design);
        fit.digitsAlike.reset();
        fit.digitsAlikeBeside.clear();
        fit.widthOfShape.clear();
    }
    const QFontMetrics& m = *fit.metrics;
    if (!fit.digitsAlike) {
        // Every digit as wide as '0', and every pair of digits as "00".
        const QFontMetricsF exact(fit.design);
        const qreal one = exact.horizontalAdvance(QLatin1Char('0'));
        const qreal pair = exact.horizontalAdvance(QStringLiteral("00"));
        bool alike = true;
        for (char a = '0'; a <= '9' && alike; ++a) {
            alike = exact.horizontalAdvance(QLatin1Char(a)) == one;
            for (char b = '0'; b <= '9' && alike; ++b)
                alike = exact.horizontalAdvance(QString(QLatin1Char(a)) + QLatin1Char(b)) == pair;
        }
        fit.digitsAlike = alike;
    }
    if (!*fit.digitsAlike) return m.horizontalAdvance(row);

    QString shape = row;
    for (qsizetype i = 0; i < shape.size(); ++i) {
        const QChar c = row.at(i);
        if (AsciiDigit(c)) {
            shape[i] = QLatin1Char('0');
            continue;
        }
        // A character beside a digit must let every digit be alike there.
        const bool besideDigit = (i > 0 && AsciiDigit(row.at(i - 1))) || (i + 1 < row.size() && AsciiDigit(row.at(i + 1)));
        if (besideDigit && (c.isSurrogate() || !DigitsAlikeBeside(fit, c))) return m.horizontalAdvance(row);
    }
    auto it = fit.widthOfShape.constFind(shape);
    if (it != fit.widthOfShape.constEnd()) return it.value();
    const int width = m.horizontalAdvance(row);
    fit.widthOfShape.insert(shape, width);
    return width;
}

int DialogWindow::ListAddString(int id, const std::string& row) {
    auto* l = qobject_cast<QListWidget*>(Control(id));
    if (!l) return -1;
    const QString text = Q(row);
    l->addItem(text);
    // Measured in the list's own face and size; the list is refitted only
    // when a row wider than all before it comes.
    auto [it, fresh] = m_listFit.try_emplace(id);
    ListFit& fit = it->second;
    if (fresh) fit.design = l->font();
    const int width = RowWidth(fit, text);
    if (width > fit.width) {
        fit.widest = text;
        fit.width = width;
        FitList(l, fit.design, fit.widest);
    }
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

void DialogWindow::CheckRadioButton(int first, int last, int checked) {
    std::vector<QButtonGroup*> groups;
    for (int id = first; id <= last; ++id) {
        if (auto it = m_radioGroup.find(id); it != m_radioGroup.end()) {
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
    // The operator's texts are Chinese; so is the one button.
    box.button(QMessageBox::Ok)->setText(QString::fromUtf8("确定"));
    box.exec();
}

void DialogWindow::Invalidate(bool erase) {
    (void)erase;  // every repaint fills the background
    RefreshStyles();
    update();
    if (m_map) m_map->update();
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
    // As the platform does, very short periods run at its minimum of 10 ms.
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
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("打开"),
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
