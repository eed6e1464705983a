#pragma once
// Faces and fonts of the windows. The templates name Windows faces ("宋体",
// "微软雅黑", "黑体", "MS Sans Serif", "System"); they are asked for by their
// English family names, which every Windows knows whatever its language,
// and a Chinese character set, so that where a face is missing the font
// mapper picks another Chinese one. English texts are set in Tahoma, the
// face of Windows' own dialogs, shrunk where a text is wider than the
// control laid out for its Chinese.
#include "ui/win32/windows_h.h"

#include <string>

namespace ks::ui::win32 {

void UseLatinFaces(bool on);
bool LatinFaces();

// A font of the template face `face`: `points` at 96 dpi, or `pixels` (the
// em height) when that is not 0; scaled to `percent`. Kept for the life of
// the program: the same arguments give the same font.
HFONT FontFor(const std::string& face, int points, int pixels = 0, bool bold = false, int percent = 100);

// How far `text` in `font` reaches, in pixels: the widest of its lines.
int TextWidth(HFONT font, const std::wstring& text);

}  // namespace ks::ui::win32
