#pragma once
// The hole map frame: replays the scene model's frames with fixed-function
// OpenGL 1.1 and GLU, as the map has always been drawn.
//
// The map draws into a native window of its own inside the frame: an
// OpenGL widget would make Qt compose the whole main window through OpenGL
// on every change of any label, which on a software renderer costs more
// than the map itself. A frame that shows nothing new is not painted, and
// of a frame only what reaches into the visible part is sent to OpenGL.
#include <QImage>
#include <QWidget>

#include "view/hole_map.h"

class QSurfaceFormat;

namespace ks::ui::qt {

class HoleMapWidget : public QWidget, public view::MapSurface {
public:
    explicit HoleMapWidget(QWidget* parent = nullptr);
    ~HoleMapWidget() override;

    // A compatibility-profile context the fixed-function calls can use.
    static QSurfaceFormat MapFormat();
    // Whether such a context can be made on this display at all.
    static bool ProbeContext();
    // Makes every later CreateContext fail, as on a display without OpenGL.
    static void SimulateMissingOpenGl(bool missing);

    // Opens the map's window in the frame (once its context can be made).
    bool CreateContext() override;
    void Present(const view::Frame& frame) override;

    // The frame on show, drawn afresh and read back; an empty image until
    // the map's window has been shown once.
    QImage grabFramebuffer();

    // Frames handed over, frames painted, and frames left unpainted because
    // they equalled the one on screen.
    int PresentedFrames() const { return m_presented; }
    int PaintedFrames() const { return m_painted; }
    int UnchangedFrames() const { return m_unchanged; }
    // Of the last paint: blocks and primitives drawn (those wholly outside
    // the frame are left out).
    int DrawnBlocks() const { return m_drawnBlocks; }
    int DrawnPrimitives() const { return m_drawnPrimitives; }
    bool ContextFailed() const { return m_contextFailed; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Surface;

    // The frame into the current context's back buffer of w x h pixels.
    void Render(int width, int height, double dpr);

    Surface* m_surface = nullptr;    // owned by m_container
    QWidget* m_container = nullptr;  // holds the map's window in the frame
    view::Frame m_frame;
    bool m_hasFrame = false;
    bool m_contextFailed = false;
    int m_presented = 0;
    int m_painted = 0;
    int m_unchanged = 0;
    int m_drawnBlocks = 0;
    int m_drawnPrimitives = 0;
};

}  // namespace ks::ui::qt
