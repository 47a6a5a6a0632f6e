// The button group driven by the messages a user's mouse sends, on a test form and as
// NoxbunGroup1 on the real plugin page. Runs at 96 and 144 DPI.
#include <gtest/gtest.h>
#include <objidl.h>  // before GDI+, which needs what WIN32_LEAN_AND_MEAN leaves out
#include <gdiplus.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "forms/button_group/button_group.h"
#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "forms/engine/form_engine.h"
#include "forms/layout/color_value.h"
#include "forms/layout/layout_rules.h"
#include "forms/layout/screen.h"
#include "message_boxes.h"
#include "plugin/plugin_page.h"
#include "test_support.h"

namespace qln {
namespace {

struct Notification {
    HWND from;
    UINT_PTR id;
    UINT code;
    WPARAM wParam;
};
std::vector<Notification> g_notes;
LRESULT g_answer = 0;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code < 1000) {  // not a tooltip's own notification
            g_notes.push_back({header->hwndFrom, header->idFrom, header->code, wParam});
            return g_answer;
        }
    }
    return StandardFormProc(window, message, wParam, lParam, nullptr);
}


int Device(int logical, float factor) { return RoundHalfEven(logical * static_cast<double>(factor)); }

// The client area of a window as it is on the screen.
struct Picture {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

Picture PictureOf(HDC source, int width, int height) {
    Picture p;
    p.width = width;
    p.height = height;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) p.pixels.push_back(GetPixel(memory, x, y));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return p;
}

Picture Capture(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    Picture p = PictureOf(dc, client.right, client.bottom);
    ReleaseDC(window, dc);
    return p;
}

// What the help button must look like: `back` behind the icon drawn at (x, y) logical with an
// edge of `size`, all scaled by `factor`.
Picture Expected(int width, int height, COLORREF back, HICON icon, int x, int y, int size, float factor) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(back);
    const RECT all = {0, 0, width, height};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    DrawIconEx(memory, Device(x, factor), Device(y, factor), icon, Device(size, factor), Device(size, factor), 0,
               nullptr, DI_NORMAL);
    Picture p = PictureOf(memory, width, height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return p;
}

// Pixels of `actual` that differ from `expected` inside `area` (device pixels).
int Differences(const Picture& actual, const Picture& expected, RECT area) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (actual.At(x, y) != expected.At(x, y)) ++count;
    return count;
}

// PNG of a window's client area through GDI+, for people to look at.
void SavePng(HWND window, const std::wstring& path) {
    RECT client = {};
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    ReleaseDC(window, dc);
    Gdiplus::GpBitmap* image = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) == Gdiplus::Ok) {
        const CLSID png = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
        Gdiplus::DllExports::GdipSaveImageToFile(image, path.c_str(), &png, nullptr);
        Gdiplus::DllExports::GdipDisposeImage(image);
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
}

class GroupFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
        if (const char* wanted = std::getenv("QLN_DPI")) {
            ASSERT_EQ(ScreenLogPixelsX(), std::atoi(wanted));
        }
        factor = ScreenFactorX();
        ASSERT_NE(RegisterFormClass(kButtonGroupClass, GetModuleHandleW(nullptr), nullptr), 0);
        // The real cursor stays away, so that only the messages sent here move the group.
        SetCursorPos(1, 1);
        g_notes.clear();
        g_answer = 0;
    }
    void TearDown() override {
        if (host && IsWindow(host)) DestroyWindow(host);
        test::PumpMessages(0);
        Gdiplus::GdiplusShutdown(token_);
    }

    // A top-level host at (100, 100) whose procedure records the group's notifications.
    void MakeHost(int width, int height) {
        auto* ctx = new FormContext;
        InitFormContext(ctx, L"QlnGroupTestHost");
        host = CreateFormWindow(ctx, nullptr, L"按钮组", HostProc, width, height, WS_POPUP, 0);
        ASSERT_NE(host, nullptr);
        AttachControlObject(host, ControlKindTag::Form, L"Form1", 0);
        SetWindowPos(host, HWND_TOP, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }

    POINT Centre(HWND group, int position) {
        RECT r = {};
        SendMessageW(group, BGM_GETITEMRECT, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&r));
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    static void Mouse(HWND group, UINT message, WPARAM keys, POINT at) {
        SendMessageW(group, message, keys, MAKELPARAM(at.x, at.y));
    }
    void Click(HWND group, int position) {
        const POINT at = Centre(group, position);
        Mouse(group, WM_MOUSEMOVE, 0, at);
        Mouse(group, WM_LBUTTONDOWN, MK_LBUTTON, at);
        Mouse(group, WM_LBUTTONUP, 0, at);
    }

    HWND host = nullptr;
    float factor = 1.0f;

private:
    ULONG_PTR token_ = 0;
};

