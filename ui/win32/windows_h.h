#pragma once
// windows.h as ui/win32 includes it: lean, without the min and max macros,
// and without the macros that would rename the logic's own names
// (DialogView::MessageBox, res::LoadString, res::IDOK, res::IDCANCEL).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef MessageBox
#undef LoadString
#undef IDOK
#undef IDCANCEL
