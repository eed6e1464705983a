#include "ui/qt/control_factory.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

#include "ui/qt/dialog_widgets.h"
#include "ui/qt/hole_map_widget.h"
#include "ui/qt/pictures.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/ui_faces.h"

namespace ks::ui::qt {

using res::ControlKind;

namespace {

QLabel* MakeLabel(const res::ControlTemplate& c, QWidget* parent) {
    auto* l = new QLabel(Q(c.text), parent);
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

QComboBox* MakeCombo(const res::ControlTemplate& c, QWidget* parent) {
    auto* b = new QComboBox(parent);
    b->setEditable(c.style & res::kDropDown);
    b->setInsertPolicy(QComboBox::NoInsert);
    QStringList items;
    for (const auto& item : c.items) items << Q(item);
    if (c.style & res::kSorted) items.sort();
    b->addItems(items);
    b->setCurrentIndex(-1);
    // An item wider than the field shows its start (a port's number before
    // its name), as the field of a Windows combo box does.
    if (QLineEdit* edit = b->lineEdit()) {
        QObject::connect(b, &QComboBox::currentIndexChanged, edit, [edit] { edit->setCursorPosition(0); });
    }
    return b;
}

// The widget of one control; buttons are wired to `clicked`.
QWidget* MakeControl(const res::ControlTemplate& c, QDialog& window, Controls& made,
                     const std::function<void(QAbstractButton*)>& clicked) {
    const QString text = Q(c.text);
    switch (c.kind) {
        case ControlKind::Static: return MakeLabel(c, &window);
        case ControlKind::Icon: {
            auto* l = new QLabel(&window);
            l->setPixmap(ProgramIcon(32));
            return l;
        }
        case ControlKind::Edit: {
            auto* e = new QLineEdit(text, &window);
            if (c.style & res::kCentre) e->setAlignment(Qt::AlignCenter);
            if (c.style & res::kRight) e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            return e;
        }
        case ControlKind::Button: {
            auto* b = new QPushButton(text, &window);
            b->setAutoDefault(false);
            if (c.style & res::kDefault) b->setDefault(true);
            clicked(b);
            return b;
        }
        case ControlKind::PictureButton: {
            auto* b = new PictureButton(text, &window);
            b->SetPicture(c.bitmap);
            clicked(b);
            return b;
        }
        case ControlKind::ListBox: {
            auto* l = new QListWidget(&window);
            l->setSelectionMode(QAbstractItemView::SingleSelection);
            l->setUniformItemSizes(true);
            return l;
        }
        case ControlKind::ComboBox: return MakeCombo(c, &window);
        case ControlKind::Radio: {
            auto* r = new RadioButton(text, &window);
            clicked(r);
            return r;
        }
        case ControlKind::GroupBox: return new QGroupBox(text, &window);
        case ControlKind::Frame: {
            made.map = new HoleMapWidget(&window);
            return made.map;
        }
    }
    return nullptr;
}

}  // namespace

QWidget* Controls::Find(int id) const {
    auto it = byId.find(id);
    return it == byId.end() ? nullptr : it->second;
}

const res::ControlTemplate* Controls::TemplateOf(int id) const {
    auto it = templates.find(id);
    return it == templates.end() ? nullptr : it->second;
}

WindowLook SetUpWindow(QDialog& window, const res::DialogTemplate& t) {
    Qt::WindowFlags flags = Qt::Dialog;
    if (t.windowStyle & res::kThinBorder) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        if (t.windowStyle & res::kSystemMenu) flags |= Qt::WindowSystemMenuHint;
        if (t.windowStyle & res::kMinimiseBox) flags = (flags & ~Qt::Dialog) | Qt::Window | Qt::WindowMinimizeButtonHint;
    }
    window.setWindowFlags(flags);
    window.setWindowTitle(Q(t.caption));
    window.setWindowIcon(QIcon(ProgramIcon(32)));
    window.setSizeGripEnabled(false);

    QFont font(Face(t.fontFace));
    if (t.fontFace == "System") {
        // Templates naming "System" are laid out for a 16-pixel bitmap face;
        // a CJK face of about that height keeps their texts legible and
        // inside their fields.
        font = QFont(Face("宋体"));
        font.setPixelSize(15);
    } else if (t.fontPoints > 0) {
        font.setPointSize(t.fontPoints);
    }
    window.setFont(font);

    const int border = (t.windowStyle & res::kThinBorder) ? 1 : 0;
    if (t.panel) {
        window.setFixedSize(res::kPanelWidth, res::kPanelHeight);
    } else {
        window.setFixedSize(t.clientWidth + 2 * border, t.clientHeight + 2 * border);
    }
    WindowLook look;
    if (t.backgroundBitmap) look.background = Picture(t.backgroundBitmap);
    if (t.backgroundRgb >= 0) {
        look.fill = QColor((t.backgroundRgb >> 16) & 0xFF, (t.backgroundRgb >> 8) & 0xFF, t.backgroundRgb & 0xFF);
        look.hasFill = true;
    }
    return look;
}

Controls MakeControls(QDialog& window, const res::DialogTemplate& t, std::function<void(int id)> onClick) {
    Controls made;
    const int border = (t.windowStyle & res::kThinBorder) ? 1 : 0;
    QButtonGroup* group = nullptr;
    for (const auto& c : t.controls) {
        const int id = c.id;
        auto clicked = [&window, &onClick, id](QAbstractButton* b) {
            QObject::connect(b, &QAbstractButton::clicked, &window, [onClick, id] { onClick(id); });
        };
        QWidget* w = MakeControl(c, window, made, clicked);
        if (!w) continue;
        const res::PixelRect r = res::ToPixels(t, c.rect);
        if (c.kind == ControlKind::PictureButton) {
            w->move(r.x + border, r.y + border);
        } else if (c.kind == ControlKind::ComboBox) {
            w->setGeometry(r.x + border, r.y + border, r.width, std::max(w->sizeHint().height(), 24));
        } else {
            w->setGeometry(r.x + border, r.y + border, r.width, r.height);
        }
        FitToRoom(w);
        if (c.kind == ControlKind::Radio) {
            if (!group || (c.style & res::kGroupStart)) {
                group = new QButtonGroup(&window);
                group->setExclusive(true);
            }
            group->addButton(static_cast<QAbstractButton*>(w), c.id);
            made.radioGroup[c.id] = group;
        } else {
            group = nullptr;
        }
        if (c.kind == ControlKind::GroupBox) w->lower();
        if (c.id != -1) {
            made.byId[c.id] = w;
            made.templates[c.id] = &c;
        }
        made.idOf[w] = c.id;
        if (c.style & res::kDisabled) w->setEnabled(false);
    }
    return made;
}

}  // namespace ks::ui::qt
