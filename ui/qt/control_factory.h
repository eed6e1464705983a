#pragma once
// A dialog window's widgets made from its res/ template: the window's own
// frame, face and size, and one widget per control, placed, grouped and
// enabled as the template says. Internal to ui/qt.
#include <functional>
#include <map>

#include "res/templates.h"
#include "ui/qt/dialog_styling.h"

class QButtonGroup;
class QDialog;
class QObject;
class QWidget;

namespace ks::ui::qt {

class HoleMapWidget;

// The controls of one window and what they were made from.
struct Controls {
    std::map<int, QWidget*> byId;                         // controls with an id
    std::map<QObject*, int> idOf;                         // every control (-1: none)
    std::map<int, const res::ControlTemplate*> templates;
    std::map<int, QButtonGroup*> radioGroup;              // radio id -> its group
    HoleMapWidget* map = nullptr;                         // the hole map frame, if any

    QWidget* Find(int id) const;
    const res::ControlTemplate* TemplateOf(int id) const;
};

// Frame, caption, icon, face and size of the window, from its template.
WindowLook SetUpWindow(QDialog& window, const res::DialogTemplate& t);

// Makes the template's controls on `window`. A click on a button or radio
// button calls onClick with its id.
Controls MakeControls(QDialog& window, const res::DialogTemplate& t, std::function<void(int id)> onClick);

}  // namespace ks::ui::qt
