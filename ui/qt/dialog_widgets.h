#pragma once
// The two widgets of a dialog window that Qt has no exact match for, and the
// text a control of any kind shows. Internal to ui/qt: the rest of the
// program sees only DialogWindow.
#include <QAbstractButton>
#include <QPixmap>
#include <QRadioButton>

namespace ks::ui::qt {

// A push button that shows only its picture and takes the picture's size.
class PictureButton : public QAbstractButton {
public:
    PictureButton(const QString& caption, QWidget* parent);

    void SetPicture(int bitmapId);
    int Bitmap() const { return m_bitmap; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int m_bitmap = 0;
    QPixmap m_pixmap;
};

// A radio button whose whole rectangle takes the click, not only its
// indicator and text: the panels' radio buttons are wide, mostly empty
// fields, and an operator at the machine aims at the field.
class RadioButton : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// A label's or button's text, an edit's or editable combo box's contents,
// a group box's title; other widgets show no text.
void SetShownText(QWidget* w, const QString& text);
QString ShownText(const QWidget* w);

}  // namespace ks::ui::qt
