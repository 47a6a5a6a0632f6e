#include "app/main_form.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>

#include "app/startup_trace.h"
#include "discovery/discovery.h"
#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "forms/engine/builder.h"
#include "forms/layout/layout.h"
#include "forms/layout/layout_rules.h"
#include "forms/layout/screen.h"
#include "pages/utilities_page.h"
#include "pages/window_page.h"
#include "plugin/plugin_page.h"
#include "ui/app_look.h"
#include "ui/page_styles.h"
#include "ui/version_lists.h"

namespace qln {

Form1Record Form1;

namespace {

using PageBuilder = HWND (*)(HWND parent, LPARAM loadArgument);
struct Page {
    const wchar_t* label;
    PageBuilder build;
};
const Page kPages[] = {{L"插件管理", BuildForm2}, {L"实用工具", BuildForm3}, {L"窗口管理", BuildForm4}};
constexpr int kPageCount = static_cast<int>(sizeof(kPages) / sizeof(kPages[0]));

// Which pages have had their builder run under the current window: a builder that returned no
// window is not asked again, so its tab stays empty as it would have from the start.
bool g_pageBuilt[kPageCount] = {};

// Posted by the window's first paint: the pages under the other tabs are built and loaded then,
// so that they hold what they would have held from the start, without delaying the first frame.
constexpr UINT kBuildLaterPagesMessage = WM_APP + 7;
bool g_laterPagesPosted = false;

void LoadForm1(HWND, LPARAM) {
    statusbar::SetPanelText(Form1.status, 1, GetCurrentUserName());
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t date[16];
    FormatDate(now, date);
    statusbar::SetPanelText(Form1.status, 3, date);
    InvalidateRect(Form1.status, nullptr, TRUE);
    UpdateWindow(Form1.status);
    QLN_TRACE("loaded (the plugin page's load handler and Form1's)");
}

void OnSize(HWND window, WPARAM type, LPARAM lParam) {
    if (type != SIZE_MINIMIZED) {
        statusbar::LayoutParts(Form1.status);
        ApplyAnchorLayout(window);
    }
    // Without a tab control (it could not be created) only the status bar is placed.
    if (!Form1.tabControl) return;
    RECT bar = {};
    if (Form1.status) GetWindowRect(Form1.status, &bar);
    int width = LOWORD(lParam);
    int height = HIWORD(lParam) - (bar.bottom - bar.top);
    RECT current = {};
    GetWindowRect(Form1.tabControl, &current);
    if (width <= 0) width = current.right - current.left;
    if (height <= 0) height = current.bottom - current.top;
    SetWindowPos(Form1.tabControl, nullptr, 0, 0, width, height, SWP_NOZORDER);
}

LRESULT CALLBACK Form1Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (!Form1.tabControl && !Form1.status) break;  // still being built
        OnSize(window, wParam, lParam);
        return 0;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (static_cast<int>(header->idFrom) != Form1.tabControlId) break;
        if (header->code == TCN_SELCHANGING) {
            if (HWND page = tabs::Page(Form1.tabControl, tabs::Selection(Form1.tabControl))) ShowWindow(page, SW_HIDE);
        } else if (header->code == TCN_SELCHANGE) {
            if (HWND page = EnsurePage(tabs::Selection(Form1.tabControl))) ShowWindow(page, SW_SHOW);
            SetFocus(Form1.tabControl);
        }
        break;
    }
    case WM_PAINT: {
        const LRESULT painted = StandardFormProc(window, message, wParam, lParam, LoadForm1);
        if (!g_laterPagesPosted) g_laterPagesPosted = PostMessageW(window, kBuildLaterPagesMessage, 0, 0) != FALSE;
        return painted;
    }
    case kBuildLaterPagesMessage:
        // The pages and controls still waiting for their first paint get it before the building.
        RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        EnsureAllPages();
        QLN_TRACE("later pages built");
        return 0;
    case WM_CLOSE:
        QLN_TRACE("WM_CLOSE");
        // A download is cancelled; an installation is let finish (or roll back) first, after
        // which the plugin page closes this window itself.
        if (!PluginPageMayClose()) return 0;
        break;
    case WM_DROPFILES: {
        // A package dropped anywhere on the window goes to the plugin page, one file at a time.
        const auto drop = reinterpret_cast<HDROP>(wParam);
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        std::wstring path;
        if (count == 1) {
            path.resize(DragQueryFileW(drop, 0, nullptr, 0) + 1);
            path.resize(DragQueryFileW(drop, 0, path.data(), static_cast<UINT>(path.size())));
        }
        DragFinish(drop);
        if (count != 1)
            ShowMessage(window, L"一次只能安装一个插件包，请只拖入一个 .rbz 文件！");
        else
            InstallLocalPackage(PluginPageWindow(), path);
        return 0;
    }
    case WM_DESTROY: {
        QLN_TRACE("WM_DESTROY");
        HIMAGELIST images = Form1.tabImages;
        Form1 = {};
        LRESULT result = StandardFormProc(window, message, wParam, lParam, LoadForm1);
        if (images) ImageList_Destroy(images);
        return result;
    }
    }
    return StandardFormProc(window, message, wParam, lParam, LoadForm1);
}

