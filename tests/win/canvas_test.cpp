// The canvas against real GDI and GDI+: pixels read back from the back buffer or the window,
// at the DPI of the prefix the test runs in (96 or 144), and GDI objects counted across many
// paints.
#include <gtest/gtest.h>
#include <objidl.h>  // before GDI+, which needs what WIN32_LEAN_AND_MEAN leaves out
#include <gdiplus.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>

#include "forms/draw/canvas.h"
#include "gui_objects.h"

namespace qln {
namespace {

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

COLORREF Pixel(const Canvas& c, int x, int y) { return GetPixel(c.memoryDc.get(), x, y); }

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// Fills the back buffer behind the canvas's back, leaving its GDI pen and brush alone.
void Clear(Canvas& c, COLORREF color) {
    OwnedGdi<HBRUSH> brush(CreateSolidBrush(color));
    const RECT all = {0, 0, c.width, c.height};
    FillRect(c.memoryDc.get(), &all, brush.get());
}

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
        dpi_ = ScreenDpi();
        // The prefix must have the DPI this registration of the test asked for.
        if (const char* wanted = std::getenv("QLN_DPI")) {
            ASSERT_EQ(dpi_, std::atoi(wanted));
        }
        factor_ = dpi_ / 96.0f;
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token_); }

    // Device pixel of a logical coordinate, as the canvas rounds it.
    int Dev(float logical) const { return static_cast<int>(std::nearbyint(logical * factor_)); }

    ULONG_PTR token_ = 0;
    int dpi_ = 96;
    float factor_ = 1.0f;
};

TEST_F(CanvasTest, GdiRectangleCoversTheScaledRectangle) {
    Canvas c;
    BeginOffscreenCanvas(c, Dev(100), Dev(100), false);
    ASSERT_TRUE(c.memoryDc);
    EXPECT_FLOAT_EQ(c.dpiFactorX, factor_);
    EXPECT_FLOAT_EQ(c.dpiFactorY, factor_);
    Clear(c, kWhite);

    // The canvas's GDI pen is the DC's black hairline until one is set: the outline is the
    // rectangle's outermost ring of pixels.
    const int lo = dpi_ == 144 ? 15 : 10, hi = dpi_ == 144 ? 45 : 30;
    SetGdiBrush(c, kBlue);
    GdiRectangle(c, 10, 10, 20, 20);
    EXPECT_EQ(Pixel(c, lo, lo), kBlack);
    EXPECT_EQ(Pixel(c, hi - 1, hi - 1), kBlack);
    EXPECT_EQ(Pixel(c, lo + 3, hi - 4), kBlue);
    EXPECT_EQ(Pixel(c, lo - 1, lo + 5), kWhite);
    EXPECT_EQ(Pixel(c, hi, lo + 5), kWhite);
    EXPECT_EQ(Pixel(c, lo + 5, hi), kWhite);

    // Without a pen the fill alone covers the same pixels.
    SetGdiPen(c, 0, kRed);
    SetGdiBrush(c, kGreen);
    GdiRectangle(c, 10, 50, 20, 20);
    const int top = Dev(50), bottom = Dev(70);
    EXPECT_EQ(Pixel(c, lo, top), kGreen);
    EXPECT_EQ(Pixel(c, hi - 1, bottom - 1), kGreen);
    EXPECT_EQ(Pixel(c, hi, bottom - 1), kWhite);
    EXPECT_EQ(Pixel(c, hi - 1, bottom), kWhite);
    EXPECT_EQ(Pixel(c, lo - 1, top), kWhite);

    // A pen of colour "none" is no pen either; 0 × 0 is the whole canvas, last row included.
    SetGdiPen(c, 3, kNoColor);
    SetGdiBrush(c, kRed);
    GdiRectangle(c, 0, 0, 0, 0);
    EXPECT_EQ(Pixel(c, 0, 0), kRed);
    EXPECT_EQ(Pixel(c, c.width - 1, c.height - 1), kRed);

    // The null brush leaves the inside alone.
    Clear(c, kWhite);
    SetGdiPen(c, 1 / factor_, kBlue);  // one device pixel wide at any DPI
    SetGdiBrush(c, kNoColor);
    GdiRectangle(c, 10, 10, 20, 20);
    EXPECT_EQ(Pixel(c, lo, lo + 5), kBlue);
    EXPECT_EQ(Pixel(c, lo + 5, lo + 5), kWhite);
    EndCanvas(c);
}

