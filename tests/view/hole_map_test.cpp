#include "view/hole_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace ks::view {
namespace {

struct Job {
    std::unique_ptr<HoleSlots> holes = std::make_unique<HoleSlots>();
    int32_t count = 0;

    void Add(int32_t x, int32_t y, int32_t done = 0) {
        ++count;
        (*holes)[count] = JobHole{x, y, 0.5f, done};
        (*holes)[0] = (*holes)[1];
    }
    MapInput Input(int32_t state = 1, int32_t cur = 0) const {
        MapInput in;
        in.holes = holes.get();
        in.holeCount = count;
        in.curHole = cur;
        in.state = static_cast<RunState>(state);
        return in;
    }
};

int CountKind(const Frame& f, PrimitiveKind kind, Colour colour) {
    int n = 0;
    for (const auto& p : f.Primitives())
        if (p.kind == kind && p.colour == colour) ++n;
    return n;
}

bool HasMarker(const Frame& f) { return CountKind(f, PrimitiveKind::FilledPolygon, kMarkColour) == 1; }

TEST(CentringTable, CoversOnly140To179WithItsTwoOddRows) {
    EXPECT_FALSE(CentringOffset(139));
    EXPECT_FALSE(CentringOffset(180));
    EXPECT_EQ(CentringOffset(140), (Offset{-14, 20}));
    EXPECT_EQ(CentringOffset(160), (Offset{-30, -43}));
    EXPECT_EQ(CentringOffset(176), (Offset{-152, -218}));
    EXPECT_EQ(CentringOffset(177), (Offset{-203, -219}));
    EXPECT_EQ(CentringOffset(179), (Offset{-610, -875}));
    // Away from the two odd rows both columns only grow in size with the angle.
    for (int s = 142; s <= 179; ++s) {
        EXPECT_LE(CentringOffset(s)->x, CentringOffset(s - 1)->x) << s;
        if (s != 177 && s != 178) {
            EXPECT_LE(CentringOffset(s)->y, CentringOffset(s - 1)->y) << s;
        }
    }
}

TEST(CentreView, TruncatesTowardZeroAndOnlyInsideTheTable) {
    HoleMap m;
    m.m_nViewScale = 160;
    m.CentreView(1.5, 0.0);
    EXPECT_EQ(m.m_nViewOffX, -31);
    EXPECT_EQ(m.m_nViewOffY, -43);
    m.CentreView(-1.5, -0.9);  // -28.5 -> -28, -42.1 -> -42
    EXPECT_EQ(m.m_nViewOffX, -28);
    EXPECT_EQ(m.m_nViewOffY, -42);

    for (int scale : {139, 180, 20}) {
        HoleMap n;
        n.m_nViewScale = scale;
        n.m_nViewOffX = 7;
        n.m_nViewOffY = 9;
        n.CentreView(0, 0);
        EXPECT_EQ(n.m_nViewOffX, 7) << scale;
        EXPECT_EQ(n.m_nViewOffY, 9) << scale;
    }
}

TEST(RenderView, CentresByViewType) {
    Job job;
    job.Add(10000, 20000);
    job.Add(1500, 0);

    HoleMap origin;
    origin.m_nViewScale = 160;
    origin.m_nViewType = 2;
    Frame f = origin.RenderView(job.Input(1, 2));
    EXPECT_EQ(f.translateX, -30);
    EXPECT_EQ(f.translateY, -43);

    HoleMap hole;
    hole.m_nViewScale = 160;
    hole.m_nViewType = 1;
    f = hole.RenderView(job.Input(1, 1));
    EXPECT_EQ(f.translateX, -40);
    EXPECT_EQ(f.translateY, -63);
    EXPECT_EQ(f.translateZ, -20.0);
    f = hole.RenderView(job.Input(1, 2));
    EXPECT_EQ(f.translateX, -31);
    // Hole 0 means "before the first": slot 0 carries hole 1's position.
    f = hole.RenderView(job.Input(1, 0));
    EXPECT_EQ(f.translateX, -40);

    HoleMap none;
    none.m_nViewScale = 160;
    none.m_nViewType = 3;
    f = none.RenderView(job.Input(1, 1));
    EXPECT_EQ(f.translateX, 1);
    EXPECT_EQ(f.translateY, 1);
}

TEST(RenderView, CurrentHoleOutsideTheTableLeavesTheOffsets) {
    Job job;
    job.Add(10000, 20000);
    HoleMap m;
    m.m_nViewScale = 160;
    m.m_nViewType = 1;
    for (int32_t cur : {-1, kHoleSlots, 1 << 30}) {
        Frame f = m.RenderView(job.Input(3, cur));
        EXPECT_EQ(f.translateX, 1) << cur;
        EXPECT_FALSE(HasMarker(f));
    }
}

TEST(Zoom, WheelStepsAndBounds) {
    HoleMap m;
    m.m_nViewScale = 160;
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(m.Wheel(120));
    EXPECT_EQ(m.m_nViewScale, 145);
    m.Wheel(120);
    EXPECT_EQ(m.m_nViewScale, 142);
    EXPECT_TRUE(m.Wheel(240));  // still a step: the caller redraws and saves
    EXPECT_EQ(m.m_nViewScale, 142);
    EXPECT_FALSE(m.Wheel(0));
    EXPECT_EQ(m.m_nViewScale, 142);

    m.m_nViewScale = 175;
    m.Wheel(-120);
    EXPECT_EQ(m.m_nViewScale, 178);
    m.Wheel(-120);
    EXPECT_EQ(m.m_nViewScale, 178);

    // A hand-written scale outside the table still drives the camera.
    m.m_nViewScale = 200;
    m.Wheel(-120);
    EXPECT_EQ(m.m_nViewScale, 200);
    EXPECT_EQ(m.SetupPerspective().fovy, 200);
}

TEST(DrawHoleMap, CameraAndClearState) {
    HoleMap m;
    m.m_nViewScale = 151;
    Frame f = m.DrawHoleMap(MapInput{});
    EXPECT_EQ(f.perspective.viewportX, 0);
    EXPECT_EQ(f.perspective.viewportY, 0);
    EXPECT_EQ(f.perspective.viewportWidth, 1000);
    EXPECT_EQ(f.perspective.viewportHeight, 1000);
    EXPECT_EQ(f.perspective.fovy, 151);
    EXPECT_EQ(f.perspective.aspect, 1.0);
    EXPECT_EQ(f.perspective.zNear, 0.10000000149011612);
    EXPECT_EQ(f.perspective.zFar, 100.0);
    EXPECT_EQ(f.clearColour, (Colour{0.0549f, 0.0549f, 0.1882f, 1.0f}));
}

TEST(DrawHoleMap, EmptyJobDrawsPathAndCrossHairOnly) {
    HoleMap m;
    MapInput in;
    in.posX = 12345.0f;
    in.posY = -2000.0f;
    const std::vector<Primitive> prims = m.DrawHoleMap(in).Primitives();
    ASSERT_EQ(prims.size(), 3u);
    EXPECT_EQ(prims[0].kind, PrimitiveKind::LineStrip);
    EXPECT_TRUE(prims[0].vertices.empty());
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(prims[i].colour, kMarkColour);
        EXPECT_EQ(prims[i].lineWidth, 1.5f);
        EXPECT_EQ(prims[i].vertices.size(), 2u);
    }
    EXPECT_DOUBLE_EQ(prims[1].vertices[0].x, 12.345 + 70);
    EXPECT_DOUBLE_EQ(prims[1].vertices[1].x, 12.345 - 70);
    EXPECT_DOUBLE_EQ(prims[1].vertices[0].y, -2.0);
    EXPECT_DOUBLE_EQ(prims[2].vertices[0].y, -2.0 + 70);
    EXPECT_DOUBLE_EQ(prims[2].vertices[1].y, -2.0 - 70);
    EXPECT_DOUBLE_EQ(prims[2].vertices[0].x, 12.345);
}

