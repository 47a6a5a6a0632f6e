#include "ui/version_lists.h"

#include <algorithm>
#include <vector>

#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "forms/controls/windowless.h"
#include "ui/app_look.h"

namespace qln {

void PageVersionList::AddText(std::wstring_view text) { listbox::AddItem(list_, std::wstring(text)); }
void PageVersionList::Clear() { listbox::Clear(list_); }
int PageVersionList::Count() { return listbox::ListCount(list_); }
void PageVersionList::SelectFirst() { listbox::SetListIndex(list_, 0); }
void PageVersionList::SetCaption(std::wstring_view caption) {
    windowless::SetCaption(page_, frameId_, std::wstring(caption));
}

void FillVersionList(HWND page, HWND list, int frameId) {
    PageVersionList target(page, list, frameId);
    FillVersionsFromRegistry(target, target);
}

bool CheckVersionSelection(HWND page, HWND list, std::wstring& entry) {
    if (listbox::ListCount(list) == 0) {
        ShowMessage(page, L"未检测到已安装的草图大师，请先安装草图大师！");
        return false;
    }
    entry = listbox::SelectedText(list);
    if (listbox::ListIndex(list) == -1 && entry.empty()) {
        ShowMessage(page, L"请选择要操作的草图版本！");
        return false;
    }
    return true;
}

namespace {
// Touched by the GUI thread only, which builds and destroys the pages.
std::vector<HWND> g_versionLists;
}  // namespace

void RegisterVersionList(HWND list) {
    if (list && std::find(g_versionLists.begin(), g_versionLists.end(), list) == g_versionLists.end())
        g_versionLists.push_back(list);
}

void WithdrawVersionList(HWND list) { std::erase(g_versionLists, list); }

void MirrorSelection(HWND list) {
    const int index = listbox::ListIndex(list);
    if (index == -1 && listbox::SelectedText(list).empty()) return;
    for (HWND other : g_versionLists)
        if (other != list) SendMessageW(other, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

}  // namespace qln
