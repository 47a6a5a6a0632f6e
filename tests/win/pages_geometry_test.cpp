// Every control of the main window and its three pages where the forms put it, at the prefix's
// DPI (96, 120, 144 or 192): id, class, style, rectangle, font, tooltip, focus, tab order and
// the order in which the windowless controls are painted. Expected device pixels are computed
// here from the logical values with integer arithmetic, never with the forms' own scaling.
#include <windows.h>
#include <commctrl.h>
#include <objidl.h>  // before GDI+, which needs what WIN32_LEAN_AND_MEAN leaves out
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "forms/button_group/button_group.h"
#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "forms/controls/windowless.h"
#include "forms/engine/control_object.h"
#include "forms/engine/form_engine.h"
#include "form_fixture.h"
#include "message_boxes.h"
#include "pages/utilities_page.h"
#include "pages/window_page.h"
#include "plugin/plugin_page.h"
#include "test_support.h"

namespace qln {
namespace {

using test::Device;
using test::DeviceFloor;
using test::g_dpi;
using test::PixelOf;

// The pixel height of a 9-point font.
int NinePoints() { return -(9 * g_dpi / 72); }

struct Windowed {
    const wchar_t* name;
    int id;
    const wchar_t* className;
    int index;
    int x, y, w, h;
    DWORD style, exStyle;
    const wchar_t* caption;
    const wchar_t* tip;  // null: no tooltip
    int weight;          // 0: no font of its own
};

struct Windowless {
    const wchar_t* name;
    int id;
    ControlKindTag kind;
    int x, y, w, h;
    const wchar_t* caption;  // null: not checked (the page fills it in)
    int alignment;           // labels
};

constexpr DWORD kButton = 0x54010F00;
constexpr const wchar_t* kVersionsTip = L"当前已安装的SU版本列表";

const Windowed kForm2[] = {
    {L"NoxbunGroup1", 102, L"NoxbunGroup", -1, 378, 2, 36, 36, 0x56010100, 0, L"", nullptr, 0},
    {L"Command2", 105, L"Button", -1, 288, 124, 50, 50, 0x54010F40, 0, L"", L"启动对应版本的草图大师", 700},
    {L"Progress1", 107, L"msctls_progress32", -1, 11, 210, 269, 20, 0x44000000, 0, L"", nullptr, 0},
    {L"Command1", 109, L"Button", -1, 288, 26, 50, 50, 0x54012F40, 0, L"", L"下载最新版Quorlen插件并安装", 700},
    {L"List1", 110, L"ListBox", -1, 15, 36, 193, 160, 0x54210103, WS_EX_CLIENTEDGE, L"", kVersionsTip, 400},
};
const Windowless kForm2Windowless[] = {
    {L"Label2", 103, ControlKindTag::Label, 263, 81, 100, 20, L"安装/更新插件", 4},
    {L"Label1", 104, ControlKindTag::Label, 295, 210, 100, 20, L"", 0},
    {L"WinInet1", 106, ControlKindTag::Component, 0, 0, 0, 0, nullptr, 0},
    {L"Frame1", 108, ControlKindTag::Frame, 11, 15, 200, 184, nullptr, 0},
    {L"Label3", 111, ControlKindTag::Label, 263, 179, 100, 20, L"启动草图大师", 4},
};

const Windowed kForm3[] = {
    {L"Command1", 102, L"Button", 0, 232, 41, 80, 30, kButton, 0, L"配置目录1", L"打开草图大师配置文件路径，该文件保存用户设置", 400},
    {L"Command1", 103, L"Button", 3, 317, 115, 80, 30, kButton, 0, L"插件目录2", L"打开不带用户名的插件启动目录(ProgramData)", 400},
    {L"Command1", 104, L"Button", 2, 232, 114, 80, 30, kButton, 0, L"插件目录1", L"打开带用户名的插件启动目录(AppData)", 400},
    {L"List1", 107, L"ListBox", -1, 15, 36, 193, 185, 0x54210103, WS_EX_CLIENTEDGE, L"", kVersionsTip, 400},
    {L"Command1", 108, L"Button", 1, 317, 41, 80, 30, kButton, 0, L"配置目录2", L"打开草图大师配置文件路径，该文件保存系统设置", 400},
    {L"Command1", 109, L"Button", 4, 232, 186, 80, 30, kButton, 0, L"草图目录", L"打开草图大师启动程序所在目录", 400},
    {L"Command1", 110, L"Button", 5, 317, 186, 80, 30, kButton, 0, L"环境检测", L"检测当前草图版本插件安装环境", 400},
};
const Windowless kForm3Windowless[] = {
    {L"Frame2", 105, ControlKindTag::Frame, 224, 15, 180, 210, L"功能模块", 0},
    {L"Frame1", 106, ControlKindTag::Frame, 11, 15, 200, 210, nullptr, 0},
};

const Windowed kForm4[] = {
    {L"List1", 102, L"ListBox", -1, 15, 36, 193, 185, 0x54210101, WS_EX_CLIENTEDGE, L"", nullptr, 400},
    {L"Command1", 103, L"Button", -1, 232, 41, 80, 30, kButton, 0, L"刷新列表", L"刷新窗口列表", 400},
    {L"Command2", 104, L"Button", 0, 317, 41, 80, 30, kButton, 0, L"重置位置", L"将窗口移到屏幕左上角", 400},
    {L"Command2", 107, L"Button", 1, 232, 89, 80, 30, kButton, 0, L"窗口置顶", L"将窗口位于顶层", 400},
    {L"Command2", 108, L"Button", 2, 317, 89, 80, 30, kButton, 0, L"取消置顶", L"取消窗口顶层", 400},
    {L"Command2", 109, L"Button", 3, 232, 137, 80, 30, kButton, 0, L"禁用窗口", L"使窗口不接收鼠标键盘操作", 400},
    {L"Command2", 110, L"Button", 4, 317, 137, 80, 30, kButton, 0, L"解除禁用", L"使窗口接收鼠标键盘操作", 400},
    {L"Command2", 111, L"Button", 5, 232, 186, 80, 30, kButton, 0, L"抖动窗口", L"标记窗口位置", 400},
    {L"Command2", 112, L"Button", 6, 317, 186, 80, 30, kButton, 0, L"关闭窗口", L"关掉窗口", 400},
};
const Windowless kForm4Windowless[] = {
    {L"Frame1", 105, ControlKindTag::Frame, 11, 15, 200, 210, nullptr, 0},
    {L"Frame2", 106, ControlKindTag::Frame, 224, 15, 180, 210, L"窗口管理", 0},
};

RECT RectIn(HWND window, HWND parent) {
    RECT r = {};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring TipText(HWND tip, HWND control) {
    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = control;
    wchar_t text[512] = {};
    tool.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
    return text;
}

void ExpectFont(HFONT font, int weight, const wchar_t* what) {
    ASSERT_NE(font, nullptr) << what;
    LOGFONTW lf = {};
    GetObjectW(font, sizeof(lf), &lf);
    EXPECT_EQ(lf.lfHeight, NinePoints()) << what;
    EXPECT_EQ(lf.lfWeight, weight) << what;
    EXPECT_STREQ(lf.lfFaceName, L"Microsoft YaHei") << what;
}

// One windowed control against its line of the table.
void ExpectWindowed(HWND page, const Windowed& c) {
    SCOPED_TRACE(testing::Message() << "control id " << c.id);
    HWND w = GetDlgItem(page, c.id);
    ASSERT_NE(w, nullptr);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    EXPECT_STREQ(cls, c.className);
    // A list box shows its scroll bar only when its lines need one, and its style says so.
    const DWORD scrolls = std::wstring(c.className) == L"ListBox" ? WS_VSCROLL : 0;
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(w, GWL_STYLE)) & ~scrolls, c.style & ~scrolls);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(w, GWL_EXSTYLE)), c.exStyle);
    const RECT r = RectIn(w, page);
    EXPECT_EQ(r.left, Device(c.x));
    EXPECT_EQ(r.top, Device(c.y));
    EXPECT_EQ(r.right - r.left, Device(c.w));
    EXPECT_EQ(r.bottom - r.top, Device(c.h));
    EXPECT_EQ(test::WindowText(w), c.caption);

    const ControlObject* o = GetControlObject(w);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->name, c.name);
    EXPECT_EQ(o->id, c.id);
    EXPECT_EQ(o->index, c.index);
    EXPECT_EQ(o->layout.designLeft, c.x);
    EXPECT_EQ(o->layout.designWidth, c.w);
    // Subclassed by the framework, the class procedure kept (a tooltip subclasses it again).
    if (!c.tip) EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(w, GWLP_WNDPROC)), StandardControlProc);
    EXPECT_NE(GetPropW(w, L"OLDWNDPROC"), nullptr);

    if (c.weight) ExpectFont(reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)), c.weight, c.name);
    if (c.tip) {
        // The tooltip window comes with the first mouse move over the control, as a user meets it.
        EXPECT_EQ(o->toolTipWindow, nullptr);
        SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
        ASSERT_NE(o->toolTipWindow, nullptr);
        EXPECT_EQ(o->toolTip, c.tip);
        EXPECT_EQ(test::ClassOf(o->toolTipWindow), L"tooltips_class32");
        EXPECT_EQ(SendMessageW(o->toolTipWindow, TTM_GETTOOLCOUNT, 0, 0), 1);
        TOOLINFOW tool = {};
        tool.cbSize = sizeof(tool);
        ASSERT_TRUE(SendMessageW(o->toolTipWindow, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)));
        EXPECT_EQ(tool.hwnd, w);
        EXPECT_TRUE(tool.uFlags & TTF_SUBCLASS);
        RECT client = {};
        GetClientRect(w, &client);
        EXPECT_TRUE(EqualRect(&tool.rect, &client));
        EXPECT_EQ(TipText(o->toolTipWindow, w), c.tip);
        const auto tipStyle = static_cast<DWORD>(GetWindowLongPtrW(o->toolTipWindow, GWL_STYLE));
        EXPECT_EQ(tipStyle & (TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_BALLOON), static_cast<DWORD>(TTS_ALWAYSTIP | TTS_NOPREFIX));
    } else {
        EXPECT_EQ(o->toolTipWindow, nullptr);
    }
}

