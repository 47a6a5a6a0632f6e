// The form framework's standard procedures and control operations on real windows, at the
// prefix's DPI: colours asked for by controls and followed through a change of the system
// colours, the modal loop, cursors and focus, status bar panels, fonts, transparency, the
// tooltip's subclass at teardown, the frame's caption box, images owned by their controls and
// the main window without its tab control.
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
#include "discovery/discovery.h"
#include "forms/button_group/button_group.h"
#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "forms/controls/windowless.h"
#include "forms/engine/form_engine.h"
#include "forms/layout/screen.h"
#include "form_fixture.h"
#include "gui_objects.h"
#include "message_boxes.h"
#include "plugin/plugin_page.h"
#include "test_support.h"

namespace qln {
namespace {

using test::CountWhere;
using test::Device;
using test::g_dpi;
using test::PixelOf;
using test::PlacePointerOver;
using test::PlainFormProc;
using FormsBehaviourTest = test::FormFixture;

// Colours a control asks for come from its object, or the form's, or the button face; giving
// a list box or status bar its colour never touches the brush of its window class.
TEST_F(FormsBehaviourTest, ControlColoursComeFromTheirObjectsAndLeaveTheirClassesAlone) {
    HWND form = MakeForm(L"QlnBehaviour_Colours", 300, 200);
    ASSERT_NE(form, nullptr);
    HWND list = Control(form, L"LISTBOX", 10, 10, 10, 120, 80, WS_CHILD | WS_VISIBLE | WS_BORDER);
    HWND bar = Control(form, L"STATUSBAR", 11, 0, 0, 0, 0);
    HWND label = Control(form, L"LABEL", 12, 150, 10, 80, 20);
    ASSERT_TRUE(list && bar && label);
    const ULONG_PTR listClassBrush = GetClassLongPtrW(list, GCLP_HBRBACKGROUND);
    const ULONG_PTR barClassBrush = GetClassLongPtrW(bar, GCLP_HBRBACKGROUND);

    wnd::SetBackColor(list, RGB(250, 240, 200));
    wnd::SetForeColor(list, RGB(10, 20, 30));
    wnd::SetBackColor(bar, kColorBtnFace);
    EXPECT_EQ(GetClassLongPtrW(list, GCLP_HBRBACKGROUND), listClassBrush);
    EXPECT_EQ(GetClassLongPtrW(bar, GCLP_HBRBACKGROUND), barClassBrush);
    // The list paints its own area in its colour, through WM_CTLCOLORLISTBOX.
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(PixelOf(list, 20, 20), RGB(250, 240, 200));

    HDC dc = CreateCompatibleDC(nullptr);
    auto brushColour = [](LRESULT brush) {
        LOGBRUSH lb = {};
        GetObjectW(reinterpret_cast<HBRUSH>(brush), sizeof(lb), &lb);
        return lb.lbColor;
    };
    SetTextColor(dc, RGB(1, 2, 3));
    LRESULT brush = SendMessageW(form, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(GetTextColor(dc), RGB(10, 20, 30));
    EXPECT_EQ(GetBkColor(dc), RGB(250, 240, 200));
    EXPECT_EQ(brushColour(brush), RGB(250, 240, 200));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), GetControlObject(list)->brush);
    // Inherited colours: the text colour is left alone, the back colour is the form's, and the
    // button face when the form inherits too.
    SetTextColor(dc, RGB(1, 2, 3));
    wnd::SetBackColor(form, RGB(0, 128, 255));
    brush = SendMessageW(form, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label));
    EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
    EXPECT_EQ(brushColour(brush), RGB(0, 128, 255));
    GetControlObject(form)->backColor = kColorInherit;
    for (UINT message : {WM_CTLCOLORSTATIC, WM_CTLCOLORBTN, WM_CTLCOLOREDIT}) {
        brush = SendMessageW(form, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label));
        EXPECT_EQ(brushColour(brush), GetSysColor(COLOR_BTNFACE)) << message;
        EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_BTNFACE)) << message;
    }
    // A window without a control object gets the default answer.
    HWND foreign = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, form, nullptr, nullptr, nullptr);
    EXPECT_EQ(SendMessageW(form, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(foreign)),
              DefWindowProcW(form, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(foreign)));
    DeleteDC(dc);

    // The program's own version lists and status bar leave their classes alone too.
    HWND probe = CreateWindowExW(0, L"ListBox", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    test::ResetDiscoveryWorld();
    ASSERT_NE(BuildForm1(nullptr, 0, 0), nullptr);
    test::PumpMessages(100);
    EXPECT_EQ(GetClassLongPtrW(probe, GCLP_HBRBACKGROUND), listClassBrush);
    EXPECT_EQ(GetClassLongPtrW(Form1.status, GCLP_HBRBACKGROUND), barClassBrush);
    DestroyWindow(probe);
}