TEST_F(CanvasTest, UnscaledOffscreenCanvasWorksInDevicePixels) {
    Canvas c;
    BeginOffscreenCanvas(c, 60, 40, true);
    ASSERT_TRUE(c.memoryDc);
    EXPECT_EQ(c.width, 60);
    EXPECT_EQ(c.height, 40);
    EXPECT_FLOAT_EQ(c.dpiFactorX, 1.0f);
    Clear(c, kWhite);
    SetGdiPen(c, 1, kRed);
    SetGdiBrush(c, kBlue);
    GdiRectangle(c, 10, 10, 20, 20);
    EXPECT_EQ(Pixel(c, 29, 29), kRed);  // a one-pixel pen: no scaling
    EXPECT_EQ(Pixel(c, 28, 28), kBlue);
    EXPECT_EQ(Pixel(c, 30, 29), kWhite);
    SetPen(c, 0, 0);
    SetBrush(c, 0xFFFF0000);
    ShapeRect(c, 40, 10, 10, 10);
    EXPECT_EQ(Pixel(c, 49, 19), kRed);
    EXPECT_EQ(Pixel(c, 50, 19), kWhite);
}

TEST_F(CanvasTest, RoundRectRoundsExactlyTheCornersNamedByItsBits) {
    struct Case {
        int bits;
        bool topLeft, topRight, bottomRight, bottomLeft;  // rounded?
    };
    const Case cases[] = {
        {0, false, false, false, false}, {1, true, false, false, false}, {2, false, false, false, true},
        {4, false, true, false, false},  {8, false, false, true, false},  {5, true, true, false, false},
        {10, false, false, true, true},  {15, true, true, true, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE("corner bits " + std::to_string(k.bits));
        Canvas c;
        BeginOffscreenCanvas(c, Dev(80), Dev(60), false);
        ASSERT_TRUE(c.graphics);
        Clear(c, kWhite);
        SetPen(c, 0, 0);
        SetBrush(c, 0xFF0000FF);
        RoundRect(c, 10, 10, 60, 40, 20, 20, k.bits);
        // Just inside each corner: background where the corner is cut round, fill where square.
        const int l = Dev(10) + 1, r = Dev(70) - 2, t = Dev(10) + 1, b = Dev(50) - 2;
        EXPECT_EQ(Pixel(c, l, t), k.topLeft ? kWhite : kBlue) << "top-left";
        EXPECT_EQ(Pixel(c, r, t), k.topRight ? kWhite : kBlue) << "top-right";
        EXPECT_EQ(Pixel(c, r, b), k.bottomRight ? kWhite : kBlue) << "bottom-right";
        EXPECT_EQ(Pixel(c, l, b), k.bottomLeft ? kWhite : kBlue) << "bottom-left";
        // The edges between the corners are straight and filled.
        EXPECT_EQ(Pixel(c, Dev(40), t), kBlue);
        EXPECT_EQ(Pixel(c, l, Dev(30)), kBlue);
        EXPECT_EQ(Pixel(c, r, Dev(30)), kBlue);
        EXPECT_EQ(Pixel(c, Dev(40), b), kBlue);
        EXPECT_EQ(Pixel(c, Dev(40), Dev(10) - 2), kWhite);
        EndCanvas(c);
    }
}

TEST_F(CanvasTest, ShapeFillsLandInTheirArgbColours) {
    Canvas c;
    BeginOffscreenCanvas(c, Dev(100), Dev(100), false);
    ASSERT_TRUE(c.graphics);
    Clear(c, kWhite);
    SetPen(c, 0, 0);

    SetBrush(c, 0xFF00FF00);
    ShapeRect(c, 5, 5, 20, 20);
    EXPECT_EQ(Pixel(c, Dev(15), Dev(15)), kGreen);
    EXPECT_EQ(Pixel(c, Dev(25) + 1, Dev(15)), kWhite);

    SetBrush(c, 0xFFFF0000);  // ARGB red, which is 0x000000FF as a COLORREF
    ShapeEllipse(c, 30, 5, 20, 20);
    EXPECT_EQ(Pixel(c, Dev(40), Dev(15)), kRed);
    EXPECT_EQ(Pixel(c, Dev(30) + 1, Dev(5) + 1), kWhite);  // outside the ellipse

    SetBrush(c, 0x800000FF);  // half-transparent blue over white
    const CanvasPoint triangle[] = {{55, 5}, {95, 5}, {75, 45}};
    ShapePolygon(c, triangle, kFillAlternate);
    EXPECT_TRUE(Near(Pixel(c, Dev(75), Dev(15)), RGB(127, 127, 255), 3)) << std::hex << Pixel(c, Dev(75), Dev(15));

    SetBrush(c, 0);  // no brush: nothing is filled
    ShapeRect(c, 5, 50, 20, 20);
    EXPECT_EQ(Pixel(c, Dev(15), Dev(60)), kWhite);

    SetPen(c, 4, 0xFFFF00FF);  // outline only, in pixel units
    ShapeRect(c, 5, 50, 20, 20);
    EXPECT_EQ(Pixel(c, Dev(15), Dev(50)), RGB(255, 0, 255));
    EXPECT_EQ(Pixel(c, Dev(15), Dev(60)), kWhite);
}

TEST_F(CanvasTest, FillModesDecideTheInsideOfSelfCrossingFigures) {
    // A five-pointed star drawn as one crossing line: its centre is inside only when winding.
    const CanvasPoint star[] = {{50, 5}, {76, 85}, {8, 35}, {92, 35}, {24, 85}};
    for (int mode : {kFillAlternate, kFillWinding}) {
        SCOPED_TRACE(mode);
        const COLORREF centre = mode == kFillWinding ? kBlue : kWhite;
        Canvas c;
        BeginOffscreenCanvas(c, Dev(100), Dev(100), false);
        Clear(c, kWhite);
        SetPen(c, 0, 0);
        SetBrush(c, 0xFF0000FF);
        ShapePolygon(c, star, mode);
        EXPECT_EQ(Pixel(c, Dev(50), Dev(50)), centre);
        EXPECT_EQ(Pixel(c, Dev(50), Dev(15)), kBlue);  // inside a point of the star

        Clear(c, kWhite);
        NewPath(c, mode);
        for (int i = 0; i < 5; ++i) {
            const CanvasPoint a = star[i], b = star[(i + 1) % 5];
            AddLine(c, a.x, a.y, b.x, b.y);
        }
        FillPath(c);
        EXPECT_EQ(Pixel(c, Dev(50), Dev(50)), centre);
        EXPECT_EQ(Pixel(c, Dev(50), Dev(15)), kBlue);
        EndCanvas(c);
    }
}

TEST_F(CanvasTest, ArcsJoinIntoTheCurrentPath) {
    Canvas c;
    BeginOffscreenCanvas(c, Dev(100), Dev(100), false);
    Clear(c, kWhite);
    SetPen(c, 0, 0);
    SetBrush(c, 0xFF00FF00);
    // A quarter disc: the arc from the top to the right of a circle centred on (10, 10), then
    // back to the centre.
    NewPath(c, kFillAlternate);
    AddArc(c, -70, -70, 160, 160, 0);
    AddLine(c, 10, 90, 10, 10);
    FillPath(c);
    EXPECT_EQ(Pixel(c, Dev(40), Dev(40)), kGreen);
    EXPECT_EQ(Pixel(c, Dev(80), Dev(80)), kWhite);  // beyond the arc
    EndCanvas(c);
}

TEST_F(CanvasTest, RotationTurnsAroundTheGivenCentre) {
    Canvas c;
    BeginOffscreenCanvas(c, Dev(100), Dev(100), false);
    Clear(c, kWhite);
    SetPen(c, 0, 0);
    SetBrush(c, 0xFF0000FF);
    // A bar to the right of (50, 50), turned a quarter clockwise, hangs below it.
    SetRotation(c, 90, 50, 50);
    ShapeRect(c, 55, 45, 30, 10);
    EXPECT_EQ(Pixel(c, Dev(50), Dev(70)), kBlue);
    EXPECT_EQ(Pixel(c, Dev(70), Dev(50)), kWhite);

    // A full turn (also 360.7: only the whole degrees count) draws upright again.
    for (float angle : {0.0f, 360.0f, 360.7f, -720.0f}) {
        SCOPED_TRACE(angle);
        Clear(c, kWhite);
        SetRotation(c, angle, 50, 50);
        ShapeRect(c, 55, 45, 30, 10);
        EXPECT_EQ(Pixel(c, Dev(70), Dev(50)), kBlue);
        EXPECT_EQ(Pixel(c, Dev(50), Dev(70)), kWhite);
    }
}

TEST_F(CanvasTest, FontsAreMadeAtTheScaledSize) {
    Canvas c;
    BeginOffscreenCanvas(c, Dev(100), Dev(40), false);
    ASSERT_TRUE(c.gdiFont);  // the canvas starts with its 9-point font
    LOGFONTW lf = {};
    GetObjectW(c.gdiFont.get(), sizeof(lf), &lf);
    EXPECT_EQ(lf.lfHeight, dpi_ == 144 ? -18 : -12);
    EXPECT_EQ(lf.lfWeight, FW_NORMAL);
    EXPECT_STREQ(lf.lfFaceName, L"Microsoft YaHei");

    SetGdiFont(c, L"Tahoma", 10, true, true, false, true);
    GetObjectW(c.gdiFont.get(), sizeof(lf), &lf);
    EXPECT_EQ(lf.lfHeight, dpi_ == 144 ? -20 : -13);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_TRUE(lf.lfItalic);
    EXPECT_FALSE(lf.lfUnderline);
    EXPECT_TRUE(lf.lfStrikeOut);
    EXPECT_EQ(GetCurrentObject(c.memoryDc.get(), OBJ_FONT), c.gdiFont.get());
}

TEST_F(CanvasTest, TextWidthMatchesTheDrawnTextInLogicalPixels) {
    Canvas c;
    BeginOffscreenCanvas(c, Dev(300), Dev(40), false);
    Clear(c, kWhite);
    SetGdiFont(c, L"Tahoma", 12, false, false, false, false);
    SetTextColor(c.memoryDc.get(), kBlack);
    const std::wstring_view text = L"WWWW Quorlen";
    const int width = TextWidth(c, text);
    GdiDrawText(c, 10, 5, 280, 30, text, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    int rightmost = -1;
    for (int x = 0; x < c.width; ++x) {
        for (int y = 0; y < c.height; ++y) {
            if (Pixel(c, x, y) != kWhite) rightmost = x;
        }
    }
    ASSERT_GE(rightmost, 0) << "no text was drawn";
    // The ink ends a few pixels short of the advance width (the last glyph's side bearing);
    // a width left in device pixels would miss by half the text at 144 DPI.
    EXPECT_LE(rightmost / factor_, 10 + width + 1);
    EXPECT_GE(rightmost / factor_, 10 + width - 6);
    EXPECT_EQ(TextWidth(c, L""), 0);
}

TEST_F(CanvasTest, PathTextIsDrawnFromItsOriginInTheBrushAndPen) {
    Canvas c;
    BeginOffscreenCanvas(c, Dev(200), Dev(60), false);
    Clear(c, kWhite);
    SetPen(c, 0, 0);
    SetBrush(c, 0xFF0000FF);
    SetPathFont(c, L"Tahoma", 14, true, false, false, false);
    PathText(c, 40, 20, 150, 40, L"Quorlen");
    int left = c.width, top = c.height, blue = 0, other = 0;
    for (int x = 0; x < c.width; ++x) {
        for (int y = 0; y < c.height; ++y) {
            const COLORREF p = Pixel(c, x, y);
            if (p == kWhite) continue;
            left = std::min(left, x);
            top = std::min(top, y);
            (GetRValue(p) == GetGValue(p) && GetBValue(p) == 255 ? blue : other)++;
        }
    }
    ASSERT_GT(blue, 50) << "no text was drawn";
    EXPECT_EQ(other, 0);  // anti-aliased edges mix blue with white only
    EXPECT_GE(left, Dev(40));
    EXPECT_LE(left, Dev(40 + 4));
    EXPECT_GE(top, Dev(20));

    // Neither brush nor pen: nothing to draw with.
    Clear(c, kWhite);
    SetBrush(c, 0);
    PathText(c, 40, 20, 150, 40, L"Quorlen");
    int ink = 0;
    for (int x = 0; x < c.width; ++x) {
        for (int y = 0; y < c.height; ++y) ink += Pixel(c, x, y) != kWhite;
    }
    EXPECT_EQ(ink, 0);
}

// A visible top-level window whose WM_PAINT runs `onPaint`, and which never erases.
class PaintedWindow {
public:
    PaintedWindow() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QlnCanvasTestWindow";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"canvas", WS_POPUP | WS_VISIBLE, 40, 40, 200, 120,
                                  nullptr, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        Pump();
    }
    ~PaintedWindow() { DestroyWindow(window_); }
    PaintedWindow(const PaintedWindow&) = delete;
    PaintedWindow& operator=(const PaintedWindow&) = delete;

    HWND Handle() const { return window_; }
    void Paint(std::function<void(HWND)> onPaint) {
        onPaint_ = std::move(onPaint);
        InvalidateRect(window_, nullptr, FALSE);
        UpdateWindow(window_);
        onPaint_ = nullptr;
    }
    COLORREF ScreenPixel(int x, int y) const {
        HDC dc = GetDC(window_);
        const COLORREF color = GetPixel(dc, x, y);
        ReleaseDC(window_, dc);
        return color;
    }

private:
    static void Pump() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<PaintedWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_ERASEBKGND) return 1;
        if (message == WM_PAINT && self && self->onPaint_) {
            self->onPaint_(window);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    std::function<void(HWND)> onPaint_;
};

TEST_F(CanvasTest, WindowCanvasStartsFromThePictureOrASolidColour) {
    PaintedWindow w;
    ASSERT_TRUE(w.Handle());
    RECT client;
    GetClientRect(w.Handle(), &client);

    w.Paint([&](HWND window) {
        Canvas c;
        BeginCanvas(c, window, kRed);
        EXPECT_EQ(c.painting, -1);
        EXPECT_EQ(c.width, client.right);
        EXPECT_EQ(c.height, client.bottom);
        EXPECT_FLOAT_EQ(c.dpiFactorX, factor_);
        EXPECT_EQ(Pixel(c, 5, 5), kRed);
        EndCanvas(c);
    });
    EXPECT_EQ(w.ScreenPixel(5, 5), kRed);
    EXPECT_EQ(w.ScreenPixel(client.right - 1, client.bottom - 1), kRed);

    // Keeping the picture: the back buffer starts as the window looks, and what is drawn on
    // top of it reaches the window with the rest unchanged.
    w.Paint([&](HWND window) {
        Canvas c;
        BeginCanvas(c, window, kKeepPicture);
        ASSERT_TRUE(c.backgroundBitmap);
        EXPECT_EQ(Pixel(c, 5, 5), kRed);
        EXPECT_EQ(Pixel(c, c.width - 1, c.height - 1), kRed);
        SetGdiPen(c, 0, kNoColor);
        SetGdiBrush(c, kBlue);
        GdiRectangle(c, 50, 30, 20, 20);
        EndCanvas(c);
    });
    EXPECT_EQ(w.ScreenPixel(5, 5), kRed);
    EXPECT_EQ(w.ScreenPixel(Dev(60), Dev(40)), kBlue);

    // A colour starts from that colour alone.
    w.Paint([&](HWND window) {
        Canvas c;
        BeginCanvas(c, window, kGreen);
        EXPECT_FALSE(c.backgroundBitmap);
        EXPECT_EQ(Pixel(c, 5, 5), kGreen);
        EXPECT_EQ(Pixel(c, Dev(60), Dev(40)), kGreen);
        EndCanvas(c);
    });
    EXPECT_EQ(w.ScreenPixel(Dev(60), Dev(40)), kGreen);
}

TEST_F(CanvasTest, CanvasWithoutWindowDrawsNothingAndHoldsNothing) {
    HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    const int before = test::GdiObjectCount();
    Canvas c;
    BeginCanvas(c, gone, kRed);
    EXPECT_FALSE(c.memoryDc);
    EXPECT_FALSE(c.graphics);
    SetGdiFont(c, L"Tahoma", 9, false, false, false, false);
    SetGdiPen(c, 1, kRed);
    SetGdiBrush(c, kRed);
    GdiRectangle(c, 0, 0, 10, 10);
    EXPECT_EQ(TextWidth(c, L"text"), 0);
    SetPen(c, 1, 0xFF000000);
    SetBrush(c, 0xFF000000);
    RoundRect(c, 0, 0, 10, 10, 2, 2, kAllCorners);
    PathText(c, 0, 0, 10, 10, L"text");
    EXPECT_FALSE(c.gdiFont);
    EXPECT_FALSE(c.pen);
    EXPECT_FALSE(c.path);
    EndCanvas(c);
    EndCanvas(c);
    EXPECT_EQ(test::GdiObjectCount(), before);
}

void DrawEverything(Canvas& c) {
    SetGdiFont(c, L"Tahoma", 11, true, false, true, false);
    SetGdiFont(c, L"Tahoma", 9, false, true, false, true);
    SetGdiPen(c, 2, kRed);
    SetGdiPen(c, 1, kBlue);
    SetGdiBrush(c, kGreen);
    SetGdiBrush(c, kBlue);
    GdiRectangle(c, 2, 2, 20, 10);
    GdiDrawText(c, 2, 2, 80, 20, L"Quorlen插件安装器", DT_SINGLELINE);
    TextWidth(c, L"Quorlen");
    SetGdiPen(c, 0, kRed);
    SetGdiBrush(c, kNoColor);
    SetPen(c, 2, 0xFF112233);
    SetPenCaps(c, 2, 3);
    SetBrush(c, 0xFF445566);
    SetBrush(c, 0x80445566);
    SetPathFont(c, L"Tahoma", 10, true, false, false, true);
    SetRotation(c, 30, 20, 20);
    ShapeRect(c, 5, 5, 10, 10);
    ShapeEllipse(c, 5, 5, 10, 10);
    const CanvasPoint pts[] = {{1, 1}, {20, 3}, {9, 15}};
    ShapePolygon(c, pts, kFillWinding);
    NewPath(c, kFillAlternate);
    AddLine(c, 1, 1, 10, 10);
    AddArc(c, 1, 1, 10, 10, 45);
    FillPath(c);
    RoundRect(c, 2, 2, 30, 20, 6, 6, 9);
    PathText(c, 2, 2, 60, 20, L"Qln");
    SetRotation(c, 0, 0, 0);
}

TEST_F(CanvasTest, BeginEndCyclesReleaseEveryGdiObject) {
    PaintedWindow w;
    const auto paintCycle = [&](COLORREF background) {
        w.Paint([&](HWND window) {
            Canvas c;
            BeginCanvas(c, window, background);
            DrawEverything(c);
            EndCanvas(c);
        });
    };
    const auto offscreenCycle = [&]() {
        Canvas c;
        BeginOffscreenCanvas(c, 64, 48, false);
        DrawEverything(c);
        EndCanvas(c);
    };
    // Process-wide caches (the screen DC, GDI+ internals) settle on the first paints.
    paintCycle(kKeepPicture);
    paintCycle(kRed);
    offscreenCycle();

    const int before = test::GdiObjectCount();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 100; ++i) {
        paintCycle(i % 2 ? kKeepPicture : kRed);
        offscreenCycle();
    }
    EXPECT_EQ(test::GdiObjectCount(), before);

    // A canvas begun again, or dropped without EndCanvas, finishes its paint on the way.
    for (int i = 0; i < 20; ++i) {
        Canvas c;
        BeginOffscreenCanvas(c, 32, 32, false);
        DrawEverything(c);
        BeginOffscreenCanvas(c, 16, 16, true);
        DrawEverything(c);
    }
    w.Paint([&](HWND window) {
        Canvas c;
        BeginCanvas(c, window, kKeepPicture);
        DrawEverything(c);
    });
    EXPECT_EQ(test::GdiObjectCount(), before);
}

}  // namespace
}  // namespace qln
