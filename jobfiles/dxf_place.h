#pragma once
// The circles of a drawing's model space where they lie in world
// coordinates: each record's object coordinate system applied (its
// extrusion direction, by the arbitrary axis rule), and every block that an
// INSERT places expanded with the insertion point, scale, rotation, column
// and row array and the block's base point, nested blocks included.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "jobfiles/dxf_drawing.h"

namespace ks::dxf {

struct PlacedCircle {
    double x = 0.0;       // world coordinates, mm
    double y = 0.0;
    double radius = 0.0;  // mm, scaled as the block is
    bool inBlock = false;
    uint8_t layout = 0;   // of its record
    size_t offset = 0;    // of its record; in a block, of the model space INSERT
};

// A placed circle in whole micrometres, less the origin, truncated toward
// zero as the written reader truncates (WholeMicrometres: a circle that a
// block places went through a rotation or a scale). `scale` is micrometres
// per drawing unit: 1000 takes the drawing's values as millimetres, any
// other converts them, which is a scale as well.
struct PlacedMicrometres {
    int32_t x = 0;
    int32_t y = 0;
    int32_t r = 0;
};
PlacedMicrometres ToMicrometres(const PlacedCircle& c, int32_t originX, int32_t originY, double scale = 1000.0);
// The UCS origin in whole micrometres at that scale.
int32_t OriginMicrometres(double drawn, double scale);

enum class PlaceEnd { Done, Stopped, TooMany };

// Circles and array cells visited at the most in one walk: an INSERT may
// ask for 32767 x 32767 copies of a block that inserts another.
inline constexpr size_t kMaxPlacements = 1000000;
// Deeper nesting is not expanded (a block that places itself never ends);
// within it, blocks that place each other are each placed once per chain.
inline constexpr int kMaxNesting = 32;

// Calls onCircle for every circle in file order, a block's circles where
// its INSERT stands, until onCircle returns false (Stopped) or the limit
// is passed (TooMany). Circles that a non-uniform scale turns into
// ellipses are not holes and are left out.
PlaceEnd PlaceModelCircles(const Drawing& drawing, const std::function<bool(const PlacedCircle&)>& onCircle,
                           size_t maxPlacements = kMaxPlacements);

}  // namespace ks::dxf