TEST_F(FormsBehaviourTest, StatusBarPanelsKeepTheirDrawingTypesWhenOneIsRemoved) {
    HWND form = MakeForm(L"QlnBehaviour_Status", 400, 200);
    HWND bar = Control(form, L"STATUSBAR", 30, 0, 0, 0, 0, WS_CHILD | WS_VISIBLE | SBARS_TOOLTIPS);
    ASSERT_NE(bar, nullptr);
    // Styles as AddPanel takes them: the drawing type shifted right by 8.
    statusbar::AddPanel(bar, L"零", L"提示零", 0, 50, "");
    statusbar::AddPanel(bar, L"一", L"提示一", SBT_POPOUT >> 8, 60, "");
    statusbar::AddPanel(bar, L"二", L"提示二", SBT_NOBORDERS >> 8, 70, "");
    statusbar::AddPanel(bar, L"三", L"", SBT_NOTABPARSING >> 8, 0, "");
    auto type = [&](int index) { return HIWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, index, 0)); };
    EXPECT_EQ(type(1), SBT_POPOUT);
    statusbar::SetPanelText(bar, 1, L"新");
    EXPECT_EQ(type(1), SBT_POPOUT);

    statusbar::RemovePanel(bar, 0);
    ASSERT_EQ(statusbar::PanelCount(bar), 3);
    EXPECT_EQ(statusbar::PanelText(bar, 0), L"新");
    EXPECT_EQ(type(0), SBT_POPOUT);
    EXPECT_EQ(statusbar::PanelText(bar, 1), L"二");
    EXPECT_EQ(type(1), SBT_NOBORDERS);
    EXPECT_EQ(statusbar::PanelTip(bar, 1), L"提示二");
    EXPECT_EQ(type(2), SBT_NOTABPARSING);
    int edges[4] = {};
    SendMessageW(bar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges));
    EXPECT_EQ(edges[0], Device(60));
    EXPECT_EQ(edges[1], Device(60) + Device(70));
}

// The class procedure of a control sees its last message (its data goes with it) also when a
// tooltip subclassed the control after the framework did.
int g_ncDestroys = 0;
LRESULT CALLBACK CountingClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) ++g_ncDestroys;
    return DefWindowProcW(window, message, wParam, lParam);
}

// A hook put in after the framework's, through comctl32's subclass chain, and taken out when
// the control's tooltip window goes, as comctl32's tooltips do on Windows.
LRESULT CALLBACK LaterHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    return DefSubclassProc(window, message, wParam, lParam);
}
HWND g_hooked = nullptr;
LRESULT CALLBACK FakeTipProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY && g_hooked) RemoveWindowSubclass(g_hooked, LaterHook, 1);
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(FormsBehaviourTest, ATooltipsSubclassDoesNotCutTheClassOffItsLastMessage) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = CountingClassProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QlnCountingClass";
    RegisterClassExW(&wc);
    HWND form = MakeForm(L"QlnBehaviour_Subclass", 300, 200);
    for (bool withTip : {false, true}) {
        SCOPED_TRACE(withTip ? "with tooltip" : "without tooltip");
        g_ncDestroys = 0;
        HWND c = Control(form, L"QlnCountingClass", 40, 10, 10, 100, 30);
        ASSERT_NE(c, nullptr);
        HWND tip = nullptr;
        if (withTip) {
            wnd::SetToolTip(c, L"提示");
            tip = GetControlObject(c)->toolTipWindow;
            ASSERT_NE(tip, nullptr);
        }
        DestroyWindow(c);
        EXPECT_EQ(g_ncDestroys, 1);
        if (tip) EXPECT_FALSE(IsWindow(tip));
    }
    // The hook's owner goes while the framework lets go of the control: comctl32 then puts back
    // the procedure it found, the framework's, which must still lead to the class.
    wc.lpfnWndProc = FakeTipProc;
    wc.lpszClassName = L"QlnFakeTip";
    RegisterClassExW(&wc);
    g_ncDestroys = 0;
    HWND c = Control(form, L"QlnCountingClass", 41, 10, 10, 100, 30);
    ASSERT_NE(c, nullptr);
    g_hooked = c;
    ASSERT_TRUE(SetWindowSubclass(c, LaterHook, 1, 0));
    GetControlObject(c)->toolTipWindow =
        CreateWindowExW(0, L"QlnFakeTip", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    DestroyWindow(c);
    g_hooked = nullptr;
    EXPECT_EQ(g_ncDestroys, 1);
}

