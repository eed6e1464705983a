#pragma once
// Replays the scene model's frames with fixed-function OpenGL 1.1 and GLU,
// as the map has always been drawn. Both window layers draw the map with
// it (the Qt layer into its map window's framebuffer object, the Win32
// layer into one of its own), so that the same job and view give the same
// pixels on either system's software renderer.
#include "view/hole_map.h"

namespace ks::view {

// How much of a frame was sent to OpenGL: what lies wholly outside the
// frame is left out, a block at a time and then a primitive at a time.
struct GlDrawCounts {
    int blocks = 0;
    int primitives = 0;
};

// Draws `frame` into the current context's framebuffer of width x height
// device pixels; dpr (device pixels per map-widget pixel) scales the
// viewport and the line widths. Without a frame only the map's ground.
GlDrawCounts DrawFrameWithOpenGl(const Frame* frame, int width, int height, double dpr);

}  // namespace ks::view
