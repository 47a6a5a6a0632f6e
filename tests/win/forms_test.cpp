// The form engine, layout, fonts and control objects on real windows. Runs at 96 and at 144
// DPI (one prefix each); expectations follow the prefix's DPI.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "forms/controls/windowless.h"
#include "forms/engine/form_engine.h"
#include "forms/layout/layout.h"
#include "forms/layout/layout_rules.h"
#include "forms/layout/screen.h"
#include "message_boxes.h"

namespace qln {
namespace {

int Dpi() { return ScreenLogPixelsX(); }

// Counts the paints of the form on top of the standard procedure.
int g_paints = 0;
LRESULT CALLBACK CountingFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) ++g_paints;
    return StandardFormProc(window, message, wParam, lParam, nullptr);
}


class FormTest : public ::testing::Test {
protected:
    // A form as the builders make one: context, window, control object.
    HWND MakeForm(const wchar_t* className, int width, int height, DWORD style = WS_OVERLAPPEDWINDOW) {
        ctx = new FormContext;
        InitFormContext(ctx, className);
        form = CreateFormWindow(ctx, nullptr, L"测试", CountingFormProc, width, height, style, 0);
        if (form) AttachControlObject(form, ControlKindTag::Form, L"Form1", 0);
        return form;
    }
    HWND Control(const wchar_t* keyword, int id, int x, int y, int w, int h, DWORD style = WS_CHILD | WS_VISIBLE) {
        HWND c = CreateControl(ctx, keyword, nullptr, id, L"", x, y, w, h, style, 0, StandardControlProc);
        if (c) AttachControlObject(c, ControlKindTag::Window, keyword, id);
        return c;
    }
    void TearDown() override {
        if (form && IsWindow(form)) DestroyWindow(form);
        test::PumpMessages(0);
    }

    FormContext* ctx = nullptr;
    HWND form = nullptr;
};

TEST_F(FormTest, FormsScaleWithTheScreenDpiRoundingHalvesToEven) {
    ASSERT_NE(MakeForm(L"QlnTestForm_Size", 416, 239, WS_POPUP), nullptr);
    RECT r;
    GetWindowRect(form, &r);
    if (Dpi() == 144) {
        EXPECT_EQ(ctx->Dpi, 144);
        EXPECT_FLOAT_EQ(ctx->ScaleX, 1.5f);
        EXPECT_EQ(r.right - r.left, 624);
        EXPECT_EQ(r.bottom - r.top, 358);
    } else {
        EXPECT_EQ(ctx->Dpi, 96);
        EXPECT_EQ(r.right - r.left, 416);
        EXPECT_EQ(r.bottom - r.top, 239);
    }
    // The context lives in slot 0 and knows its class by name.
    EXPECT_EQ(GetFormContext(form), ctx);
    EXPECT_STREQ(ctx->ClassName, L"QlnTestForm_Size");
}

TEST_F(FormTest, FontsComeFromTheCacheOnePerExactSpec) {
    HFONT yahei = CreateFontFromSpec(L"Microsoft YaHei,9,0");
    ASSERT_NE(yahei, nullptr);
    LOGFONTW lf = {};
    GetObjectW(yahei, sizeof(lf), &lf);
    EXPECT_EQ(lf.lfHeight, Dpi() == 144 ? -18 : -12);
    EXPECT_EQ(lf.lfWeight, FW_NORMAL);
    EXPECT_EQ(lf.lfQuality, DEFAULT_QUALITY);
    EXPECT_EQ(CreateFontFromSpec(L"Microsoft YaHei,9,0"), yahei);

    HFONT upper = CreateFontFromSpec(L"Tahoma,9");
    HFONT lower = CreateFontFromSpec(L"tahoma,9");
    EXPECT_NE(upper, lower);
    EXPECT_EQ(CreateFontFromSpec(L"Tahoma,9"), upper);

    HFONT big = CreateFontFromSpec(L"Arial,30,1,1");
    GetObjectW(big, sizeof(lf), &lf);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_TRUE(lf.lfItalic);
    EXPECT_EQ(lf.lfQuality, ANTIALIASED_QUALITY);
}

TEST_F(FormTest, ClassRegistrationIsOncePerNameAndCountsAutomaticNames) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const ATOM first = RegisterFormClass(L"QlnTestExplicit", instance, nullptr);
    ASSERT_NE(first, 0);
    EXPECT_EQ(RegisterFormClass(L"QlnTestExplicit", instance, nullptr), first);

    const ATOM a = RegisterFormClass(L"", instance, nullptr);
    const ATOM b = RegisterFormClass(nullptr, instance, nullptr);
    ASSERT_NE(a, 0);
    ASSERT_NE(b, 0);
    // The automatic names are consecutive: find a's number and expect b's to follow.
    WNDCLASSEXW info = {sizeof(info)};
    int number = -1;
    for (int n = 0; n < 64 && number < 0; ++n)
        if (GetClassInfoExW(instance, (L"TarnWindowClass:" + std::to_wstring(n)).c_str(), &info) &&
            GetClassInfoExW(instance, (L"TarnWindowClass:" + std::to_wstring(n + 1)).c_str(), &info))
            number = n;
    ASSERT_GE(number, 0);
    EXPECT_EQ(info.lpfnWndProc, DefaultFormProc);
    EXPECT_EQ(info.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS));
    EXPECT_EQ(info.cbWndExtra, 8);
}

