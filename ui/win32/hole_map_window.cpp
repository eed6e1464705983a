#include "ui/win32/hole_map_window.h"

#include "platform/opengl.h"
#include "view/gl_frame_renderer.h"

namespace ks::ui::win32 {

namespace {

constexpr wchar_t kMapClass[] = L"KestraneHoleMap";
constexpr wchar_t kContextClass[] = L"KestraneHoleMapContext";

// Framebuffer objects (GL_EXT_framebuffer_object), found at run time: OpenGL
// 1.1, all that opengl32.dll exports, has none.
constexpr GLenum kFramebuffer = 0x8D40;
constexpr GLenum kRenderbuffer = 0x8D41;
constexpr GLenum kColourAttachment0 = 0x8CE0;
constexpr GLenum kFramebufferComplete = 0x8CD5;
constexpr GLenum kBgra = 0x80E1;
using GenFn = void(APIENTRY*)(GLsizei, GLuint*);
using DeleteFn = void(APIENTRY*)(GLsizei, const GLuint*);
using BindFn = void(APIENTRY*)(GLenum, GLuint);
using StorageFn = void(APIENTRY*)(GLenum, GLenum, GLsizei, GLsizei);
using AttachFn = void(APIENTRY*)(GLenum, GLenum, GLenum, GLuint);
using StatusFn = GLenum(APIENTRY*)(GLenum);

template <typename Fn>
Fn Proc(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::wglGetProcAddress(name)));
}

void RegisterClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    WNDCLASSW map{};
    map.lpfnWndProc = DefWindowProcW;  // replaced per window below
    map.hInstance = ::GetModuleHandleW(nullptr);
    map.lpszClassName = kMapClass;
    map.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    ::RegisterClassW(&map);
    WNDCLASSW context{};
    context.style = CS_OWNDC;
    context.lpfnWndProc = DefWindowProcW;
    context.hInstance = ::GetModuleHandleW(nullptr);
    context.lpszClassName = kContextClass;
    ::RegisterClassW(&context);
}

}  // namespace

// A rendering context on a hidden window, with a framebuffer of the map's
// size when the driver has framebuffer objects.
class HoleMapWindow::Context {
public:
    ~Context() {
        if (m_rc != nullptr) {
            ::wglMakeCurrent(m_dc, m_rc);
            if (m_fbo != 0) {
                Proc<DeleteFn>("glDeleteFramebuffersEXT")(1, &m_fbo);
                Proc<DeleteFn>("glDeleteRenderbuffersEXT")(1, &m_colour);
            }
            ::wglMakeCurrent(nullptr, nullptr);
            ::wglDeleteContext(m_rc);
        }
        if (m_dc != nullptr) ::ReleaseDC(m_hwnd, m_dc);
        if (m_hwnd != nullptr) ::DestroyWindow(m_hwnd);
    }

