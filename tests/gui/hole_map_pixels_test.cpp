// The hole map widget draws into a window of its own, shares the job's
// blocks between frames, leaves out what lies outside the frame and leaves
// unchanged frames unpainted; its pixels must stay those of the map drawn
// the old way, an OpenGL widget replaying every primitive in immediate mode
// on every paint, through a job's life: done marks, the blinking marker,
// zoom, centring far off, a shorter job.
#include <gtest/gtest.h>

#include <QOpenGLWidget>
#include <QTest>
#include <memory>

#include "jobfiles/job_loader.h"
#include "platform/opengl.h"
#include "ui/qt/hole_map_widget.h"
#include "qt_settle.h"
#include "view/hole_map.h"

namespace ks::ui::qt {
namespace {

// The map widget as it drew before: an OpenGL widget, the whole frame
// replayed in immediate mode on every paint.
class ImmediateMap : public QOpenGLWidget {
public:
    ImmediateMap() { setFormat(HoleMapWidget::MapFormat()); }
    void Show(const view::Frame& f) {
        m_frame = f;
        m_has = true;
        update();
    }

protected:
    void paintGL() override {
        const view::Frame& f = m_frame;
        const view::Perspective& cam = f.perspective;
        glViewport(cam.viewportX, cam.viewportY, cam.viewportWidth, cam.viewportHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        if (m_has) gluPerspective(cam.fovy, cam.aspect, cam.zNear, cam.zFar);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(f.clearColour.r, f.clearColour.g, f.clearColour.b, f.clearColour.a);
        glClearDepth(f.clearDepth);
        if (f.depthTest) glEnable(GL_DEPTH_TEST);
        GLint depthBits = 0;
        glGetIntegerv(GL_DEPTH_BITS, &depthBits);
        if (depthBits > 0) glDepthFunc(GL_ALWAYS);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (!m_has) return;
        glLoadIdentity();
        glTranslated(f.translateX, f.translateY, f.translateZ);
        glClear(GL_COLOR_BUFFER_BIT);
        glLineWidth(1.0f);
        for (const view::Primitive& p : f.Primitives()) {
            glLineWidth(p.lineWidth);
            glColor3f(p.colour.r, p.colour.g, p.colour.b);
            glBegin(p.kind == view::PrimitiveKind::FilledPolygon ? GL_POLYGON
                    : p.kind == view::PrimitiveKind::LineLoop    ? GL_LINE_LOOP
                                                                 : GL_LINE_STRIP);
            for (const view::Vertex& v : p.vertices) glVertex2d(v.x, v.y);
            glEnd();
        }
        glFlush();
    }

private:
    view::Frame m_frame;
    bool m_has = false;
};

int CountColour(const QImage& img, QRgb c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) & 0xFFFFFF) == (c & 0xFFFFFF);
    return n;
}

class MapPixelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The map frame's size in the main window.
        for (QWidget* w : {static_cast<QWidget*>(&widget), static_cast<QWidget*>(&immediate)}) {
            w->resize(735, 617);
            w->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(w, testing::kGuardMs));
        }
        ASSERT_TRUE(widget.CreateContext());
        // The map's own window has come up and painted its ground.
        ASSERT_TRUE(QTest::qWaitFor([&] { return widget.PaintedFrames() > 0; }, testing::kGuardMs));
        // Overlapping circles (5 mm apart, 6 mm across) in serpentine rows
        // around the origin, so that drawing order shows in the pixels.
        for (int i = 0; i < 600; ++i) {
            const int row = i / 30, col = row % 2 ? 29 - i % 30 : i % 30;
            (*holes)[static_cast<size_t>(i + 1)] = JobHole{col * 5000 - 75000, row * 5000 - 50000, 0.5f, 0};
        }
        (*holes)[0] = (*holes)[1];
        map.m_nViewScale = 160;
        map.m_nViewType = 2;
    }

    view::MapInput Input(int state) const {
        return {holes.get(), count, cur, static_cast<RunState>(state), posX, posY};
    }

    // Both widgets show `f`; their pictures must be the same, pixel for pixel.
    void ExpectSamePixels(const view::Frame& f, const char* step) {
        widget.Present(f);
        immediate.Show(f);
        const QImage a = widget.grabFramebuffer();
        const QImage b = immediate.grabFramebuffer();
        ASSERT_EQ(a.size(), b.size()) << step;
        EXPECT_TRUE(a == b) << step;
        last = a;
    }

    HoleMapWidget widget;
    ImmediateMap immediate;
    std::unique_ptr<HoleSlots> holes = std::make_unique<HoleSlots>();
    int32_t count = 600;
    int32_t cur = 40;
    float posX = 12000.0f, posY = -7000.0f;
    view::HoleMap map;
    QImage last;
};