void ExpectWindowless(HWND page, const Windowless* table, size_t count) {
    // The chain after the form's own object holds them in creation order.
    const ControlObject* o = GetControlObject(page);
    ASSERT_NE(o, nullptr);
    for (size_t i = 0; i < count; ++i) {
        const Windowless& c = table[i];
        SCOPED_TRACE(testing::Message() << "windowless id " << c.id);
        o = o->next;
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->name, c.name);
        EXPECT_EQ(o->id, c.id);
        EXPECT_EQ(o->kind, c.kind);
        if (c.kind == ControlKindTag::Component) continue;
        EXPECT_EQ(windowless::Left(page, c.id), DeviceFloor(c.x));
        EXPECT_EQ(windowless::Top(page, c.id), DeviceFloor(c.y));
        EXPECT_EQ(windowless::Width(page, c.id), DeviceFloor(c.w));
        EXPECT_EQ(windowless::Height(page, c.id), DeviceFloor(c.h));
        EXPECT_TRUE(windowless::Visible(page, c.id));
        EXPECT_TRUE(windowless::Enabled(page, c.id));
        if (c.caption) EXPECT_EQ(windowless::Caption(page, c.id), c.caption);
        EXPECT_EQ(o->fontSpec, L"Microsoft YaHei,9,0");
        // Window text by reference, so that it follows the system colours.
        EXPECT_EQ(o->foreColor, kColorWindowText);
        EXPECT_EQ(o->backColor, kColorInherit);
        EXPECT_EQ(o->toolTipWindow, nullptr);
        if (c.kind == ControlKindTag::Label) {
            EXPECT_EQ(o->FlagField(16, 8), c.alignment);
        } else {
            EXPECT_EQ(o->FlagField(12, 4), 1);   // border width
            EXPECT_EQ(o->FlagField(16, 8), 3);   // corner size
            EXPECT_EQ(o->FlagField(24, 8), 0);   // caption to the left
            EXPECT_EQ(o->lineColor, kColorBtnShadow);
        }
    }
    EXPECT_EQ(o->next, nullptr);
}