TEST_F(FormTest, KeywordsMatchInAnyCaseAndUnknownOnesAreClassNames) {
    ASSERT_NE(MakeForm(L"QlnTestForm_Keywords", 300, 200), nullptr);
    HWND bar = Control(L"ProgressBar", 10, 5, 5, 100, 20);
    ASSERT_NE(bar, nullptr);
    wchar_t cls[64];
    GetClassNameW(bar, cls, 64);
    EXPECT_STREQ(cls, L"msctls_progress32");
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, TRUE, 0), 0);

    ASSERT_NE(RegisterFormClass(L"QlnTestCustom", GetModuleHandleW(nullptr), nullptr), 0);
    HWND custom = Control(L"qlntestcustom", 11, 5, 30, 50, 20);
    ASSERT_NE(custom, nullptr);
    GetClassNameW(custom, cls, 64);
    EXPECT_STREQ(cls, L"QlnTestCustom");
    // Subclassed, with the previous procedure kept.
    EXPECT_NE(GetPropW(custom, L"OLDWNDPROC"), nullptr);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(custom, GWLP_WNDPROC)), StandardControlProc);

    EXPECT_EQ(CreateControl(ctx, L"", nullptr, 12, L"", 0, 0, 1, 1, WS_CHILD, 0, StandardControlProc), nullptr);
}

TEST_F(FormTest, ToolTipTextWithLineBreakGetsATitle) {
    ASSERT_NE(MakeForm(L"QlnTestForm_Tips", 300, 200), nullptr);
    HWND button = Control(L"BUTTON", 20, 10, 10, 80, 24);
    // The title is not readable back under every comctl32, but it takes a line of its own:
    // the titled bubble is taller than the same body alone.
    HWND titled = CreateToolTip(button, L"标题\r\n正文", false, 0, 0, 0, 0);
    HWND plain = CreateToolTip(button, L"正文", false, 0, 0, 0, 0);
    ASSERT_NE(titled, nullptr);
    ASSERT_NE(plain, nullptr);
    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = button;
    wchar_t text[100] = {};
    tool.lpszText = text;
    SendMessageW(titled, TTM_GETTEXTW, 100, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, L"正文");
    const LRESULT titledSize = SendMessageW(titled, TTM_GETBUBBLESIZE, 0, reinterpret_cast<LPARAM>(&tool));
    const LRESULT plainSize = SendMessageW(plain, TTM_GETBUBBLESIZE, 0, reinterpret_cast<LPARAM>(&tool));
    EXPECT_GT(HIWORD(titledSize), HIWORD(plainSize));
    DestroyWindow(titled);
    DestroyWindow(plain);

    // Through the control object: an empty text removes the tooltip.
    wnd::SetToolTip(button, L"提示");
    EXPECT_NE(GetControlObject(button)->toolTipWindow, nullptr);
    wnd::SetToolTip(button, L"");
    EXPECT_EQ(GetControlObject(button)->toolTipWindow, nullptr);
}

TEST_F(FormTest, ABurstOfLabelChangesPaintsOnce) {
    ASSERT_NE(MakeForm(L"QlnTestForm_Paint", 300, 200), nullptr);
    CreateLabel(form, L"Label1", 103, 10, 10, 100, 20, L"");
    ShowWindow(form, SW_SHOW);
    UpdateWindow(form);
    test::PumpMessages(100);
    g_paints = 0;
    windowless::SetCaption(form, 103, L"一");
    windowless::SetCaption(form, 103, L"二");
    windowless::SetCaption(form, 103, L"三");
    EXPECT_EQ(g_paints, 0);
    test::PumpMessages(150);
    EXPECT_EQ(g_paints, 1);
    EXPECT_EQ(windowless::Caption(form, 103), L"三");
}

TEST_F(FormTest, AnInvisibleFrameHidesWhatLiesInsideIt) {
    ASSERT_NE(MakeForm(L"QlnTestForm_Frame", 400, 300), nullptr);
    CreateFrame(form, L"Frame1", 104, 10, 10, 200, 200, L"选择草图版本");
    HWND list = Control(L"LISTBOX", 105, 20, 30, 180, 170, WS_CHILD | WS_VISIBLE | WS_VSCROLL);
    HWND outside = Control(L"BUTTON", 106, 250, 30, 80, 24);
    CreateLabel(form, L"Label1", 107, 20, 205, 50, 20, L"部分在外");  // mostly outside
    CreateLabel(form, L"Label2", 108, 20, 20, 50, 20, L"在内");
    ShowWindow(form, SW_SHOW);
    frame::ComputeContents(form);

    windowless::SetVisible(form, 104, false);
    EXPECT_FALSE(IsWindowVisible(list));
    EXPECT_TRUE(IsWindowVisible(outside));
    EXPECT_FALSE(windowless::Visible(form, 108));
    EXPECT_TRUE(windowless::Visible(form, 107));

    windowless::SetEnabled(form, 104, false);
    EXPECT_FALSE(IsWindowEnabled(list));
    EXPECT_TRUE(IsWindowEnabled(outside));
    windowless::SetVisible(form, 104, true);
    EXPECT_TRUE(IsWindowVisible(list));
}