TEST_F(MapPixelsTest, DrawsWhatTheOpenGlWidgetDrew) {
    const QRgb done = qRgb(51, 178, 255), pending = qRgb(255, 255, 0), red = qRgb(255, 0, 0);
    for (int i = 1; i <= 40; ++i) (*holes)[static_cast<size_t>(i)].bDone = 1;
    ExpectSamePixels(map.RenderView(Input(1)), "first frame");
    EXPECT_GT(CountColour(last, done), 1000);
    EXPECT_GT(CountColour(last, pending), 1000);

    ExpectSamePixels(map.DrawHoleMap(Input(3)), "marker shown");
    const int redWithMarker = CountColour(last, red);
    ExpectSamePixels(map.DrawHoleMap(Input(3)), "marker hidden");
    EXPECT_LT(CountColour(last, red), redWithMarker);

    // From here on only one thing changes at a time; the rest of the frame
    // (the overlay above all) stays as it was.
    ExpectSamePixels(map.DrawHoleMap(Input(1)), "paused");
    (*holes)[41].bDone = 1;
    (*holes)[300].bDone = 1;
    ExpectSamePixels(map.DrawHoleMap(Input(1)), "two done marks");
    (*holes)[300].nX += 2000;
    ExpectSamePixels(map.DrawHoleMap(Input(1)), "a hole moved");

    posX = 0.0f;
    ExpectSamePixels(map.DrawHoleMap(Input(1)), "cross-hair moved");
    map.Wheel(120);
    ExpectSamePixels(map.RenderView(Input(1)), "zoomed in");
    EXPECT_EQ(widget.DrawnBlocks(), 4);  // 256 + 256 + 88 holes and the path reach into the frame
    const int drawn = widget.DrawnPrimitives();
    map.m_nViewType = 1;
    cur = 1;
    ExpectSamePixels(map.RenderView(Input(1)), "centred on the first hole");
    EXPECT_LT(widget.DrawnBlocks(), 4);  // the last rows lie above the frame
    EXPECT_LT(widget.DrawnPrimitives(), drawn);
    EXPECT_GT(CountColour(last, pending), 1000);
    map.m_nViewType = 2;
    count = 250;
    ExpectSamePixels(map.DrawHoleMap(Input(1)), "a shorter job");
    count = 0;
    ExpectSamePixels(map.RenderView(Input(1)), "no job");
    EXPECT_EQ(CountColour(last, pending), 0);
}

TEST_F(MapPixelsTest, UnchangedFramesAreNotPainted) {
    widget.Present(map.RenderView(Input(1)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return widget.PaintedFrames() > 0; }, testing::kGuardMs));
    testing::Settle();  // the first paint and any repaint of the exposure are through
    const int painted = widget.PaintedFrames();

    // Idle ticks: the same picture again and again.
    for (int i = 0; i < 5; ++i) widget.Present(map.DrawHoleMap(Input(1)));
    testing::Settle();
    EXPECT_EQ(widget.PaintedFrames(), painted);
    EXPECT_EQ(widget.UnchangedFrames(), 5);

    // Machining: every draw flips the marker, and every one is painted.
    for (int i = 1; i <= 4; ++i) {
        widget.Present(map.DrawHoleMap(Input(3)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return widget.PaintedFrames() == painted + i; }, testing::kGuardMs)) << i;
    }
    // A moving cross-hair is painted too.
    posY += 1000.0f;
    widget.Present(map.DrawHoleMap(Input(1)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return widget.PaintedFrames() == painted + 5; }, testing::kGuardMs));
    EXPECT_EQ(widget.UnchangedFrames(), 5);
}

}  // namespace
}  // namespace ks::ui::qt