// The windowed children in z-order (their creation order), and the tab key's way through them.
template <size_t N>
void ExpectOrder(HWND page, const Windowed (&table)[N]) {
    std::vector<int> zOrder;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        zOrder.push_back(GetDlgCtrlID(child));
    std::vector<int> expected;
    for (const Windowed& c : table) expected.push_back(c.id);
    EXPECT_EQ(zOrder, expected);

    std::vector<int> tabStops, visited;
    for (const Windowed& c : table)
        if ((c.style & (WS_TABSTOP | WS_VISIBLE)) == (WS_TABSTOP | WS_VISIBLE)) tabStops.push_back(c.id);
    HWND at = GetDlgItem(page, tabStops.front());
    for (size_t i = 0; i < tabStops.size(); ++i) {
        visited.push_back(GetDlgCtrlID(at));
        at = GetNextDlgTabItem(page, at, FALSE);
    }
    EXPECT_EQ(visited, tabStops);
    EXPECT_EQ(at, GetDlgItem(page, tabStops.front()));  // and round again
}

// The page's own picture, with its windowed controls out of the way.
void HideChildren(HWND page) {
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ShowWindow(child, SW_HIDE);
}

void Repaint(HWND page) {
    RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// Moves a windowless control onto (x, y, w, h) logical and gives it a fill of its own.
void Overlay(HWND page, int id, int x, int y, int w, int h, COLORREF fill) {
    ControlObject* o = FindControlObject(page, id);
    ASSERT_NE(o, nullptr);
    o->layout.designLeft = x;
    o->layout.designTop = y;
    o->layout.designWidth = w;
    o->layout.designHeight = h;
    windowless::SetBackColor(page, id, fill);
}

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);

