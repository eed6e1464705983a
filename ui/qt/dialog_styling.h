#pragma once
// Colours and faces of a dialog window and its controls: the window's fill
// and picture, what the logic answers to a colour request as a style sheet,
// and the fitting of labels and list boxes to their width. Internal to ui/qt.
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QPixmap>
#include <QString>
#include <map>
#include <optional>

#include "res/templates.h"
#include "ui/dialog.h"

class QLabel;
class QListWidget;
class QPainter;
class QWidget;

namespace ks::ui::qt {

// A one-line label whose text would be cut is drawn condensed just enough
// to fit.
void FitLabel(QLabel* label);

// What the window paints under its controls.
struct WindowLook {
    QPixmap background;
    QColor fill;
    bool hasFill = false;
};

// Paints the window's look and applies the controls' colours and faces;
// keeps each list box's face fitted to its widest row.
class DialogStyler {
public:
    explicit DialogStyler(WindowLook look) : m_look(std::move(look)) {}

    // The logic's answer for the window itself: its brush, if it names one,
    // fills the window from now on.
    void SetWindowColours(const std::optional<ControlStyle>& answer);
    // Fill, picture and (for thin-bordered windows) border of `rect`.
    void PaintWindow(QPainter& p, const QRect& rect, bool thinBorder) const;

    // Picture buttons and the hole map draw themselves and take no style.
    static bool TakesStyle(const res::ControlTemplate& tmpl);

    // Styles control `id` (widget w, made from tmpl) with what the logic
    // answered (nothing: only the template's own frame).
    void Apply(int id, QWidget* w, const res::ControlTemplate& tmpl, const std::optional<ControlStyle>& style);

    // List box `id` was emptied, or was given one more row.
    void ListCleared(int id, QListWidget* list);
    void RowAdded(int id, QListWidget* list, const QString& row);

private:
    // Each list box's face as styled and its widest row, from which the
    // size it is drawn in is fitted to its width.
    struct ListFit {
        QFont design;
        QString widest;
        int width = 0;
        // A job fills the hole list with 15,000 rows that differ mostly in
        // their digits. Where the face draws every digit alike, whatever
        // stands beside it, a row is as wide as any other of its shape
        // (its digits all made 0), and only the first of each shape is
        // measured.
        QFont measured;                               // the face all below are for
        std::optional<QFontMetrics> metrics;
        std::optional<bool> digitsAlike;              // between digits
        std::map<char16_t, bool> digitsAlikeBeside;   // beside this other character
        QHash<QString, int> widthOfShape;
    };
    static int RowWidth(ListFit& fit, const QString& row);
    static bool DigitsAlikeBeside(ListFit& fit, QChar other);
    void SetListFace(int id, QListWidget* list, const QFont& face);

    WindowLook m_look;
    std::map<int, ListFit> m_listFit;
};

}  // namespace ks::ui::qt