// A 200 × 30 group of 40 × 24 text items, 2 pixels apart.
class ButtonGroupTest : public GroupFixture {
protected:
    void SetUp() override {
        GroupFixture::SetUp();
        ASSERT_NO_FATAL_FAILURE(MakeHost(320, 120));
        window = CreateControl(GetFormContext(host), L"NoxbunGroup", nullptr, 7, L"", 10, 10, 200, 30,
                               WS_CHILD | WS_VISIBLE, 0, StandardControlProc);
        ASSERT_NE(window, nullptr);
        AttachControlObject(window, ControlKindTag::Window, L"NoxbunGroup1", 7);
        AttachButtonGroup(window, &g);
        g.IconSize = 16;
        g.ItemWidth = 40;
        g.ItemHeight = 24;
        g.Spacing = 2;
    }
    // The layout exists only after a paint.
    void Paint() {
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
    }
    COLORREF PixelNearCorner(int position) {
        RECT r = group::ItemRect(g, position);
        HDC dc = GetDC(window);
        const COLORREF c = GetPixel(dc, r.left + 3, r.top + 3);
        ReleaseDC(window, dc);
        return c;
    }

    ButtonGroup g;
    HWND window = nullptr;
};

TEST_F(ButtonGroupTest, AClickNotifiesTheParentButPressDragReleaseDoesNot) {
    group::AddItem(g, L"甲", L"", L"", nullptr, 0, 0, 0);
    group::AddItem(g, L"乙", L"", L"", nullptr, 0, 0, 42);
    Paint();
    EXPECT_EQ(group::ItemRect(g, 1).left, ScaleXInt(44));

    Click(window, 1);
    ASSERT_EQ(g_notes.size(), 1u);
    EXPECT_EQ(g_notes[0].from, window);
    EXPECT_EQ(g_notes[0].id, 7u);
    EXPECT_EQ(g_notes[0].wParam, 7u);
    EXPECT_EQ(g_notes[0].code, 1u);
    EXPECT_EQ(g.HotItem, 0);
    EXPECT_EQ(g.Pressed, 0);

    Mouse(window, WM_LBUTTONDOWN, MK_LBUTTON, Centre(window, 0));
    EXPECT_EQ(g.HotItem, 1);
    EXPECT_EQ(g.Pressed, -1);
    Mouse(window, WM_MOUSEMOVE, MK_LBUTTON, Centre(window, 1));
    EXPECT_EQ(g.HotItem, 1);  // dragging changes nothing
    EXPECT_EQ(g.Pressed, -1);
    Mouse(window, WM_LBUTTONUP, 0, Centre(window, 1));
    EXPECT_EQ(g_notes.size(), 1u);
    EXPECT_EQ(g.HotItem, 2);
    EXPECT_EQ(g.Pressed, 0);
}

TEST_F(ButtonGroupTest, LeavingClearsHotAndPressedAndTheTooltip) {
    group::AddItem(g, L"甲", L"标题\r\n正文", L"", nullptr, 0, 0, 0);
    Paint();
    ControlObject* object = GetControlObject(window);

    Mouse(window, WM_MOUSEMOVE, 0, Centre(window, 0));
    EXPECT_EQ(g.HotItem, 1);
    EXPECT_EQ(object->toolTip, L"标题\r\n正文");
    HWND tip = object->toolTipWindow;
    ASSERT_NE(tip, nullptr);
    // Empty space: not hot any more, the tooltip stays until the mouse leaves.
    Mouse(window, WM_MOUSEMOVE, 0, {Device(190, factor), Device(15, factor)});
    EXPECT_EQ(g.HotItem, 0);
    EXPECT_EQ(object->toolTipWindow, tip);

    Mouse(window, WM_LBUTTONDOWN, MK_LBUTTON, Centre(window, 0));
    EXPECT_EQ(g.Pressed, -1);
    Mouse(window, WM_MOUSELEAVE, 0, {0, 0});
    EXPECT_EQ(g.HotItem, 0);
    EXPECT_EQ(g.Pressed, 0);
    EXPECT_EQ(object->toolTipWindow, nullptr);
    EXPECT_FALSE(IsWindow(tip));
    // Back in with the button still held, released outside: nothing happens.
    Mouse(window, WM_MOUSEMOVE, MK_LBUTTON, Centre(window, 0));
    EXPECT_EQ(g.HotItem, 0);
    EXPECT_TRUE(g_notes.empty());
}

