// The framework's drawing layer: a Canvas paints one window (or an off-screen picture) through
// a back buffer, mixing plain GDI output (text, square rectangles) with anti-aliased GDI+
// shapes and paths. Callers work in logical pixels (96 per inch); GDI operations scale and
// round each coordinate, GDI+ operations are scaled by the world matrix.
//
// GDI colours are COLORREF (0x00BBGGRR) with kNoColor (-1) for none; GDI+ colours are ARGB
// (0xAARRGGBB) with 0 for none. GDI+ must have been started by the process.
//
// A canvas lives for one paint: BeginCanvas or BeginOffscreenCanvas, drawing, EndCanvas. Every
// object it creates is owned by it and released by EndCanvas (or its destructor).
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string_view>

#include "base/owned.h"

namespace Gdiplus {
class GpGraphics;
class GpPen;
class GpBrush;
class GpPath;
class GpMatrix;
class GpFontFamily;
class GpImage;
}  // namespace Gdiplus

namespace qln {

namespace canvas_detail {
inline void FreeGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void FreeDc(HDC dc) { DeleteDC(dc); }
void FreeGraphics(Gdiplus::GpGraphics* graphics);
void FreePen(Gdiplus::GpPen* pen);
void FreeBrush(Gdiplus::GpBrush* brush);
void FreePath(Gdiplus::GpPath* path);
void FreeMatrix(Gdiplus::GpMatrix* matrix);
void FreeFontFamily(Gdiplus::GpFontFamily* family);
void FreeImage(Gdiplus::GpImage* image);
}  // namespace canvas_detail

template <typename T>
using OwnedGdi = Owned<T, canvas_detail::FreeGdiObject>;
using OwnedDc = Owned<HDC, canvas_detail::FreeDc>;

inline constexpr COLORREF kNoColor = CLR_INVALID;  // -1: no GDI colour
inline constexpr COLORREF kKeepPicture = kNoColor;  // BeginCanvas: start from the window's pixels

// RoundRect corner bits.
inline constexpr int kCornerTopLeft = 1;
inline constexpr int kCornerBottomLeft = 2;
inline constexpr int kCornerTopRight = 4;
inline constexpr int kCornerBottomRight = 8;
inline constexpr int kAllCorners = 15;

// Fill modes of polygons and paths (GDI+ numbering).
inline constexpr int kFillAlternate = 0;
inline constexpr int kFillWinding = 1;

// GDI+ font style bits of path text.
inline constexpr int kPathFontBold = 1;
inline constexpr int kPathFontItalic = 2;
inline constexpr int kPathFontUnderline = 4;
inline constexpr int kPathFontStrikeout = 8;

struct CanvasPoint {
    float x, y;
};

struct Canvas {
    Canvas() = default;
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    PAINTSTRUCT paint = {};
    OwnedGdi<HBITMAP> backgroundBitmap;  // the window's pixels; only for kKeepPicture
    OwnedGdi<HFONT> gdiFont;
    OwnedGdi<HPEN> gdiPen;      // empty while the stock null pen is selected
    OwnedGdi<HBRUSH> gdiBrush;  // empty while the stock null brush is selected
    Owned<Gdiplus::GpMatrix*, canvas_detail::FreeMatrix> worldMatrix;
    Owned<Gdiplus::GpFontFamily*, canvas_detail::FreeFontFamily> pathFontFamily;
    float pathFontSize = 0.0f;  // em size; 0 = not set
    int pathFontStyle = 0;
    Owned<Gdiplus::GpPen*, canvas_detail::FreePen> pen;
    Owned<Gdiplus::GpBrush*, canvas_detail::FreeBrush> brush;
    Owned<Gdiplus::GpImage*, canvas_detail::FreeImage> image;
    Owned<Gdiplus::GpPath*, canvas_detail::FreePath> path;
    OwnedGdi<HBITMAP> backBuffer;
    OwnedDc memoryDc;
    OwnedDc backgroundDc;
    HDC windowDc = nullptr;  // borrowed: from BeginPaint, or the screen DC of an off-screen canvas
    Owned<Gdiplus::GpGraphics*, canvas_detail::FreeGraphics> graphics;
    HWND window = nullptr;
    int width = 0, height = 0;      // device pixels
    int xOffset = 0, yOffset = 0;   // where the picture lands in the window DC
    int painting = 0;               // -1 when windowDc came from BeginPaint
    float dpiFactorX = 1.0f, dpiFactorY = 1.0f;