TEST(DrawHoleMap, HolesPathAndDoneMarks) {
    Job job;
    job.Add(0, 0, 1);
    job.Add(10000, 0, 0);
    job.Add(10000, 10000, 2);  // only exactly 1 counts as done
    job.Add(0, 10000, 1);
    HoleMap m;
    Frame f = m.DrawHoleMap(job.Input());
    const std::vector<Primitive> prims = f.Primitives();
    ASSERT_EQ(prims.size(), 4u + 1u + 2u);
    EXPECT_EQ(CountKind(f, PrimitiveKind::FilledPolygon, kDoneColour), 2);
    EXPECT_EQ(CountKind(f, PrimitiveKind::LineLoop, kPendingColour), 2);
    EXPECT_EQ(prims[2].kind, PrimitiveKind::LineLoop);

    const Primitive& first = prims[1];
    ASSERT_EQ(first.vertices.size(), 15u);
    EXPECT_DOUBLE_EQ(first.vertices[0].x, 13.0);
    EXPECT_DOUBLE_EQ(first.vertices[0].y, 0.0);
    const double a = 2.0 * 3.1415927410125732 * 7 / 15;
    EXPECT_DOUBLE_EQ(first.vertices[7].x, 10.0 + 3.0 * std::cos(a));
    EXPECT_DOUBLE_EQ(first.vertices[7].y, 3.0 * std::sin(a));

    const Primitive& path = prims[4];
    EXPECT_EQ(path.colour, kPathColour);
    ASSERT_EQ(path.vertices.size(), 4u);
    EXPECT_EQ(path.vertices[2], (Vertex{10.0, 10.0}));
    EXPECT_EQ(path.vertices[3], (Vertex{0.0, 10.0}));
}

