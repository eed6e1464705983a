#pragma once
// The console's pictures, painted with GDI+ from their description in
// res/picture_art.h when first asked for, as 32-bit bitmaps with alpha
// (premultiplied, for AlphaBlend).
#include "ui/win32/windows_h.h"

namespace ks::ui::win32 {

// Starts and ends GDI+ for the program; pictures are painted in between.
void StartPictures();
void StopPictures();

// The picture of bitmap resource `bitmapId`; null for unknown ids. Owned
// by the cache: the same id gives the same bitmap every time.
HBITMAP Picture(int bitmapId);
SIZE PictureSize(int bitmapId);

// The program icon (resource 130), made once per size.
HICON ProgramIcon(int size);

}  // namespace ks::ui::win32
