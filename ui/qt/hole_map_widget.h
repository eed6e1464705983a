#pragma once
// The hole map frame: replays the scene model's frames with fixed-function
// OpenGL 1.1 and GLU, as the map has always been drawn.
#include <QOpenGLWidget>

#include "view/hole_map.h"

namespace ks::ui::qt {

class HoleMapWidget : public QOpenGLWidget, public view::MapSurface {
public:
    explicit HoleMapWidget(QWidget* parent = nullptr);

    // A compatibility-profile context the fixed-function calls can use.
    static QSurfaceFormat MapFormat();
    // Whether such a context can be made on this display at all.
    static bool ProbeContext();
    // Makes every later CreateContext fail, as on a display without OpenGL.
    static void SimulateMissingOpenGl(bool missing);

    bool CreateContext() override;
    void Present(const view::Frame& frame) override;

    int PresentedFrames() const { return m_presented; }
    int PaintedFrames() const { return m_painted; }
    bool ContextFailed() const { return m_contextFailed; }

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    view::Frame m_frame;
    bool m_hasFrame = false;
    bool m_contextFailed = false;
    int m_presented = 0;
    int m_painted = 0;
};

}  // namespace ks::ui::qt