// The frame measures its caption at edges rounded like every other coordinate: halves to even.
TEST_F(FormsBehaviourTest, FrameCaptionBoxRoundsHalvesToEven) {
    // A top whose device edge is a tie with an even floor where the DPI has one (15 at 144,
    // 10 at 120).
    const int top = g_dpi == 120 ? 10 : 15;
    HWND form = MakeForm(L"QlnBehaviour_Frame", 300, 200);
    CreateFrame(form, L"Frame1", 50, 11, top, 200, 150, L"选择草图版本");
    frame::SetCornerSize(form, 50, 3);
    frame::SetBorderWidth(form, 50, 1);
    windowless::SetBackColor(form, 50, RGB(255, 0, 255));
    RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    // The caption's background starts at the rounded top; above it is the form.
    const int x = Device(11 + 3 + 1 + 1) + 1;
    EXPECT_EQ(PixelOf(form, x, Device(top)), RGB(255, 0, 255));
    EXPECT_EQ(PixelOf(form, x, Device(top) - 1), GetSysColor(COLOR_BTNFACE));
}

// Images loaded for the image keywords belong to their controls and go with them.
TEST_F(FormsBehaviourTest, ImagesOfTheImageKeywordsGoWithTheirControls) {
    HWND form = MakeForm(L"QlnBehaviour_Images", 300, 200);
    auto cycle = [&] {
        HWND label = Control(form, L"ICONLABEL", 60, 10, 10, 48, 48, WS_CHILD | WS_VISIBLE | SS_ICON, L"AAAAA_APPICON");
        HWND button = Control(form, L"ICONBUTTON", 61, 70, 10, 48, 48, WS_CHILD | WS_VISIBLE | BS_ICON, L"ICON_HELP");
        EXPECT_NE(SendMessageW(label, STM_GETIMAGE, IMAGE_ICON, 0), 0);
        EXPECT_NE(SendMessageW(button, BM_GETIMAGE, IMAGE_ICON, 0), 0);
        DestroyWindow(label);
        DestroyWindow(button);
    };
    cycle();
    const int before = test::GdiObjectCount();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 30; ++i) cycle();
    EXPECT_EQ(test::GdiObjectCount(), before);
}

// SetSysColors for the length of a test, and the old colours back whatever happens.
class SystemColours {
public:
    SystemColours(std::vector<int> indexes, std::vector<COLORREF> colours) : indexes_(std::move(indexes)) {
        for (int i : indexes_) saved_.push_back(GetSysColor(i));
        SetSysColors(static_cast<int>(indexes_.size()), indexes_.data(), colours.data());
    }
    ~SystemColours() { SetSysColors(static_cast<int>(indexes_.size()), indexes_.data(), saved_.data()); }
    SystemColours(const SystemColours&) = delete;
    SystemColours& operator=(const SystemColours&) = delete;

private:
    std::vector<int> indexes_;
    std::vector<COLORREF> saved_;
};

TEST_F(FormsBehaviourTest, PagesFollowAChangeOfTheSystemColours) {
    test::ResetDiscoveryWorld();
    ASSERT_NE(BuildForm1(nullptr, 0, 0), nullptr);
    test::PumpMessages(100);
    const COLORREF text = RGB(0, 160, 0), shadow = RGB(255, 0, 0), caption = RGB(255, 0, 255), face = RGB(200, 200, 120);
    (void)text;
    (void)shadow;
    SystemColours colours({COLOR_WINDOWTEXT, COLOR_BTNSHADOW, COLOR_ACTIVECAPTION, COLOR_BTNFACE},
                          {text, shadow, caption, face});
    test::PumpMessages(100);
    HWND page = Form2.window;
    RedrawWindow(Form1.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

    // The page's background, the frame's line and the labels' text in the new colours.
    EXPECT_EQ(PixelOf(page, Device(240), Device(10)), face);
    const int middle = Device(100);
    auto reddish = [](COLORREF c) { return GetRValue(c) - GetGValue(c) > 60; };
    auto greenish = [](COLORREF c) { return GetGValue(c) - GetRValue(c) > 60 && GetGValue(c) - GetBValue(c) > 60; };
    EXPECT_GT(CountWhere(page, {Device(11) - 2, middle, Device(11) + 3, middle + 1}, reddish), 0);
    EXPECT_GT(CountWhere(page, {Device(263), Device(81), Device(363), Device(101)}, greenish), 0);
    // The button group's hover colour.
    HWND group = GetDlgItem(page, 102);
    RECT item = group::ItemRect(Form2.noxbunGroup1, 0);
    SendMessageW(group, WM_MOUSEMOVE, 0, MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2));
    EXPECT_EQ(PixelOf(group, item.left + 1, item.top + 1), caption);
    SendMessageW(group, WM_MOUSELEAVE, 0, 0);
    // The status bar was given the new button face (setting a colour answers the one before).
    EXPECT_EQ(SendMessageW(Form1.status, SB_SETBKCOLOR, 0, static_cast<LPARAM>(face)), static_cast<LRESULT>(face));
}