TEST(DrawHoleMap, BlinksOnlyWhileMachining) {
    Job job;
    job.Add(1000, 1000);
    job.Add(2000, 1000);
    HoleMap m;
    for (int state : {1, 2}) {
        for (int i = 0; i < 4; ++i) EXPECT_FALSE(HasMarker(m.DrawHoleMap(job.Input(state, 2))));
        EXPECT_EQ(m.m_bBlink, 0);
    }
    std::vector<bool> shown;
    for (int i = 0; i < 4; ++i) shown.push_back(HasMarker(m.DrawHoleMap(job.Input(3, 2))));
    EXPECT_EQ(shown, (std::vector<bool>{true, false, true, false}));

    // The flag keeps its phase across a pause.
    m.DrawHoleMap(job.Input(1, 2));
    EXPECT_TRUE(HasMarker(m.DrawHoleMap(job.Input(3, 2))));

    // The marker sits on the current hole, drawn after the path.
    Frame f = m.DrawHoleMap(job.Input(3, 2));
    f = m.DrawHoleMap(job.Input(3, 2));
    ASSERT_TRUE(HasMarker(f));
    const Primitive mark = f.Primitives()[3];
    EXPECT_EQ(mark.colour, kMarkColour);
    EXPECT_DOUBLE_EQ(mark.vertices[0].x, 5.0);
    EXPECT_DOUBLE_EQ(mark.vertices[0].y, 1.0);
}

TEST(DrawHoleMap, MarkerForHoleZeroAndBeyondTheJob) {
    Job job;
    job.Add(4000, 5000);
    job.Add(9000, 5000);
    HoleMap m;
    Frame f = m.DrawHoleMap(job.Input(3, 0));
    ASSERT_TRUE(HasMarker(f));
    EXPECT_DOUBLE_EQ(f.Primitives()[3].vertices[0].x, 7.0);  // slot 0 = hole 1

    HoleMap n;
    EXPECT_FALSE(HasMarker(n.DrawHoleMap(job.Input(3, 3))));  // past the last hole
    EXPECT_EQ(n.m_bBlink, 1);  // the flag still flipped
}

