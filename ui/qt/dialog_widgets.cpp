#include "ui/qt/dialog_widgets.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

#include "ui/qt/pictures.h"
#include "ui/qt/ui_faces.h"

namespace ks::ui::qt {

PictureButton::PictureButton(const QString& caption, QWidget* parent) : QAbstractButton(parent) {
    setText(caption);
}

void PictureButton::SetPicture(int bitmapId) {
    m_bitmap = bitmapId;
    m_pixmap = Picture(bitmapId);
    if (!m_pixmap.isNull()) setFixedSize(m_pixmap.size());
    update();
}

QSize PictureButton::sizeHint() const { return m_pixmap.isNull() ? QSize(80, 30) : m_pixmap.size(); }

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // Pressed: the picture sinks by a pixel and darkens.
    const bool down = isDown();
    p.drawPixmap(down ? 1 : 0, down ? 1 : 0, m_pixmap);
    if (down) p.fillRect(rect(), QColor(0, 0, 0, 70));
    if (!isEnabled()) p.fillRect(rect(), QColor(128, 128, 128, 120));
    if (underMouse() && !down) p.fillRect(rect(), QColor(255, 255, 255, 24));
}

void PictureButton::enterEvent(QEnterEvent* event) {
    update();
    QAbstractButton::enterEvent(event);
}

void PictureButton::leaveEvent(QEvent* event) {
    update();
    QAbstractButton::leaveEvent(event);
}

void SetShownText(QWidget* w, const QString& text) {
    if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(text);
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(text);
        e->setCursorPosition(0);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(text);
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        g->setTitle(text);
    } else if (auto* c = qobject_cast<QComboBox*>(w); c && c->isEditable()) {
        c->setEditText(text);
    }
    FitToRoom(w);
}

QString ShownText(const QWidget* w) {
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text();
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
    if (auto* c = qobject_cast<const QComboBox*>(w)) return c->currentText();
    return {};
}

}  // namespace ks::ui::qt
