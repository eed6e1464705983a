#include "view/hole_map.h"

#include <algorithm>
#include <array>
#include <atomic>
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
Vertex Centre(int32_t x, int32_t y) { return {x * 0.001, y * 0.001}; }

// Serials are unique across every HoleMap of the process: one surface may
// be shown frames of several maps (tests do), and must never take one
// map's block for another's.
uint64_t NextSerial() {
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

void Widen(PrimitiveBlock& b, const Vertex& lower, const Vertex& upper, bool& first) {
    if (first) {
        b.lower = lower;
        b.upper = upper;
        first = false;
    }
    b.lower = {std::min(b.lower.x, lower.x), std::min(b.lower.y, lower.y)};
    b.upper = {std::max(b.upper.x, upper.x), std::max(b.upper.y, upper.y)};
}

BlockRef MakeBlock(std::vector<HoleCircle> circles, std::vector<Primitive> primitives) {
    auto block = std::make_shared<PrimitiveBlock>();
    block->serial = NextSerial();
    block->circles = std::move(circles);
    block->primitives = std::move(primitives);
    bool first = true;
    for (const HoleCircle& c : block->circles) {
        const Vertex& m = c.centre;
        Widen(*block, {m.x - kHoleRadiusMm, m.y - kHoleRadiusMm}, {m.x + kHoleRadiusMm, m.y + kHoleRadiusMm}, first);
    }
    for (const Primitive& p : block->primitives)
        for (const Vertex& v : p.vertices) Widen(*block, v, v, first);
    return block;
}

}  // namespace

Primitive CirclePrimitive(const HoleCircle& hole) {
    Primitive p;
    if (hole.done) {
        p.kind = PrimitiveKind::FilledPolygon;
        p.colour = kDoneColour;
    } else {
        p.kind = PrimitiveKind::LineLoop;
        p.colour = kPendingColour;
    }
    p.vertices = CircleVertices(hole.centre.x, hole.centre.y);
    return p;
}

std::vector<Primitive> Frame::Primitives() const {
    std::vector<Primitive> all;
    for (const BlockRef& b : blocks) {
        for (const HoleCircle& c : b->circles) all.push_back(CirclePrimitive(c));
        all.insert(all.end(), b->primitives.begin(), b->primitives.end());
    }
    all.insert(all.end(), overlay.begin(), overlay.end());
    return all;
}

bool Frame::operator==(const Frame& o) const {
    if (!(perspective == o.perspective && clearColour == o.clearColour && clearDepth == o.clearDepth &&
          depthTest == o.depthTest && translateX == o.translateX && translateY == o.translateY &&
          translateZ == o.translateZ && overlay == o.overlay && blocks.size() == o.blocks.size()))
        return false;
    for (size_t i = 0; i < blocks.size(); ++i)
        if (!blocks[i]->SameDrawing(*o.blocks[i])) return false;
    return true;
}

std::optional<Offset> CentringOffset(int32_t scale) {
    if (scale < kFirstScale || scale > kLastScale) return std::nullopt;
    return kCentring[static_cast<size_t>(scale - kFirstScale)];
}

namespace {

// The unit circle once: a job load builds 15,000 circles, and a paint draws
// every one in sight.
struct UnitCircle {
    std::array<double, kCircleVertices> cos{}, sin{};
    UnitCircle() {
        const double pi = static_cast<double>(kPiSingle);
        for (int k = 0; k < kCircleVertices; ++k) {
            const double a = 2.0 * pi * k / kCircleVertices;
            cos[static_cast<size_t>(k)] = std::cos(a);
            sin[static_cast<size_t>(k)] = std::sin(a);
        }
    }
};
const UnitCircle kUnit;

}  // namespace

Vertex CircleVertex(double cx, double cy, int k) {
    const size_t i = static_cast<size_t>(k);
    return {cx + kHoleRadiusMm * kUnit.cos[i], cy + kHoleRadiusMm * kUnit.sin[i]};
}

std::vector<Vertex> CircleVertices(double cx, double cy) {
    std::vector<Vertex> v(kCircleVertices);
    for (int k = 0; k < kCircleVertices; ++k) v[static_cast<size_t>(k)] = CircleVertex(cx, cy, k);
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

void HoleMap::RefreshJob(const HoleSlots* holes, int32_t count) {
    const size_t n = static_cast<size_t>(count);
    const size_t before = m_drawn.size();
    bool pathStale = !m_path || n != before;
    m_drawn.resize(n);
    m_holeBlocks.resize((n + kHolesPerBlock - 1) / kHolesPerBlock);

    for (size_t b = 0; b < m_holeBlocks.size(); ++b) {
        const size_t first = b * kHolesPerBlock;
        const size_t last = std::min(n, first + kHolesPerBlock);
        // A block cut short by a shorter job, or grown by a longer one, has
        // other holes in it even where the ones it keeps are unchanged.
        bool stale = !m_holeBlocks[b] || m_holeBlocks[b]->circles.size() != last - first;
        for (size_t i = first; i < last; ++i) {
            const JobHole& h = (*holes)[i + 1];
            const DrawnHole now{h.nX, h.nY, h.bDone == 1};
            if (i < before && m_drawn[i] == now) continue;
            if (i >= before || m_drawn[i].x != now.x || m_drawn[i].y != now.y) pathStale = true;
            m_drawn[i] = now;
            stale = true;
        }
        if (!stale) continue;
        std::vector<HoleCircle> circles;
        circles.reserve(last - first);
        for (size_t i = first; i < last; ++i) circles.push_back({Centre(m_drawn[i].x, m_drawn[i].y), m_drawn[i].done});
        m_holeBlocks[b] = MakeBlock(std::move(circles), {});
    }

    if (pathStale) {
        Primitive path;
        path.kind = PrimitiveKind::LineStrip;
        path.colour = kPathColour;
        path.vertices.reserve(n);
        for (const DrawnHole& d : m_drawn) path.vertices.push_back(Centre(d.x, d.y));
        m_path = MakeBlock({}, {std::move(path)});
    }
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

    RefreshJob(in.holes, count);
    f.blocks.reserve(m_holeBlocks.size() + 1);
    f.blocks.assign(m_holeBlocks.begin(), m_holeBlocks.end());
    f.blocks.push_back(m_path);

    if (in.state == RunState::Machining) {
        m_bBlink = (m_bBlink == 0) ? 1 : 0;
        if (m_bBlink == 1 && in.holes && SlotInTable(in.curHole) && in.curHole <= in.holeCount) {
            const Vertex c = Centre((*in.holes)[static_cast<size_t>(in.curHole)]);
            Primitive mark;
            mark.kind = PrimitiveKind::FilledPolygon;
            mark.colour = kMarkColour;
            mark.vertices = CircleVertices(c.x, c.y);
            f.overlay.push_back(std::move(mark));
        }
    }

    const double px = in.posX * 0.001;
    const double py = in.posY * 0.001;
    Primitive across{PrimitiveKind::LineStrip, kMarkColour, 1.5f,
                     {{px + kCrossHalfLengthMm, py}, {px - kCrossHalfLengthMm, py}}};
    Primitive down{PrimitiveKind::LineStrip, kMarkColour, 1.5f,
                   {{px, py + kCrossHalfLengthMm}, {px, py - kCrossHalfLengthMm}}};
    f.overlay.push_back(std::move(across));
    f.overlay.push_back(std::move(down));
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