    // What the memory DCs held before the canvas selected its own objects; put back before
    // anything the canvas selected is deleted.
    HGDIOBJ originalBitmap = nullptr, originalFont = nullptr, originalPen = nullptr, originalBrush = nullptr;
    HGDIOBJ originalBackgroundBitmap = nullptr;
    bool nullGdiPen = false;
};

// Starts painting `window` (BeginPaint) into a back buffer of its client size, filled with
// `background` or, for kKeepPicture, starting from the window's current pixels. A missing
// window leaves the canvas without DC: drawing then does nothing.
void BeginCanvas(Canvas& canvas, HWND window, COLORREF background);

// A canvas on a screen-compatible bitmap of width × height device pixels, for pictures that
// never reach a window: the caller copies what it needs from memoryDc before EndCanvas.
// `unscaled` keeps the factors at 1.0, else they are the screen's DPI / 96.
void BeginOffscreenCanvas(Canvas& canvas, int width, int height, bool unscaled);

// Copies the back buffer to the window (window canvases only), ends the paint and releases
// everything the canvas created. Safe to call twice.
void EndCanvas(Canvas& canvas);

// GDI state. The font is made at points × factor X (rounded) for a 96 DPI reference; a pen
// of width 0 (or kNoColor) is the null pen; a brush of kNoColor is the null brush. The text
// colour is the caller's business: SetTextColor on memoryDc.
void SetGdiFont(Canvas& canvas, const wchar_t* name, float points, bool bold, bool italic, bool underline,
                bool strikeout);
void SetGdiPen(Canvas& canvas, float width, COLORREF color);
void SetGdiBrush(Canvas& canvas, COLORREF color);

// GDI drawing, logical coordinates. GdiRectangle fills exactly (x, y, w, h) also with the null
// pen; w = h = 0 means the whole canvas. GdiDrawText returns DrawTextW's text height.
void GdiRectangle(Canvas& canvas, float x, float y, float w, float h);
int GdiDrawText(Canvas& canvas, float x, float y, float w, float h, std::wstring_view text, UINT format);
int TextWidth(Canvas& canvas, std::wstring_view text);  // logical pixels

// GDI+ state. A pen narrower than 0.01 pixel is no pen; a brush of 0 is no brush. Caps are
// GDI+ line-cap numbers. SetRotation turns later drawing by `angle` degrees around (cx, cy);
// an angle whose whole part is a multiple of 360 draws upright.
void SetPen(Canvas& canvas, float width, std::uint32_t argb);
void SetBrush(Canvas& canvas, std::uint32_t argb);
void SetPenCaps(Canvas& canvas, int startCap, int endCap);
void SetPathFont(Canvas& canvas, const wchar_t* name, float size, bool bold, bool italic, bool strikeout,
                 bool underline);
void SetRotation(Canvas& canvas, float angle, float cx, float cy);

// GDI+ drawing: each fills with the brush (if any), then outlines with the pen (if any).
void ShapeRect(Canvas& canvas, float x, float y, float w, float h);
void ShapeEllipse(Canvas& canvas, float x, float y, float w, float h);
void ShapePolygon(Canvas& canvas, std::span<const CanvasPoint> points, int fillMode);

// Path building: NewPath starts the current path; AddLine and AddArc (a 90° sweep of the
// ellipse in x, y, w, h from `startAngle`) extend it; FillPath fills and outlines it.
void NewPath(Canvas& canvas, int fillMode);
void AddLine(Canvas& canvas, float x1, float y1, float x2, float y2);
void AddArc(Canvas& canvas, float x, float y, float w, float h, float startAngle);
void FillPath(Canvas& canvas);

// A rectangle whose corners named in `corners` are quarter arcs of an rx × ry ellipse; it
// becomes the current path.
void RoundRect(Canvas& canvas, float x, float y, float w, float h, float rx, float ry, int corners);

// Text as a path laid out from (x, y), outlined with the pen, then filled with the brush.
// Without SetPathFont: "Microsoft YaHei" at 9 points.
void PathText(Canvas& canvas, float x, float y, float w, float h, std::wstring_view text);

}  // namespace qln
