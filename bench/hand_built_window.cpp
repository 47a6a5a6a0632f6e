// The second yardstick of bench/run_startup_bench.sh: the installer's first view built by hand
// in plain Win32, with the installer's resources (manifest, icons). The same windows of the same
// classes, styles and sizes (main window, tab control with three tabs, the plugin page, its
// icon buttons, version list, hidden progress bar, the status bar with its four panels; no
// tooltip windows, as the installer makes them on the first hover), the same font, the page's
// labels and frame drawn in its paint, and the version list filled after the window is shown.
// No form framework, no GDI+, no scans, no registry.
// What the installer costs over this is what its own code costs; what this costs over the
// bare window is what the windows themselves cost.
#include <windows.h>
#include <commctrl.h>

#include "app/startup_trace.h"
#include "ui/page_styles.h"

namespace {

namespace styles = qln::styles;

constexpr UINT kFill = WM_APP + 1;
int g_dpi = 96;
HFONT g_font = nullptr;
HWND g_list = nullptr, g_status = nullptr;

int Px(int logical) { return MulDiv(logical, g_dpi, 96); }

HWND Child(const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, int x, int y, int w, int h,
           HWND parent, int id) {
    HWND window = CreateWindowExW(exStyle, cls, text, style, Px(x), Px(y), Px(w), Px(h), parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                  nullptr);
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(g_font), FALSE);
    return window;
}

void PaintPage(HWND page) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(page, &ps);
    HGDIOBJ old = SelectObject(dc, g_font);
    SetBkMode(dc, TRANSPARENT);
    RECT frame = {Px(11), Px(15) + Px(8), Px(211), Px(199)};
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    RECT caption = {Px(19), Px(15), Px(120), Px(31)};
    DrawTextW(dc, L"选择草图版本", -1, &caption, DT_SINGLELINE | DT_NOCLIP);
    RECT label2 = {Px(263), Px(81), Px(363), Px(101)};
    DrawTextW(dc, L"安装/更新插件", -1, &label2, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    RECT label3 = {Px(263), Px(179), Px(363), Px(199)};
    DrawTextW(dc, L"启动草图大师", -1, &label3, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);
    EndPaint(page, &ps);
}

LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PaintPage(window);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kFill:
        // The installer lists its versions once the window is up; the same two lines here.
        SendMessageW(g_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"SketchUp 2023"));
        SendMessageW(g_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"SketchUp 2021"));
        SendMessageW(g_list, LB_SETCURSEL, 0, 0);
        SendMessageW(g_status, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L"用户"));
        SendMessageW(g_status, SB_SETTEXTW, 3, reinterpret_cast<LPARAM>(L"2026-01-01"));
        QLN_TRACE("filled");
        return 0;
    case WM_CLOSE:
        QLN_TRACE("WM_CLOSE");
        break;
    case WM_DESTROY:
        QLN_TRACE("WM_DESTROY");
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

ATOM Register(const wchar_t* name, WNDPROC proc) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    return RegisterClassExW(&wc);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    QLN_TRACE("main");
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES |
                                                 ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    Register(L"QlnHandBuiltWindow", MainProc);
    Register(L"QlnHandBuiltPage", PageProc);
    HDC screen = GetDC(nullptr);
    g_dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    g_font = CreateFontW(-MulDiv(9, g_dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_TT_PRECIS, 0, 0, 0,
                         L"Microsoft YaHei");

    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = Px(430), height = Px(320);
    HWND main = CreateWindowExW(styles::kMainFormEx, L"QlnHandBuiltWindow", L"Quorlen插件安装器", styles::kMainForm,
                                work.left + (work.right - work.left - width) / 2,
                                work.top + (work.bottom - work.top - height) / 2, width, height, nullptr, nullptr,
                                instance, nullptr);
    QLN_TRACE("CreateWindow");
    SendMessageW(main, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadImageW(instance, L"AAAAA_APPICON", IMAGE_ICON, 48, 48, LR_SHARED)));
    SendMessageW(main, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(LoadImageW(instance, L"AAAAA_APPICON", IMAGE_ICON, 32, 32, LR_SHARED)));

    HWND tab = Child(WC_TABCONTROLW, L"", styles::kTabControl, WS_EX_CONTROLPARENT, 0, 0, 400, 260, main, 102);
    const wchar_t* tabs[] = {L"插件管理", L"实用工具", L"窗口管理"};
    for (int i = 0; i < 3; ++i) {
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(tabs[i]);
        SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(tab, TCM_SETITEMSIZE, 0, MAKELPARAM(Px(80), Px(22)));
    SendMessageW(tab, TCM_SETPADDING, 0, MAKELPARAM(Px(4), Px(4)));
    RECT display = {0, 0, Px(430), Px(297)};
    SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    HWND page = CreateWindowExW(styles::kPageFormEx, L"QlnHandBuiltPage", L"插件管理", styles::kPageForm | WS_VISIBLE, display.left,
                                display.top, display.right - display.left, display.bottom - display.top, tab,
                                nullptr, instance, nullptr);
    QLN_TRACE("tabs and page");

    HWND group = Child(L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, 0, 378, 2, 36, 36, page, 102);
    SendMessageW(group, STM_SETICON,
                 reinterpret_cast<WPARAM>(LoadImageW(instance, L"ICON_HELP", IMAGE_ICON, Px(24), Px(24), 0)), 0);
    HWND launch = Child(L"BUTTON", L"", styles::kIconButton, 0, 288, 124, 50, 50, page, 105);
    SendMessageW(launch, BM_SETIMAGE, IMAGE_ICON,
                 reinterpret_cast<LPARAM>(LoadImageW(instance, L"ICON_SKETCHUP", IMAGE_ICON, Px(32), Px(32), 0)));
    Child(PROGRESS_CLASSW, L"", styles::kHiddenProgressBar, 0, 11, 210, 269, 20, page, 107);
    HWND install = Child(L"BUTTON", L"", styles::kIconButtonMultiline, 0, 288, 26, 50, 50, page, 109);
    SendMessageW(install, BM_SETIMAGE, IMAGE_ICON,
                 reinterpret_cast<LPARAM>(LoadImageW(instance, L"AAAAA_APPICON", IMAGE_ICON, Px(32), Px(32), 0)));
    g_list = Child(L"LISTBOX", L"", styles::kSortedList, WS_EX_CLIENTEDGE, 15, 36, 193, 160, page, 110);
    QLN_TRACE("page controls");

    g_status = Child(STATUSCLASSNAMEW, L"", styles::kStatusBar, 0, 0, 0, 0, 0, main, 103);
    const int edges[] = {Px(55), Px(165), Px(230), -1};
    SendMessageW(g_status, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(edges));
    SendMessageW(g_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"\t用户名"));
    SendMessageW(g_status, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(L"\t系统时间"));
    QLN_TRACE("status bar");

    PostMessageW(main, kFill, 0, 0);
    ShowWindow(main, SW_SHOWNORMAL);
    QLN_TRACE("ShowWindow");
    UpdateWindow(main);
    QLN_TRACE("UpdateWindow");
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(main, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    QLN_TRACE("exit");
    QLN_TRACE_WRITE();
    ExitProcess(0);
}
