#pragma once
// The hole map as a scene: what the map frame shows, in map units
// (millimetres), without any drawing API. The console keeps one HoleMap;
// each draw produces a Frame that a MapSurface (OpenGL in the Qt build, a
// recorder in tests) replays.
#include <cstdint>
#include <optional>
#include <vector>

#include "jobfiles/job_loader.h"

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
};

// Camera: viewport in pixels and a gluPerspective.
struct Perspective {
    int viewportX = 0, viewportY = 0, viewportWidth = 1000, viewportHeight = 1000;
    double fovy = 0;
    double aspect = 1.0;
    double zNear = static_cast<double>(0.1f);
    double zFar = 100.0;
};

struct Frame {
    Perspective perspective;
    Colour clearColour;
    double clearDepth = 1.0;
    bool depthTest = true;
    double translateX = 0, translateY = 0, translateZ = -20.0;
    std::vector<Primitive> primitives;  // in drawing order
};

// Everything the map reads from the main window for one draw.
struct MapInput {
    const HoleSlots* holes = nullptr;  // null: an empty table
    int32_t holeCount = 0;             // holes are slots 1..holeCount
    int32_t curHole = 0;
    int32_t state = 1;                 // m_nState: 3 = machining
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

// The 15-vertex circle of radius 3 mm around (cx, cy).
std::vector<Vertex> CircleVertices(double cx, double cy);

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
};

}  // namespace ks::view
