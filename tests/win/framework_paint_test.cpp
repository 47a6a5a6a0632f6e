// What the windowless labels and frames and the button group put on the screen, read from the
// pixels of real windows at the prefix's DPI and compared with places computed here from the
// logical values: the label's alignment table, size to text and angle; the frame's line, fill
// and caption alignment; the group's vector items and palettes, separators, badges, underline
// bar, far packing and vertical layout.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "../vector_params.h"
#include "forms/button_group/button_group.h"
#include "forms/controls/controls_window.h"
#include "forms/controls/windowless.h"
#include "forms/engine/control_object.h"
#include "form_fixture.h"

namespace qln {
namespace {

using test::Device;
using test::DeviceFloor;
using test::g_dpi;

constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);

// The client area of a window, read once.
class Snapshot {
public:
    explicit Snapshot(HWND window) {
        RECT client = {};
        GetClientRect(window, &client);
        width_ = client.right;
        height_ = client.bottom;
        pixels_.resize(static_cast<size_t>(width_) * height_);
        HDC dc = GetDC(window);
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, width_, height_);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width_, height_, dc, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        GetDIBits(memory, bitmap, 0, static_cast<UINT>(height_), pixels_.data(), &info, DIB_RGB_COLORS);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(window, dc);
    }
    COLORREF At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
        const DWORD p = pixels_[static_cast<size_t>(y) * width_ + x];  // 0x00RRGGBB
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // The smallest rectangle holding every pixel of `area` that `match`; empty when none does.
    template <typename Match>
    RECT Box(RECT area, Match match) const {
        RECT box = {area.right, area.bottom, area.left, area.top};
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (match(At(x, y))) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        if (box.right <= box.left) box = {};
        return box;
    }
    template <typename Match>
    bool Any(RECT area, Match match) const {
        const RECT box = Box(area, match);
        return !IsRectEmpty(&box);
    }

private:
    int width_ = 0, height_ = 0;
    std::vector<DWORD> pixels_;
};

bool Dark(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 300; }
bool Greenish(COLORREF c) { return GetGValue(c) > 150 && GetRValue(c) < 120 && GetBValue(c) < 120; }
bool Magenta(COLORREF c) { return c == RGB(255, 0, 255); }
RECT DeviceRect(int x, int y, int w, int h) { return {Device(x), Device(y), Device(x + w), Device(y + h)}; }

// Device size of `text` in the font a spec of `points` points on `face` names: the points
// scaled to the DPI, as a height at 96 DPI.
SIZE TextSize(const wchar_t* face, int points, bool bold, const std::wstring& text, UINT format) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontW(-(Device(points) * 96 / 72), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0,
                             DEFAULT_CHARSET, OUT_TT_PRECIS, 0, DEFAULT_QUALITY, 0, face);
    HGDIOBJ old = SelectObject(dc, font);
    RECT measure = {0, 0, 10000, 10000};
    DrawTextW(dc, text.c_str(), -1, &measure, DT_CALCRECT | format);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    return {measure.right, measure.bottom};
}

void Repaint(HWND form) { RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }

class FrameworkPaintTest : public test::FormFixture {
protected:
    // A white form of 400 × 300 logical pixels.
    HWND WhiteForm(const wchar_t* className) {
        HWND form = MakeForm(className, 400, 300);
        if (form) wnd::SetBackColor(form, kWhite);
        return form;
    }
};

