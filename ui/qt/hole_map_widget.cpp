#include "ui/qt/hole_map_widget.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QOffscreenSurface>
#include <QOpenGLContext>

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

}  // namespace

HoleMapWidget::HoleMapWidget(QWidget* parent) : QOpenGLWidget(parent) {
    setFormat(MapFormat());
    setAttribute(Qt::WA_OpaquePaintEvent);
}

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
    // Qt composes a window holding an OpenGL widget through OpenGL, hidden
    // or not; with no context to be had that composition crashes, so the
    // frame leaves its window (it goes when the window goes).
    if (m_contextFailed && parentWidget() != nullptr) {
        QWidget* owner = parentWidget();
        hide();
        setParent(nullptr);
        connect(owner, &QObject::destroyed, this, &QObject::deleteLater);
    }
    return !m_contextFailed;
}

void HoleMapWidget::Present(const view::Frame& frame) {
    m_frame = frame;
    m_hasFrame = true;
    ++m_presented;
    update();
}

void HoleMapWidget::initializeGL() {
    if (!context() || !context()->isValid()) m_contextFailed = true;
}

void HoleMapWidget::paintGL() {
    if (m_contextFailed) return;
    ++m_painted;
    const view::Frame& f = m_frame;
    const qreal dpr = devicePixelRatioF();

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
    if (!m_hasFrame) return;
    glLoadIdentity();
    glTranslated(f.translateX, f.translateY, f.translateZ);
    glClear(GL_COLOR_BUFFER_BIT);
    glLineWidth(GLfloat(1.0 * dpr));

    for (const view::Primitive& p : f.primitives) {
        glLineWidth(GLfloat(p.lineWidth * dpr));
        glColor3f(p.colour.r, p.colour.g, p.colour.b);
        glBegin(Mode(p.kind));
        for (const view::Vertex& v : p.vertices) glVertex2d(v.x, v.y);
        glEnd();
    }
    glFlush();
}

}  // namespace ks::ui::qt
