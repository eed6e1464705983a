#include "ui/win32/pictures.h"

#include <algorithm>
#include <map>
#include <memory>
// GDI+'s headers want min and max as Windows defines them.
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <objidl.h>
#include <gdiplus.h>

#include "res/picture_art.h"
#include "ui/win32/fonts.h"
#include "ui/win32/wide_text.h"

namespace ks::ui::win32 {

namespace {

namespace gp = Gdiplus;

ULONG_PTR g_token = 0;

gp::Color Colour(const res::Rgba& c) { return gp::Color(c.a, c.r, c.g, c.b); }

gp::RectF Rect(const res::BoxF& b) {
    return gp::RectF(static_cast<gp::REAL>(b.x), static_cast<gp::REAL>(b.y), static_cast<gp::REAL>(b.width),
                     static_cast<gp::REAL>(b.height));
}

std::unique_ptr<gp::Brush> Fill(const res::ArtStep& s) {
    const gp::RectF box = Rect(s.box);
    switch (s.fill) {
        case res::ArtFill::None: return nullptr;
        case res::ArtFill::Solid: return std::make_unique<gp::SolidBrush>(Colour(s.from));
        case res::ArtFill::Vertical: {
            auto g = std::make_unique<gp::LinearGradientBrush>(box, Colour(s.from), Colour(s.to),
                                                               gp::LinearGradientModeVertical);
            g->SetWrapMode(gp::WrapModeTileFlipXY);  // no seam of the next tile at the box's edge
            return g;
        }
        case res::ArtFill::Radial: {
            gp::GraphicsPath disc;
            disc.AddEllipse(box);
            auto g = std::make_unique<gp::PathGradientBrush>(&disc);
            g->SetCenterColor(Colour(s.from));
            gp::Color rim = Colour(s.to);
            INT count = 1;
            g->SetSurroundColors(&rim, &count);
            return g;
        }
    }
    return nullptr;
}

void RoundedRect(gp::GraphicsPath& path, const gp::RectF& r, gp::REAL radius) {
    const gp::REAL d = std::min({radius * 2, r.Width, r.Height});
    path.AddArc(r.X, r.Y, d, d, 180, 90);
    path.AddArc(r.X + r.Width - d, r.Y, d, d, 270, 90);
    path.AddArc(r.X + r.Width - d, r.Y + r.Height - d, d, d, 0, 90);
    path.AddArc(r.X, r.Y + r.Height - d, d, d, 90, 90);
    path.CloseFigure();
}

void DrawArtText(gp::Graphics& g, HDC dc, const res::ArtStep& s) {
    const std::wstring text = Wide(s.text);
    gp::StringFormat format(gp::StringFormat::GenericTypographic());
    format.SetAlignment(s.align == res::TextAlign::Left ? gp::StringAlignmentNear : gp::StringAlignmentCenter);
    format.SetLineAlignment(gp::StringAlignmentCenter);
    format.SetFormatFlags(format.GetFormatFlags() | gp::StringFormatFlagsNoWrap | gp::StringFormatFlagsMeasureTrailingSpaces);
    // Through a GDI font, so that the font mapper's substitutes (and Wine's
    // replacements) stand in for a missing face as they do for the controls.
    int size = s.pixelSize;
    auto font = std::make_unique<gp::Font>(dc, FontFor(s.face, 0, size, s.bold));
    while (s.shrinkToFit && size > 9) {
        gp::RectF bounds;
        g.MeasureString(text.c_str(), -1, font.get(), gp::PointF(0, 0), &format, &bounds);
        if (bounds.Width <= s.box.width) break;
        font = std::make_unique<gp::Font>(dc, FontFor(s.face, 0, --size, s.bold));
    }
    gp::SolidBrush ink(Colour(s.pen));
    g.DrawString(text.c_str(), -1, font.get(), Rect(s.box), &format, &ink);
}

void DrawStep(gp::Graphics& g, HDC dc, const res::ArtStep& s) {
    const gp::RectF box = Rect(s.box);
    const std::unique_ptr<gp::Brush> brush = Fill(s);
    gp::Pen pen(Colour(s.pen), static_cast<gp::REAL>(s.penWidth));
    const bool outline = s.penWidth > 0;
    switch (s.shape) {
        case res::ArtShape::Text: DrawArtText(g, dc, s); return;
        case res::ArtShape::Line:
            g.DrawLine(&pen, box.X, box.Y, box.X + box.Width, box.Y + box.Height);
            return;
        case res::ArtShape::Ellipse:
            if (brush) g.FillEllipse(brush.get(), box);
            if (outline) g.DrawEllipse(&pen, box);
            return;
        case res::ArtShape::Rect:
            if (brush) g.FillRectangle(brush.get(), box);
            if (outline) g.DrawRectangle(&pen, box);
            return;
        case res::ArtShape::RoundedRect: {
            gp::GraphicsPath path;
            RoundedRect(path, box, static_cast<gp::REAL>(s.radius));
            if (brush) g.FillPath(brush.get(), &path);
            if (outline) g.DrawPath(&pen, &path);
            return;
        }
    }
}

// A top-down 32-bit DIB section with premultiplied alpha, as AlphaBlend
// takes it, holding the painted art.
HBITMAP Paint(const res::PictureArt& art) {
    if (art.width <= 0 || art.height <= 0 || g_token == 0) return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = art.width;
    info.bmiHeader.biHeight = -art.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) return nullptr;
    {
        gp::Bitmap canvas(art.width, art.height, art.width * 4, PixelFormat32bppPARGB, static_cast<BYTE*>(bits));
        gp::Graphics g(&canvas);
        g.SetSmoothingMode(gp::SmoothingModeAntiAlias);
        g.SetPixelOffsetMode(gp::PixelOffsetModeHalf);
        g.SetTextRenderingHint(gp::TextRenderingHintAntiAliasGridFit);
        g.Clear(Colour(art.ground));
        HDC screen = ::GetDC(nullptr);
        for (const res::ArtStep& s : art.steps) DrawStep(g, screen, s);
        ::ReleaseDC(nullptr, screen);
    }
    ::GdiFlush();
    return bitmap;
}

}  // namespace

