#include "ui/qt/dialog_styling.h"

#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "ui/control_colour_kind.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/ui_faces.h"

namespace ks::ui::qt {

using res::ControlKind;

namespace {

// Hole list rows keep the blanks of the job format between number, X and Y;
// in the substitute faces the widest of them is wider than the list, which
// would hide Y behind a horizontal scroll bar. The list's face is then drawn
// in the largest quarter point size (7 at least) at which its widest row
// fits beside the vertical scroll bar (condensing by stretch is not
// honoured by the item painter). A row does not shrink in proportion to the
// size (hinting, whole pixels), so the size scaled from the design size is
// only where the search starts: each size is measured.
void FitList(QListWidget* l, const QFont& design, const QString& widest) {
    if (!l) return;
    const int room = l->width() - 2 * l->frameWidth() - l->verticalScrollBar()->sizeHint().width();
    auto need = [&widest](const QFont& f) { return QFontMetrics(f).horizontalAdvance(widest) + 8; };  // item margins
    auto fits = [&](double points) {
        QFont f = design;
        f.setPointSizeF(points);
        return need(f) <= room;
    };
    QFont f = design;
    const double size = design.pointSizeF();
    if (!widest.isEmpty() && size > 0 && need(design) > room) {
        constexpr double kStep = 0.25, kSmallest = 7.0;
        double points = std::max(kSmallest, std::floor(size * room / need(design) / kStep) * kStep);
        while (points > kSmallest && !fits(points)) points -= kStep;
        while (points + kStep < size && fits(points + kStep)) points += kStep;
        f.setPointSizeF(points);
    }
    if (l->font() != f) l->setFont(f);
}

QString Css(const Rgb& c) { return QStringLiteral("rgb(%1,%2,%3)").arg(c.r).arg(c.g).arg(c.b); }

bool AsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

}  // namespace

// Where a template's face is not installed, its substitute may run wider
// than the face a label was laid out for (the 25-point coordinate digits).
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

void DialogStyler::SetWindowColours(const std::optional<ControlStyle>& answer) {
    if (answer && answer->background) {
        m_look.fill = QColor(answer->background->r, answer->background->g, answer->background->b);
        m_look.hasFill = true;
    }
}

void DialogStyler::PaintWindow(QPainter& p, const QRect& rect, bool thinBorder) const {
    const int border = thinBorder ? 1 : 0;
    const QRect client = rect.adjusted(border, border, -border, -border);
    if (m_look.hasFill) p.fillRect(client, m_look.fill);
    if (!m_look.background.isNull()) {
        p.setClipRect(client);
        p.drawPixmap(client.topLeft(), m_look.background);
        p.setClipping(false);
    }
    if (border) {
        p.setPen(QColor(40, 48, 60));
        p.drawRect(rect.adjusted(0, 0, -1, -1));
    }
}

bool DialogStyler::TakesStyle(const res::ControlTemplate& tmpl) { return TakesColours(tmpl.kind); }

void DialogStyler::Apply(int id, QWidget* w, const res::ControlTemplate& tmpl,
                          const std::optional<ControlStyle>& style) {
    QString css;
    if (tmpl.style & res::kSunken)
        css += QStringLiteral("border-width: 1px; border-style: solid; border-color: #101820 #8894a4 #8894a4 #101820;");
    if (style) {
        if (style->text) css += QStringLiteral("color: %1;").arg(Css(*style->text));
        if (style->background) {
            css += QStringLiteral("background-color: %1;").arg(Css(*style->background));
        } else if (style->transparentText) {
            css += QStringLiteral("background: transparent;");
        }
        if (!style->fontFace.empty()) {
            QFont f(Face(style->fontFace));
            if (style->fontPoints > 0) f.setPointSize(style->fontPoints);
            if (auto* list = qobject_cast<QListWidget*>(w)) {
                SetListFace(id, list, f);
            } else if (w->font() != f) {
                w->setFont(f);
                FitLabel(qobject_cast<QLabel*>(w));
                ForgetFittedFont(w);
                FitToRoom(w);
            }
        }
    }
    if (tmpl.kind == ControlKind::GroupBox) {
        // An explicit frame, so the box has no fill of its own that would
        // differ from the labels' brush inside it.
        css = QStringLiteral("QGroupBox { border: 1px solid rgb(112,126,146); border-radius: 4px; margin-top: 10px;"
                             " padding-top: 6px; font-weight: bold; %1 }"
                             " QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; }")
                  .arg(css);
    }
    if (tmpl.kind == ControlKind::ListBox && style && style->background) {
        // Keep the selected row readable on the coloured list.
        css = QStringLiteral("QListWidget { %1 } QListWidget::item:selected { background: rgb(255,214,64); color: black; }")
                  .arg(css);
    }
    if (w->styleSheet() != css) w->setStyleSheet(css);
}

void DialogStyler::SetListFace(int id, QListWidget* list, const QFont& face) {
    ListFit& fit = m_listFit[id];
    if (fit.design == face) return;
    fit.design = face;
    fit.width = fit.widest.isEmpty() ? 0 : QFontMetrics(face).horizontalAdvance(fit.widest);
    FitList(list, fit.design, fit.widest);
}

void DialogStyler::ListCleared(int id, QListWidget* list) {
    ListFit& fit = m_listFit[id];
    fit.widest.clear();
    fit.width = 0;
    FitList(list, fit.design, fit.widest);
}

void DialogStyler::RowAdded(int id, QListWidget* list, const QString& row) {
    // Measured in the list's own face and size; the list is refitted only
    // when a row wider than all before it comes.
    auto [it, fresh] = m_listFit.try_emplace(id);
    ListFit& fit = it->second;
    if (fresh) fit.design = list->font();
    const int width = RowWidth(fit, row);
    if (width > fit.width) {
        fit.widest = row;
        fit.width = width;
        FitList(list, fit.design, fit.widest);
    }
}

// Measured in exact advances, not whole pixels, so that a difference below
// a pixel, which adds up along a row, still shows.
bool DialogStyler::DigitsAlikeBeside(ListFit& fit, QChar other) {
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

int DialogStyler::RowWidth(ListFit& fit, const QString& row) {
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

}  // namespace ks::ui::qt
