#include "ui/qt/event_translation.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QWheelEvent>

namespace ks::ui::qt {

namespace {

// The key code of ui/dialog.h for a Qt key, for the keys the logic looks at
// (digits and letters keep their ASCII codes); 0 for any other.
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

EventTranslator::EventTranslator(QWidget& window, Dialog& logic, const res::DialogTemplate& t,
                                 const std::map<QObject*, int>& idOf)
    : m_window(window), m_logic(logic), m_template(t), m_idOf(idOf) {}

bool EventTranslator::IsOwnWidget(QObject* object) const {
    auto* w = qobject_cast<QWidget*>(object);
    return w && w->window() == &m_window;
}

std::optional<bool> EventTranslator::Translate(QObject* watched, QEvent* event) {
    if (!IsOwnWidget(watched)) return std::nullopt;
    switch (event->type()) {
        case QEvent::KeyPress: return Key(watched, static_cast<QKeyEvent*>(event));
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease: return Click(watched, event);
        case QEvent::Wheel: return Wheel(watched, event);
        default: return std::nullopt;
    }
}

int EventTranslator::DefaultButtonId() const {
    for (const auto& c : m_template.controls)
        if (c.kind == res::ControlKind::Button && (c.style & res::kDefault)) return c.id;
    return kIdOk;
}

bool EventTranslator::Key(QObject* watched, QKeyEvent* key) {
    // Each press once. Esc and Enter are taken at the first widget that sees
    // them and never travel further; other keys are shown to the logic at
    // the widget with the focus (or the window when nothing has it).
    QWidget* focus = QApplication::focusWidget();
    const int vk = VirtualKey(key->key());
    if (vk != kKeyEscape && vk != kKeyEnter) {
        const bool first = (focus && focus->window() == &m_window) ? watched == focus : watched == &m_window;
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

// Left button presses and releases on the window itself (target 0) or on a
// button go through the pre-filter, which may take them (the jog buttons
// move while held).
std::optional<bool> EventTranslator::Click(QObject* watched, QEvent* event) {
    auto* me = static_cast<QMouseEvent*>(event);
    if (me->button() != Qt::LeftButton) return std::nullopt;
    int target = -1;
    if (watched == &m_window) {
        target = 0;
    } else if (auto it = m_idOf.find(watched); it != m_idOf.end() && qobject_cast<QAbstractButton*>(watched)) {
        target = it->second;
    }
    if (target < 0) return std::nullopt;
    Message msg{event->type() == QEvent::MouseButtonPress ? Message::LButtonDown : Message::LButtonUp};
    msg.targetId = target;
    if (m_logic.PreTranslateMessage(msg)) return true;
    return std::nullopt;
}

bool EventTranslator::Wheel(QObject* watched, QEvent* event) {
    // Scrolling lists and edits keep their own wheel; everywhere else
    // the wheel belongs to the window (the hole map zoom).
    for (QObject* o = watched; o && o != &m_window; o = o->parent()) {
        if (qobject_cast<QAbstractScrollArea*>(o) || qobject_cast<QComboBox*>(o) || qobject_cast<QLineEdit*>(o))
            return false;
    }
    auto* we = static_cast<QWheelEvent*>(event);
    const int delta = static_cast<int16_t>(we->angleDelta().y());
    m_logic.OnMouseWheel(delta);
    return true;
}

}  // namespace ks::ui::qt