class PagesGeometryTest : public ::testing::Test {
protected:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
        ASSERT_NO_FATAL_FAILURE(test::ReadScreenDpi());
        test::ResetDiscoveryWorld();
        ASSERT_NE(RegisterFormClass(kButtonGroupClass, GetModuleHandleW(nullptr), nullptr), 0);
    }
    void TearDown() override {
        if (Form1.window) DestroyWindow(Form1.window);
        if (host && IsWindow(host)) DestroyWindow(host);
        test::PumpMessages(50);
        test::ResetDiscoveryWorld();
        Gdiplus::GdiplusShutdown(token_);
    }

    // A visible top-level host standing in for the tab control, for a page built on its own.
    HWND MakeHost() {
        auto* ctx = new FormContext;
        InitFormContext(ctx, L"QlnGeometryHost");
        host = CreateFormWindow(ctx, nullptr, L"宿主", [](HWND w, UINT m, WPARAM wp, LPARAM lp) {
            return StandardFormProc(w, m, wp, lp, nullptr);
        }, 500, 300, WS_POPUP, 0);
        if (host) {
            AttachControlObject(host, ControlKindTag::Form, L"Host", 0);
            SetWindowPos(host, HWND_TOP, 10, 10, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        }
        return host;
    }

    // A page built alone: its own size as created, its controls, the control its builder
    // gave the focus.
    template <size_t N>
    void ExpectPage(HWND (*build)(HWND, LPARAM), const wchar_t* className, const wchar_t* caption, DWORD exStyle,
                    const Windowed (&table)[N], const Windowless* windowlessTable, size_t windowlessCount,
                    int focusId) {
        ASSERT_NE(MakeHost(), nullptr);
        HWND page = build(host, 0);
        ASSERT_NE(page, nullptr);
        test::PumpMessages(100);
        EXPECT_EQ(test::ClassOf(page), className);
        EXPECT_EQ(test::WindowText(page), caption);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(page, GWL_STYLE)), 0x460B0000u | WS_VISIBLE);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(page, GWL_EXSTYLE)), exStyle);
        RECT r = {};
        GetWindowRect(page, &r);
        EXPECT_EQ(r.right - r.left, Device(416));
        EXPECT_EQ(r.bottom - r.top, Device(239));
        EXPECT_EQ(GetFocus(), GetDlgItem(page, focusId));
        for (const Windowed& c : table) ExpectWindowed(page, c);
        ExpectWindowless(page, windowlessTable, windowlessCount);
        ExpectOrder(page, table);
    }

    HWND host = nullptr;

private:
    ULONG_PTR token_ = 0;
};