TEST(DrawHoleMap, CountsBeyondTheTableAreClamped) {
    Job job;
    job.Add(1000, 1000);
    MapInput in = job.Input(3, kHoleSlots - 1);
    in.holeCount = kHoleSlots + 100;
    HoleMap m;
    Frame f = m.DrawHoleMap(in);
    // 14999 holes + path + marker + cross-hair.
    EXPECT_EQ(f.Primitives().size(), static_cast<size_t>(kHoleSlots - 1) + 1 + 1 + 2);
    in.holeCount = -5;
    f = m.DrawHoleMap(in);
    EXPECT_EQ(f.Primitives().size(), 3u);
}

// The job part of a frame as the map has always drawn it: every draw built
// from the table alone, each circle's vertices from cos and sin.
std::vector<Primitive> ReferenceJob(const HoleSlots& holes, int32_t count) {
    std::vector<Primitive> out;
    const double pi = static_cast<double>(3.1415927410125732f);
    auto circle = [&](const JobHole& h) {
        std::vector<Vertex> v;
        for (int k = 0; k < 15; ++k) {
            const double a = 2.0 * pi * k / 15;
            v.push_back({h.nX * 0.001 + 3.0 * std::cos(a), h.nY * 0.001 + 3.0 * std::sin(a)});
        }
        return v;
    };
    Primitive path{PrimitiveKind::LineStrip, kPathColour, 1.0f, {}};
    for (int32_t i = 1; i <= count; ++i) {
        const JobHole& h = holes[static_cast<size_t>(i)];
        const bool done = h.bDone == 1;
        out.push_back({done ? PrimitiveKind::FilledPolygon : PrimitiveKind::LineLoop,
                       done ? kDoneColour : kPendingColour, 1.0f, circle(h)});
        path.vertices.push_back({h.nX * 0.001, h.nY * 0.001});
    }
    out.push_back(path);
    return out;
}

std::vector<Primitive> JobPart(const Frame& f) {
    std::vector<Primitive> all = f.Primitives();
    all.resize(all.size() - f.overlay.size());
    return all;
}

std::vector<uint64_t> Serials(const Frame& f) {
    std::vector<uint64_t> s;
    for (const auto& b : f.blocks) s.push_back(b->serial);
    return s;
}

// One map drawn again and again while its job changes under it keeps
// drawing exactly what a map drawing everything afresh draws.
TEST(JobBlocks, FollowEveryChangeOfTheTable) {
    Job job;
    for (int i = 0; i < 600; ++i) job.Add((i % 40) * 7000 - 140000, (i / 40) * 7000, 0);
    HoleMap m;
    auto check = [&](const char* step) {
        const MapInput in = job.Input();
        int32_t count = std::clamp(in.holeCount, 0, kHoleSlots - 1);
        EXPECT_EQ(JobPart(m.DrawHoleMap(in)), ReferenceJob(*job.holes, count)) << step;
    };
    check("first draw");
    check("nothing changed");
    (*job.holes)[1].bDone = 1;
    (*job.holes)[300].bDone = 1;
    (*job.holes)[600].bDone = 1;
    check("done marks in the first, second and last block");
    (*job.holes)[300].bDone = 0;
    (*job.holes)[301].bDone = 2;
    check("a mark taken back, a flag other than 1");
    (*job.holes)[257].nY += 1;
    check("a hole moved by a micrometre");
    job.count = 300;
    check("a shorter job cuts a block short");
    job.count = 700;
    (*job.holes)[650].bDone = 1;
    check("a longer one adds holes to it and a block after it");
    (*job.holes)[1].fRadius = 2.0f;
    check("a radius, which is not drawn");
    job.count = 0;
    check("an empty job");
    job.count = kHoleSlots + 5;
    check("a count beyond the table");
}

