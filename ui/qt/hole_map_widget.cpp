#include "ui/qt/hole_map_widget.h"

#include "platform/opengl.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLWindow>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cstring>

namespace ks::ui::qt {

namespace {

bool g_simulateMissing = false;

GLenum Mode(view::PrimitiveKind kind) {
    switch (kind) {
        case view::PrimitiveKind::FilledPolygon: return GL_POLYGON;
        case view::PrimitiveKind::LineLoop: return GL_LINE_LOOP;
        case view::PrimitiveKind::LineStrip: break;
    }
    return GL_LINE_STRIP;
}

// One primitive with the state it is drawn in, in immediate mode as the map
// has always drawn it.
void Emit(const view::Primitive& p, double dpr) {
    glLineWidth(GLfloat(p.lineWidth * dpr));
    glColor3f(p.colour.r, p.colour.g, p.colour.b);
    glBegin(Mode(p.kind));
    for (const view::Vertex& v : p.vertices) glVertex2d(v.x, v.y);
    glEnd();
}

// A hole's circle, with the very vertices CirclePrimitive gives it.
void EmitCircle(const view::HoleCircle& c, double dpr) {
    const view::Colour& colour = c.done ? view::kDoneColour : view::kPendingColour;
    glLineWidth(GLfloat(1.0f * dpr));
    glColor3f(colour.r, colour.g, colour.b);
    glBegin(c.done ? GL_POLYGON : GL_LINE_LOOP);
    for (int k = 0; k < view::kCircleVertices; ++k) {
        const view::Vertex v = view::CircleVertex(c.centre.x, c.centre.y, k);
        glVertex2d(v.x, v.y);
    }
    glEnd();
}

struct Box {
    view::Vertex lower{1, 1}, upper{0, 0};  // empty while lower is above upper
};

Box BoxOf(const view::Primitive& p) {
    Box b;
    if (p.vertices.empty()) return b;
    b.lower = b.upper = p.vertices.front();
    for (const view::Vertex& v : p.vertices) {
        b.lower = {std::min(b.lower.x, v.x), std::min(b.lower.y, v.y)};
        b.upper = {std::max(b.upper.x, v.x), std::max(b.upper.y, v.y)};
    }
    return b;
}

}  // namespace

// Map units to the frame's pixels under the matrices and viewport in force:
// tells whether whatever lies in a box of the map lands wholly outside the
// frame, so that drawing it would change no pixel.
class HoleMapWidget::Camera {
public:
    Camera(int width, int height, double dpr) : m_width(width), m_height(height), m_dpr(dpr) {
        GLdouble proj[16], model[16];
        glGetDoublev(GL_PROJECTION_MATRIX, proj);
        glGetDoublev(GL_MODELVIEW_MATRIX, model);
        glGetIntegerv(GL_VIEWPORT, m_viewport);
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r) {
                double sum = 0;
                for (int k = 0; k < 4; ++k) sum += proj[k * 4 + r] * model[c * 4 + k];
                m_matrix[c * 4 + r] = sum;
            }
    }

    // A margin covers the width of lines and the rasteriser's rounding; any
    // doubt (a corner at or behind the eye) counts as inside.
    bool Outside(const view::Vertex& lower, const view::Vertex& upper, float lineWidth) const {
        if (lower.x > upper.x || lower.y > upper.y) return true;  // nothing in it
        const double margin = 2.0 + lineWidth * m_dpr;
        double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
        for (const view::Vertex& c :
             {lower, view::Vertex{upper.x, lower.y}, upper, view::Vertex{lower.x, upper.y}}) {
            const double* m = m_matrix;
            const double cx = m[0] * c.x + m[4] * c.y + m[12];
            const double cy = m[1] * c.x + m[5] * c.y + m[13];
            const double cw = m[3] * c.x + m[7] * c.y + m[15];
            if (!(cw > 1e-9)) return false;
            const double wx = m_viewport[0] + (cx / cw + 1.0) * m_viewport[2] / 2.0;
            const double wy = m_viewport[1] + (cy / cw + 1.0) * m_viewport[3] / 2.0;
            minX = std::min(minX, wx);
            maxX = std::max(maxX, wx);
            minY = std::min(minY, wy);
            maxY = std::max(maxY, wy);
        }
        return maxX < -margin || minX > m_width + margin || maxY < -margin || minY > m_height + margin;
    }

private:
    double m_matrix[16] = {};  // projection x model-view, column-major
    GLint m_viewport[4] = {};
    int m_width, m_height;     // the frame in device pixels
    double m_dpr;
};

