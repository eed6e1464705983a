#pragma once
// Faces and fitting for the operator's language. The dialogs name Windows
// faces ("宋体", "微软雅黑", "黑体", "MS Sans Serif"), which fontconfig maps to
// a CJK face for the Chinese texts; the English texts are set in a Latin sans
// instead, and where an English text is wider than the control laid out for
// its Chinese, the control's font shrinks until it fits.
#include <QString>
#include <string>

class QWidget;

namespace ks::ui::qt {

void UseLatinFaces(bool on);
bool LatinFaces();

// The face to ask Qt for in place of a dialog's face name.
QString Face(const std::string& face);

// With Latin faces: shrinks the control's font, from the one it was given,
// until its text fits the room the control has for it (to 60 % at most).
// Elsewhere nothing changes. Call again when the text or the font changes.
void FitToRoom(QWidget* w);
// How many pixels the control's text runs past the room it has (0: it
// fits; also 0 for controls whose text wraps or is drawn in a picture).
int Overflow(QWidget* w);

// The font the control was given, from which FitToRoom shrinks; call after
// setting a new one.
void ForgetFittedFont(QWidget* w);

}  // namespace ks::ui::qt