// The tab control refits its pages whenever it is sized.
LRESULT TabControlHook(HWND window, UINT message, WPARAM, LPARAM, ControlObject*) {
    if (message == WM_SIZE) tabs::ResizePages(window);
    return 0;
}

void StatusBarDestroy(HWND window, ControlObject*) { statusbar::ClearIcons(window); }

// Steps 3 to 6 of the main window's building, once TabControl1 exists: its image list, the
// three tabs with the first page under its tab, page 0 shown, item size, padding and the pages
// fitted. The pages under the other tabs cost a third of the start and nobody sees them before
// their tab is chosen: they are built after the first paint (or by EnsurePage, when their tab
// is chosen before that).
void BuildTabsAndPages() {
    GetControlObject(Form1.tabControl)->hooks.handle = TabControlHook;
    const int icon = RoundHalfEven(16 * static_cast<double>(ScreenFactorX()));
    Form1.tabImages = ImageList_Create(icon, icon, ILC_COLOR32 | ILC_MASK, 2, 10);
    tabs::SetImageList(Form1.tabControl, Form1.tabImages);

    for (const Page& page : kPages) {
        TCITEMW item = {};
        item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
        item.pszText = const_cast<wchar_t*>(page.label);
        item.iImage = -1;
        const int index = static_cast<int>(SendMessageW(Form1.tabControl, TCM_INSERTITEMW,
                                                        static_cast<WPARAM>(tabs::Count(Form1.tabControl)),
                                                        reinterpret_cast<LPARAM>(&item)));
        if (&page != &kPages[0]) continue;
        HWND window = page.build(Form1.tabControl, 0);
        g_pageBuilt[0] = true;
        tabs::SetPage(Form1.tabControl, index, window);
        if (window) ShowWindow(window, SW_HIDE);
        QLN_TRACE("page built");
    }
    SendMessageW(Form1.tabControl, TCM_SETCURSEL, 0, 0);
    if (HWND first = tabs::Page(Form1.tabControl, 0)) ShowWindow(first, SW_SHOW);
    ControlObject* tab = GetControlObject(Form1.tabControl);
    tab->layout.designLeft = 0;
    tab->layout.designTop = 0;
    tab->layout.designWidth = 400;
    tab->layout.designHeight = 260;
    tabs::SetItemSize(Form1.tabControl, 80, 22);
    tabs::SetPadding(Form1.tabControl, 4, 4);
    tabs::ResizePages(Form1.tabControl);
}

}  // namespace

HWND MainFormWindow() { return Form1.window; }

