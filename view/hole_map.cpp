#include "view/hole_map.h"

#include <array>
#include <cmath>

#include "platform/textnum.h"

namespace ks::view {

namespace {

constexpr int32_t kFirstScale = 140;
constexpr int32_t kLastScale = 179;

// (tx, ty) per field-of-view angle 140..179: the translation that puts the map
// origin in the middle of the frame's visible part of the 1000 x 1000 viewport.
// The rows for 140 (+20) and 177 (-219) are kept as the machine has always
// shown them.
constexpr std::array<Offset, kLastScale - kFirstScale + 1> kCentring = {{
    {-14, 20},   {-15, -21},  {-15, -22},  {-16, -22},  {-16, -23},   // 140..144
    {-17, -24},  {-18, -25},  {-18, -26},  {-19, -26},  {-19, -27},   // 145..149
    {-20, -28},  {-21, -29},  {-21, -31},  {-22, -32},  {-23, -33},   // 150..154
    {-24, -34},  {-25, -36},  {-26, -37},  {-27, -39},  {-29, -41},   // 155..159
    {-30, -43},  {-32, -46},  {-34, -48},  {-36, -51},  {-38, -54},   // 160..164
    {-40, -58},  {-43, -62},  {-47, -67},  {-51, -72},  {-55, -79},   // 165..169
    {-61, -87},  {-67, -97},  {-76, -109}, {-87, -125}, {-101, -145}, // 170..174
    {-122, -174}, {-152, -218}, {-203, -219}, {-305, -437}, {-610, -875},  // 175..179
}};

constexpr int32_t kZoomStep = 3;
constexpr int32_t kZoomInFloor = 143;   // zoom in only while above
constexpr int32_t kZoomOutCeiling = 177;  // zoom out only while below

bool SlotInTable(int32_t slot) { return slot >= 0 && slot < kHoleSlots; }

Vertex Centre(const JobHole& hole) { return {hole.nX * 0.001, hole.nY * 0.001}; }

}  // namespace

std::optional<Offset> CentringOffset(int32_t scale) {
    if (scale < kFirstScale || scale > kLastScale) return std::nullopt;
    return kCentring[static_cast<size_t>(scale - kFirstScale)];
}

std::vector<Vertex> CircleVertices(double cx, double cy) {
    std::vector<Vertex> v;
    v.reserve(kCircleVertices);
    const double pi = static_cast<double>(kPiSingle);
    for (int k = 0; k < kCircleVertices; ++k) {
        const double a = 2.0 * pi * k / kCircleVertices;
        v.push_back({cx + kHoleRadiusMm * std::cos(a), cy + kHoleRadiusMm * std::sin(a)});
    }
    return v;
}

void HoleMap::CentreView(double cx, double cy) {
    const auto row = CentringOffset(m_nViewScale);
    if (!row) return;
    m_nViewOffX = TruncToInt32(row->x - cx);
    m_nViewOffY = TruncToInt32(row->y - cy);
}

Perspective HoleMap::SetupPerspective() const {
    Perspective p;
    p.fovy = m_nViewScale;
    return p;
}

Frame HoleMap::DrawHoleMap(const MapInput& in) {
    Frame f;
    f.perspective = SetupPerspective();
    f.clearColour = kClearColour;
    f.translateX = m_nViewOffX;
    f.translateY = m_nViewOffY;
    f.translateZ = -20.0;

    // Holes live in slots 1..count; a count beyond the table (or below zero)
    // must never read past it.
    int32_t count = in.holes ? in.holeCount : 0;
    if (count < 0) count = 0;
    if (count > kHoleSlots - 1) count = kHoleSlots - 1;

    for (int32_t i = 1; i <= count; ++i) {
        const JobHole& h = (*in.holes)[static_cast<size_t>(i)];
        const Vertex c = Centre(h);
        Primitive p;
        if (h.bDone == 1) {
            p.kind = PrimitiveKind::FilledPolygon;
            p.colour = kDoneColour;
        } else {
            p.kind = PrimitiveKind::LineLoop;
            p.colour = kPendingColour;
        }
        p.vertices = CircleVertices(c.x, c.y);
        f.primitives.push_back(std::move(p));
    }

    Primitive path;
    path.kind = PrimitiveKind::LineStrip;
    path.colour = kPathColour;
    for (int32_t i = 1; i <= count; ++i) path.vertices.push_back(Centre((*in.holes)[static_cast<size_t>(i)]));
    f.primitives.push_back(std::move(path));

    if (in.state == 3) {
        m_bBlink = (m_bBlink == 0) ? 1 : 0;
        if (m_bBlink == 1 && in.holes && SlotInTable(in.curHole) && in.curHole <= in.holeCount) {
            const Vertex c = Centre((*in.holes)[static_cast<size_t>(in.curHole)]);
            Primitive mark;
            mark.kind = PrimitiveKind::FilledPolygon;
            mark.colour = kMarkColour;
            mark.vertices = CircleVertices(c.x, c.y);
            f.primitives.push_back(std::move(mark));
        }
    }

    const double px = in.posX * 0.001;
    const double py = in.posY * 0.001;
    Primitive across{PrimitiveKind::LineStrip, kMarkColour, 1.5f,
                     {{px + kCrossHalfLengthMm, py}, {px - kCrossHalfLengthMm, py}}};
    Primitive down{PrimitiveKind::LineStrip, kMarkColour, 1.5f,
                   {{px, py + kCrossHalfLengthMm}, {px, py - kCrossHalfLengthMm}}};
    f.primitives.push_back(std::move(across));
    f.primitives.push_back(std::move(down));
    return f;
}

Frame HoleMap::RenderView(const MapInput& in) {
    if (m_nViewType == 1) {
        // Slot 0 holds hole 1's position, so hole 0 centres on the first hole.
        if (in.holes && SlotInTable(in.curHole)) {
            const Vertex c = Centre((*in.holes)[static_cast<size_t>(in.curHole)]);
            CentreView(c.x, c.y);
        }
    } else if (m_nViewType == 2) {
        CentreView(0.0, 0.0);
    }
    return DrawHoleMap(in);
}

void HoleMap::ZoomIn() {
    if (m_nViewScale > kZoomInFloor) m_nViewScale -= kZoomStep;
}

void HoleMap::ZoomOut() {
    if (m_nViewScale < kZoomOutCeiling) m_nViewScale += kZoomStep;
}

bool HoleMap::Wheel(int delta) {
    if (delta > 0) {
        ZoomIn();
    } else if (delta < 0) {
        ZoomOut();
    } else {
        return false;
    }
    return true;
}

}  // namespace ks::view
