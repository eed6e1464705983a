#include "view/hole_map.h"

#include <gtest/gtest.h>

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
        in.state = state;
        return in;
    }
};

int CountKind(const Frame& f, PrimitiveKind kind, Colour colour) {
    int n = 0;
    for (const auto& p : f.primitives)
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
    Frame f = m.DrawHoleMap(in);
    ASSERT_EQ(f.primitives.size(), 3u);
    EXPECT_EQ(f.primitives[0].kind, PrimitiveKind::LineStrip);
    EXPECT_TRUE(f.primitives[0].vertices.empty());
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(f.primitives[i].colour, kMarkColour);
        EXPECT_EQ(f.primitives[i].lineWidth, 1.5f);
        EXPECT_EQ(f.primitives[i].vertices.size(), 2u);
    }
    EXPECT_DOUBLE_EQ(f.primitives[1].vertices[0].x, 12.345 + 70);
    EXPECT_DOUBLE_EQ(f.primitives[1].vertices[1].x, 12.345 - 70);
    EXPECT_DOUBLE_EQ(f.primitives[1].vertices[0].y, -2.0);
    EXPECT_DOUBLE_EQ(f.primitives[2].vertices[0].y, -2.0 + 70);
    EXPECT_DOUBLE_EQ(f.primitives[2].vertices[1].y, -2.0 - 70);
    EXPECT_DOUBLE_EQ(f.primitives[2].vertices[0].x, 12.345);
}

TEST(DrawHoleMap, HolesPathAndDoneMarks) {
    Job job;
    job.Add(0, 0, 1);
    job.Add(10000, 0, 0);
    job.Add(10000, 10000, 2);  // only exactly 1 counts as done
    job.Add(0, 10000, 1);
    HoleMap m;
    Frame f = m.DrawHoleMap(job.Input());
    ASSERT_EQ(f.primitives.size(), 4u + 1u + 2u);
    EXPECT_EQ(CountKind(f, PrimitiveKind::FilledPolygon, kDoneColour), 2);
    EXPECT_EQ(CountKind(f, PrimitiveKind::LineLoop, kPendingColour), 2);
    EXPECT_EQ(f.primitives[2].kind, PrimitiveKind::LineLoop);

    const Primitive& first = f.primitives[1];
    ASSERT_EQ(first.vertices.size(), 15u);
    EXPECT_DOUBLE_EQ(first.vertices[0].x, 13.0);
    EXPECT_DOUBLE_EQ(first.vertices[0].y, 0.0);
    const double a = 2.0 * 3.1415927410125732 * 7 / 15;
    EXPECT_DOUBLE_EQ(first.vertices[7].x, 10.0 + 3.0 * std::cos(a));
    EXPECT_DOUBLE_EQ(first.vertices[7].y, 3.0 * std::sin(a));

    const Primitive& path = f.primitives[4];
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
    const Primitive& mark = f.primitives[3];
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
    EXPECT_DOUBLE_EQ(f.primitives[3].vertices[0].x, 7.0);  // slot 0 = hole 1

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
    EXPECT_EQ(f.primitives.size(), static_cast<size_t>(kHoleSlots - 1) + 1 + 1 + 2);
    in.holeCount = -5;
    f = m.DrawHoleMap(in);
    EXPECT_EQ(f.primitives.size(), 3u);
}

}  // namespace
}  // namespace ks::view