    bool Create(int width, int height) {
        // Never shown; sized like the map for the back buffer's sake.
        m_hwnd = ::CreateWindowExW(0, kContextClass, L"", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
        if (m_hwnd == nullptr) return false;
        m_dc = ::GetDC(m_hwnd);
        // As the map always asked: double buffered RGBA, no depth buffer.
        PIXELFORMATDESCRIPTOR pfd{};
        pfd.nSize = sizeof pfd;
        pfd.nVersion = 1;
        pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        pfd.iPixelType = PFD_TYPE_RGBA;
        pfd.cColorBits = 32;
        pfd.cStencilBits = 1;
        pfd.iLayerType = PFD_MAIN_PLANE;
        const int format = ::ChoosePixelFormat(m_dc, &pfd);
        if (format == 0 || !::SetPixelFormat(m_dc, format, &pfd)) return false;
        m_rc = ::wglCreateContext(m_dc);
        if (m_rc == nullptr || !::wglMakeCurrent(m_dc, m_rc)) return false;
        MakeFramebuffer(width, height);
        return true;
    }

    bool MakeCurrent() { return ::wglMakeCurrent(m_dc, m_rc) != FALSE; }

private:
    void MakeFramebuffer(int width, int height) {
        const auto gen = Proc<GenFn>("glGenFramebuffersEXT");
        const auto bind = Proc<BindFn>("glBindFramebufferEXT");
        const auto genColour = Proc<GenFn>("glGenRenderbuffersEXT");
        const auto bindColour = Proc<BindFn>("glBindRenderbufferEXT");
        const auto storage = Proc<StorageFn>("glRenderbufferStorageEXT");
        const auto attach = Proc<AttachFn>("glFramebufferRenderbufferEXT");
        const auto status = Proc<StatusFn>("glCheckFramebufferStatusEXT");
        if (!gen || !bind || !genColour || !bindColour || !storage || !attach || !status) return;
        gen(1, &m_fbo);
        bind(kFramebuffer, m_fbo);
        genColour(1, &m_colour);
        bindColour(kRenderbuffer, m_colour);
        storage(kRenderbuffer, GL_RGBA8, width, height);
        attach(kFramebuffer, kColourAttachment0, kRenderbuffer, m_colour);
        if (status(kFramebuffer) != kFramebufferComplete) {
            bind(kFramebuffer, 0);
            Proc<DeleteFn>("glDeleteFramebuffersEXT")(1, &m_fbo);
            Proc<DeleteFn>("glDeleteRenderbuffersEXT")(1, &m_colour);
            m_fbo = 0;
        }
        // The back buffer otherwise.
        if (m_fbo == 0) {
            glDrawBuffer(GL_BACK);
            glReadBuffer(GL_BACK);
        }
    }

    HWND m_hwnd = nullptr;
    HDC m_dc = nullptr;
    HGLRC m_rc = nullptr;
    GLuint m_fbo = 0;
    GLuint m_colour = 0;
};

HoleMapWindow::HoleMapWindow(HWND parent, const RECT& rect)
    : m_width(rect.right - rect.left), m_height(rect.bottom - rect.top) {
    RegisterClasses();
    m_hwnd = ::CreateWindowExW(0, kMapClass, L"", WS_CHILD | WS_VISIBLE, rect.left, rect.top, m_width, m_height, parent,
                               nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
}

HoleMapWindow::~HoleMapWindow() {
    m_context.reset();
    if (m_hwnd != nullptr) {
        ::SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
        ::DestroyWindow(m_hwnd);
    }
}

bool HoleMapWindow::CreateContext() {
    m_context = std::make_unique<Context>();
    m_contextFailed = !m_context->Create(m_width, m_height);
    if (m_contextFailed) {
        // No map at all rather than an empty frame.
        m_context.reset();
        ::ShowWindow(m_hwnd, SW_HIDE);
        return false;
    }
    Render();
    return true;
}

void HoleMapWindow::Present(const view::Frame& frame) {
    ++m_presented;
    // An idle machine's frame is the one on screen; drawing it again would
    // cost a full software-rendered pass for the same pixels.
    if (m_hasFrame && frame == m_frame) return;
    m_frame = frame;
    m_hasFrame = true;
    Render();
    ::InvalidateRect(m_hwnd, nullptr, FALSE);
}

void HoleMapWindow::Render() {
    if (!m_context || !m_context->MakeCurrent()) return;
    ++m_painted;
    view::DrawFrameWithOpenGl(m_hasFrame ? &m_frame : nullptr, m_width, m_height, 1.0);
    m_pixels.resize(static_cast<size_t>(m_width) * static_cast<size_t>(m_height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, m_width, m_height, kBgra, GL_UNSIGNED_BYTE, m_pixels.data());
}

void HoleMapWindow::Paint(HDC dc) {
    if (m_pixels.empty()) {
        // The map's ground until the first frame is drawn.
        const view::Colour& c = view::kClearColour;
        HBRUSH ground = ::CreateSolidBrush(RGB(c.r * 255 + 0.5, c.g * 255 + 0.5, c.b * 255 + 0.5));
        RECT all{0, 0, m_width, m_height};
        ::FillRect(dc, &all, ground);
        ::DeleteObject(ground);
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = m_width;
    info.bmiHeader.biHeight = m_height;  // bottom up, as read
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    ::SetDIBitsToDevice(dc, 0, 0, m_width, m_height, 0, 0, 0, m_height, m_pixels.data(), &info, DIB_RGB_COLORS);
}

LRESULT CALLBACK HoleMapWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<HoleMapWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_NCHITTEST:
            // Clicks and the wheel over the map belong to the main window.
            return HTTRANSPARENT;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(hwnd, &ps);
            if (self != nullptr) self->Paint(dc);
            ::EndPaint(hwnd, &ps);
            return 0;
        }
        default: break;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace ks::ui::win32
