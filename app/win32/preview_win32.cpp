#include "app/win32/preview_win32.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/win32/win32_text.h"

namespace vermark::win32 {
namespace {

constexpr int kSmallestRequestedSize = 32;
constexpr int kThumbnailSizes[] = {512, 384, 256, 192, 128, 96, 64, 48, 32};
constexpr double kDrawingMargin = 4;
constexpr COLORREF kDrawingColour = RGB(0x20, 0x30, 0x50);
// Drawings' texts are often Japanese: the dialog's own font has the glyphs.
constexpr wchar_t kDrawingFont[] = L"ＭＳ ゴシック";

PixelRect pixel_rect(const RECT& r) {
    return {int(r.left), int(r.top), int(r.right), int(r.bottom)};
}

// True for a 32-bit section whose alpha bytes are used: shell thumbnails of pictures with
// transparent parts come premultiplied that way, and copied as they are those parts turn black.
bool has_alpha(HBITMAP bitmap) {
    DIBSECTION section{};
    if (GetObjectW(bitmap, sizeof(section), &section) != sizeof(section)) return false;
    const BITMAP& info = section.dsBm;
    if (info.bmBitsPixel != 32 || !info.bmBits) return false;
    const auto* bytes = static_cast<const BYTE*>(info.bmBits);
    const std::size_t pixels = std::size_t(info.bmWidth) * std::size_t(std::abs(info.bmHeight));
    for (std::size_t i = 0; i < pixels; ++i) {
        if (bytes[i * 4 + 3] != 0) return true;
    }
    return false;
}

bool copy_bitmap(HDC dc, HBITMAP bitmap, const PixelRect& target, SIZE own) {
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return false;
    HGDIOBJ previous = SelectObject(memory, bitmap);
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    if (has_alpha(bitmap)) {
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, target.left, target.top, target.width(), target.height(), memory, 0, 0,
                   own.cx, own.cy, blend);
    } else {
        StretchBlt(dc, target.left, target.top, target.width(), target.height(), memory, 0, 0,
                   own.cx, own.cy, SRCCOPY);
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
    return true;
}

SIZE icon_size(HICON icon) {
    ICONINFO info{};
    SIZE size{0, 0};
    if (!GetIconInfo(icon, &info)) return size;
    if (info.hbmColor) size = bitmap_size(info.hbmColor);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return size;
}

// True when every pixel of the bitmap is zero: no colour and no coverage. Some shells answer a
// request for a thumbnail they do not have with such an image, which would show as a black box.
bool is_blank(HBITMAP bitmap) {
    const SIZE size = bitmap_size(bitmap);
    if (size.cx <= 0 || size.cy <= 0) return true;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(std::size_t(size.cx) * std::size_t(size.cy));
    HDC screen = GetDC(nullptr);
    const int rows =
        GetDIBits(screen, bitmap, 0, UINT(size.cy), pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != size.cy) return false;
    return std::all_of(pixels.begin(), pixels.end(), [](DWORD pixel) { return pixel == 0; });
}

// The shell's own thumbnail at about width x height; never an icon in its place.
HBITMAP thumbnail_of(IShellItemImageFactory* factory, int width, int height) {
    HBITMAP bitmap = nullptr;
    if (FAILED(factory->GetImage({width, height}, SIIGBF_THUMBNAILONLY, &bitmap)) || !bitmap) {
        return nullptr;
    }
    if (!is_blank(bitmap)) return bitmap;
    DeleteObject(bitmap);
    return nullptr;
}

HRESULT image_factory_of(const std::u16string& path, IShellItemImageFactory** factory) {
    return SHCreateItemFromParsingName(wide(path), nullptr, IID_PPV_ARGS(factory));
}

POINT device_point(const DxfViewTransform& view, DxfPoint p) {
    const DxfPoint v = view.map(p);
    return {LONG(std::lround(v.x)), LONG(std::lround(v.y))};
}

void draw_arcs(HDC dc, const DxfGeometry& drawing, const DxfViewTransform& view) {
    constexpr double kRadians = 3.14159265358979323846 / 180;
    for (const DxfArc& arc : drawing.arcs) {
        const double r = view.length(arc.radius);
        if (!(r >= 0.5)) continue;
        const POINT c = device_point(view, arc.centre);
        const int ir = int(std::lround(r));
        auto on_arc = [&](double degrees) {
            return device_point(view, {arc.centre.x + arc.radius * std::cos(degrees * kRadians),
                                       arc.centre.y + arc.radius * std::sin(degrees * kRadians)});
        };
        const double span = std::fmod(arc.end_degrees - arc.start_degrees, 360.0);
        if (span == 0) {
            Arc(dc, c.x - ir, c.y - ir, c.x + ir, c.y + ir, c.x + ir, c.y, c.x + ir, c.y);
            continue;
        }
        const POINT from = on_arc(arc.start_degrees);
        const POINT to = on_arc(arc.end_degrees);
        Arc(dc, c.x - ir, c.y - ir, c.x + ir, c.y + ir, from.x, from.y, to.x, to.y);
    }
}

void draw_texts(HDC dc, const DxfGeometry& drawing, const DxfViewTransform& view) {
    constexpr double kRadians = 3.14159265358979323846 / 180;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kDrawingColour);
    SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    for (const DxfText& text : drawing.texts) {
        const double pixels = view.length(text.height);
        if (pixels < 2 || text.text.empty()) continue;
        const int escapement = int(std::lround(text.angle_degrees * 10));
        HFONT font = CreateFontW(-int(std::lround(pixels)), 0, escapement, escapement, FW_NORMAL,
                                 FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, kDrawingFont);
        HGDIOBJ previous = SelectObject(dc, font);
        const DxfPoint at = view.map(text.position);
        const double a = text.angle_degrees * kRadians;
        // Lines go down the text's own vertical: (sin a, cos a) with y pointing down.
        std::size_t start = 0;
        for (int line = 0; start <= text.text.size(); ++line) {
            std::size_t end = text.text.find('\n', start);
            if (end == std::string::npos) end = text.text.size();
            const std::string piece = text.text.substr(start, end - start);
            const int length =
                MultiByteToWideChar(CP_UTF8, 0, piece.data(), int(piece.size()), nullptr, 0);
            std::wstring line_text(std::size_t(std::max(length, 0)), L'\0');
            MultiByteToWideChar(CP_UTF8, 0, piece.data(), int(piece.size()), line_text.data(),
                                length);
            const double offset = line * pixels * 1.5;
            TextOutW(dc, int(std::lround(at.x + std::sin(a) * offset)),
                     int(std::lround(at.y + std::cos(a) * offset)), line_text.c_str(),
                     int(line_text.size()));
            start = end + 1;
        }
        SelectObject(dc, previous);
        DeleteObject(font);
    }
}

}  // namespace