TEST_F(ButtonGroupTest, TheParentsAnswerDecidesWhetherAToggleFlips) {
    group::AddItem(g, L"开", L"", L"", nullptr, 1, 0, 0);
    g.DownBackColor = RGB(200, 30, 40);
    Paint();
    Click(window, 0);
    EXPECT_EQ(group::ItemKind(g, 0), 11);
    // Down and no longer hot: filled with the pressed colour.
    EXPECT_EQ(PixelNearCorner(0), RGB(200, 30, 40));
    Click(window, 0);
    EXPECT_EQ(group::ItemKind(g, 0), 1);
    EXPECT_NE(PixelNearCorner(0), RGB(200, 30, 40));

    g_answer = 1;
    Click(window, 0);
    EXPECT_EQ(group::ItemKind(g, 0), 1);
    g_answer = 0;
    group::SetItemKind(g, 0, 11);
    g_answer = -1;
    Click(window, 0);
    EXPECT_EQ(group::ItemKind(g, 0), 11);
    EXPECT_EQ(g_notes.size(), 4u);
}

TEST_F(ButtonGroupTest, DisabledItemsBecomeHotSilentlyAndHiddenOnesTakeNoRoom) {
    g.HoverBackColor = RGB(255, 0, 255);
    group::AddItem(g, L"禁", L"不可用", L"", nullptr, 21, 0, 0);
    group::AddItem(g, L"隐", L"", L"", nullptr, 31, 0, 0);
    group::AddItem(g, L"丙", L"", L"", nullptr, 0, 0, 0);
    Paint();
    const RECT hidden = group::ItemRect(g, 1);
    EXPECT_EQ(hidden.right, hidden.left);
    EXPECT_EQ(group::ItemRect(g, 2).left, ScaleXInt(44));

    Mouse(window, WM_MOUSEMOVE, 0, Centre(window, 0));
    EXPECT_EQ(g.HotItem, 1);
    EXPECT_EQ(GetControlObject(window)->toolTip, L"不可用");
    // Disabled: nothing behind the item even while hot.
    EXPECT_EQ(PixelNearCorner(0), GetSysColor(COLOR_BTNFACE));
    Mouse(window, WM_LBUTTONDOWN, MK_LBUTTON, Centre(window, 0));
    Mouse(window, WM_LBUTTONUP, 0, Centre(window, 0));
    EXPECT_TRUE(g_notes.empty());
    EXPECT_EQ(g.HotItem, 0);

    // The enabled neighbour shows the hover colour, until the whole window is disabled.
    Mouse(window, WM_MOUSEMOVE, 0, Centre(window, 2));
    EXPECT_EQ(g.HotItem, 3);
    EXPECT_EQ(PixelNearCorner(2), RGB(255, 0, 255));
    EnableWindow(window, FALSE);
    Paint();
    EXPECT_EQ(PixelNearCorner(2), GetSysColor(COLOR_BTNFACE));
}

