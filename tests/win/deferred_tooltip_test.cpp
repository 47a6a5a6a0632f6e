// A builder's tooltip costs no window at start-up: the control keeps the text, and the tooltip
// window appears on the first mouse move over the control, with that text, once.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "forms/engine/builder.h"

namespace qln {
namespace {

std::wstring ToolText(HWND tip, HWND control) {
    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = control;
    wchar_t text[100] = {};
    tool.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 100, reinterpret_cast<LPARAM>(&tool));
    return text;
}

LRESULT CALLBACK TestFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return StandardFormProc(window, message, wParam, lParam, nullptr);
}

int ToolTipWindowsOfThisThread() {
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (lstrcmpiW(name, TOOLTIPS_CLASSW) == 0) ++*reinterpret_cast<int*>(param);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST(DeferredToolTip, TheWindowComesWithTheFirstMouseMove) {
    const int before = ToolTipWindowsOfThisThread();
    HWND form = BuildForm(nullptr, {L"QlnTestForm_DeferredTip", L"Form9", L"测试", 300, 200, WS_OVERLAPPEDWINDOW, 0,
                                    TestFormProc});
    ASSERT_NE(form, nullptr);
    HWND button = BuildControl(form, nullptr, {L"BUTTON", L"Command1", 20, -1, L"按钮", 10, 10, 80, 30,
                                               WS_CHILD | WS_VISIBLE, 0, L"打开草图大师配置文件路径", nullptr});
    ASSERT_NE(button, nullptr);
    ControlObject* object = GetControlObject(button);
    EXPECT_EQ(wnd::ToolTip(button), L"打开草图大师配置文件路径");
    EXPECT_EQ(object->toolTipWindow, nullptr);
    EXPECT_EQ(ToolTipWindowsOfThisThread(), before);

    SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    HWND tip = object->toolTipWindow;
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(ToolTipWindowsOfThisThread(), before + 1);
    EXPECT_EQ(ToolText(tip, button), L"打开草图大师配置文件路径");
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);

    SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));
    EXPECT_EQ(object->toolTipWindow, tip);
    EXPECT_EQ(ToolTipWindowsOfThisThread(), before + 1);

    // Set through the property, the tooltip is made at once, as always.
    wnd::SetToolTip(button, L"新提示");
    EXPECT_FALSE(IsWindow(tip));
    ASSERT_NE(object->toolTipWindow, nullptr);
    EXPECT_EQ(ToolText(object->toolTipWindow, button), L"新提示");
    tip = object->toolTipWindow;

    DestroyWindow(form);
    EXPECT_FALSE(IsWindow(tip));
    EXPECT_EQ(ToolTipWindowsOfThisThread(), before);
}

TEST(DeferredToolTip, AControlWithoutTooltipGetsNone) {
    HWND form = BuildForm(nullptr, {L"QlnTestForm_NoTip", L"Form9", L"测试", 300, 200, WS_OVERLAPPEDWINDOW, 0,
                                    TestFormProc});
    ASSERT_NE(form, nullptr);
    HWND button = BuildControl(form, nullptr, {L"BUTTON", L"Command1", 20, -1, L"按钮", 10, 10, 80, 30,
                                               WS_CHILD | WS_VISIBLE, 0, nullptr, nullptr});
    SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(GetControlObject(button)->toolTipWindow, nullptr);
    DestroyWindow(form);
}

}  // namespace
}  // namespace qln