// The map's own window: paints what the widget renders, takes no input (a
// click or the wheel over the map reaches the frame and the main window as
// before), and is held in the frame by a window container. The map is drawn
// into a framebuffer object and copied to the window, as the OpenGL widget
// drew it: drawn straight into the window, whose rows Mesa stores the other
// way up, a line lying exactly between two pixel rows or columns comes out
// one pixel off now and then.
class HoleMapWidget::Surface final : public QOpenGLWindow {
public:
    explicit Surface(HoleMapWidget& owner) : QOpenGLWindow(QOpenGLWindow::PartialUpdateBlit), m_owner(owner) {
        setFormat(MapFormat());
        setFlag(Qt::WindowTransparentForInput);
    }

protected:
    void initializeGL() override {
        if (!context() || !context()->isValid()) m_owner.m_contextFailed = true;
    }
    void paintGL() override {
        if (m_owner.m_contextFailed) return;
        ++m_owner.m_painted;
        const qreal dpr = devicePixelRatio();
        m_owner.Render(qRound(width() * dpr), qRound(height() * dpr), dpr);
    }

private:
    HoleMapWidget& m_owner;
};

HoleMapWidget::HoleMapWidget(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

// The container owns the map's window, whose paint reads this widget's
// members: it goes first.
HoleMapWidget::~HoleMapWidget() { delete m_container; }

QSurfaceFormat HoleMapWidget::MapFormat() {
    QSurfaceFormat f;
    f.setRenderableType(QSurfaceFormat::OpenGL);
    f.setProfile(QSurfaceFormat::CompatibilityProfile);
    f.setVersion(2, 1);
    // The map was drawn without a depth buffer; none is asked for.
    f.setDepthBufferSize(0);
    f.setStencilBufferSize(1);
    f.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    return f;
}

bool HoleMapWidget::ProbeContext() {
    if (g_simulateMissing) return false;
    QOpenGLContext context;
    context.setFormat(MapFormat());
    if (!context.create()) return false;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface)) return false;
    context.doneCurrent();
    return true;
}

void HoleMapWidget::SimulateMissingOpenGl(bool missing) { g_simulateMissing = missing; }

bool HoleMapWidget::CreateContext() {
    m_contextFailed = !ProbeContext();
    if (m_contextFailed) {
        // No map at all rather than an empty frame: the frame leaves its
        // window (it goes when the window goes).
        if (parentWidget() != nullptr) {
            QWidget* owner = parentWidget();
            hide();
            setParent(nullptr);
            connect(owner, &QObject::destroyed, this, &QObject::deleteLater);
        }
        return false;
    }
    if (m_container == nullptr) {
        m_surface = new Surface(*this);
        m_container = QWidget::createWindowContainer(m_surface, this);
        // The keys stay with the window's controls.
        m_container->setFocusPolicy(Qt::NoFocus);
        m_container->setGeometry(rect());
        m_container->show();
    }
    return true;
}

void HoleMapWidget::Present(const view::Frame& frame) {
    ++m_presented;
    // The status tick hands over a frame several times a second; an idle
    // machine's frame is the one on screen, and repainting it would cost a
    // full software-rendered pass for the same pixels.
    if (m_hasFrame && frame == m_frame) {
        ++m_unchanged;
        return;
    }
    m_frame = frame;
    m_hasFrame = true;
    if (m_surface != nullptr) m_surface->update();
}

