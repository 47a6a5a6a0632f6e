// Vector icons drawn by real GDI+ into an off-screen canvas, at the DPI of the prefix the test
// runs in (96 or 144): palette colours, extents in device pixels, the clip to the cell, and
// the strings and cells that draw nothing.
#include <gtest/gtest.h>
#include <objidl.h>  // before GDI+, which needs what WIN32_LEAN_AND_MEAN leaves out
#include <gdiplus.h>

#include <cstdlib>
#include <string>

#include "../vector_params.h"
#include "forms/draw/canvas.h"
#include "forms/draw/vector_draw.h"

namespace qln {
namespace {

using test::L2;
using test::Params;

// "b": a rectangle in palette entry `fill`, without outline, at (x, y) of size w × h in
// thousandths of the cell.
std::wstring FilledRect(int fill, int x, int y, int w, int h) {
    return L"b" + Params({fill, 0, 0, 0, 0, 0, x, y, w, h});
}

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

class VectorDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
        HDC screen = GetDC(nullptr);
        dpi_ = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        if (const char* wanted = std::getenv("QLN_DPI")) {
            ASSERT_EQ(dpi_, std::atoi(wanted));
        }
        factor_ = dpi_ / 96.0f;
        BeginOffscreenCanvas(c_, Dev(100), Dev(100), false);
        ASSERT_TRUE(c_.graphics);
        Clear(kWhite);
    }
    void TearDown() override {
        EndCanvas(c_);
        Gdiplus::GdiplusShutdown(token_);
    }

    int Dev(float logical) const { return static_cast<int>(std::nearbyint(logical * factor_)); }
    COLORREF Pixel(int x, int y) const { return GetPixel(c_.memoryDc.get(), x, y); }

    void Clear(COLORREF color) {
        OwnedGdi<HBRUSH> brush(CreateSolidBrush(color));
        const RECT all = {0, 0, c_.width, c_.height};
        FillRect(c_.memoryDc.get(), &all, brush.get());
    }

    // Pixels that are not white, and their bounding box in device pixels.
    struct Ink {
        int count = 0;
        RECT box = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    };
    Ink InkOf(const RECT& area) const {
        Ink ink;
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                if (Pixel(x, y) == kWhite) continue;
                ++ink.count;
                ink.box = {std::min<LONG>(ink.box.left, x), std::min<LONG>(ink.box.top, y),
                           std::max<LONG>(ink.box.right, x + 1), std::max<LONG>(ink.box.bottom, y + 1)};
            }
        }
        return ink;
    }
    Ink InkOf() const { return InkOf({0, 0, c_.width, c_.height}); }

    ULONG_PTR token_ = 0;
    int dpi_ = 96;
    float factor_ = 1.0f;
    Canvas c_;
};

TEST_F(VectorDrawTest, PaletteListAndOverrideChooseTheFill) {
    // Entry 1 is black until the list in the string makes it opaque green.
    DrawVector(c_, 10, 10, 40, 40, L"(FF00FF00)" + FilledRect(1, 0, 0, 1000, 1000), L"");
    EXPECT_EQ(Pixel(Dev(30), Dev(30)), kGreen);
    EXPECT_EQ(Pixel(Dev(12), Dev(48)), kGreen);

    // The override comes after the list; entry 2 at alpha 0x64 over white stays light.
    DrawVector(c_, 50, 10, 40, 40, L"(FF00FF00)" + FilledRect(1, 0, 0, 1000, 1000), L"FFFF0000");
    EXPECT_EQ(Pixel(Dev(70), Dev(30)), kRed);
    Clear(RGB(0, 0, 0));
    DrawVector(c_, 10, 50, 40, 40, FilledRect(2, 0, 0, 1000, 1000), L"32FFFFFF,64FFFFFF");
    EXPECT_TRUE(Near(Pixel(Dev(30), Dev(70)), RGB(0x64, 0x64, 0x64), 2)) << std::hex << Pixel(Dev(30), Dev(70));

    // Entry 0 fills nothing.
    Clear(kWhite);
    DrawVector(c_, 10, 10, 80, 80, FilledRect(0, 0, 0, 1000, 1000), L"");
    EXPECT_EQ(InkOf().count, 0);
}

TEST_F(VectorDrawTest, FilledRectangleCoversItsThousandthsInDevicePixels) {
    // A 40 × 40 cell at (10, 10); the rectangle from 250 to 750 thousandths is logical 20…40:
    // device pixels 20 to 39 at 96 DPI, 30 to 59 at 144 DPI.
    DrawVector(c_, 10, 10, 40, 40, L"(FF00FF00)" + FilledRect(1, 250, 250, 500, 500), L"");
    const int lo = dpi_ == 144 ? 30 : 20, hi = dpi_ == 144 ? 60 : 40;
    const Ink ink = InkOf();
    EXPECT_EQ(ink.box.left, lo);
    EXPECT_EQ(ink.box.top, lo);
    EXPECT_EQ(ink.box.right, hi);
    EXPECT_EQ(ink.box.bottom, hi);
    EXPECT_EQ(ink.count, (hi - lo) * (hi - lo));
    EXPECT_EQ(Pixel(lo, lo), kGreen);
    EXPECT_EQ(Pixel(hi - 1, hi - 1), kGreen);

    // An outline of 50 thousandths of the cell width (2 logical pixels) in entry 4, blue,
    // centred on the edge.
    Clear(kWhite);
    DrawVector(c_, 10, 10, 40, 40, L"b04" + L2(50) + Params({0, 0, 0, 250, 250, 500, 500}), L"");
    EXPECT_EQ(Pixel(lo, Dev(30)), RGB(0, 0, 255));
    EXPECT_EQ(Pixel(Dev(30), Dev(30)), kWhite);
    // It reaches about one logical pixel out of the fill's edge; how the partly covered
    // column is shaded is GDI+'s business.
    EXPECT_LT(InkOf().box.left, lo);
    EXPECT_GE(InkOf().box.left, Dev(19) - 1);
}

