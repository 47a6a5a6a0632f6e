// A program for the modal loop's mouse-wheel rule. The loop decides by the Windows version
// the process sees, which Wine fixes when a process starts, so the tests run this program
// under a version chosen for it and read the outcome from its exit code.
//
// It runs a modal form split into two panes, puts the cursor over the right pane, posts one
// wheel message to the left pane and ends the loop. Exit code: the version the process sees
// (major × 10 + minor, as GetVersionExW reports it) × 10, plus 1 when the right pane (under
// the cursor) received the wheel, 2 when the left pane did, 0 when neither did.
#include <windows.h>

#include "forms/engine/control_object.h"
#include "forms/engine/form_engine.h"

namespace {

using namespace qln;

constexpr UINT_PTR kPostWheel = 1, kEnd = 2;
HWND g_left = nullptr, g_right = nullptr;
int g_receiver = 0;

LRESULT CALLBACK PaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEWHEEL) {
        if (g_receiver == 0) g_receiver = window == g_right ? 1 : 2;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK ProbeFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kPostWheel) {
        KillTimer(window, kPostWheel);
        RECT r = {};
        GetWindowRect(g_right, &r);
        const POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        SetCursorPos(centre.x, centre.y);
        PostMessageW(g_left, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(centre.x, centre.y));
        return 0;
    }
    if (message == WM_TIMER && wParam == kEnd) {
        KillTimer(window, kEnd);
        SendMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    }
    return StandardFormProc(window, message, wParam, lParam, nullptr);
}

int SeenVersion() {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info)) return 0;
#pragma GCC diagnostic pop
    return static_cast<int>(info.dwMajorVersion * 10 + info.dwMinorVersion);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = PaneProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"QlnWheelPane";
    RegisterClassExW(&wc);

    auto* ctx = new FormContext;
    InitFormContext(ctx, L"QlnWheelProbe");
    HWND form = CreateFormWindow(ctx, nullptr, L"滚轮", ProbeFormProc, 300, 200, WS_POPUP | WS_CLIPCHILDREN,
                                 WS_EX_TOPMOST);
    if (!form) return 9;
    AttachControlObject(form, ControlKindTag::Form, L"Form1", 0);
    SetWindowPos(form, HWND_TOPMOST, 100, 100, 0, 0, SWP_NOSIZE);
    RECT client = {};
    GetClientRect(form, &client);
    const int half = client.right / 2;
    g_left = CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, half, client.bottom, form, nullptr,
                             instance, nullptr);
    g_right = CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE, half, 0, client.right - half,
                              client.bottom, form, nullptr, instance, nullptr);
    SetTimer(form, kPostWheel, 100, nullptr);
    SetTimer(form, kEnd, 600, nullptr);
    ShowForm(ctx, -1, form, nullptr, SW_SHOWNORMAL, 0);
    return SeenVersion() * 10 + g_receiver;
}
