#pragma once
// The hole map frame: the scene model's frames drawn by the same OpenGL
// replay as on Linux (view/gl_frame_renderer.h), through a WGL context of
// OpenGL 1.1, into a framebuffer of its own; the pixels are read back and
// copied into the frame, a plain child window.
//
// Drawn off screen on purpose: Wine shows nothing of a child window that
// OpenGL draws into (only top-level windows reach the screen), and a
// framebuffer object is what the Qt map draws into too, so that both draw
// the same pixels for the same frame. The context lives on a hidden window
// of its own; where the driver has no framebuffer objects (Windows' own
// software renderer), that window's back buffer serves instead.
#include "ui/win32/windows_h.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "view/hole_map.h"

namespace ks::ui::win32 {

class HoleMapWindow final : public view::MapSurface {
public:
    // A child window of `parent` at `rect` (client pixels).
    HoleMapWindow(HWND parent, const RECT& rect);
    ~HoleMapWindow() override;
    HoleMapWindow(const HoleMapWindow&) = delete;
    HoleMapWindow& operator=(const HoleMapWindow&) = delete;

    HWND Handle() const { return m_hwnd; }
    bool ContextFailed() const { return m_contextFailed; }
    int PresentedFrames() const { return m_presented; }
    int PaintedFrames() const { return m_painted; }

    bool CreateContext() override;
    void Present(const view::Frame& frame) override;

private:
    class Context;
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Render();
    void Paint(HDC dc);

    HWND m_hwnd = nullptr;
    int m_width = 0, m_height = 0;
    std::unique_ptr<Context> m_context;
    view::Frame m_frame;
    bool m_hasFrame = false;
    bool m_contextFailed = false;
    std::vector<uint8_t> m_pixels;  // BGRA rows, bottom up, as OpenGL reads them
    int m_presented = 0;
    int m_painted = 0;
};

}  // namespace ks::ui::win32
