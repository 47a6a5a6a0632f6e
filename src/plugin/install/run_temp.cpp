#include "plugin/install/run_temp.h"

#include <windows.h>

#include <mutex>

#include "plugin/install/install_fs.h"
#include "plugin/install/private_folder.h"

namespace qln {

namespace {

std::mutex g_lock;  // the page's worker and the GUI thread may both ask
std::wstring g_folder;

}  // namespace

std::wstring RunTempFolder() {
    std::lock_guard<std::mutex> guard(g_lock);
    if (!g_folder.empty() && install::IsFolderAttr(install::Attributes(g_folder))) return g_folder;
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) return {};
    std::wstring parent(temp, length);
    while (!parent.empty() && parent.back() == L'\\') parent.pop_back();
    DWORD error = 0;
    g_folder = install::CreatePrivateFolder(parent, L"qln-", error);
    return g_folder;
}

void RemoveRunTempFolder() {
    std::lock_guard<std::mutex> guard(g_lock);
    if (!g_folder.empty()) install::RemoveTree(g_folder);
    g_folder.clear();
}

}  // namespace qln
