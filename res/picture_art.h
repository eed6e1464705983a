#pragma once
// How each picture looks, as data: the shapes, colours and texts that make
// it, in pixels, in drawing order. Both window layers paint the pictures
// from this one description (the Qt layer with QPainter, the Win32 layer
// with GDI+), antialiased; only the rasterisers and the fonts differ.
#include <cstdint>
#include <string>
#include <vector>

namespace ks::res {

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Rgba&) const = default;
};

struct BoxF {
    double x = 0, y = 0, width = 0, height = 0;
};

enum class ArtShape {
    Rect,
    RoundedRect,
    Ellipse,
    Line,  // from (x, y) to (x + width, y + height)
    Text,
};

enum class ArtFill {
    None,
    Solid,     // `from`
    Vertical,  // `from` at the top edge to `to` at the bottom edge
    Radial,    // `from` at the centre to `to` at the edge
};

enum class TextAlign { Centre, Left };  // both centred vertically

struct ArtStep {
    ArtShape shape = ArtShape::Rect;
    BoxF box;
    double radius = 0;  // RoundedRect
    ArtFill fill = ArtFill::None;
    Rgba from, to;
    Rgba pen;               // outline, line or text colour
    double penWidth = 0;    // 0: no outline (texts ignore it)
    // Text: in the operator's language already.
    std::string text;
    std::string face;       // a template face name, mapped as the controls' are
    int pixelSize = 0;
    bool bold = false;
    TextAlign align = TextAlign::Centre;
    bool shrinkToFit = false;  // one pixel smaller at a time (to 9) until it fits the box's width
};

struct PictureArt {
    int width = 0, height = 0;
    Rgba ground{0, 0, 0, 0};  // under the steps; transparent for buttons
    std::vector<ArtStep> steps;
};

// The art of bitmap resource `bitmapId`; width 0 for unknown ids.
PictureArt ArtOf(int bitmapId);

// The program icon (resource 130) at size x size pixels.
PictureArt IconArt(int size);

}  // namespace ks::res