TEST_F(PagesGeometryTest, MainWindowHasItsSizeTabsAndStatusBar) {
    HWND form = BuildForm1(nullptr, 0, 0);
    ASSERT_NE(form, nullptr);
    test::PumpMessages(100);
    EnsureAllPages();
    RECT r;
    GetWindowRect(form, &r);
    // 430 × 320 logical: 538 × 400 at 120 DPI (537.5 to the even neighbour), 645 × 480 at 144.
    EXPECT_EQ(r.right - r.left, Device(430));
    EXPECT_EQ(r.bottom - r.top, Device(320));
    const int expectedWidth[] = {430, 538, 645, 860}, expectedHeight[] = {320, 400, 480, 640};
    const int dpis[] = {96, 120, 144, 192};
    for (int i = 0; i < 4; ++i) {
        if (g_dpi != dpis[i]) continue;
        EXPECT_EQ(r.right - r.left, expectedWidth[i]);
        EXPECT_EQ(r.bottom - r.top, expectedHeight[i]);
    }
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(r.left, work.left + ((work.right - work.left) - (r.right - r.left)) / 2);
    EXPECT_EQ(r.top, work.top + ((work.bottom - work.top) - (r.bottom - r.top)) / 2);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(form, GWL_STYLE)) & ~WS_VISIBLE, 0x86CA0000u);
    // Control parent, and files may be dropped on it (a local package).
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(form, GWL_EXSTYLE)) & ~WS_EX_WINDOWEDGE,
              0x00010000u | WS_EX_ACCEPTFILES);
    EXPECT_EQ(test::ClassOf(form), L"Quorlen插件安装器_Form1");

    // Tab control first, status bar second, nothing else.
    HWND tab = GetWindow(form, GW_CHILD);
    ASSERT_EQ(tab, Form1.tabControl);
    EXPECT_EQ(GetDlgCtrlID(tab), 102);
    EXPECT_EQ(test::ClassOf(tab), L"SysTabControl32");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(tab, GWL_STYLE)), 0x56020400u);
    EXPECT_TRUE(GetWindowLongPtrW(tab, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    HWND bar = GetWindow(tab, GW_HWNDNEXT);
    ASSERT_EQ(bar, Form1.status);
    EXPECT_EQ(GetWindow(bar, GW_HWNDNEXT), nullptr);
    EXPECT_EQ(GetDlgCtrlID(bar), 103);
    EXPECT_EQ(test::ClassOf(bar), L"msctls_statusbar32");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(bar, GWL_STYLE)), 0x56000803u);
    ExpectFont(reinterpret_cast<HFONT>(SendMessageW(bar, WM_GETFONT, 0, 0)), 400, L"Status1");
    // The tab control has the form font: Segoe UI, 9 points at the form's DPI.
    LOGFONTW tabFont = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(tab, WM_GETFONT, 0, 0)), sizeof(tabFont), &tabFont);
    EXPECT_EQ(tabFont.lfHeight, NinePoints());
    EXPECT_STREQ(tabFont.lfFaceName, L"Segoe UI");

    // Tabs 80 × 22 logical; the status bar's parts 55, 110, 65 and the rest.
    RECT item = {};
    SendMessageW(tab, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.right - item.left, Device(80));
    EXPECT_EQ(item.bottom - item.top, Device(22));
    int edges[8] = {};
    ASSERT_EQ(SendMessageW(bar, SB_GETPARTS, 8, reinterpret_cast<LPARAM>(edges)), 4);
    RECT barClient;
    GetClientRect(bar, &barClient);
    EXPECT_EQ(edges[0], Device(55));
    EXPECT_EQ(edges[1], Device(55) + Device(110));
    EXPECT_EQ(edges[2], Device(55) + Device(110) + Device(65));
    EXPECT_EQ(edges[3], barClient.right);

    // The tab control fills the client area above the bar; the pages its display area, one
    // pixel below its top; one page shows at a time.
    auto expectFilled = [&] {
        RECT client, t, b, area;
        GetClientRect(form, &client);
        t = RectIn(tab, form);
        GetWindowRect(bar, &b);
        EXPECT_EQ(t.left, 0);
        EXPECT_EQ(t.top, 0);
        EXPECT_EQ(t.right, client.right);
        EXPECT_EQ(t.bottom, client.bottom - (b.bottom - b.top));
        GetWindowRect(tab, &area);
        SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
        MapWindowPoints(nullptr, tab, reinterpret_cast<POINT*>(&area), 2);
        for (HWND page : {Form2.window, Form3.window, Form4.window}) {
            const RECT p = RectIn(page, tab);
            EXPECT_EQ(p.left, area.left);
            EXPECT_EQ(p.top, area.top + 1);
            EXPECT_EQ(p.right - p.left, area.right - area.left);
            EXPECT_EQ(p.bottom - p.top, area.bottom - area.top);
        }
    };
    expectFilled();
    EXPECT_TRUE(IsWindowVisible(Form2.window));
    EXPECT_FALSE(IsWindowVisible(Form3.window));
    EXPECT_FALSE(IsWindowVisible(Form4.window));
    ShowWindow(form, SW_MINIMIZE);
    test::PumpMessages(50);
    ShowWindow(form, SW_RESTORE);
    test::PumpMessages(50);
    expectFilled();
}

