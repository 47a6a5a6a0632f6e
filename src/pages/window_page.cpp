#include "pages/window_page.h"

#include <tlhelp32.h>

#include <vector>

#include "discovery/version_rules.h"
#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "forms/controls/windowless.h"
#include "forms/engine/builder.h"
#include "ui/app_look.h"
#include "ui/page_styles.h"

namespace qln {

Form4Record Form4;

namespace {

constexpr UINT kHomeFlags = SWP_NOSIZE | SWP_NOOWNERZORDER;  // 0x201: comes to the top, no z-order lock
constexpr int kShakeOffset = 15;
constexpr int kShakeRounds = 20;

std::vector<DWORD> SketchUpProcessIds() {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (IsSketchUpExeName(entry.szExeFile)) ids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return ids;
}

struct Collection {
    HWND list;
    const std::vector<DWORD>* ids;
};

BOOL CALLBACK CollectSketchUpWindow(HWND window, LPARAM param) {
    const auto* c = reinterpret_cast<const Collection*>(param);
    if (!IsWindowVisible(window)) return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    for (DWORD id : *c->ids) {
        if (id != pid) continue;
        wchar_t title[256] = {};
        GetWindowTextW(window, title, 256);
        const int line = static_cast<int>(SendMessageW(c->list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title)));
        SendMessageW(c->list, LB_SETITEMDATA, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(window));
        break;
    }
    return TRUE;
}

void Shake(HWND target) {
    RECT r = {};
    GetWindowRect(target, &r);
    int d = kShakeOffset;
    for (int i = 0; i < kShakeRounds; ++i) {
        SetWindowPos(target, HWND_TOP, r.left + d, r.top + d, 0, 0, kHomeFlags);
        SetWindowPos(target, HWND_TOP, r.left, r.top, 0, 0, kHomeFlags);
        d = -d;
    }
}

void ShowSelectionToolTip(HWND list) {
    wnd::SetToolTip(list, listbox::SelectedText(list));
}

void LoadForm4(HWND page, LPARAM) { RefreshWindowList(page); }

LRESULT CALLBACK Form4Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == form4_ids::kList1 && code == LBN_SELCHANGE) {
            ShowSelectionToolTip(Form4.list);
            return 0;
        }
        if (code != BN_CLICKED) break;
        const ControlObject* o = GetControlObject(reinterpret_cast<HWND>(lParam));
        if (!o) break;
        if (o->name == L"Command1") {
            RefreshWindowList(window);
            return 0;
        }
        if (o->name == L"Command2" && o->index >= 0 && o->index < 7) {
            ApplyWindowAction(window, o->index);
            return 0;
        }
        break;
    }
    case WM_DESTROY:
        Form4 = {};
        break;
    }
    return StandardFormProc(window, message, wParam, lParam, LoadForm4);
}

}  // namespace

void RefreshWindowList(HWND page) {
    const std::vector<DWORD> ids = SketchUpProcessIds();
    listbox::Clear(Form4.list);
    windowless::SetCaption(page, form4_ids::kFrame1, ids.empty() ? L"无可操作窗口" : L"选择操作窗口");
    if (!ids.empty()) {
        Collection c{Form4.list, &ids};
        EnumDesktopWindows(nullptr, CollectSketchUpWindow, reinterpret_cast<LPARAM>(&c));
        if (listbox::ListCount(Form4.list) > 0) listbox::SetListIndex(Form4.list, 0);
    }
    // Selecting by message tells no one: the tooltip would go on naming a line of the old list.
    ShowSelectionToolTip(Form4.list);
}

void ApplyWindowAction(HWND page, int index) {
    const int line = listbox::ListIndex(Form4.list);
    if (line < 0) {
        ShowMessage(page, L"请选中要操作的窗口再操作！");
        return;
    }
    HWND target = reinterpret_cast<HWND>(listbox::ItemData(Form4.list, line));
    if (!IsWindow(target)) {
        // The page lives inside the main window, which owns this message.
        ShowMessage(GetAncestor(page, GA_ROOT), L"窗口已被销毁，请刷新列表后再操作！");
        return;
    }
    switch (index) {
    case 0: SetWindowPos(target, HWND_TOP, 0, 0, 0, 0, kHomeFlags); break;
    case 1: SetWindowPos(target, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); break;
    case 2: SetWindowPos(target, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); break;
    case 3: EnableWindow(target, FALSE); break;
    case 4: EnableWindow(target, TRUE); break;
    case 5: Shake(target); break;
    case 6:
        SendMessageW(target, WM_CLOSE, 0, 0);
        RefreshWindowList(page);
        break;
    }
}

HWND BuildForm4(HWND parent, LPARAM loadArgument) {
    HWND page = BuildForm(parent, {L"Quorlen插件安装器_Form4", L"Form4", L"窗口管理", 416, 239, styles::kPageForm,
                                   WS_EX_CONTROLPARENT, Form4Proc});
    if (!page) return nullptr;
    Form4 = {};
    Form4.window = page;
    Form4.list = BuildControl(page, nullptr, {L"LISTBOX", L"List1", form4_ids::kList1, -1, L"", 15, 36, 193, 185, styles::kList,
                                              WS_EX_CLIENTEDGE, nullptr, kPageFont});
    StyleVersionList(Form4.list);
    Form4.refresh = BuildControl(page, nullptr, {L"BUTTON", L"Command1", form4_ids::kCommand1, -1, L"刷新列表", 232, 41, 80, 30,
                                                 styles::kTextButton, 0, L"刷新窗口列表", kPageFont});
    auto action = [&](int id, int index, const wchar_t* caption, int x, int y, const wchar_t* tip) {
        Form4.actions[index] = BuildControl(
            page, nullptr, {L"BUTTON", L"Command2", id, index, caption, x, y, 80, 30, styles::kTextButton, 0, tip, kPageFont});
    };
    action(104, 0, L"重置位置", 317, 41, L"将窗口移到屏幕左上角");
    CreateFrame(page, L"Frame1", form4_ids::kFrame1, 11, 15, 200, 210, L"选择操作窗口");
    StylePageFrame(page, form4_ids::kFrame1);
    CreateFrame(page, L"Frame2", form4_ids::kFrame2, 224, 15, 180, 210, L"窗口管理");
    StylePageFrame(page, form4_ids::kFrame2);
    action(107, 1, L"窗口置顶", 232, 89, L"将窗口位于顶层");
    action(108, 2, L"取消置顶", 317, 89, L"取消窗口顶层");
    action(109, 3, L"禁用窗口", 232, 137, L"使窗口不接收鼠标键盘操作");
    action(110, 4, L"解除禁用", 317, 137, L"使窗口接收鼠标键盘操作");
    action(111, 5, L"抖动窗口", 232, 186, L"标记窗口位置");
    action(112, 6, L"关闭窗口", 317, 186, L"关掉窗口");

    SetFocus(Form4.list);
    PostMessageW(page, FM_LOADED, kFormLoadedParam, loadArgument);
    ShowForm(GetFormContext(page), 0, page, parent, SW_SHOWNORMAL, 0);
    return page;
}

}  // namespace qln