TEST_F(ButtonGroupTest, InsertPastTheEndAppendsAndDeleteAtZeroRemovesTheHead) {
    EXPECT_EQ(group::AddItem(g, L"甲", L"", L"", nullptr, 0, 0, 0), 0);
    EXPECT_EQ(group::AddItem(g, L"乙", L"", L"", nullptr, 0, 0, 0), 1);
    ButtonGroupItem third;
    third.Text = L"丙";
    EXPECT_EQ(SendMessageW(window, BGM_INSERTITEM, 10, reinterpret_cast<LPARAM>(&third)), 2);
    EXPECT_EQ(group::ItemText(g, 2), L"丙");
    EXPECT_EQ(group::InsertItem(g, -1, L"丁", L"", L"", nullptr, 0, 0, 0), 3);
    EXPECT_EQ(group::InsertItem(g, 0, L"零", L"", L"", nullptr, 0, 0, 0), 0);
    EXPECT_EQ(group::ItemText(g, 1), L"甲");
    EXPECT_EQ(SendMessageW(window, BGM_ADDITEM, 0, 0), -1);

    EXPECT_NE(group::DeleteItem(g, 0), 0);
    EXPECT_EQ(group::ItemText(g, 0), L"甲");
    EXPECT_EQ(group::DeleteItem(g, 99), 0);
    EXPECT_EQ(group::ItemCount(g), 4);

    // Missing items answer with the neutral values.
    EXPECT_EQ(group::ItemBadge(g, 99), -1);
    EXPECT_EQ(group::SetItemKind(g, 99, 1), -1);
    EXPECT_EQ(group::ItemKind(g, 99), 0);
    EXPECT_EQ(SendMessageW(window, BGM_GETITEMTEXT, 99, 0), 0);

    // Add cuts a long caption; the setter keeps it whole but the getter copies at most 128.
    group::AddItem(g, std::wstring(200, L'长'), std::wstring(2000, L'x'), L"", nullptr, 0, 0, 0);
    EXPECT_EQ(group::ItemText(g, 4).size(), 128u);
    EXPECT_EQ(group::ItemToolTip(g, 4).size(), 1024u);
    group::SetItemText(g, 0, std::wstring(200, L'短'));
    std::wstring buffer(300, L'#');
    EXPECT_NE(SendMessageW(window, BGM_GETITEMTEXT, 0, reinterpret_cast<LPARAM>(buffer.data())), 0);
    EXPECT_EQ(buffer[127], L'短');
    EXPECT_EQ(buffer[128], L'\0');
    EXPECT_EQ(buffer[129], L'#');

    group::DeleteAll(g);
    EXPECT_EQ(group::ItemCount(g), 0);
    group::AddItem(g, L"甲", L"", L"", nullptr, 0, 0, 0);
    // The window takes its items with it and lets go of the record.
    DestroyWindow(window);
    EXPECT_EQ(g.Window, nullptr);
    EXPECT_EQ(group::ItemCount(g), 0);
    EXPECT_EQ(group::AddItem(g, L"乙", L"", L"", nullptr, 0, 0, 0), -1);
}

// NoxbunGroup1 on the real plugin page.
class PluginPageGroupTest : public GroupFixture {
protected:
    void SetUp() override {
        GroupFixture::SetUp();
        test::ResetDiscoveryWorld();
        // Found by the folder scans only: per user one version, for all users another.
        test::MakeDirs(test::PerUserScanRoot() + L"\\SketchUp 2020");
        test::MakeDirs(test::AllUsersScanRoot() + L"\\SketchUp 2023");
        ASSERT_NO_FATAL_FAILURE(MakeHost(416, 239));
        page = BuildForm2(host, 0);
        ASSERT_NE(page, nullptr);
        test::PumpMessages(100);  // the load handler
        group = GetDlgItem(page, 102);
        ASSERT_NE(group, nullptr);
        record = GetButtonGroup(group);
        ASSERT_NE(record, nullptr);
    }
    void TearDown() override {
        GroupFixture::TearDown();
        test::ResetDiscoveryWorld();
        test::RemoveTree(test::ScratchRoot());
    }
    std::vector<std::wstring> Versions() {
        std::vector<std::wstring> items;
        for (int i = 0; i < listbox::ListCount(Form2.list1); ++i) items.push_back(listbox::ItemText(Form2.list1, i));
        return items;
    }

    HWND page = nullptr;
    HWND group = nullptr;
    ButtonGroup* record = nullptr;
};

