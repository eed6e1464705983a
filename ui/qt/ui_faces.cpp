#include "ui/qt/ui_faces.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVariant>
#include <algorithm>

#include "ui/qt/dialog_widgets.h"
#include "ui/qt/qt_text.h"

namespace ks::ui::qt {
namespace {

bool g_latin = false;
constexpr const char* kDesignFont = "ksDesignFont";
constexpr int kSmallestPercent = 60;
constexpr qreal kCondensePoints = 20;

// The text a control shows and the width it has for it, in pixels; no room
// for controls whose text wraps or that draw no text of their own.
struct Room {
    QString text;
    int width = -1;
};

Room RoomOf(QWidget* w) {
    if (auto* l = qobject_cast<QLabel*>(w)) {
        if (l->wordWrap() || l->textFormat() == Qt::RichText) return {};
        return {l->text(), l->contentsRect().width()};
    }
    if (dynamic_cast<PictureButton*>(w) != nullptr) return {};  // its text is in its picture
    if (auto* r = qobject_cast<QRadioButton*>(w)) {
        const int indicator = r->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, r);
        return {r->text(), r->width() - indicator - 8};
    }
    if (auto* c = qobject_cast<QCheckBox*>(w)) {
        const int indicator = c->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, c);
        return {c->text(), c->width() - indicator - 8};
    }
    if (auto* b = qobject_cast<QPushButton*>(w)) return {b->text(), b->width() - 10};
    if (auto* g = qobject_cast<QGroupBox*>(w)) return {g->title(), g->width() - 28};
    return {};
}

// How far the ink of the widest line reaches from where the line starts:
// blanks at the end and the last glyph's side bearing take no room that
// shows (the status line pads its signal part with blanks; a digit's
// advance runs past its ink).
int WidestLine(const QFont& f, const QString& text) {
    const QFontMetrics m(f);
    int widest = 0;
    for (QString line : text.split(QLatin1Char('\n'))) {
        while (!line.isEmpty() && line.back().isSpace()) line.chop(1);
        if (!line.isEmpty()) widest = std::max(widest, m.boundingRect(line).right() + 1);
    }
    return widest;
}

}  // namespace

void UseLatinFaces(bool on) { g_latin = on; }
bool LatinFaces() { return g_latin; }

QString Face(const std::string& face) {
    // DejaVu Sans comes with fontconfig on Debian and with the console's package.
    if (g_latin && !face.empty()) return QStringLiteral("DejaVu Sans");
    return Q(face);
}

int Overflow(QWidget* w) {
    const Room room = RoomOf(w);
    if (room.width < 0 || room.text.isEmpty()) return 0;
    return std::max(0, WidestLine(w->font(), room.text) - room.width);
}

void ForgetFittedFont(QWidget* w) {
    if (w != nullptr) w->setProperty(kDesignFont, QVariant());
}

void FitToRoom(QWidget* w) {
    if (!g_latin || w == nullptr) return;
    const Room room = RoomOf(w);
    if (room.width <= 0 || room.text.isEmpty()) return;
    QVariant stored = w->property(kDesignFont);
    if (!stored.isValid()) {
        stored = QVariant::fromValue(w->font());
        w->setProperty(kDesignFont, stored);
    }
    const QFont design = stored.value<QFont>();
    if (w->font() == design && WidestLine(design, room.text) <= room.width) return;
    // A label already narrowed to its field (the coordinate digits) keeps
    // its height; it is as wide as it may get.
    if (design.stretch() > 0 && design.stretch() < 100) return;
    // Large digits stand in pairs (the whole millimetres beside ".ddd"):
    // narrowed, never made smaller, so the two keep one height.
    if (qobject_cast<QLabel*>(w) != nullptr && design.pointSizeF() >= kCondensePoints) {
        QFont narrow = design;
        narrow.setStretch(QFont::AnyStretch);
        const int need = WidestLine(narrow, room.text);
        if (need > room.width) narrow.setStretch(std::max(70, room.width * 100 / need));
        if (w->font() != narrow) w->setFont(narrow);
        return;
    }
    QFont f = design;
    const bool byPixels = design.pixelSize() > 0;
    const qreal full = byPixels ? design.pixelSize() : design.pointSizeF();
    for (int percent = 100; percent >= kSmallestPercent; percent -= 5) {
        if (byPixels) {
            f.setPixelSize(std::max(1, int(full * percent / 100)));
        } else {
            f.setPointSizeF(full * percent / 100);
        }
        if (WidestLine(f, room.text) <= room.width) break;
    }
    if (w->font() != f) w->setFont(f);
}

}  // namespace ks::ui::qt