TEST_F(FormTest, StatusBarPartsShareTheWidthLeft) {
    ASSERT_NE(MakeForm(L"QlnTestForm_Status", 400, 300, WS_POPUP), nullptr);
    // A client exactly 400 logical pixels wide, whatever the DPI.
    SetWindowPos(form, nullptr, 0, 0, ScaleRounded(400, ScreenFactorX()), 300, SWP_NOMOVE | SWP_NOZORDER);
    HWND bar = Control(L"STATUSBAR", 30, 0, 0, 0, 0, WS_CHILD | WS_VISIBLE);
    ASSERT_NE(bar, nullptr);
    for (int width : {55, 110, 65, 0}) statusbar::AddPanel(bar, L"", L"", 0, width, "");
    int edges[8] = {};
    ASSERT_EQ(SendMessageW(bar, SB_GETPARTS, 8, reinterpret_cast<LPARAM>(edges)), 4);
    if (Dpi() == 96) {
        EXPECT_EQ(edges[0], 55);
        EXPECT_EQ(edges[1], 165);
        EXPECT_EQ(edges[2], 230);
        EXPECT_EQ(edges[3], 400);
    } else {
        EXPECT_EQ(edges[0], 82);
        EXPECT_EQ(edges[3], 600);
    }
    statusbar::SetPanelText(bar, 1, L"张三");
    EXPECT_EQ(statusbar::PanelText(bar, 1), L"张三");
    statusbar::RemovePanel(bar, 0);
    EXPECT_EQ(statusbar::PanelCount(bar), 3);
    EXPECT_EQ(statusbar::PanelText(bar, 0), L"张三");
}

TEST_F(FormTest, AnchorNineKeepsItsMarginsThroughResizes) {
    ASSERT_NE(MakeForm(L"QlnTestForm_Anchor", 400, 300), nullptr);
    HWND button = Control(L"BUTTON", 40, 300, 250, 60, 24);
    ControlObject* o = GetControlObject(button);
    o->layout = {300, 250, 60, 24, 9, 10, 10, 0, 0};
    const float f = ScreenFactorX();
    for (int size : {500, 360, 700}) {
        SetWindowPos(form, nullptr, 0, 0, ScaleRounded(size, f), ScaleRounded(size, f), SWP_NOMOVE | SWP_NOZORDER);
        RECT client, r;
        GetClientRect(form, &client);
        GetWindowRect(button, &r);
        MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
        const int W = UnscaleXInt(client.right), H = UnscaleXInt(client.bottom);
        EXPECT_EQ(o->layout.designLeft, W - 60 - 10) << size;
        EXPECT_EQ(o->layout.designTop, H - 24 - 10) << size;
        EXPECT_EQ(r.left, ScaleXInt(W - 70)) << size;
        EXPECT_EQ(r.top, ScaleXInt(H - 34)) << size;
    }
}

TEST_F(FormTest, CentringKeepsAnOversizedWindowAtTheWorkAreaEdge) {
    ASSERT_NE(MakeForm(L"QlnTestForm_Centre", 200, 100, WS_POPUP), nullptr);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    CenterWindow(form, nullptr);
    RECT r;
    GetWindowRect(form, &r);
    EXPECT_EQ(r.left, work.left + ((work.right - work.left) - (r.right - r.left)) / 2);

    SetWindowPos(form, nullptr, 0, 0, work.right - work.left + 300, work.bottom - work.top + 200,
                 SWP_NOMOVE | SWP_NOZORDER);
    CenterWindow(form, nullptr);
    GetWindowRect(form, &r);
    EXPECT_EQ(r.left, work.left);
    EXPECT_EQ(r.top, work.top);
}

TEST_F(FormTest, OperationsOnMissingWindowsDoNothing) {
    HWND gone = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7FFF0));
    EXPECT_EQ(wnd::Width(gone), 0);
    EXPECT_EQ(wnd::Caption(gone), L"");
    EXPECT_EQ(listbox::ListCount(gone), 0);
    EXPECT_EQ(windowless::Caption(gone, 1), L"");
    ASSERT_NE(MakeForm(L"QlnTestForm_Missing", 200, 100), nullptr);
    EXPECT_EQ(windowless::Caption(form, 999), L"");
    EXPECT_EQ(wnd::SetUserData(form, 100, 1), -1);
    EXPECT_EQ(wnd::SetUserData(form, 99, 7), 0);
    EXPECT_EQ(wnd::UserData(form, 99), 7);
}

}  // namespace
}  // namespace qln
