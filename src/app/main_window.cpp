#include "app/main_window.h"

#include <windows.h>

#include "app/app_info.h"
#include "app/startup.h"
#include "forms/form_engine.h"

namespace qln {

namespace {

constexpr int kWidth = 430;
constexpr int kHeight = 320;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void RunMainWindow() {
    const ATOM atom = RegisterFormClass(L"Quorlen插件安装器_Form1", AppInfo.Instance, MainWindowProc);
    if (!atom) return;
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + (work.right - work.left - kWidth) / 2;
    const int y = work.top + (work.bottom - work.top - kHeight) / 2;
    HWND window = CreateWindowExW(0, MAKEINTATOM(atom), kAppTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y,
                                  kWidth, kHeight, nullptr, nullptr, AppInfo.Instance, nullptr);
    if (!window) return;
    auto* bigIcon = LoadImageW(AppInfo.Instance, L"AAAAA_APPICON", IMAGE_ICON, 48, 48, LR_SHARED);
    auto* smallIcon = LoadImageW(AppInfo.Instance, L"AAAAA_APPICON", IMAGE_ICON, 32, 32, LR_SHARED);
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    MSG msg;
    while (IsWindow(window) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace qln
