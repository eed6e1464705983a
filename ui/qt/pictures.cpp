#include "ui/qt/pictures.h"

#include <QFont>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "res/picture_art.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/ui_faces.h"

namespace ks::ui::qt {

namespace {

QColor Colour(const res::Rgba& c) { return QColor(c.r, c.g, c.b, c.a); }

QRectF Rect(const res::BoxF& b) { return QRectF(b.x, b.y, b.width, b.height); }

QBrush Fill(const res::ArtStep& s) {
    const QRectF box = Rect(s.box);
    switch (s.fill) {
        case res::ArtFill::None: return Qt::NoBrush;
        case res::ArtFill::Solid: return Colour(s.from);
        case res::ArtFill::Vertical: {
            QLinearGradient g(box.topLeft(), box.bottomLeft());
            g.setColorAt(0.0, Colour(s.from));
            g.setColorAt(1.0, Colour(s.to));
            return g;
        }
        case res::ArtFill::Radial: {
            QRadialGradient g(box.center(), box.width() / 2.0);
            g.setColorAt(0.0, Colour(s.from));
            g.setColorAt(1.0, Colour(s.to));
            return g;
        }
    }
    return Qt::NoBrush;
}

QFont ArtFont(const res::ArtStep& s, int pixelSize) {
    QFont f(Face(s.face));
    f.setPixelSize(pixelSize);
    f.setBold(s.bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

void DrawText(QPainter& p, const res::ArtStep& s) {
    const QString text = Q(s.text);
    int size = s.pixelSize;
    QFont f = ArtFont(s, size);
    while (s.shrinkToFit && size > 9 && QFontMetricsF(f).horizontalAdvance(text) > s.box.width) f = ArtFont(s, --size);
    p.setFont(f);
    p.setPen(Colour(s.pen));
    const Qt::Alignment align = s.align == res::TextAlign::Left ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter;
    p.drawText(Rect(s.box), align, text);
}

void DrawStep(QPainter& p, const res::ArtStep& s) {
    const QPen pen = s.penWidth > 0 ? QPen(Colour(s.pen), s.penWidth) : QPen(Qt::NoPen);
    switch (s.shape) {
        case res::ArtShape::Text: DrawText(p, s); return;
        case res::ArtShape::Line:
            p.setPen(pen);
            p.drawLine(QPointF(s.box.x, s.box.y), QPointF(s.box.x + s.box.width, s.box.y + s.box.height));
            return;
        case res::ArtShape::Ellipse:
            p.setPen(pen);
            p.setBrush(Fill(s));
            p.drawEllipse(Rect(s.box));
            p.setBrush(Qt::NoBrush);
            return;
        case res::ArtShape::Rect:
        case res::ArtShape::RoundedRect: {
            QPainterPath path;
            if (s.shape == res::ArtShape::Rect) {
                path.addRect(Rect(s.box));
            } else {
                path.addRoundedRect(Rect(s.box), s.radius, s.radius);
            }
            if (s.fill != res::ArtFill::None) p.fillPath(path, Fill(s));
            if (s.penWidth > 0) p.strokePath(path, pen);
            return;
        }
    }
}

QPixmap Paint(const res::PictureArt& art) {
    if (art.width <= 0 || art.height <= 0) return {};
    QPixmap pm(art.width, art.height);
    pm.fill(Colour(art.ground));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    for (const res::ArtStep& s : art.steps) DrawStep(p, s);
    return pm;
}

}  // namespace

QPixmap Picture(int bitmapId) {
    static QHash<int, QPixmap> cache;
    auto it = cache.find(bitmapId);
    if (it == cache.end()) it = cache.insert(bitmapId, Paint(res::ArtOf(bitmapId)));
    return it.value();
}

QPixmap ProgramIcon(int size) { return Paint(res::IconArt(size)); }

}  // namespace ks::ui::qt
