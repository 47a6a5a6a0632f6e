// The yardstick of bench/run_startup_bench.sh: a bare Win32 window program that carries the
// installer's manifest (comctl32 6, DPI awareness) and shows one window of the installer's size
// and style, centred, until it is closed. Nothing else: no controls, no GDI+, no scans.
#include <windows.h>

#include "app/startup_trace.h"

namespace {

LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) QLN_TRACE("WM_CLOSE");
    if (message == WM_DESTROY) {
        QLN_TRACE("WM_DESTROY");
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    QLN_TRACE("main");
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = BareProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"QlnBareWindow";
    RegisterClassExW(&wc);
    const int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int value = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        return value;
    }();
    const int width = MulDiv(430, dpi, 96), height = MulDiv(320, dpi, 96);
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    HWND window = CreateWindowExW(0x00010100, wc.lpszClassName, L"Quorlen插件安装器", 0x86CA0000,
                                  work.left + (work.right - work.left - width) / 2,
                                  work.top + (work.bottom - work.top - height) / 2, width, height, nullptr, nullptr,
                                  instance, nullptr);
    QLN_TRACE("CreateWindow");
    ShowWindow(window, SW_SHOWNORMAL);
    QLN_TRACE("ShowWindow");
    UpdateWindow(window);
    QLN_TRACE("UpdateWindow");
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    QLN_TRACE("exit");
    QLN_TRACE_WRITE();
    ExitProcess(0);
}