void StartPictures() {
    if (g_token != 0) return;
    gp::GdiplusStartupInput input;
    if (gp::GdiplusStartup(&g_token, &input, nullptr) != gp::Ok) g_token = 0;
}

void StopPictures() {
    if (g_token == 0) return;
    gp::GdiplusShutdown(g_token);
    g_token = 0;
}

HBITMAP Picture(int bitmapId) {
    static std::map<int, HBITMAP> cache;
    auto it = cache.find(bitmapId);
    if (it == cache.end()) it = cache.emplace(bitmapId, Paint(res::ArtOf(bitmapId))).first;
    return it->second;
}

SIZE PictureSize(int bitmapId) {
    BITMAP info{};
    if (HBITMAP b = Picture(bitmapId); b != nullptr && ::GetObjectW(b, sizeof info, &info) != 0)
        return {info.bmWidth, std::abs(info.bmHeight)};
    return {0, 0};
}

HICON ProgramIcon(int size) {
    static std::map<int, HICON> icons;
    if (auto it = icons.find(size); it != icons.end()) return it->second;
    HICON icon = nullptr;
    if (HBITMAP colour = Paint(res::IconArt(size))) {
        // The alpha channel is the shape; the mask only has to exist.
        HBITMAP mask = ::CreateBitmap(size, size, 1, 1, nullptr);
        ICONINFO info{TRUE, 0, 0, mask, colour};
        icon = ::CreateIconIndirect(&info);
        ::DeleteObject(mask);
        ::DeleteObject(colour);
    }
    icons[size] = icon;
    return icon;
}

}  // namespace ks::ui::win32
