#pragma once
// The console's pictures, painted with QPainter from their description in
// res/picture_art.h when first asked for: button art, the main window
// background and the two panel pictures.
#include <QPixmap>

namespace ks::ui::qt {

// The picture of bitmap resource `bitmapId`; a null pixmap for unknown ids.
// Cached: the same id gives the same pixmap (shared data) every time.
QPixmap Picture(int bitmapId);

// The program icon (resource 130).
QPixmap ProgramIcon(int size = 32);

}  // namespace ks::ui::qt