// Where the text of each alignment code lands in its label, and which codes wrap.
TEST_F(FrameworkPaintTest, LabelTextLandsWhereItsAlignmentCodeSays) {
    HWND form = WhiteForm(L"QlnPaint_Label");
    ASSERT_NE(form, nullptr);
    constexpr int id = 20, x = 40, y = 40, w = 200, h = 80;
    CreateLabel(form, L"Label1", id, x, y, w, h, L"田田");
    windowless::SetFont(form, id, L"Microsoft YaHei,12,0");
    windowless::SetForeColor(form, id, kBlack);
    const RECT label = DeviceRect(x, y, w, h);

    enum Place { Near, Middle, Far, Unclear };
    // Near when the near gap is under a third of the far one, middle when the two gaps differ
    // by less than a third of their sum.
    auto place = [](int nearGap, int farGap) {
        if (3 * nearGap < farGap) return Near;
        if (3 * farGap < nearGap) return Far;
        if (3 * std::abs(nearGap - farGap) < nearGap + farGap) return Middle;
        return Unclear;
    };
    const Place horizontal[] = {Near, Middle, Far, Near, Middle, Far, Near, Middle, Far};
    const Place vertical[] = {Near, Near, Near, Middle, Middle, Middle, Far, Far, Far};
    for (int code = 0; code < 9; ++code) {
        SCOPED_TRACE(testing::Message() << "alignment " << code);
        label::SetAlignment(form, id, code);
        Repaint(form);
        const RECT ink = Snapshot(form).Box(label, Dark);
        ASSERT_FALSE(IsRectEmpty(&ink));
        EXPECT_EQ(place(ink.left - label.left, label.right - ink.right), horizontal[code]);
        EXPECT_EQ(place(ink.top - label.top, label.bottom - ink.bottom), vertical[code]);
    }

    // Too wide for one line: codes 0 to 2 break it into two, the others keep one.
    windowless::SetCaption(form, id, L"田田田 田田田");
    windowless::Move(form, id, DeviceFloor(x), DeviceFloor(y), DeviceFloor(70), 0);
    int oneLine = 0;
    for (int code : {3, 0, 1, 2, 4, 5, 6, 7, 8}) {
        SCOPED_TRACE(testing::Message() << "alignment " << code);
        label::SetAlignment(form, id, code);
        Repaint(form);
        const RECT ink = Snapshot(form).Box(label, Dark);
        const int height = ink.bottom - ink.top;
        if (code == 3) oneLine = height;
        else if (code < 3) EXPECT_GT(height, oneLine * 3 / 2);
        else EXPECT_EQ(height, oneLine);
    }
}

// Code 9 takes the size of the caption, measured in the font the label's spec names.
TEST_F(FrameworkPaintTest, AutoSizedLabelTakesTheSizeOfItsText) {
    HWND form = WhiteForm(L"QlnPaint_AutoSize");
    ASSERT_NE(form, nullptr);
    constexpr int id = 21;
    const std::wstring caption = L"自动\t大小 Wg";
    CreateLabel(form, L"Label1", id, 30, 30, 10, 10, caption);
    windowless::SetFont(form, id, L"Microsoft YaHei,12,1");
    label::SetAlignment(form, id, 42);  // stored as 9
    Repaint(form);

    const SIZE text = TextSize(L"Microsoft YaHei", 12, true, caption, DT_EXPANDTABS | DT_NOPREFIX);
    // Stored in logical pixels rounded down, reported in device pixels rounded down.
    EXPECT_EQ(windowless::Width(form, id), DeviceFloor(text.cx * 96 / g_dpi));
    EXPECT_EQ(windowless::Height(form, id), DeviceFloor(text.cy * 96 / g_dpi));
}

// The angle turns the text: a row of characters becomes a column.
TEST_F(FrameworkPaintTest, LabelAngleTurnsTheText) {
    HWND form = WhiteForm(L"QlnPaint_Angle");
    ASSERT_NE(form, nullptr);
    constexpr int id = 22;
    CreateLabel(form, L"Label1", id, 150, 60, 200, 220, L"田田田田田");
    windowless::SetFont(form, id, L"Microsoft YaHei,12,0");
    windowless::SetForeColor(form, id, kBlack);
    label::SetAlignment(form, id, 6);  // bottom: the turned text rises into the label
    RECT client = {};
    GetClientRect(form, &client);
    for (int degrees : {0, 90}) {
        SCOPED_TRACE(testing::Message() << degrees << " degrees");
        label::SetAngle(form, id, degrees);
        Repaint(form);
        const RECT ink = Snapshot(form).Box(client, Dark);
        const int width = ink.right - ink.left, height = ink.bottom - ink.top;
        ASSERT_GT(width * height, 0);
        if (degrees == 0) EXPECT_GT(width, 3 * height);
        else EXPECT_GT(height, 3 * width);
    }
}