TEST_F(PagesGeometryTest, PluginPageControls) {
    ExpectPage(BuildForm2, L"Quorlen插件安装器_Form2", L"插件管理", 0x00010080, kForm2, kForm2Windowless,
               std::size(kForm2Windowless), 102);
    HWND page = Form2.window;
    EXPECT_EQ(SendMessageW(Form2.list1, LB_GETITEMHEIGHT, 0, 0), Device(18));
    EXPECT_EQ(SendMessageW(Form2.progress1, PBM_GETRANGE, TRUE, 0), 1);
    EXPECT_EQ(SendMessageW(Form2.progress1, PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_EQ(SendMessageW(Form2.progress1, PBM_GETPOS, 0, 0), 30);
    const ControlObject* group = GetControlObject(GetDlgItem(page, 102));
    EXPECT_EQ(group->fontSpec, L"Microsoft YaHei,9,0");
    EXPECT_EQ(group::ItemToolTip(Form2.noxbunGroup1, 0), L"切换识别已安装草图的方式");
    // The frame holds the list, nothing else.
    const ControlObject* frame = FindControlObject(page, 108);
    EXPECT_EQ(frame->frameWindowIds, std::vector<int>{110});
    EXPECT_TRUE(frame->frameWindowlessIds.empty());

    // Painted last created first: Label3 under Frame1, Label2 over it.
    HideChildren(page);
    Overlay(page, 108, 20, 40, 200, 150, kBlue);
    Overlay(page, 111, 30, 120, 60, 30, kRed);
    Overlay(page, 103, 100, 120, 60, 30, kGreen);
    Repaint(page);
    EXPECT_EQ(PixelOf(page, Device(33), Device(147)), kBlue);
    EXPECT_EQ(PixelOf(page, Device(103), Device(147)), kGreen);
}

TEST_F(PagesGeometryTest, UtilitiesPageControls) {
    ExpectPage(BuildForm3, L"Quorlen插件安装器_Form3", L"插件管理", WS_EX_CONTROLPARENT, kForm3, kForm3Windowless,
               std::size(kForm3Windowless), 102);
    HWND page = Form3.window;
    EXPECT_EQ(SendMessageW(Form3.list, LB_GETITEMHEIGHT, 0, 0), Device(18));
    // Frame2 was created first: it is painted last, over Frame1.
    HideChildren(page);
    Overlay(page, 106, 20, 40, 100, 100, kRed);
    Overlay(page, 105, 60, 80, 100, 100, kBlue);
    Repaint(page);
    EXPECT_EQ(PixelOf(page, Device(90), Device(120)), kBlue);
    EXPECT_EQ(PixelOf(page, Device(40), Device(120)), kRed);
}

TEST_F(PagesGeometryTest, WindowPageControls) {
    ExpectPage(BuildForm4, L"Quorlen插件安装器_Form4", L"窗口管理", WS_EX_CONTROLPARENT, kForm4, kForm4Windowless,
               std::size(kForm4Windowless), 102);
    HWND page = Form4.window;
    EXPECT_EQ(SendMessageW(Form4.list, LB_GETITEMHEIGHT, 0, 0), Device(18));
    // Frame1 was created first: it is painted last, over Frame2.
    HideChildren(page);
    Overlay(page, 105, 20, 40, 100, 100, kRed);
    Overlay(page, 106, 60, 80, 100, 100, kBlue);
    Repaint(page);
    EXPECT_EQ(PixelOf(page, Device(90), Device(120)), kRed);
    EXPECT_EQ(PixelOf(page, Device(140), Device(150)), kBlue);
}

}  // namespace
}  // namespace qln
