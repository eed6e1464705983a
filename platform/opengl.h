#pragma once
// The system's OpenGL 1.1 and GLU headers, for the hole map. Windows' gl.h
// uses the calling-convention and export macros of windows.h without
// including it, so that comes first there.
#ifdef _WIN32
#include "platform/windows_h.h"
#endif
#include <GL/gl.h>
#include <GL/glu.h>