// The frame: its line in the line colour, its inside filled with its back colour, and the
// caption box, in the back colour too, on the top edge at the left, the middle or the right.
TEST_F(FrameworkPaintTest, FrameLineFillAndCaptionAlignment) {
    HWND form = WhiteForm(L"QlnPaint_Frame");
    ASSERT_NE(form, nullptr);
    constexpr int id = 23, x = 20, y = 30, w = 240, h = 150, corner = 3, border = 1;
    CreateFrame(form, L"Frame1", id, x, y, w, h, L"框");
    windowless::SetFont(form, id, L"Microsoft YaHei,9,0");
    frame::SetCornerSize(form, id, corner);
    frame::SetBorderWidth(form, id, border);
    frame::SetLineColor(form, id, RGB(0, 200, 0));
    windowless::SetBackColor(form, id, RGB(255, 0, 255));

    // The caption box is measured from x + corner + border + 1 over width − 20.
    const int boxLeft = Device(x + corner + border + 1), boxRight = Device(x + corner + border + 1 + w - 20);
    const int captionHeight = TextSize(L"Microsoft YaHei", 9, false, L" 框 ", DT_SINGLELINE | DT_EXPANDTABS).cy;
    int captionWidth = 0;
    for (int align : {0, 1, 2, 5}) {
        SCOPED_TRACE(testing::Message() << "caption alignment " << align);
        frame::SetCaptionAlignment(form, id, align);
        Repaint(form);
        const Snapshot shot(form);
        // The caption's top rows: above the line, so only the caption box is magenta there.
        const RECT caption = shot.Box({Device(x), Device(y), Device(x + w), Device(y) + 2}, Magenta);
        ASSERT_FALSE(IsRectEmpty(&caption));
        if (captionWidth == 0) captionWidth = caption.right - caption.left;
        EXPECT_NEAR(caption.right - caption.left, captionWidth, 1);
        if (align == 1) EXPECT_NEAR(caption.left + caption.right, boxLeft + boxRight, 2);
        else if (align == 2) EXPECT_NEAR(caption.right, boxRight, 1);
        else EXPECT_NEAR(caption.left, boxLeft, 1);

        // The line runs through the middle of the caption's height.
        const int lineY = Device(y) + captionHeight / 2;
        const int freeX = align == 2 ? boxLeft - Device(2) : boxRight + Device(2);
        EXPECT_TRUE(shot.Any({freeX, lineY - 2, freeX + 1, lineY + 3}, Greenish));
        EXPECT_FALSE(shot.Any({freeX, Device(y), freeX + 1, lineY - 2}, Greenish));
        // Left and bottom edges, and the fill inside.
        const int middleY = Device(y + h / 2);
        EXPECT_TRUE(shot.Any({Device(x) - 1, middleY, Device(x) + 2, middleY + 1}, Greenish));
        EXPECT_TRUE(shot.Any({Device(x + w / 2), Device(y + h) - 2, Device(x + w / 2) + 1, Device(y + h) + 1}, Greenish));
        EXPECT_TRUE(Magenta(shot.At(Device(x + w / 2), middleY)));
        EXPECT_EQ(shot.At(Device(x + w) + 3, middleY), kWhite);
    }
}

// ---- The button group on a real window -------------------------------------------------------

using test::Params;

// A square of palette entry 1 over the whole cell.
const std::wstring kSquare = L"b" + Params({1, 0, 0, 0, 0, 0, 0, 0, 1000, 1000});

class GroupPaintTest : public FrameworkPaintTest {
protected:
    // A group of `w` × `h` logical at (10, 10) on a white form, black text on white.
    HWND MakeGroup(const wchar_t* className, int w, int h) {
        HWND form = WhiteForm(className);
        if (!form) return nullptr;
        window = Control(form, L"NoxbunGroup", 7, 10, 10, w, h);
        if (!window) return nullptr;
        AttachButtonGroup(window, &g);
        wnd::SetBackColor(window, kWhite);
        wnd::SetForeColor(window, kBlack);
        return window;
    }
    void Paint() {
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
    }
    // The item's rectangle as the control reports it, against the logical one computed here.
    void ExpectItem(int position, int x, int y, int w, int h) {
        SCOPED_TRACE(testing::Message() << "item " << position);
        const RECT r = group::ItemRect(g, position);
        EXPECT_EQ(r.left, DeviceFloor(x));
        EXPECT_EQ(r.top, DeviceFloor(y));
        EXPECT_EQ(r.right, DeviceFloor(x + w));
        EXPECT_EQ(r.bottom, DeviceFloor(y + h));
    }
    // Centre of the square vector cell at (x, y) logical, in device pixels.
    static POINT CellCentre(int x, int y, int size) { return {Device(x) + Device(size) / 2, Device(y) + Device(size) / 2}; }

