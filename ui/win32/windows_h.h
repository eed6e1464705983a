#pragma once
// windows.h as ui/win32 includes it: as the platform layer does, and
// without the macros that would rename the logic's own names
// (DialogView::MessageBox, res::LoadString, res::IDOK, res::IDCANCEL).
#include "platform/windows_h.h"
#undef MessageBox
#undef LoadString
#undef IDOK
#undef IDCANCEL