TEST_F(PluginPageGroupTest, HelpButtonSitsAtOneTwoWithItsIconAtSixFourAndSevenFiveWhilePressed) {
    RECT r = {};
    GetWindowRect(group, &r);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, Device(378, factor));
    EXPECT_EQ(r.top, Device(2, factor));
    EXPECT_EQ(r.right - r.left, Device(36, factor));
    EXPECT_EQ(GetFocus(), group);
    EXPECT_EQ(group::ItemToolTip(*record, 0), L"切换识别已安装草图的方式");
    EXPECT_EQ(group::ItemCount(*record), 1);
    // The page's own icons: 48 and 32 pixels.
    for (auto [which, size] : {std::pair{ICON_BIG, 48}, std::pair{ICON_SMALL, 32}}) {
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(SendMessageW(page, WM_GETICON, which, 0)), &info));
        BITMAP bitmap = {};
        GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }

    InvalidateRect(group, nullptr, TRUE);
    UpdateWindow(group);
    ButtonGroupItem* item = static_cast<ButtonGroupItem*>(GetControlObject(group)->typeData);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->X, 1);
    EXPECT_EQ(item->Y, 2);
    EXPECT_EQ(item->Width, 32);
    EXPECT_EQ(item->Height, 30);

    HICON icon = group::ItemIcon(*record, 0);
    ASSERT_NE(icon, nullptr);
    const Picture shown = Capture(group);
    // Inside the item, one pixel in from its edges.
    const RECT inside = {Device(1, factor) + 1, Device(2, factor) + 1, Device(33, factor) - 1, Device(32, factor) - 1};
    auto expect = [&](COLORREF back, int x, int y) { return Expected(shown.width, shown.height, back, icon, x, y, 24, factor); };
    EXPECT_EQ(Differences(Capture(group), expect(GetSysColor(COLOR_BTNFACE), 6, 4), inside), 0);

    const POINT centre = Centre(group, 0);
    Mouse(group, WM_MOUSEMOVE, 0, centre);
    EXPECT_EQ(Differences(Capture(group), expect(GetSysColor(COLOR_ACTIVECAPTION), 6, 4), inside), 0);
    Mouse(group, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    const Picture pressed = Capture(group);
    EXPECT_EQ(Differences(pressed, expect(RGB(30, 160, 215), 7, 5), inside), 0);
    EXPECT_GT(Differences(pressed, expect(RGB(30, 160, 215), 6, 4), inside), 0);
    Mouse(group, WM_MOUSELEAVE, 0, centre);
    EXPECT_EQ(Differences(Capture(group), expect(GetSysColor(COLOR_BTNFACE), 6, 4), inside), 0);
}

TEST_F(PluginPageGroupTest, HelpButtonAlternatesTheFolderScans) {
    EXPECT_EQ(Versions(), std::vector<std::wstring>{L"SketchUp 2020"});
    InvalidateRect(group, nullptr, TRUE);
    UpdateWindow(group);

    // The first scan is the per-user one, then they alternate.
    Click(group, 0);
    EXPECT_EQ(Versions(), std::vector<std::wstring>{L"SketchUp 2020"});
    Click(group, 0);
    EXPECT_EQ(Versions(), std::vector<std::wstring>{L"SketchUp 2023"});
    // The page answers its group with a non-zero result; other codes change nothing.
    NMHDR header = {group, 102, 0};
    EXPECT_EQ(SendMessageW(page, WM_NOTIFY, 102, reinterpret_cast<LPARAM>(&header)), -1);
    EXPECT_EQ(Versions(), std::vector<std::wstring>{L"SketchUp 2020"});
    header.code = 1;
    EXPECT_EQ(SendMessageW(page, WM_NOTIFY, 102, reinterpret_cast<LPARAM>(&header)), -1);
    EXPECT_EQ(Versions(), std::vector<std::wstring>{L"SketchUp 2020"});
    EXPECT_EQ(listbox::ListIndex(Form2.list1), 0);
}

// Pictures of the page with its button group idle, hovered and pressed, for people to look at:
// <build>/screenshots/plugin_page_<dpi>_<state>.png.
TEST_F(PluginPageGroupTest, ScreenshotsOfTheHelpButtonInEachState) {
    RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    test::PumpMessages(50);
    CreateDirectoryW(QLN_SCREENSHOT_DIR, nullptr);
    const std::wstring prefix = std::wstring(QLN_SCREENSHOT_DIR) + L"\\plugin_page_" +
                                std::to_wstring(ScreenLogPixelsX()) + L"_";
    const POINT centre = Centre(group, 0);
    Mouse(group, WM_MOUSELEAVE, 0, centre);
    const Picture idle = Capture(group);
    SavePng(page, prefix + L"normal.png");
    Mouse(group, WM_MOUSEMOVE, 0, centre);
    const Picture hot = Capture(group);
    SavePng(page, prefix + L"hot.png");
    Mouse(group, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    const Picture pressed = Capture(group);
    SavePng(page, prefix + L"pressed.png");
    const RECT all = {0, 0, idle.width, idle.height};
    EXPECT_GT(Differences(hot, idle, all), 0);
    EXPECT_GT(Differences(pressed, hot, all), 0);
    for (const wchar_t* state : {L"normal", L"hot", L"pressed"})
        EXPECT_NE(GetFileAttributesW((prefix + state + L".png").c_str()), INVALID_FILE_ATTRIBUTES) << state;
}

}  // namespace
}  // namespace qln