    ButtonGroup g;
    HWND window = nullptr;
};

// A row of 300 × 40: W = 301, H = 41, items 30 high at Y = round(5.5 − 1) = 4, spacing 2.
TEST_F(GroupPaintTest, RowOfVectorItemsSeparatorUnderlineBarAndBadge) {
    ASSERT_NE(MakeGroup(L"QlnPaint_Row", 300, 40), nullptr);
    g.IconSize = 16;
    g.ItemWidth = -1;
    g.ItemHeight = 30;
    g.Spacing = 2;
    g.DownBackColor = RGB(200, 0, 0);
    g.VectorColors = L"FF00FF00";
    g.VectorDownColors = L"FF0000FF";
    group::AddItem(g, L"", L"", kSquare, nullptr, 0, 0, 0);   // automatic: 0 + 16 + 4 wide
    group::AddItem(g, L"", L"", L"", nullptr, 3, 0, 0);       // separator: 3 pixels, line at 24
    group::AddItem(g, L"", L"", kSquare, nullptr, 11, 0, 0);  // down, 24 wide, underline bar
    group::SetItemStyle(g, 2, -1, -1, -1, -1, -1, 24, -1, 2, -1);
    group::AddItem(g, L"", L"", kSquare, nullptr, 20, 0, 0);  // disabled
    group::AddItem(g, L"", L"", kSquare, nullptr, 0, 1, 0);   // from the far end, with a badge
    group::SetItemBadge(g, 4, RGB(255, 0, 255));
    Paint();

    // Near cursor 2 → 24 → (separator) 27 → 53 → 75; far cursor 299 → 279.
    ExpectItem(0, 2, 4, 20, 30);
    ExpectItem(2, 27, 4, 24, 30);
    ExpectItem(3, 53, 4, 20, 30);
    ExpectItem(4, 279, 4, 20, 30);
    const RECT separator = group::ItemRect(g, 1);
    EXPECT_EQ(separator.right, separator.left);

    Snapshot shot(window);
    // Picture cells at round((Width − 16 − 4) × 0.5 + X), (30 − 16) × 0.5 + 4 = 11: the normal
    // palette, the down palette, the disabled palette (translucent black on a light back).
    auto at = [&](POINT p) { return shot.At(p.x, p.y); };
    EXPECT_EQ(at(CellCentre(2, 11, 16)), RGB(0, 255, 0));
    EXPECT_EQ(at(CellCentre(29, 11, 16)), RGB(0, 0, 255));
    const COLORREF veiled = at(CellCentre(53, 11, 16));
    EXPECT_NEAR(GetRValue(veiled), 255 - 0x32, 3);
    EXPECT_EQ(GetRValue(veiled), GetBValue(veiled));
    EXPECT_EQ(at(CellCentre(279, 11, 16)), RGB(0, 255, 0));

    // The separator: a grey line at 24 from Y + 3 to Y + h − 3 (fore colour at alpha 120).
    auto grey = [](COLORREF c) { return c != kWhite && GetRValue(c) < 235 && GetRValue(c) == GetGValue(c); };
    EXPECT_TRUE(shot.Any({Device(24) - 1, Device(19), Device(24) + 2, Device(19) + 1}, grey));
    EXPECT_FALSE(shot.Any({Device(24) - 1, Device(4), Device(24) + 2, Device(6)}, grey));
    // The underline bar of the down item: (27, 4 + 27, 23, 4.5) in the down back colour, and
    // nothing of it above.
    auto red = [](COLORREF c) { return GetRValue(c) > 150 && GetGValue(c) < 60 && GetBValue(c) < 60; };
    EXPECT_TRUE(red(shot.At(Device(38), Device(33))));
    EXPECT_FALSE(shot.Any({Device(28), Device(5), Device(50), Device(10)}, red));
    // The badge: a dot of k = round(0.3 × 20) = 6 at (279 + 20 − 6, 4), at alpha 200.
    auto pink = [](COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) < 120 && GetBValue(c) > 200; };
    EXPECT_TRUE(pink(shot.At(Device(296), Device(7))));
    EXPECT_FALSE(shot.Any({Device(280), Device(5), Device(292), Device(9)}, pink));
    EXPECT_FALSE(shot.Any({Device(2), Device(4), Device(275), Device(34)}, pink));

    // Pressed: the down palette for the first item too, one pixel further.
    const RECT first = group::ItemRect(g, 0);
    const LPARAM centre = MAKELPARAM((first.left + first.right) / 2, (first.top + first.bottom) / 2);
    SendMessageW(window, WM_MOUSEMOVE, 0, centre);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    EXPECT_EQ(Snapshot(window).At(CellCentre(3, 12, 16).x, CellCentre(3, 12, 16).y), RGB(0, 0, 255));
    SendMessageW(window, WM_MOUSELEAVE, 0, 0);

    // On a dark back the disabled palette is translucent white.
    wnd::SetBackColor(window, RGB(40, 40, 40));
    Paint();
    const COLORREF lit = Snapshot(window).At(CellCentre(53, 11, 16).x, CellCentre(53, 11, 16).y);
    EXPECT_NEAR(GetRValue(lit), 40 + (255 - 40) * 0x32 / 255, 3);
}