TEST_F(VectorDrawTest, DrawingStaysInsideTheCell) {
    // A rectangle twice the cell's size around a 20 × 20 cell at (40, 40); an ellipse poking out.
    DrawVector(c_, 40, 40, 20, 20, L"(FF00FF00)" + FilledRect(1, -500, -500, 2000, 2000) + L"+c" +
                                       Params({4, 0, 0, 500, 500, 1000, 1000}), L"");
    const Ink ink = InkOf();
    EXPECT_EQ(ink.box.left, Dev(40));
    EXPECT_EQ(ink.box.top, Dev(40));
    EXPECT_EQ(ink.box.right, Dev(60));
    EXPECT_EQ(ink.box.bottom, Dev(60));
    EXPECT_EQ(Pixel(Dev(45), Dev(45)), kGreen);
    EXPECT_EQ(Pixel(Dev(59), Dev(59)) , RGB(0, 0, 255));

    // The clip ends with the icon, and the caller's brush and pen are back.
    SetPen(c_, 0, 0);
    SetBrush(c_, 0xFFFF0000);
    DrawVector(c_, 40, 40, 20, 20, L"(FF00FF00)" + FilledRect(1, 0, 0, 1000, 1000), L"");
    ShapeRect(c_, 5, 5, 10, 10);
    EXPECT_EQ(Pixel(Dev(10), Dev(10)), kRed);
    EXPECT_FALSE(c_.pen);
}

TEST_F(VectorDrawTest, SmallCellsEmptyAndOverlongStringsDrawNothing) {
    const std::wstring rect = L"(FF00FF00)" + FilledRect(1, 0, 0, 1000, 1000);
    DrawVector(c_, 10, 10, 0.9f, 40, rect, L"");
    DrawVector(c_, 10, 10, 40, 0.5f, rect, L"");
    DrawVector(c_, 10, 10, 0, 0, rect, L"");
    DrawVector(c_, 10, 10, 40, 40, L"", L"FF00FF00");
    std::wstring overlong = rect + L"+";
    overlong.resize(1001, L' ');
    DrawVector(c_, 10, 10, 40, 40, overlong, L"");
    EXPECT_EQ(InkOf().count, 0);

    // One character less is drawn.
    overlong.pop_back();
    DrawVector(c_, 10, 10, 40, 40, overlong, L"");
    EXPECT_EQ(Pixel(Dev(30), Dev(30)), kGreen);
    // So is a cell exactly one pixel wide.
    DrawVector(c_, 80, 80, 1, 1, rect, L"");
    EXPECT_EQ(Pixel(Dev(80), Dev(80)), kGreen);
}

TEST_F(VectorDrawTest, EveryOpcodeDrawsInItsCell) {
    // Each command in entry 4 (blue) fill and entry 1 (black) outline of 40 thousandths, in a
    // 40 × 40 cell at (30, 30); what it draws must lie in the cell and reach its middle part.
    // The line pen (p2–p13): alternate fill, closed, round caps, filled arrows at both ends.
    const std::wstring linePen = Params({0, 1, 0, 1, 40, 2, 2, 30, 30, 1, 30, 30});
    const struct {
        const char* name;
        std::wstring commands;
    } cases[] = {
        {"polygon", L"a4" + linePen + L2(100) + L2(900) + L2(500) + L2(100) + L2(900) +
                        L2(900)},
        {"line with arrows", L"a4" + linePen + L2(100) + L2(500) + L2(900) + L2(500)},
        {"rounded rectangle", L"b41" + L2(40) + Params({20, 20, 15, 100, 100, 800, 800})},
        {"ellipse", L"c41" + L2(40) + Params({100, 100, 800, 800})},
        {"pie", L"d4" + linePen + L2(100) + L2(100) + L2(800) + L2(800) + L2(30) +
                    L2(270)},
        {"star", L"e41" + L2(40) + Params({50, 50, 0, 10, -90, 0, 0, 1000, 1000})},
        {"bezier", L"f4" + linePen + L2(100) + L2(900) + L2(300) + L2(100) + L2(700) + L2(100) + L2(900) +
                       L2(900)},
        {"curve", L"g4" + linePen + L2(50) + L2(100) + L2(500) + L2(500) + L2(100) +
                      L2(900) + L2(500) + L2(500) + L2(900)},
        {"path", L"h4" + linePen + L2(100) + L2(100) + L"0" + L2(900) + L2(100) + L"1" +
                     L2(900) + L2(500) + L2(500) + L2(900) + L"2" + L2(300) + L2(900) + L2(100) + L2(700) +
                     L2(100) + L2(100) + L"3" + L2(400) + L2(400) + L2(600) + L2(600) + L"4" + L2(450) + L2(450) +
                     L2(550) + L2(550)},
        {"text", L"i41" + Params({0, 0, 300, 1, 0, 0, 0, 150, 150, 9}) + L"&Tahoma,QQ;"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        Clear(kWhite);
        DrawVector(c_, 30, 30, 40, 40, k.commands, L"");
        const Ink ink = InkOf();
        EXPECT_GT(ink.count, Dev(4) * Dev(4)) << "nothing drawn";
        EXPECT_GE(ink.box.left, Dev(30));
        EXPECT_GE(ink.box.top, Dev(30));
        EXPECT_LE(ink.box.right, Dev(70));
        EXPECT_LE(ink.box.bottom, Dev(70));
        EXPECT_GT(InkOf({Dev(38), Dev(38), Dev(62), Dev(62)}).count, 0);
    }
}

}  // namespace
}  // namespace qln
