#include "forms/draw/canvas.h"

// GDI+ needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>
#include <gdiplus.h>

#include <cmath>
#include <vector>

#include "forms/layout/layout_rules.h"
#include "forms/layout/screen.h"

namespace qln {

namespace gp = Gdiplus::DllExports;
using Gdiplus::GpStatus;

namespace canvas_detail {
void FreeGraphics(Gdiplus::GpGraphics* graphics) { gp::GdipDeleteGraphics(graphics); }
void FreePen(Gdiplus::GpPen* pen) { gp::GdipDeletePen(pen); }
void FreeBrush(Gdiplus::GpBrush* brush) { gp::GdipDeleteBrush(brush); }
void FreePath(Gdiplus::GpPath* path) { gp::GdipDeletePath(path); }
void FreeMatrix(Gdiplus::GpMatrix* matrix) { gp::GdipDeleteMatrix(matrix); }
void FreeFontFamily(Gdiplus::GpFontFamily* family) { gp::GdipDeleteFontFamily(family); }
void FreeImage(Gdiplus::GpImage* image) { gp::GdipDisposeImage(image); }
}  // namespace canvas_detail

namespace {

constexpr int kSmoothingAntiAlias = 4;
constexpr float kPointsToEm = 1.5208f;
constexpr float kDefaultPathEm = 13.6872f;  // 9 points
constexpr const wchar_t* kDefaultFace = L"Microsoft YaHei";

// The framework's rounding rule, on the product as the canvas computes it (in float).
int Round(float value) { return RoundHalfEven(value); }
int DeviceX(const Canvas& c, float x) { return Round(x * c.dpiFactorX); }
int DeviceY(const Canvas& c, float y) { return Round(y * c.dpiFactorY); }

Gdiplus::GpFontFamily* CreateFamily(const wchar_t* name) {
    Gdiplus::GpFontFamily* family = nullptr;
    if (!name || !*name) return nullptr;
    if (gp::GdipCreateFontFamilyFromName(name, nullptr, &family) != Gdiplus::Ok) return nullptr;
    return family;
}

Gdiplus::GpMatrix* ScaleMatrix(const Canvas& c) {
    Gdiplus::GpMatrix* matrix = nullptr;
    gp::GdipCreateMatrix2(c.dpiFactorX, 0.0f, 0.0f, c.dpiFactorY, 0.0f, 0.0f, &matrix);
    return matrix;
}

void ApplyWorldMatrix(Canvas& c) {
    if (c.graphics && c.worldMatrix) gp::GdipSetWorldTransform(c.graphics.get(), c.worldMatrix.get());
}

// The part of a paint that both kinds of canvas share, once the back buffer is selected.
void PrepareDrawing(Canvas& c) {
    HDC dc = c.memoryDc.get();
    c.originalFont = GetCurrentObject(dc, OBJ_FONT);
    c.originalPen = GetCurrentObject(dc, OBJ_PEN);
    c.originalBrush = GetCurrentObject(dc, OBJ_BRUSH);
    SetBkMode(dc, TRANSPARENT);
    if (gp::GdipCreateFromHDC(dc, c.graphics.receive()) == Gdiplus::Ok) {
        gp::GdipSetSmoothingMode(c.graphics.get(), static_cast<Gdiplus::SmoothingMode>(kSmoothingAntiAlias));
    }
    c.worldMatrix.reset(ScaleMatrix(c));
    ApplyWorldMatrix(c);
    SetGdiFont(c, kDefaultFace, 9.0f, false, false, false, false);
    SetPen(c, 1.0f, 0xFF000000u);
}

// A fresh record: whatever an unfinished paint still holds is finished and released first.
void Reset(Canvas& c) {
    EndCanvas(c);
    c.paint = {};
    c.window = nullptr;
    c.windowDc = nullptr;
    c.width = c.height = 0;
    c.xOffset = c.yOffset = 0;
    c.painting = 0;
    c.dpiFactorX = c.dpiFactorY = 1.0f;
    c.pathFontSize = 0.0f;
    c.pathFontStyle = 0;
    c.nullGdiPen = false;
}

bool CreateBackBuffer(Canvas& c) {
    c.backBuffer.reset(CreateCompatibleBitmap(c.windowDc, c.width, c.height));
    c.memoryDc.reset(CreateCompatibleDC(c.windowDc));
    if (!c.backBuffer || !c.memoryDc) {
        c.backBuffer.reset();
        c.memoryDc.reset();
        return false;
    }
    c.originalBitmap = SelectObject(c.memoryDc.get(), c.backBuffer.get());
    return true;
}

void FillSolid(Canvas& c, COLORREF color) {
    OwnedGdi<HBRUSH> fill(CreateSolidBrush(color));
    const RECT all = {0, 0, c.width, c.height};
    if (fill) FillRect(c.memoryDc.get(), &all, fill.get());
}

void CopyWindowPicture(Canvas& c) {
    c.backgroundBitmap.reset(CreateCompatibleBitmap(c.windowDc, c.width, c.height));
    c.backgroundDc.reset(CreateCompatibleDC(c.windowDc));
    if (!c.backgroundBitmap || !c.backgroundDc) {
        // Without a copy of its own the back buffer still starts from the window's pixels.
        c.backgroundDc.reset();
        c.backgroundBitmap.reset();
        BitBlt(c.memoryDc.get(), 0, 0, c.width, c.height, c.windowDc, 0, 0, SRCCOPY);
        return;
    }
    c.originalBackgroundBitmap = SelectObject(c.backgroundDc.get(), c.backgroundBitmap.get());
    BitBlt(c.backgroundDc.get(), 0, 0, c.width, c.height, c.windowDc, 0, 0, SRCCOPY);
    BitBlt(c.memoryDc.get(), 0, 0, c.width, c.height, c.backgroundDc.get(), 0, 0, SRCCOPY);
}

// Every GDI+ primitive fills before it outlines, so the outline lies on top of the fill.
template <typename Fill, typename Outline>
void FillThenOutline(Canvas& c, Fill fill, Outline outline) {
    if (!c.graphics) return;
    if (c.brush) fill(c.graphics.get(), c.brush.get());
    if (c.pen) outline(c.graphics.get(), c.pen.get());
}

Gdiplus::GpPath* NewGpPath(int fillMode) {
    Gdiplus::GpPath* path = nullptr;
    gp::GdipCreatePath(fillMode == kFillWinding ? Gdiplus::FillModeWinding : Gdiplus::FillModeAlternate, &path);
    return path;
}

}  // namespace

Canvas::~Canvas() { EndCanvas(*this); }

void BeginCanvas(Canvas& canvas, HWND window, COLORREF background) {
    Reset(canvas);
    if (!window || !IsWindow(window)) return;
    canvas.window = window;
    canvas.windowDc = BeginPaint(window, &canvas.paint);
    if (!canvas.windowDc) return;
    canvas.painting = -1;
    RECT client = {};
    GetClientRect(window, &client);
    canvas.width = client.right - client.left;
    canvas.height = client.bottom - client.top;
    if (!CreateBackBuffer(canvas)) return;

    if (background == kKeepPicture) {
        CopyWindowPicture(canvas);
    } else {
        FillSolid(canvas, background);
    }
    canvas.dpiFactorX = DpiScale(GetDeviceCaps(canvas.windowDc, LOGPIXELSX));
    canvas.dpiFactorY = DpiScale(GetDeviceCaps(canvas.windowDc, LOGPIXELSY));
    PrepareDrawing(canvas);
}

void BeginOffscreenCanvas(Canvas& canvas, int width, int height, bool unscaled) {
    Reset(canvas);
    canvas.windowDc = GetDC(nullptr);
    if (!canvas.windowDc) return;
    canvas.width = width > 0 ? width : 0;
    canvas.height = height > 0 ? height : 0;
    if (!CreateBackBuffer(canvas)) return;
    if (!unscaled) {
        canvas.dpiFactorX = DpiScale(ScreenLogPixelsX());
        canvas.dpiFactorY = DpiScale(ScreenLogPixelsY());
    }
    PrepareDrawing(canvas);
}

void EndCanvas(Canvas& canvas) {
    Canvas& c = canvas;
    if (c.graphics) gp::GdipFlush(c.graphics.get(), Gdiplus::FlushIntentionSync);
    // An off-screen picture has no window to land in: copying it to the screen DC would paint
    // over whatever the user sees.
    if (c.painting && c.windowDc && c.memoryDc) {
        BitBlt(c.windowDc, c.xOffset, c.yOffset, c.width, c.height, c.memoryDc.get(), 0, 0, SRCCOPY);
    }

    c.pen.reset();
    c.brush.reset();
    c.image.reset();
    c.path.reset();
    c.pathFontFamily.reset();
    c.graphics.reset();

    if (c.memoryDc) {
        HDC dc = c.memoryDc.get();
        if (c.originalFont) SelectObject(dc, c.originalFont);
        if (c.originalPen) SelectObject(dc, c.originalPen);
        if (c.originalBrush) SelectObject(dc, c.originalBrush);
        if (c.originalBitmap) SelectObject(dc, c.originalBitmap);
    }
    if (c.backgroundDc && c.originalBackgroundBitmap) SelectObject(c.backgroundDc.get(), c.originalBackgroundBitmap);
    c.originalFont = c.originalPen = c.originalBrush = c.originalBitmap = c.originalBackgroundBitmap = nullptr;

    if (c.windowDc) {
        if (c.painting) {
            EndPaint(c.window, &c.paint);
        } else {
            ReleaseDC(nullptr, c.windowDc);
        }
        c.windowDc = nullptr;
    }
    c.painting = 0;

    c.memoryDc.reset();
    c.backgroundDc.reset();
    c.backBuffer.reset();
    c.backgroundBitmap.reset();
    c.gdiFont.reset();
    c.gdiPen.reset();
    c.gdiBrush.reset();
    c.worldMatrix.reset();
}

void SetGdiFont(Canvas& canvas, const wchar_t* name, float points, bool bold, bool italic, bool underline,
                bool strikeout) {
    if (!canvas.memoryDc) return;
    HFONT font = CreateFontPoints(name, Round(points * canvas.dpiFactorX), kLogicalDpi,
                                  bold ? FW_BOLD : FW_NORMAL, italic, underline, strikeout);
    if (!font) return;
    SelectObject(canvas.memoryDc.get(), font);
    canvas.gdiFont.reset(font);  // the previous font is no longer selected: safe to delete
}

void SetGdiPen(Canvas& canvas, float width, COLORREF color) {
    if (!canvas.memoryDc) return;
    HDC dc = canvas.memoryDc.get();
    if (width <= 0.0f || color == kNoColor) {
        SelectObject(dc, GetStockObject(NULL_PEN));
        canvas.gdiPen.reset();
        canvas.nullGdiPen = true;
        return;
    }
    HPEN pen = CreatePen(PS_SOLID, Round(width * canvas.dpiFactorX), color);
    if (!pen) return;
    SelectObject(dc, pen);
    canvas.gdiPen.reset(pen);
    canvas.nullGdiPen = false;
}

void SetGdiBrush(Canvas& canvas, COLORREF color) {
    if (!canvas.memoryDc) return;
    HDC dc = canvas.memoryDc.get();
    if (color == kNoColor) {
        SelectObject(dc, GetStockObject(NULL_BRUSH));
        canvas.gdiBrush.reset();
        return;
    }
    HBRUSH brush = CreateSolidBrush(color);
    if (!brush) return;
    SelectObject(dc, brush);
    canvas.gdiBrush.reset(brush);
}

void GdiRectangle(Canvas& canvas, float x, float y, float w, float h) {
    if (!canvas.memoryDc) return;
    int left = 0, top = 0, right = canvas.width, bottom = canvas.height;
    if (w != 0.0f || h != 0.0f) {
        left = DeviceX(canvas, x);
        top = DeviceY(canvas, y);
        right = DeviceX(canvas, x + w);
        bottom = DeviceY(canvas, y + h);
    }
    // With the null pen GDI leaves the right column and bottom row unfilled.
    if (canvas.nullGdiPen) {
        ++right;
        ++bottom;
    }
    Rectangle(canvas.memoryDc.get(), left, top, right, bottom);
}

int GdiDrawText(Canvas& canvas, float x, float y, float w, float h, std::wstring_view text, UINT format) {
    if (!canvas.memoryDc || text.empty()) return 0;
    RECT box = {DeviceX(canvas, x), DeviceY(canvas, y), DeviceX(canvas, x + w), DeviceY(canvas, y + h)};
    // The text is borrowed and read-only: DrawTextW must not write an ellipsis into it.
    return DrawTextW(canvas.memoryDc.get(), text.data(), static_cast<int>(text.size()), &box, format & ~DT_MODIFYSTRING);
}

int TextWidth(Canvas& canvas, std::wstring_view text) {
    if (!canvas.memoryDc || text.empty()) return 0;
    SIZE extent = {};
    if (!GetTextExtentPoint32W(canvas.memoryDc.get(), text.data(), static_cast<int>(text.size()), &extent)) return 0;
    if (canvas.dpiFactorX == 1.0f || canvas.dpiFactorX <= 0.0f) return extent.cx;
    return Round(static_cast<float>(extent.cx) / canvas.dpiFactorX);
}

void SetPen(Canvas& canvas, float width, std::uint32_t argb) {
    canvas.pen.reset();
    if (!canvas.graphics || !(width >= 0.01f)) return;
    gp::GdipCreatePen1(argb, width, Gdiplus::UnitPixel, canvas.pen.receive());
}

void SetBrush(Canvas& canvas, std::uint32_t argb) {
    canvas.brush.reset();
    if (!canvas.graphics || argb == 0) return;
    Gdiplus::GpSolidFill* fill = nullptr;
    if (gp::GdipCreateSolidFill(argb, &fill) == Gdiplus::Ok) canvas.brush.reset(fill);
}

void SetPenCaps(Canvas& canvas, int startCap, int endCap) {
    if (!canvas.pen) return;
    gp::GdipSetPenStartCap(canvas.pen.get(), static_cast<Gdiplus::GpLineCap>(startCap));
    gp::GdipSetPenEndCap(canvas.pen.get(), static_cast<Gdiplus::GpLineCap>(endCap));
}

void SetPathFont(Canvas& canvas, const wchar_t* name, float size, bool bold, bool italic, bool strikeout,
                 bool underline) {
    canvas.pathFontFamily.reset(CreateFamily(name));
    canvas.pathFontSize = size * kPointsToEm;
    canvas.pathFontStyle = (bold ? kPathFontBold : 0) | (italic ? kPathFontItalic : 0) |
                           (underline ? kPathFontUnderline : 0) | (strikeout ? kPathFontStrikeout : 0);
}

void SetRotation(Canvas& canvas, float angle, float cx, float cy) {
    if (!canvas.graphics) return;
    canvas.worldMatrix.reset(ScaleMatrix(canvas));
    Gdiplus::GpMatrix* m = canvas.worldMatrix.get();
    if (!m) return;
    if (static_cast<long long>(angle) % 360 != 0) {
        const float px = cx * canvas.dpiFactorX, py = cy * canvas.dpiFactorY;
        gp::GdipTranslateMatrix(m, -px, -py, Gdiplus::MatrixOrderAppend);
        gp::GdipRotateMatrix(m, angle, Gdiplus::MatrixOrderAppend);
        gp::GdipTranslateMatrix(m, px, py, Gdiplus::MatrixOrderAppend);
    }
    ApplyWorldMatrix(canvas);
}

void ShapeRect(Canvas& canvas, float x, float y, float w, float h) {
    FillThenOutline(
        canvas, [&](auto* g, auto* b) { gp::GdipFillRectangle(g, b, x, y, w, h); },
        [&](auto* g, auto* p) { gp::GdipDrawRectangle(g, p, x, y, w, h); });
}

void ShapeEllipse(Canvas& canvas, float x, float y, float w, float h) {
    FillThenOutline(
        canvas, [&](auto* g, auto* b) { gp::GdipFillEllipse(g, b, x, y, w, h); },
        [&](auto* g, auto* p) { gp::GdipDrawEllipse(g, p, x, y, w, h); });
}

void ShapePolygon(Canvas& canvas, std::span<const CanvasPoint> points, int fillMode) {
    if (points.size() < 2) return;
    std::vector<Gdiplus::PointF> pts;
    pts.reserve(points.size());
    for (const CanvasPoint& p : points) pts.emplace_back(p.x, p.y);
    const int count = static_cast<int>(pts.size());
    const auto mode = fillMode == kFillWinding ? Gdiplus::FillModeWinding : Gdiplus::FillModeAlternate;
    FillThenOutline(
        canvas, [&](auto* g, auto* b) { gp::GdipFillPolygon(g, b, pts.data(), count, mode); },
        [&](auto* g, auto* p) { gp::GdipDrawPolygon(g, p, pts.data(), count); });
}

void NewPath(Canvas& canvas, int fillMode) {
    canvas.path.reset();
    if (!canvas.graphics) return;
    canvas.path.reset(NewGpPath(fillMode));
}

void AddLine(Canvas& canvas, float x1, float y1, float x2, float y2) {
    if (canvas.path) gp::GdipAddPathLine(canvas.path.get(), x1, y1, x2, y2);
}

void AddArc(Canvas& canvas, float x, float y, float w, float h, float startAngle) {
    if (canvas.path) gp::GdipAddPathArc(canvas.path.get(), x, y, w, h, startAngle, 90.0f);
}

void FillPath(Canvas& canvas) {
    if (!canvas.path) return;
    Gdiplus::GpPath* path = canvas.path.get();
    FillThenOutline(
        canvas, [&](auto* g, auto* b) { gp::GdipFillPath(g, b, path); },
        [&](auto* g, auto* p) { gp::GdipDrawPath(g, p, path); });
}

void RoundRect(Canvas& canvas, float x, float y, float w, float h, float rx, float ry, int corners) {
    NewPath(canvas, kFillAlternate);
    if (!canvas.path) return;
    Gdiplus::GpPath* path = canvas.path.get();
    // An arc needs an ellipse with area; otherwise every corner is square.
    if (rx <= 0.0f || ry <= 0.0f) corners = 0;
    struct Corner {
        int bit;
        float boxX, boxY;  // the corner's rx × ry box
        float start;
        float cornerX, cornerY;  // the square corner
    };
    const Corner clockwise[4] = {
        {kCornerTopLeft, x, y, 180.0f, x, y},
        {kCornerTopRight, x + w - rx, y, 270.0f, x + w, y},
        {kCornerBottomRight, x + w - rx, y + h - ry, 0.0f, x + w, y + h},
        {kCornerBottomLeft, x, y + h - ry, 90.0f, x, y + h},
    };
    for (const Corner& k : clockwise) {
        if (corners & k.bit) {
            gp::GdipAddPathArc(path, k.boxX, k.boxY, rx, ry, k.start, 90.0f);
        } else {
            // The two legs of the square corner span what the arc would, in the same
            // clockwise direction, so the figure joins them to its neighbours like an arc.
            const Gdiplus::PointF alongY(k.cornerX, k.boxY + ry / 2), corner(k.cornerX, k.cornerY),
                alongX(k.boxX + rx / 2, k.cornerY);
            const bool entersVertically = k.bit == kCornerTopLeft || k.bit == kCornerBottomRight;
            const Gdiplus::PointF ordered[3] = {entersVertically ? alongY : alongX, corner,
                                                entersVertically ? alongX : alongY};
            gp::GdipAddPathLine2(path, ordered, 3);
        }
    }
    gp::GdipClosePathFigure(path);
    FillPath(canvas);
}

void PathText(Canvas& canvas, float x, float y, float w, float h, std::wstring_view text) {
    if (!canvas.graphics || text.empty()) return;
    if (canvas.pathFontSize == 0.0f) canvas.pathFontSize = kDefaultPathEm;
    if (!canvas.pathFontFamily) canvas.pathFontFamily.reset(CreateFamily(kDefaultFace));
    if (!canvas.pathFontFamily) return;

    Owned<Gdiplus::GpPath*, canvas_detail::FreePath> textPath(NewGpPath(kFillAlternate));
    if (!textPath) return;
    // An explicit default format: some GDI+ implementations refuse a null one.
    Gdiplus::GpStringFormat* format = nullptr;
    if (gp::GdipCreateStringFormat(0, LANG_NEUTRAL, &format) != Gdiplus::Ok) return;
    const Gdiplus::RectF layout(x, y, w, h);
    const GpStatus added =
        gp::GdipAddPathString(textPath.get(), text.data(), static_cast<int>(text.size()), canvas.pathFontFamily.get(),
                              canvas.pathFontStyle, canvas.pathFontSize, &layout, format);
    gp::GdipDeleteStringFormat(format);
    if (added != Gdiplus::Ok) return;
    // Overlapping glyph parts become one outline; where this is not supported the plain
    // glyph path is drawn.
    gp::GdipWindingModeOutline(textPath.get(), nullptr, 0.25f);
    if (canvas.pen) gp::GdipDrawPath(canvas.graphics.get(), canvas.pen.get(), textPath.get());
    if (canvas.brush) gp::GdipFillPath(canvas.graphics.get(), canvas.brush.get(), textPath.get());
}

}  // namespace qln