// A column of 60 × 200: W = 61, H = 201, items 61 − 6 = 55 wide at X = round(6 × 0.5) = 3.
TEST_F(GroupPaintTest, ColumnPacksFromBothEndsWithSeparators) {
    ASSERT_NE(MakeGroup(L"QlnPaint_Column", 60, 200), nullptr);
    g.Vertical = 1;
    g.IconSize = 16;
    g.ItemWidth = -1;
    g.ItemHeight = 24;
    g.Spacing = 3;
    g.VectorColors = L"FF00FF00";
    group::AddItem(g, L"", L"", kSquare, nullptr, 0, 0, 0);
    group::AddItem(g, L"", L"", L"", nullptr, 3, 0, 0);
    group::AddItem(g, L"", L"", kSquare, nullptr, 0, 0, 0);
    group::SetItemStyle(g, 2, -1, -1, -1, -1, -1, -1, 30, -1, -1);
    group::AddItem(g, L"", L"", kSquare, nullptr, 0, 1, 0);
    group::AddItem(g, L"", L"", L"", nullptr, 3, 1, 0);
    group::AddItem(g, L"", L"", kSquare, nullptr, 0, 1, 0);
    Paint();

    // Near cursor 3 → 30 → (separator at 31) 34 → 67; far cursor 198 → 174 → 171 → (separator
    // at 171) 167 → 143.
    ExpectItem(0, 3, 3, 55, 24);
    ExpectItem(2, 3, 34, 55, 30);
    ExpectItem(3, 3, 174, 55, 24);
    ExpectItem(5, 3, 143, 55, 24);

    Snapshot shot(window);
    auto grey = [](COLORREF c) { return c != kWhite && GetRValue(c) < 235 && GetRValue(c) == GetGValue(c); };
    for (int lineY : {31, 171}) {
        SCOPED_TRACE(testing::Message() << "separator at " << lineY);
        EXPECT_TRUE(shot.Any({Device(30), Device(lineY) - 1, Device(30) + 1, Device(lineY) + 2}, grey));
        // From X + 3 to X + w − 3.
        EXPECT_FALSE(shot.Any({0, Device(lineY) - 1, Device(5), Device(lineY) + 2}, grey));
    }
    // Picture cell of the first item: x round(35 × 0.5 + 3) = 20 (20.5 to even), y 3 + 4.
    const POINT cell = CellCentre(20, 7, 16);
    EXPECT_EQ(shot.At(cell.x, cell.y), RGB(0, 255, 0));
}

}  // namespace
}  // namespace qln