QImage HoleMapWidget::grabFramebuffer() {
    if (m_surface == nullptr || m_surface->context() == nullptr || m_contextFailed) return {};
    m_surface->makeCurrent();
    const qreal dpr = m_surface->devicePixelRatio();
    const int w = qRound(m_surface->width() * dpr);
    const int h = qRound(m_surface->height() * dpr);
    // Drawn into the window's framebuffer object (bound by makeCurrent) and
    // read from there; the next paint shows the same frame anyway.
    Render(w, h, dpr);
    QImage rows(w, h, QImage::Format_RGBA8888);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rows.bits());
    m_surface->doneCurrent();
    // OpenGL's rows run bottom up.
    QImage img(w, h, QImage::Format_RGBA8888);
    for (int y = 0; y < h; ++y) std::memcpy(img.scanLine(y), rows.constScanLine(h - 1 - y), size_t(w) * 4);
    return img.convertToFormat(QImage::Format_RGB32);
}

void HoleMapWidget::paintEvent(QPaintEvent*) {
    // Under the map's window, or the map itself until that window shows:
    // the map's ground. A repaint asked of the frame (the main window
    // invalidated) repaints the map too.
    QPainter(this).fillRect(rect(), QColor::fromRgbF(view::kClearColour.r, view::kClearColour.g,
                                                     view::kClearColour.b));
    if (m_surface != nullptr) m_surface->update();
}

void HoleMapWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_container != nullptr) m_container->setGeometry(rect());
}

void HoleMapWidget::Render(int width, int height, double dpr) {
    const view::Frame& f = m_frame;

    // The camera: a 1000 x 1000 viewport anchored at the lower-left corner,
    // larger than the frame, which shows its lower-left part.
    const view::Perspective& cam = f.perspective;
    glViewport(GLint(cam.viewportX * dpr), GLint(cam.viewportY * dpr), GLsizei(cam.viewportWidth * dpr),
               GLsizei(cam.viewportHeight * dpr));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (m_hasFrame) gluPerspective(cam.fovy, cam.aspect, cam.zNear, cam.zFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    const view::Colour clear = m_hasFrame ? f.clearColour : view::kClearColour;
    glClearColor(clear.r, clear.g, clear.b, clear.a);
    glClearDepth(f.clearDepth);
    if (f.depthTest) glEnable(GL_DEPTH_TEST);
    // Everything lies in one plane; with a depth buffer present the test must
    // pass as it does without one, or later lines would vanish under fills.
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    if (depthBits > 0) glDepthFunc(GL_ALWAYS);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    m_drawnBlocks = 0;
    m_drawnPrimitives = 0;
    if (!m_hasFrame) return;
    glLoadIdentity();
    glTranslated(f.translateX, f.translateY, f.translateZ);
    glClear(GL_COLOR_BUFFER_BIT);
    glLineWidth(GLfloat(1.0 * dpr));

    // What lands wholly outside the frame is left out, a block at a time
    // and then a primitive at a time: a big job lies mostly outside, and
    // every vertex sent costs the software renderer its transformation.
    // Each primitive sets its own colour and width, so leaving one out
    // changes nothing for the next.
    const Camera eye(width, height, dpr);
    for (const view::BlockRef& b : f.blocks) {
        float widest = 1.0f;
        for (const view::Primitive& p : b->primitives) widest = std::max(widest, p.lineWidth);
        if (eye.Outside(b->lower, b->upper, widest)) continue;
        ++m_drawnBlocks;
        for (const view::HoleCircle& c : b->circles) {
            const view::Vertex& m = c.centre;
            const double r = view::kHoleRadiusMm;
            if (eye.Outside({m.x - r, m.y - r}, {m.x + r, m.y + r}, 1.0f)) continue;
            EmitCircle(c, dpr);
            ++m_drawnPrimitives;
        }
        for (const view::Primitive& p : b->primitives) {
            const Box box = BoxOf(p);
            if (eye.Outside(box.lower, box.upper, p.lineWidth)) continue;
            Emit(p, dpr);
            ++m_drawnPrimitives;
        }
    }
    for (const view::Primitive& p : f.overlay) {
        Emit(p, dpr);
        ++m_drawnPrimitives;
    }
    glFlush();
}

}  // namespace ks::ui::qt