TEST(JobBlocks, OnlyWhatChangedIsRebuilt) {
    Job job;
    for (int i = 0; i < 600; ++i) job.Add(i * 1000, 0, 0);
    HoleMap m;
    const Frame first = m.DrawHoleMap(job.Input());
    ASSERT_EQ(first.blocks.size(), 3u + 1u);  // 256 + 256 + 88 holes, the path
    EXPECT_EQ(Serials(m.DrawHoleMap(job.Input(3, 5))), Serials(first));

    (*job.holes)[300].bDone = 1;  // block 1
    std::vector<uint64_t> s = Serials(m.DrawHoleMap(job.Input()));
    EXPECT_EQ(s[0], Serials(first)[0]);
    EXPECT_NE(s[1], Serials(first)[1]);
    EXPECT_EQ(s[2], Serials(first)[2]);
    EXPECT_EQ(s[3], Serials(first)[3]);  // the path is where it was

    (*job.holes)[520].nX += 500;  // block 2 and the path
    const std::vector<uint64_t> moved = Serials(m.DrawHoleMap(job.Input()));
    EXPECT_EQ(moved[1], s[1]);
    EXPECT_NE(moved[2], s[2]);
    EXPECT_NE(moved[3], s[3]);

    // Another map's blocks never share a serial with this one's.
    HoleMap other;
    for (uint64_t serial : Serials(other.DrawHoleMap(job.Input())))
        EXPECT_EQ(std::count(moved.begin(), moved.end(), serial), 0);
}

// A renderer leaves out blocks whose box lies outside its frame: the box
// must hold every vertex the block draws, circles' rims included.
TEST(JobBlocks, BoxesHoldEveryVertex) {
    Job job;
    for (int i = 0; i < 300; ++i) job.Add((i % 17) * 9000 - 70000, (i / 17) * -4000, i % 3 == 0);
    HoleMap m;
    const Frame f = m.DrawHoleMap(job.Input());
    for (const BlockRef& b : f.blocks) {
        Frame one;
        one.blocks = {b};
        size_t vertices = 0;
        for (const Primitive& p : one.Primitives())
            for (const Vertex& v : p.vertices) {
                ++vertices;
                EXPECT_TRUE(v.x >= b->lower.x && v.x <= b->upper.x && v.y >= b->lower.y && v.y <= b->upper.y)
                    << v.x << "," << v.y;
            }
        EXPECT_GT(vertices, 0u);
    }
    EXPECT_EQ(f.blocks.front()->lower.x, -73.0);  // a rim, 3 mm left of the leftmost centre
}

// Frame equality is what lets the window skip a redraw: it must see every
// visible change and nothing else.
TEST(FrameEquality, SeesEveryVisibleChangeOnly) {
    Job job;
    job.Add(1000, 1000);
    job.Add(9000, 1000);
    HoleMap m;
    m.m_nViewScale = 160;
    m.m_nViewType = 1;
    const Frame idle = m.RenderView(job.Input(1, 1));
    EXPECT_TRUE(m.RenderView(job.Input(1, 1)) == idle);
    EXPECT_TRUE(m.DrawHoleMap(job.Input(2, 2)) == idle);  // another hole, not re-centred

    MapInput moved = job.Input(1, 1);
    moved.posX = 1.0f;
    EXPECT_FALSE(m.DrawHoleMap(moved) == idle);
    EXPECT_FALSE(m.RenderView(job.Input(1, 2)) == idle);  // re-centred on hole 2
    m.RenderView(job.Input(1, 1));
    m.m_nViewScale = 157;
    EXPECT_FALSE(m.DrawHoleMap(job.Input(1, 1)) == idle);
    m.m_nViewScale = 160;

    // Machining: the marker shows on every second draw only.
    const Frame on = m.DrawHoleMap(job.Input(3, 1));
    const Frame off = m.DrawHoleMap(job.Input(3, 1));
    EXPECT_FALSE(on == off);
    EXPECT_TRUE(off == idle);

    (*job.holes)[2].bDone = 1;
    const Frame done = m.DrawHoleMap(job.Input(1, 1));
    EXPECT_FALSE(done == idle);
    // Taken back: rebuilt blocks with the very same drawing are the same picture.
    (*job.holes)[2].bDone = 0;
    const Frame undone = m.DrawHoleMap(job.Input(1, 1));
    EXPECT_NE(Serials(undone), Serials(idle));
    EXPECT_TRUE(undone == idle);
}

}  // namespace
}  // namespace ks::view
