#pragma once
// The system's OpenGL 1.1 and GLU headers, for the hole map. Windows' gl.h
// uses the calling-convention and export macros of windows.h without
// including it, so that comes first there.
#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif
#include <GL/gl.h>
#include <GL/glu.h>
