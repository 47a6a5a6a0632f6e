// Stands in for SketchUp in tests and in the demo: one ordinary top-level window, open until
// it is closed. Copied under the names the installer looks for (SketchUp.exe and others).
// Switches give it the other windows a SketchUp can have:
//   --title <text>   the main window's title (default "无标题 - SketchUp")
//   --untitled       one more visible window, without a title
//   --hidden         one more window, never shown ("隐藏的窗口")
// The process ends when its main window is closed.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

HWND g_main = nullptr;

LRESULT CALLBACK StandinProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY && window == g_main) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeWindow(HINSTANCE instance, const wchar_t* title, int x, int y) {
    return CreateWindowExW(0, L"QlnStandinSketchUp", title, WS_OVERLAPPEDWINDOW, x, y, 480, 320, nullptr, nullptr,
                           instance, nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = StandinProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"QlnStandinSketchUp";
    RegisterClassExW(&wc);

    std::wstring title = L"无标题 - SketchUp";
    bool untitled = false, hidden = false;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; ++i) {
        const std::wstring a = argv[i];
        if (a == L"--title" && i + 1 < argc) title = argv[++i];
        if (a == L"--untitled") untitled = true;
        if (a == L"--hidden") hidden = true;
    }
    LocalFree(argv);

    g_main = MakeWindow(instance, title.c_str(), 200, 150);
    ShowWindow(g_main, SW_SHOW);
    if (hidden) MakeWindow(instance, L"隐藏的窗口", 240, 190);
    if (untitled) ShowWindow(MakeWindow(instance, L"", 280, 230), SW_SHOWNOACTIVATE);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