bool fill_rect(HDC dc, const RECT& rect, long colour) {
    if (!dc) return false;
    HBRUSH brush = CreateSolidBrush(colour == -1 ? GetSysColor(COLOR_WINDOW) : COLORREF(colour));
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
    return true;
}

PixelRect fit_emf_rect(const std::u16string& path, const PixelRect& rect) {
    double pw = rect.width();
    double ph = rect.height();
    if (HENHMETAFILE metafile = GetEnhMetaFileW(wide(path))) {
        ENHMETAHEADER header{};
        if (GetEnhMetaFileHeader(metafile, sizeof(header), &header) >= sizeof(ENHMETAHEADER) - 8) {
            pw = header.rclBounds.right - header.rclBounds.left;
            ph = header.rclBounds.bottom - header.rclBounds.top;
        }
        DeleteEnhMetaFile(metafile);
    }
    return fit_picture_rect(pw, ph, rect);
}

bool draw_emf_fitted(HDC dc, const std::u16string& path, const PixelRect& rect) {
    if (HENHMETAFILE metafile = GetEnhMetaFileW(wide(path))) {
        const PixelRect fitted = fit_emf_rect(path, rect);
        const RECT target{fitted.left, fitted.top, fitted.right, fitted.bottom};
        PlayEnhMetaFile(dc, metafile, &target);
        DeleteEnhMetaFile(metafile);
    }
    return true;
}

SIZE bitmap_size(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info)) return {0, 0};
    return {info.bmWidth, std::abs(info.bmHeight)};
}

bool draw_bitmap(HDC dc, int x, int y, HBITMAP bitmap, int width, int height) {
    if (!bitmap) return false;
    const SIZE own = bitmap_size(bitmap);
    if (width == 0 || height == 0) {
        width = own.cx;
        height = own.cy;
    }
    return copy_bitmap(dc, bitmap, {x, y, x + width, y + height}, own);
}

bool draw_bitmap_fitted(HDC dc, int l, int t, int r, int b, HBITMAP bitmap, bool fit,
                        bool stretch) {
    if (!bitmap) return false;
    const SIZE own = bitmap_size(bitmap);
    return copy_bitmap(dc, bitmap, bitmap_fit_target(l, t, r, b, own.cx, own.cy, fit, stretch),
                       own);
}