// A window that cannot get its tab control still opens, with its status bar.
HHOOK g_hook = nullptr;
LRESULT CALLBACK RefuseTabControls(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
        const LPCWSTR cls = create->lpcs->lpszClass;
        if (!IS_INTRESOURCE(cls) && lstrcmpiW(cls, L"SysTabControl32") == 0) return 1;
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

TEST_F(FormsBehaviourTest, MainWindowOpensWithoutItsTabControl) {
    test::ResetDiscoveryWorld();
    g_hook = SetWindowsHookExW(WH_CBT, RefuseTabControls, nullptr, GetCurrentThreadId());
    ASSERT_NE(g_hook, nullptr);
    HWND form = BuildForm1(nullptr, 0, 0);
    UnhookWindowsHookEx(g_hook);
    ASSERT_NE(form, nullptr);
    test::PumpMessages(100);
    EXPECT_TRUE(IsWindowVisible(form));
    EXPECT_EQ(Form1.tabControl, nullptr);
    ASSERT_NE(Form1.status, nullptr);
    EXPECT_EQ(GetParent(Form1.status), form);
    EXPECT_EQ(statusbar::PanelText(Form1.status, 1), GetCurrentUserName());
    EXPECT_EQ(Form2.window, nullptr);
}

// The modal loop disables the top-level window above its owner; closing the form enables it
// again and ends the loop.
HWND g_modalOwner = nullptr;
bool g_ownerDisabledInLoop = false;
LRESULT CALLBACK ModalProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == 77) {
        KillTimer(window, 77);
        g_ownerDisabledInLoop = !IsWindowEnabled(g_modalOwner);
        SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    return StandardFormProc(window, message, wParam, lParam, nullptr);
}

TEST_F(FormsBehaviourTest, ModalLoopDisablesTheTopLevelOwnerAndClosingEnablesIt) {
    HWND top = MakeForm(L"QlnBehaviour_Owner", 300, 200);
    HWND page = MakeForm(L"QlnBehaviour_Page", 200, 150, top, WS_CHILD | WS_VISIBLE);
    HWND inner = Control(page, L"BUTTON", 70, 10, 10, 80, 24);
    ASSERT_TRUE(top && page && inner);
    g_modalOwner = top;
    g_ownerDisabledInLoop = false;
    HWND modal = MakeForm(L"QlnBehaviour_Modal", 150, 100, inner, WS_POPUP | WS_CAPTION | WS_SYSMENU, ModalProc);
    ASSERT_NE(modal, nullptr);
    ShowWindow(modal, SW_HIDE);
    SetTimer(modal, 77, 50, nullptr);
    FormContext* modalContext = GetFormContext(modal);
    EXPECT_EQ(ShowForm(modalContext, -1, modal, inner, SW_SHOWNORMAL, 0), nullptr);
    EXPECT_TRUE(g_ownerDisabledInLoop);
    EXPECT_FALSE(IsWindow(modal));
    EXPECT_TRUE(IsWindowEnabled(top));
}

// A class registered without a procedure: creation succeeds, cancel and close destroy the window,
// and its destruction ends the thread's loop with exit code 0.
TEST_F(FormsBehaviourTest, DefaultFormProcClosesOnCancelAndQuitsWhenDestroyed) {
    ASSERT_NE(RegisterFormClass(L"QlnBehaviour_Default", GetModuleHandleW(nullptr), nullptr), 0);
    auto quitCode = [] {
        MSG msg;
        return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? static_cast<int>(msg.wParam) : -1;
    };
    for (const auto& [message, wParam] : {std::pair<UINT, WPARAM>{WM_COMMAND, IDCANCEL}, {WM_SYSCOMMAND, SC_CLOSE}}) {
        HWND w = CreateWindowExW(0, L"QlnBehaviour_Default", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(w, nullptr);
        // Cancel with a notification code is not a cancel.
        SendMessageW(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, 1), 0);
        EXPECT_TRUE(IsWindow(w));
        EXPECT_EQ(quitCode(), -1);
        EXPECT_EQ(SendMessageW(w, message, wParam, 0), 0);
        EXPECT_FALSE(IsWindow(w));
        EXPECT_EQ(quitCode(), 0);
    }
}

