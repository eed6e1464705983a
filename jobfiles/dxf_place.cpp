#include "jobfiles/dxf_place.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "jobfiles/hole_table.h"

namespace ks::dxf {
namespace {

Vec3 Add(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 Sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Scaled(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec3 Unit(Vec3 a) {
    const double len = std::sqrt(Dot(a, a));
    return len > 0.0 ? Scaled(a, 1.0 / len) : a;
}

// The object coordinate system of an extrusion direction: its axes in
// world coordinates.
struct Ocs {
    bool plain = true;  // the world system itself
    Vec3 ax{1.0, 0.0, 0.0};
    Vec3 ay{0.0, 1.0, 0.0};
    Vec3 az{0.0, 0.0, 1.0};

    Vec3 ToWorld(Vec3 p) const {
        if (plain) return p;
        return Add(Add(Scaled(ax, p.x), Scaled(ay, p.y)), Scaled(az, p.z));
    }
};

Ocs OcsOf(Vec3 extrusion) {
    Ocs o;
    const bool upward = std::fabs(extrusion.x) <= 1e-12 && std::fabs(extrusion.y) <= 1e-12 &&
                        std::fabs(extrusion.z - 1.0) <= 1e-12;
    // A zero (or broken) direction means nothing; take the world's.
    if (upward || !(Dot(extrusion, extrusion) > 1e-24) || !std::isfinite(Dot(extrusion, extrusion))) return o;
    o.plain = false;
    o.az = Unit(extrusion);
    // The arbitrary axis rule of the format.
    if (std::fabs(o.az.x) < 1.0 / 64.0 && std::fabs(o.az.y) < 1.0 / 64.0) {
        o.ax = Unit(Cross(Vec3{0.0, 1.0, 0.0}, o.az));
    } else {
        o.ax = Unit(Cross(Vec3{0.0, 0.0, 1.0}, o.az));
    }
    o.ay = Unit(Cross(o.az, o.ax));
    return o;
}

// cos and sin of an angle in degrees; exact at right angles, where a
// rotated block must not move its holes by a rounding error.
void CosSin(double degrees, double& c, double& s) {
    const double quarter = degrees / 90.0;
    if (quarter == std::floor(quarter) && std::fabs(quarter) < 1e9) {
        static constexpr double kCos[] = {1.0, 0.0, -1.0, 0.0};
        const int q = static_cast<int>(std::fmod(quarter, 4.0) + 4.0) % 4;
        c = kCos[q];
        s = kCos[(q + 3) % 4];
        return;
    }
    const double rad = degrees * (std::numbers::pi / 180.0);
    c = std::cos(rad);
    s = std::sin(rad);
}

// p -> col[0] p.x + col[1] p.y + col[2] p.z + t
struct Affine {
    Vec3 col[3]{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
    Vec3 t;

    Vec3 Linear(Vec3 p) const { return Add(Add(Scaled(col[0], p.x), Scaled(col[1], p.y)), Scaled(col[2], p.z)); }
    Vec3 Apply(Vec3 p) const { return Add(Linear(p), t); }
    // This after inner.
    Affine After(const Affine& inner) const {
        Affine r;
        for (int i = 0; i < 3; ++i) r.col[i] = Linear(inner.col[i]);
        r.t = Apply(inner.t);
        return r;
    }
};

// Block coordinates to the coordinates the INSERT stands in: scale along
// the insert's object axes, rotate about its extrusion, then move the
// block's base point to the insertion point (plus the array offset, which
// is rotated but not scaled).
Affine InsertTransform(const Entity& ins, Vec3 base, double columnOffset, double rowOffset) {
    const Ocs o = OcsOf(ins.extrusion);
    double c = 1.0, s = 0.0;
    CosSin(ins.rotation, c, s);
    Affine m;
    m.col[0] = Scaled(Add(Scaled(o.ax, c), Scaled(o.ay, s)), ins.scale.x);
    m.col[1] = Scaled(Add(Scaled(o.ax, -s), Scaled(o.ay, c)), ins.scale.y);
    m.col[2] = Scaled(o.az, ins.scale.z);
    const Vec3 point{ins.point.x + c * columnOffset - s * rowOffset, ins.point.y + s * columnOffset + c * rowOffset,
                     ins.point.z};
    m.t = Sub(o.ToWorld(point), m.Linear(base));
    return m;
}

// Blocks through which a circle is placed: those that hold one, and every
// block that places such a block, found from the circles back up (so that
// blocks that place each other count whatever the order they are met in).
// Blocks that place none are not walked, however many copies an array asks
// for.
std::vector<bool> BlocksWithCircles(const Drawing& d) {
    const size_t n = d.blocks.size();
    std::vector<std::vector<size_t>> placedBy(n);
    std::vector<bool> with(n, false);
    std::vector<size_t> found;
    for (size_t b = 0; b < n; ++b) {
        for (const Entity& e : d.blocks[b].entities) {
            if (e.kind == EntityKind::Circle) with[b] = true;
            if (e.kind == EntityKind::Insert && e.block >= 0) placedBy[static_cast<size_t>(e.block)].push_back(b);
        }
        if (with[b]) found.push_back(b);
    }
    while (!found.empty()) {
        const size_t b = found.back();
        found.pop_back();
        for (const size_t by : placedBy[b]) {
            if (!with[by]) {
                with[by] = true;
                found.push_back(by);
            }
        }
    }
    return with;
}

class Walker {
public:
    Walker(const Drawing& d, const std::function<bool(const PlacedCircle&)>& onCircle, size_t limit)
        : m_d(d), m_onCircle(onCircle), m_limit(limit), m_withCircles(BlocksWithCircles(d)),
          m_open(d.blocks.size(), false) {}

    PlaceEnd Run() {
        for (const Entity& e : m_d.model) {
            if (e.kind == EntityKind::Circle) {
                const Vec3 p = OcsOf(e.extrusion).ToWorld(e.point);
                if (!Visit(PlacedCircle{p.x, p.y, e.radius, false, e.layout, e.offset})) return m_end;
            } else if (e.kind == EntityKind::Insert) {
                if (!Expand(e, Affine{}, 0, e.offset)) return m_end;
            }
        }
        return PlaceEnd::Done;
    }

private:
    bool Visit(const PlacedCircle& c) {
        if (++m_visits > m_limit) {
            m_end = PlaceEnd::TooMany;
            return false;
        }
        if (!m_onCircle(c)) {
            m_end = PlaceEnd::Stopped;
            return false;
        }
        return true;
    }

    bool Expand(const Entity& ins, const Affine& outer, int depth, size_t offset) {
        const int32_t b = ins.block;
        if (b < 0 || depth >= kMaxNesting || m_open[static_cast<size_t>(b)] || !m_withCircles[static_cast<size_t>(b)]) {
            return true;
        }
        const Block& block = m_d.blocks[static_cast<size_t>(b)];
        // Copies at one place are one copy.
        const int32_t columns = ins.columnSpacing == 0.0 ? 1 : std::max(ins.columns, 1);
        const int32_t rows = ins.rowSpacing == 0.0 ? 1 : std::max(ins.rows, 1);
        m_open[static_cast<size_t>(b)] = true;
        bool go = true;
        for (int32_t row = 0; go && row < rows; ++row) {
            for (int32_t column = 0; go && column < columns; ++column) {
                if (++m_visits > m_limit) {
                    m_end = PlaceEnd::TooMany;
                    go = false;
                    break;
                }
                const Affine m = outer.After(
                    InsertTransform(ins, block.base, column * ins.columnSpacing, row * ins.rowSpacing));
                go = Walk(block, m, depth + 1, offset);
            }
        }
        m_open[static_cast<size_t>(b)] = false;
        return go;
    }

    bool Walk(const Block& block, const Affine& m, int depth, size_t offset) {
        for (const Entity& e : block.entities) {
            if (e.kind == EntityKind::Insert) {
                if (!Expand(e, m, depth, offset)) return false;
                continue;
            }
            const Ocs o = OcsOf(e.extrusion);
            const Vec3 u = m.Linear(o.ax);
            const Vec3 v = m.Linear(o.ay);
            // Unequal scales in the circle's plane make it an ellipse.
            if (std::fabs(Dot(u, u) - Dot(v, v)) > 1e-9) {
                if (++m_visits > m_limit) {
                    m_end = PlaceEnd::TooMany;
                    return false;
                }
                continue;
            }
            const Vec3 p = m.Apply(o.ToWorld(e.point));
            if (!Visit(PlacedCircle{p.x, p.y, e.radius * std::sqrt(Dot(u, u)), true, e.layout, offset})) return false;
        }
        return true;
    }

    const Drawing& m_d;
    const std::function<bool(const PlacedCircle&)>& m_onCircle;
    size_t m_limit;
    size_t m_visits = 0;
    PlaceEnd m_end = PlaceEnd::Done;
    std::vector<bool> m_withCircles;
    std::vector<bool> m_open;
};

}  // namespace

PlacedMicrometres ToMicrometres(const PlacedCircle& c, int32_t originX, int32_t originY, double scale) {
    const bool scaled = c.inBlock || scale != 1000.0;
    return {WholeMicrometres(c.x * scale - originX, scaled), WholeMicrometres(c.y * scale - originY, scaled),
            WholeMicrometres(c.radius * scale, scaled)};
}

int32_t OriginMicrometres(double drawn, double scale) { return WholeMicrometres(drawn * scale, scale != 1000.0); }

PlaceEnd PlaceModelCircles(const Drawing& drawing, const std::function<bool(const PlacedCircle&)>& onCircle,
                           size_t maxPlacements) {
    return Walker(drawing, onCircle, maxPlacements).Run();
}

}  // namespace ks::dxf
