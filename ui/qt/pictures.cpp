#include "ui/qt/pictures.h"

#include <QCoreApplication>
#include <QFont>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "res/ids.h"
#include "res/templates.h"
#include "ui/qt/ui_faces.h"

namespace ks::ui::qt {

namespace {

using res::PictureTone;

struct Palette {
    QColor top, bottom, edge, text;
};

// Clearly different families: blue launchers, slate commands, red warnings,
// green/amber "on" switches and dark grey "off" switches.
Palette PaletteFor(PictureTone tone, int id) {
    switch (tone) {
        case PictureTone::Launcher: return {QColor(74, 128, 190), QColor(33, 78, 138), QColor(16, 40, 78), Qt::white};
        case PictureTone::Warning: return {QColor(214, 74, 58), QColor(150, 32, 24), QColor(84, 14, 10), Qt::white};
        case PictureTone::On:
            if (id == res::IDB_LOCKED) return {QColor(255, 196, 64), QColor(214, 140, 10), QColor(110, 70, 0), Qt::black};
            return {QColor(110, 236, 130), QColor(40, 172, 72), QColor(10, 80, 30), Qt::black};
        case PictureTone::Off: return {QColor(84, 88, 96), QColor(44, 46, 52), QColor(20, 22, 26), QColor(200, 204, 210)};
        case PictureTone::Command:
        case PictureTone::Background: break;
    }
    if (id == res::IDB_START) return {QColor(58, 170, 110), QColor(24, 112, 66), QColor(8, 60, 32), Qt::white};
    return {QColor(96, 112, 130), QColor(52, 64, 80), QColor(22, 28, 38), Qt::white};
}

// The word under the caption of a switch picture.
QString StateWord(int id, PictureTone tone) {
    if (id == res::IDB_LOCKED) return QCoreApplication::translate("pictures", "已锁");
    if (id == res::IDB_UNLOCKED) return QCoreApplication::translate("pictures", "未锁");
    if (tone == PictureTone::On) return QCoreApplication::translate("pictures", "开");
    if (tone == PictureTone::Off) return QCoreApplication::translate("pictures", "关");
    return {};
}

QFont UiFont(int pixelSize, bool bold) {
    QFont f(Face("微软雅黑"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

void FitText(QPainter& p, const QRectF& box, const QString& text, int pixelSize, bool bold,
             Qt::Alignment align = Qt::AlignCenter) {
    QFont f = UiFont(pixelSize, bold);
    while (pixelSize > 8) {
        f.setPixelSize(pixelSize);
        if (QFontMetricsF(f).horizontalAdvance(text) <= box.width()) break;
        --pixelSize;
    }
    p.setFont(f);
    p.drawText(box, align, text);
}

QPixmap ButtonPicture(const res::PictureInfo& info) {
    QPixmap pm(info.width, info.height);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const Palette pal = PaletteFor(info.tone, info.id);
    const QRectF body = QRectF(pm.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = info.height / 5.0;

    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0.0, pal.top);
    g.setColorAt(1.0, pal.bottom);
    QPainterPath path;
    path.addRoundedRect(body, radius, radius);
    p.fillPath(path, g);
    // A thin highlight along the top gives the raised panel look.
    p.setPen(QPen(QColor(255, 255, 255, 90), 1));
    p.drawLine(QPointF(body.left() + radius, body.top() + 1.5), QPointF(body.right() - radius, body.top() + 1.5));
    p.setPen(QPen(pal.edge, 1));
    p.drawPath(path);

    const QString caption = QString::fromUtf8(info.caption.c_str());
    const QString state = StateWord(info.id, info.tone);
    p.setPen(pal.text);
    if (state.isEmpty()) {
        FitText(p, body.adjusted(4, 0, -4, 0), caption, info.height >= 45 ? 18 : 15, true);
        return pm;
    }

    // Switches: a lamp on the left, the caption and the state word beside it.
    const qreal lamp = info.height * 0.36;
    const QRectF lampBox(6, (info.height - lamp) / 2.0, lamp, lamp);
    const bool on = info.tone == PictureTone::On;
    QRadialGradient lg(lampBox.center(), lamp);
    lg.setColorAt(0.0, on ? QColor(255, 255, 230) : QColor(70, 70, 70));
    lg.setColorAt(1.0, on ? QColor(250, 240, 80) : QColor(30, 30, 30));
    p.setBrush(lg);
    p.setPen(QPen(on ? QColor(90, 80, 0) : QColor(10, 10, 10), 1));
    p.drawEllipse(lampBox);
    p.setBrush(Qt::NoBrush);

    const QRectF textBox(lampBox.right() + 3, 1, info.width - lampBox.right() - 6, info.height - 2);
    p.setPen(pal.text);
    QRectF captionBox = textBox;
    QRectF stateBox = textBox;
    if (info.height >= 35) {
        captionBox.setRight(textBox.left() + textBox.width() * 0.66);
        stateBox.setLeft(captionBox.right());
        FitText(p, captionBox, caption, 16, true);
        FitText(p, stateBox, state, 15, true);
    } else {
        captionBox.setBottom(textBox.top() + textBox.height() * 0.58);
        stateBox.setTop(captionBox.bottom() - 1);
        FitText(p, captionBox, caption, 13, true);
        FitText(p, stateBox, state, 12, true);  // readable at a glance, "Off" as "关"
    }
    return pm;
}

QPixmap Background(int width, int height) {
    QPixmap pm(width, height);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, height);
    g.setColorAt(0.0, QColor(36, 46, 60));
    g.setColorAt(1.0, QColor(20, 26, 36));
    p.fillRect(pm.rect(), g);

    // Header band behind the status bar, with an accent line.
    p.fillRect(QRect(0, 0, width, 28), QColor(24, 32, 44));
    p.fillRect(QRect(0, 28, width, 2), QColor(64, 140, 210));

    // Well around the hole map and the right-hand column.
    auto card = [&](const QRectF& r, const QColor& fill) {
        QPainterPath path;
        path.addRoundedRect(r, 6, 6);
        p.fillPath(path, fill);
        p.setPen(QPen(QColor(80, 96, 118), 1));
        p.drawPath(path);
    };
    card(QRectF(1.5, 31.5, 739, 618), QColor(14, 18, 26));
    card(QRectF(745.5, 31.5, 272, 147), QColor(40, 52, 68));   // coordinates
    card(QRectF(745.5, 182.5, 272, 234), QColor(40, 52, 68));  // hole list
    card(QRectF(745.5, 419.5, 272, 232), QColor(40, 52, 68));  // run buttons

    // Footer band behind the main buttons.
    p.fillRect(QRect(0, 652, width, height - 652), QColor(26, 34, 46));
    p.fillRect(QRect(0, 652, width, 1), QColor(64, 140, 210));
    return pm;
}

QPixmap PanelPicture(int width, int height, const QString& title, const QStringList& lines, bool cards) {
    QPixmap pm(width, height);
    pm.fill(QColor(172, 186, 202));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(24, 36, 54));
    if (cards) {
        // Outlined rows for the file processing panel; no fill of their own,
        // so the labels' panel-coloured brush blends in.
        const res::DialogTemplate* t = res::FindTemplate(res::IDD_FILE_PROCESS);
        const int rows[][2] = {{17, 50}, {74, 107}, {126, 161}, {247, 281}};
        const char* names[] = {QT_TRANSLATE_NOOP("pictures", "图纸"), QT_TRANSLATE_NOOP("pictures", "孔径"),
                               QT_TRANSLATE_NOOP("pictures", "输出"), QT_TRANSLATE_NOOP("pictures", "加工")};
        p.setFont(UiFont(12, true));
        for (int i = 0; i < 4; ++i) {
            const res::PixelRect px = res::ToPixels(*t, {8, rows[i][0], 406, rows[i][1] - rows[i][0]});
            QPainterPath path;
            path.addRoundedRect(QRectF(px.x + 0.5, px.y + 0.5, px.width, px.height), 6, 6);
            p.setPen(QPen(QColor(112, 126, 146), 1));
            p.drawPath(path);
            p.fillRect(QRectF(px.x + 12, px.y - 7, 36, 14), QColor(172, 186, 202));
            p.setPen(QColor(40, 56, 80));
            p.drawText(QRectF(px.x + 12, px.y - 7, 36, 14), Qt::AlignCenter,
                       QCoreApplication::translate("pictures", names[i]));
        }
        p.setFont(UiFont(13, false));
        const res::PixelRect hint = res::ToPixels(*t, {20, 290, 300, 20});
        p.drawText(QRectF(hint.x, hint.y, hint.width, hint.height), Qt::AlignLeft | Qt::AlignVCenter,
                   QCoreApplication::translate("pictures", "选好输出文件夹即开始转换；退出时保存全部设置。"));
        return pm;
    }
    p.setFont(UiFont(20, true));
    p.drawText(QRectF(20, 6, width - 40, 30), Qt::AlignLeft | Qt::AlignVCenter, title);
    p.fillRect(QRect(20, 36, width - 40, 2), QColor(90, 110, 136));

    p.setPen(QColor(20, 28, 40));
    p.setFont(UiFont(16, false));
    qreal y = 60;
    for (const QString& line : lines) {
        if (line.isEmpty()) {
            y += 14;
            continue;
        }
        FitText(p, QRectF(36, y, width - 72, 26), line, 16, false, Qt::AlignLeft | Qt::AlignVCenter);
        y += 30;
    }
    return pm;
}

QPixmap Make(int id) {
    const res::PictureInfo* info = res::FindPicture(id);
    if (!info) return {};
    switch (id) {
        case res::IDB_BACKGROUND: return Background(info->width, info->height);
        case res::IDB_FILE_PANEL:
            return PanelPicture(info->width, info->height, QCoreApplication::translate("pictures", "文件处理"), {}, true);
        case res::IDB_SYSTEM_NOTICE: {
            QStringList lines;
            for (const std::string& line : res::SystemNoticeLines()) lines.append(QString::fromStdString(line));
            return PanelPicture(info->width, info->height, QCoreApplication::translate("pictures", "关于系统"), lines,
                                false);
        }
        default: return ButtonPicture(*info);
    }
}

}  // namespace

QPixmap Picture(int bitmapId) {
    static QHash<int, QPixmap> cache;
    auto it = cache.find(bitmapId);
    if (it == cache.end()) it = cache.insert(bitmapId, Make(bitmapId));
    return it.value();
}

QPixmap ProgramIcon(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QPainterPath plate;
    plate.addRoundedRect(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88), s * 0.16, s * 0.16);
    p.fillPath(plate, QColor(33, 78, 138));
    p.setBrush(QColor(255, 220, 60));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) p.drawEllipse(QPointF(s * (0.28 + 0.22 * i), s * (0.28 + 0.22 * j)), s * 0.07, s * 0.07);
    return pm;
}

}  // namespace ks::ui::qt