// The cursor of a control's own, and the focus a form gives back to its last focused control.
TEST_F(FormsBehaviourTest, CursorAndFocusComeFromTheControlObjects) {
    HWND form = MakeForm(L"QlnBehaviour_Focus", 300, 200, nullptr, WS_POPUP | WS_CAPTION);
    HWND first = Control(form, L"BUTTON", 80, 10, 10, 80, 24, WS_CHILD | WS_VISIBLE | WS_TABSTOP);
    HWND second = Control(form, L"BUTTON", 81, 10, 50, 80, 24, WS_CHILD | WS_VISIBLE | WS_TABSTOP);
    ASSERT_TRUE(first && second);
    wnd::SetMousePointer(second, 14);  // hand
    HCURSOR hand = GetControlObject(second)->cursor;
    ASSERT_NE(hand, nullptr);
    ASSERT_TRUE(PlacePointerOver(second));
    SetCursor(nullptr);
    EXPECT_EQ(SendMessageW(form, WM_SETCURSOR, reinterpret_cast<WPARAM>(second), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    EXPECT_EQ(GetCursor(), hand);
    ASSERT_TRUE(PlacePointerOver(first));
    SendMessageW(form, WM_SETCURSOR, reinterpret_cast<WPARAM>(first), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), hand);
    SetCursorPos(1, 1);

    SetForegroundWindow(form);
    SetFocus(second);
    EXPECT_EQ(GetControlObject(form)->lastFocus, second);
    SetFocus(form);
    EXPECT_EQ(GetFocus(), second);
    // A remembered control that is gone is not looked for.
    DestroyWindow(second);
    SetFocus(form);
    EXPECT_EQ(GetFocus(), form);
}

// Fonts set through the control object keep what the control would otherwise reset.
TEST_F(FormsBehaviourTest, FontKeepsEditMarginsAndListItemHeights) {
    HWND form = MakeForm(L"QlnBehaviour_Fonts", 300, 200);
    HWND edit = Control(form, L"EDIT", 90, 10, 10, 150, 24);
    HWND list = Control(form, L"LISTBOX", 91, 10, 50, 150, 100);
    ASSERT_TRUE(edit && list);
    SendMessageW(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(7, 9));
    SendMessageW(list, LB_SETITEMHEIGHT, 0, 31);
    wnd::SetFont(edit, L"Arial,20");
    wnd::SetFont(list, L"Arial,20");
    EXPECT_EQ(SendMessageW(edit, EM_GETMARGINS, 0, 0), MAKELRESULT(7, 9));
    EXPECT_EQ(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0), 31);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)), CreateFontFromSpec(L"Arial,20"));
    EXPECT_EQ(wnd::Font(list), L"Arial,20");
}

TEST_F(FormsBehaviourTest, TransparencyAndColourKeyMakeTheFormLayered) {
    HWND form = MakeForm(L"QlnBehaviour_Layered", 200, 100);
    auto layered = [&] { return (GetWindowLongPtrW(form, GWL_EXSTYLE) & WS_EX_LAYERED) != 0; };
    BYTE alpha = 0;
    COLORREF key = 0;
    DWORD flags = 0;
    wnd::SetTransparency(form, 100);
    ASSERT_TRUE(layered());
    ASSERT_TRUE(GetLayeredWindowAttributes(form, &key, &alpha, &flags));
    EXPECT_EQ(alpha, 0);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
    wnd::SetTransparency(form, 150);  // clamped to 100
    EXPECT_EQ(wnd::Transparency(form), 100);
    wnd::SetTransparency(form, 50);  // 127.5 to the even neighbour
    GetLayeredWindowAttributes(form, &key, &alpha, &flags);
    EXPECT_EQ(alpha, 128);
    wnd::SetTransparentKey(form, RGB(0, 255, 0));
    GetLayeredWindowAttributes(form, &key, &alpha, &flags);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA | LWA_COLORKEY));
    EXPECT_EQ(key, RGB(0, 255, 0));
    wnd::SetTransparency(form, 0);
    GetLayeredWindowAttributes(form, &key, &alpha, &flags);
    EXPECT_TRUE(layered());
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY));
    wnd::SetTransparentKey(form, kColorInherit);
    EXPECT_FALSE(layered());
    wnd::SetMouseTransparent(form, true);
    EXPECT_TRUE(GetWindowLongPtrW(form, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    EXPECT_TRUE(layered());
}

}  // namespace
}  // namespace qln
