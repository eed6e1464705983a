#pragma once
// The operator's keys, left clicks and wheel on a dialog window's widgets,
// turned into the calls its logic takes (the message pre-filter, commands,
// the wheel). Internal to ui/qt.
#include <map>
#include <optional>

#include "res/templates.h"
#include "ui/dialog.h"

class QEvent;
class QKeyEvent;
class QObject;
class QWidget;

namespace ks::ui::qt {

class EventTranslator {
public:
    // idOf: the window's controls with their ids; both must outlive this.
    EventTranslator(QWidget& window, Dialog& logic, const res::DialogTemplate& t,
                    const std::map<QObject*, int>& idOf);

    // For an event anywhere in the program while the window's logic is
    // attached: true when the event is taken, false to give it to the widget
    // untouched, nothing to let it take its ordinary course (always so for
    // widgets of other windows).
    std::optional<bool> Translate(QObject* watched, QEvent* event);

private:
    bool IsOwnWidget(QObject* object) const;
    bool Key(QObject* watched, QKeyEvent* key);
    std::optional<bool> Click(QObject* watched, QEvent* event);
    bool Wheel(QObject* watched, QEvent* event);
    int DefaultButtonId() const;

    QWidget& m_window;
    Dialog& m_logic;
    const res::DialogTemplate& m_template;
    const std::map<QObject*, int>& m_idOf;
};

}  // namespace ks::ui::qt
