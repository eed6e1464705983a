#include "ui/qt/hole_map_widget.h"

#include "platform/opengl.h"
#include "view/gl_frame_renderer.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLWindow>
#include <QPainter>
#include <QResizeEvent>
#include <cstring>

namespace ks::ui::qt {

namespace {

bool g_simulateMissing = false;

}  // namespace

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
    const view::GlDrawCounts drawn = view::DrawFrameWithOpenGl(m_hasFrame ? &m_frame : nullptr, width, height, dpr);
    m_drawnBlocks = drawn.blocks;
    m_drawnPrimitives = drawn.primitives;
}

}  // namespace ks::ui::qt
