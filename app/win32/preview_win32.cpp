#include "app/win32/preview_win32.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/win32/dialog_services.h"
#include "app/win32/win32_text.h"
#include "util/path.h"

namespace vermark::win32 {
namespace {

constexpr int kDefaultRequestedSize = 512;
constexpr int kSmallestRequestedSize = 32;
constexpr int kThumbnailSizes[] = {512, 384, 256, 192, 128, 96, 64, 48, 32};
constexpr double kDrawingMargin = 4;
constexpr COLORREF kDrawingColour = RGB(0x20, 0x30, 0x50);
// Drawings' texts are often Japanese: the dialog's own font has the glyphs.
constexpr wchar_t kDrawingFont[] = L"ＭＳ ゴシック";
// Drawings are read whole to be drawn; larger ones get their type's icon instead, so a huge file
// does not hold the dialog or its memory for a picture.
constexpr ULONGLONG kLargestDrawnFile = 32ull << 20;

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

ULONGLONG file_size_of(const std::u16string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(wide(path), GetFileExInfoStandard, &data)) return ~0ull;
    return (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

HBITMAP thumbnail_of(IShellItemImageFactory* factory, int width, int height) {
    HBITMAP bitmap = nullptr;
    if (SUCCEEDED(factory->GetImage({width, height}, SIIGBF_THUMBNAILONLY, &bitmap))) {
        return bitmap;
    }
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

FilePreview::~FilePreview() {
    clear();
}

bool FilePreview::clear() {
    if (bitmap_) DeleteObject(bitmap_);
    if (icon_) DestroyIcon(icon_);
    bitmap_ = nullptr;
    icon_ = nullptr;
    requested_width_ = kDefaultRequestedSize;
    requested_height_ = kDefaultRequestedSize;
    path_.clear();
    return true;
}

bool FilePreview::set_path(const std::u16string& path) {
    clear();
    path_ = path;
    return true;
}

bool FilePreview::draw_into_dc(HDC dc, int l, int t, int r, int b) {
    if (path_.empty()) return false;
    if (!bitmap_ && !icon_) {
        if (!exists(path_, false)) return false;
        requested_width_ = std::max(std::abs(r - l), kSmallestRequestedSize);
        requested_height_ = std::max(std::abs(b - t), kSmallestRequestedSize);
        // A drawing is drawn from its own entities: exact, where a shell picture of it is at
        // best a viewer's thumbnail and often only a generic image.
        if (extension_lower_of(path_) == u"dxf" && file_size_of(path_) <= kLargestDrawnFile) {
            const RECT area{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
            if (draw_drawing(dc, read_dxf_geometry(path_), area)) return true;
        }
        bitmap_ = shell_thumbnail(path_, requested_width_, requested_height_);
        if (!bitmap_) icon_ = shell_icon(path_);
    }
    if (bitmap_) return draw_bitmap_fitted(dc, l, t, r, b, bitmap_, true, false);
    if (icon_) return draw_icon_fitted(dc, l, t, r, b, icon_, true, false);
    return false;
}

bool MetafilePreview::draw_into_dc(HDC dc, int l, int t, int r, int b) {
    if (extension_lower_of(path_) != u"emf") return FilePreview::draw_into_dc(dc, l, t, r, b);
    return draw_emf_fitted(dc, path_, {l, t, r, b});
}

void draw_preview(HDC dc, const RECT& area, const std::u16string& path) {
    const std::u16string cached = cached_picture_path(path);
    if (!cached.empty() && exists(cached, false)) {
        draw_emf_fitted(dc, cached, pixel_rect(area));
        return;
    }
    fill_rect(dc, area, -1);
    std::u16string candidate = change_extension(path, u"emf");
    if (!exists(candidate, false)) candidate = cached;
    MetafilePreview preview;
    preview.set_path(!candidate.empty() && exists(candidate, false) ? candidate : path);
    preview.draw_into_dc(dc, area.left, area.top, area.right, area.bottom);
}

}  // namespace vermark::win32
