#pragma once
// The hole map as a scene: what the map frame shows, in map units
// (millimetres), without any drawing API. The console keeps one HoleMap;
// each draw produces a Frame that a MapSurface (OpenGL in the Qt build, a
// recorder in tests) replays.
//
// A job of 15,000 holes is 15,000 circles of 15 vertices, drawn several
// times a second while nothing about them changes. The holes and the path
// therefore come in shared, immutable blocks that a draw rebuilds only
// when their holes moved or changed their done mark: two frames compare
// block by block in a few steps, and a renderer can leave out a block that
// lies outside what it shows by its box.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "model/job_model.h"

namespace ks::view {

struct Colour {
    float r = 0, g = 0, b = 0, a = 1;
    bool operator==(const Colour&) const = default;
};

struct Vertex {
    double x = 0, y = 0;
    bool operator==(const Vertex&) const = default;
};

enum class PrimitiveKind { FilledPolygon, LineLoop, LineStrip };

struct Primitive {
    PrimitiveKind kind = PrimitiveKind::LineStrip;
    Colour colour;
    float lineWidth = 1.0f;  // glLineWidth in force when drawn
    std::vector<Vertex> vertices;
    bool operator==(const Primitive&) const = default;
};

// A hole as the map draws it: the 15-vertex circle of radius 3 mm around
// its centre, filled in the done colour or outlined in the pending colour.
// A block keeps holes in this form, 24 bytes instead of a primitive's 300.
struct HoleCircle {
    Vertex centre;
    bool done = false;
    bool operator==(const HoleCircle&) const = default;
};
Primitive CirclePrimitive(const HoleCircle& hole);

// A run of primitives that never changes once built: its circles, then its
// other primitives. Its serial is unique for the life of the process, so
// equal serials mean the same drawing and a renderer may key what it keeps
// of the block by it.
struct PrimitiveBlock {
    uint64_t serial = 0;
    std::vector<HoleCircle> circles;
    std::vector<Primitive> primitives;
    // The box around all their vertices (lower above upper when there are
    // none), so that a renderer can leave out a block it would draw
    // wholly outside the frame.
    Vertex lower{1, 1}, upper{0, 0};

    // Whether two blocks draw the same.
    bool SameDrawing(const PrimitiveBlock& other) const {
        return serial == other.serial || (circles == other.circles && primitives == other.primitives);
    }
};
using BlockRef = std::shared_ptr<const PrimitiveBlock>;

// Camera: viewport in pixels and a gluPerspective.
struct Perspective {
    int viewportX = 0, viewportY = 0, viewportWidth = 1000, viewportHeight = 1000;
    double fovy = 0;
    double aspect = 1.0;
    double zNear = static_cast<double>(0.1f);
    double zFar = 100.0;
    bool operator==(const Perspective&) const = default;
};

struct Frame {
    Perspective perspective;
    Colour clearColour;
    double clearDepth = 1.0;
    bool depthTest = true;
    double translateX = 0, translateY = 0, translateZ = -20.0;
    // Drawing order: the primitives of every block in turn (the holes in
    // job order, then the path), then the overlay (the blinking marker and
    // the cross-hair), which changes from draw to draw.
    std::vector<BlockRef> blocks;
    std::vector<Primitive> overlay;

    // Every primitive in drawing order.
    std::vector<Primitive> Primitives() const;
    // The same picture: camera, clearing, translation and primitives alike.
    // Blocks with equal serials count as equal without a look inside.
    bool operator==(const Frame& other) const;
};

// Everything the map reads from the main window for one draw.
struct MapInput {
    const HoleSlots* holes = nullptr;  // null: an empty table
    int32_t holeCount = 0;             // holes are slots 1..holeCount
    int32_t curHole = 0;
    RunState state = RunState::Idle;   // the marker blinks while machining
    float posX = 0, posY = 0;          // machine position, micrometres
};

// Where frames go. The Qt window implements it with an OpenGL widget.
class MapSurface {
public:
    virtual ~MapSurface() = default;
    // Pixel format + rendering context; false when no context can be made.
    virtual bool CreateContext() = 0;
    virtual void Present(const Frame& frame) = 0;
};

// Fixed drawing constants of the map.
inline constexpr float kPiSingle = 3.1415927410125732f;
inline constexpr int kCircleVertices = 15;
inline constexpr double kHoleRadiusMm = 3.0;
inline constexpr double kCrossHalfLengthMm = 70.0;
inline constexpr Colour kClearColour{0.0549f, 0.0549f, 0.1882f, 1.0f};
inline constexpr Colour kDoneColour{0.2f, 0.7f, 1.0f, 1.0f};
inline constexpr Colour kPendingColour{1.0f, 1.0f, 0.0f, 1.0f};
inline constexpr Colour kPathColour{1.0f, 1.0f, 1.0f, 1.0f};
inline constexpr Colour kMarkColour{1.0f, 0.0f, 0.0f, 1.0f};

// Centring translation (tx, ty) in millimetres for field-of-view angles
// 140..179; empty outside that range.
struct Offset {
    int32_t x = 0, y = 0;
    bool operator==(const Offset&) const = default;
};
std::optional<Offset> CentringOffset(int32_t scale);

// The 15-vertex circle of radius 3 mm around (cx, cy), and its vertex k.
std::vector<Vertex> CircleVertices(double cx, double cy);
Vertex CircleVertex(double cx, double cy, int k);

// Holes per block: a done mark rebuilds one block of this many circles.
inline constexpr int kHolesPerBlock = 256;

class HoleMap {
public:
    // Zoom (field-of-view angle, degrees) and centring mode, as the settings
    // hold them; start-up values until the settings are read.
    int32_t m_nViewScale = 178;
    int32_t m_nViewType = 0;  // 1 current hole, 2 origin, else none
    int32_t m_nViewOffX = 1;
    int32_t m_nViewOffY = 1;
    uint8_t m_bBlink = 0;     // flips on every draw while machining

    // Offsets that bring (cx, cy) mm to the middle of the visible part; only
    // for scales the centring table covers.
    void CentreView(double cx, double cy);
    Perspective SetupPerspective() const;
    // One draw: flips the blink flag in state 3.
    Frame DrawHoleMap(const MapInput& in);
    // Centring by m_nViewType, then the draw.
    Frame RenderView(const MapInput& in);

    // One wheel step each; the bounds keep the scale within 142..178 from
    // the default.
    void ZoomIn();
    void ZoomOut();
    // The wheel: positive delta zooms in, negative out. Returns false for a
    // zero delta (nothing to redraw or save).
    bool Wheel(int delta);

private:
    // What the blocks show of a hole: only position and done mark are drawn.
    struct DrawnHole {
        int32_t x = 0, y = 0;
        bool done = false;
        bool operator==(const DrawnHole&) const = default;
    };
    // Brings the hole blocks and the path up to date with slots 1..count.
    void RefreshJob(const HoleSlots* holes, int32_t count);

    std::vector<DrawnHole> m_drawn;       // holes 1..count as the blocks show them
    std::vector<BlockRef> m_holeBlocks;   // kHolesPerBlock holes each, in job order
    BlockRef m_path;
};

}  // namespace ks::view