HWND EnsurePage(int index) {
    if (!Form1.tabControl || index < 0 || index >= kPageCount || index >= tabs::Count(Form1.tabControl)) return nullptr;
    if (g_pageBuilt[index]) return tabs::Page(Form1.tabControl, index);
    g_pageBuilt[index] = true;
    HWND window = kPages[index].build(Form1.tabControl, 0);
    tabs::SetPage(Form1.tabControl, index, window);
    if (!window) return nullptr;
    ShowWindow(window, SW_HIDE);
    tabs::ResizePages(Form1.tabControl);
    // Loaded before it is first seen, as it would have been at the start: its load handler runs
    // now rather than after the window has shown it empty.
    MSG loaded;
    while (PeekMessageW(&loaded, window, FM_LOADED, FM_LOADED, PM_REMOVE)) DispatchMessageW(&loaded);
    // Its version list joins the plugin page's selection, which may have moved meanwhile.
    if (Form2.list1 && IsWindow(Form2.list1)) MirrorSelection(Form2.list1);
    return window;
}

void EnsureAllPages() {
    for (int index = 0; index < kPageCount; ++index) EnsurePage(index);
}

void FormatDate(const SYSTEMTIME& time, wchar_t (&text)[16]) {
    std::swprintf(text, 16, L"%04u-%02u-%02u", time.wYear, time.wMonth, time.wDay);
}

HWND BuildForm1(HWND parent, int modal, LPARAM loadArgument) {
    if (Form1.window && IsWindow(Form1.window) && !Form1.createAnew && !GetParent(Form1.window)) {
        OpenIcon(Form1.window);
        FLASHWINFO flash = {sizeof(flash), Form1.window, FLASHW_ALL, 5, 100};
        FlashWindowEx(&flash);
        return Form1.window;
    }
    HWND form = BuildForm(parent, {L"Quorlen插件安装器_Form1", L"Form1", L"Quorlen插件安装器", 430, 320, styles::kMainForm,
                                   styles::kMainFormEx, Form1Proc});
    QLN_TRACE("Form1 window");
    if (!form) return nullptr;
    Form1 = {};
    Form1.window = form;
    for (bool& built : g_pageBuilt) built = false;
    g_laterPagesPosted = false;
    CenterWindow(form, nullptr);
    DragAcceptFiles(form, TRUE);

    Form1.tabControl = BuildControl(form, nullptr, {L"TABCONTROL", L"TabControl1", Form1.tabControlId, -1, L"", 0, 0,
                                                    400, 260, styles::kTabControl, WS_EX_CONTROLPARENT, nullptr, nullptr});
    // A tab control that cannot be created leaves the window without pages, as a page builder
    // that returns no window leaves its tab empty: the window still opens with its status bar.
    if (Form1.tabControl) BuildTabsAndPages();

    Form1.status = BuildControl(form, nullptr, {L"STATUSBAR", L"Status1", Form1.statusId, -1, L"", 0, 0, 0, 0,
                                                styles::kStatusBar, 0, nullptr, nullptr});
    if (Form1.status) {
        GetControlObject(Form1.status)->hooks.destroy = StatusBarDestroy;
        statusbar::AddPanel(Form1.status, L"\t用户名", L"", 0, 55, "");
        statusbar::AddPanel(Form1.status, L"\t", L"", 0, 110, "");
        statusbar::AddPanel(Form1.status, L"\t系统时间", L"", 0, 65, "");
        statusbar::AddPanel(Form1.status, L"", L"", 0, 0, "");
        wnd::SetFont(Form1.status, kPageFont);
        wnd::SetBackColor(Form1.status, kColorBtnFace);
        statusbar::SetBackColor(Form1.status, GetSysColor(COLOR_BTNFACE));
    }

    // Everything takes its final place while the window is still hidden: fitted only by the
    // load's layout after the show, the tab control, the page in it and the status bar moved
    // under the user's eyes and the whole window was painted a second time.
    RECT client = {};
    GetClientRect(form, &client);
    OnSize(form, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    QLN_TRACE("Status1, shown next");
    PostMessageW(form, FM_LOADED, kFormLoadedParam, loadArgument);
    ShowForm(GetFormContext(form), modal, form, parent, SW_SHOWNORMAL, 0);
    return form;
}

}  // namespace qln