bool draw_icon_fitted(HDC dc, int l, int t, int r, int b, HICON icon, bool fit, bool stretch) {
    if (!icon) return false;
    const SIZE own = icon_size(icon);
    const PixelRect target = icon_fit_target(l, t, r, b, own.cx, own.cy, fit, stretch);
    return DrawIconEx(dc, target.left, target.top, icon, target.width(), target.height(), 0,
                      nullptr, DI_NORMAL) == 1;
}

HICON shell_icon(const std::u16string& path) {
    SHFILEINFOW info{};
    if (!SHGetFileInfoW(wide(path), 0, &info, sizeof(info), SHGFI_ICON)) return nullptr;
    return info.hIcon;
}

HBITMAP shell_thumbnail(const std::u16string& path, int width, int height) {
    IShellItemImageFactory* factory = nullptr;
    HRESULT result = image_factory_of(path, &factory);
    if (result == CO_E_NOTINITIALIZED) {
        CoInitialize(nullptr);
        result = image_factory_of(path, &factory);
    }
    if (FAILED(result) || !factory) return nullptr;
    HBITMAP bitmap = thumbnail_of(factory, width, height);
    for (int side : kThumbnailSizes) {
        if (bitmap) break;
        bitmap = thumbnail_of(factory, side, side);
    }
    factory->Release();
    return bitmap;
}

bool draw_drawing(HDC dc, const DxfGeometry& drawing, const RECT& rect) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (drawing.empty() || width <= 0 || height <= 0) return false;
    const DxfViewTransform view =
        fit_to_view(drawing.bounds, rect.left, rect.top, width, height, kDrawingMargin);
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    HPEN pen = CreatePen(PS_SOLID, 1, kDrawingColour);
    SelectObject(dc, pen);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    for (const DxfLine& line : drawing.lines) {
        const POINT from = device_point(view, line.from);
        const POINT to = device_point(view, line.to);
        MoveToEx(dc, from.x, from.y, nullptr);
        LineTo(dc, to.x, to.y);
    }
    draw_arcs(dc, drawing, view);
    for (const DxfPolyline& polyline : drawing.polylines) {
        std::vector<POINT> points;
        points.reserve(polyline.points.size() + 1);
        for (const DxfPoint& p : polyline.points) points.push_back(device_point(view, p));
        if (polyline.closed && !points.empty()) points.push_back(points.front());
        if (points.size() >= 2) Polyline(dc, points.data(), int(points.size()));
    }
    draw_texts(dc, drawing, view);
    RestoreDC(dc, saved);
    DeleteObject(pen);
    return true;
}

bool ShellThumbnailProbe::has_thumbnail(const std::u16string& path) const {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    bool found = false;
    IShellItemImageFactory* factory = nullptr;
    if (SUCCEEDED(image_factory_of(path, &factory)) && factory) {
        if (HBITMAP bitmap =
                thumbnail_of(factory, kSmallestRequestedSize, kSmallestRequestedSize)) {
            DeleteObject(bitmap);
            found = true;
        }
        factory->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return found;
}

void draw_picture(HDC dc, const RECT& area, const Picture& picture) {
    const int l = area.left, t = area.top, r = area.right, b = area.bottom;
    if (picture.kind == PictureKind::cached_metafile) {
        draw_emf_fitted(dc, picture.path, pixel_rect(area));
        return;
    }
    fill_rect(dc, area, -1);
    switch (picture.kind) {
        case PictureKind::metafile:
            draw_emf_fitted(dc, picture.path, pixel_rect(area));
            return;
        case PictureKind::drawing:
            if (picture.drawing) draw_drawing(dc, *picture.drawing, area);
            return;
        case PictureKind::thumbnail:
            if (HBITMAP bitmap =
                    shell_thumbnail(picture.path, std::max(r - l, kSmallestRequestedSize),
                                    std::max(b - t, kSmallestRequestedSize))) {
                draw_bitmap_fitted(dc, l, t, r, b, bitmap, true, false);
                DeleteObject(bitmap);
                return;
            }
            [[fallthrough]];
        case PictureKind::icon:
            if (HICON icon = shell_icon(picture.path)) {
                draw_icon_fitted(dc, l, t, r, b, icon, true, false);
                DestroyIcon(icon);
            }
            return;
        case PictureKind::cleared:
        case PictureKind::cached_metafile:
            return;
    }
}

}  // namespace vermark::win32
