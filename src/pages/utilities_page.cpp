#include "pages/utilities_page.h"

#include <shellapi.h>

#include "discovery/discovery.h"
#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "forms/controls/windowless.h"
#include "forms/engine/builder.h"
#include "ui/app_look.h"
#include "ui/version_lists.h"
#include "ui/page_styles.h"

namespace qln {

Form3Record Form3;

namespace {

constexpr const wchar_t* kOpenFailed = L"打开路径失败，路径可能不存在！";

// Explorer on a folder; the shell's results of 30 and below are failures here.
void ExploreFolder(HWND page, const std::wstring& folder) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"explore", folder.c_str(), nullptr, nullptr, SW_SHOW));
    if (result <= 30) ShowMessage(page, kOpenFailed);
}

void OpenOrSelect(HWND page, const std::wstring& folder, const std::wstring& file) {
    if (FileExists(file)) {
        const std::wstring parameters = L"/select," + file;
        ShellExecuteW(nullptr, L"open", L"explorer.exe", parameters.c_str(), nullptr, SW_SHOW);
    } else {
        ExploreFolder(page, folder);
    }
}

void RunUtilityAction(HWND page, int index, const std::wstring& entry) {
    switch (index) {
    case 0:
    case 1: {
        const ConfigPaths paths = GetConfigPaths(entry, index + 1);
        OpenOrSelect(page, paths.folder, paths.preferencesFile);
        break;
    }
    case 2:
        ExploreFolder(page, GetPluginsDir(entry, PluginsKind::PerUser));
        break;
    case 3:
        ExploreFolder(page, GetPluginsDir(entry, PluginsKind::AllUsers));
        break;
    case 4: {
        OpenOrSelect(page, GetInstallDir(entry, false), GetInstallDir(entry, true));
        break;
    }
    case 5: {
        const std::wstring findings = CheckEnvironmentFindings(entry);
        ShowMessage(page, findings.empty() ? L"安装环境正常！" : findings.c_str(), MB_ICONINFORMATION);
        break;
    }
    }
}

void Command1_Click(HWND page, int index) {
    std::wstring entry;
    if (!CheckVersionSelection(page, Form3.list, entry)) return;
    RunUtilityAction(page, index, entry);
}

void LoadForm3(HWND page, LPARAM) { FillVersionList(page, Form3.list, form3_ids::kFrame1); }

LRESULT CALLBACK Form3Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == form3_ids::kList1 && code == LBN_SELCHANGE) {
            MirrorSelection(Form3.list);
            return 0;
        }
        if (code == BN_CLICKED) {
            const ControlObject* o = GetControlObject(reinterpret_cast<HWND>(lParam));
            if (o && o->name == L"Command1" && o->index >= 0 && o->index < 6) {
                Command1_Click(window, o->index);
                return 0;
            }
        }
        break;
    }
    case WM_DESTROY:
        WithdrawVersionList(Form3.list);
        Form3 = {};
        break;
    }
    return StandardFormProc(window, message, wParam, lParam, LoadForm3);
}

}  // namespace


std::wstring CheckEnvironmentFindings(std::wstring_view entry) {
    std::wstring text;
    int number = 0;
    auto add = [&](const wchar_t* finding) { text += std::to_wstring(++number) + finding + L"\r\n"; };
    if (HasNonAsciiChar(GetInstallDir(entry, false))) add(L"、草图大师所在路径包含中文文件夹，请重新安装");
    if (HasNonAsciiChar(GetCurrentUserName())) add(L"、计算机用户名有中文，请勿安装到插件目录1(助手安装会自动判断)");
    if (VersionYear(entry) <= 2017) add(L"、当前草图版本过低，可能不兼容，建议草图大师2017以上版本");
    return text;
}

HWND BuildForm3(HWND parent, LPARAM loadArgument) {
    HWND page = BuildForm(parent, {L"Quorlen插件安装器_Form3", L"Form3", L"插件管理", 416, 239, styles::kPageForm,
                                   WS_EX_CONTROLPARENT, Form3Proc});
    if (!page) return nullptr;
    Form3 = {};
    Form3.window = page;
    auto button = [&](int id, int index, const wchar_t* caption, int x, int y, const wchar_t* tip) {
        Form3.buttons[index] =
            BuildControl(page, nullptr, {L"BUTTON", L"Command1", id, index, caption, x, y, 80, 30, styles::kTextButton, 0,
                                         tip, kPageFont});
    };
    button(102, 0, L"配置目录1", 232, 41, L"打开草图大师配置文件路径，该文件保存用户设置");
    button(103, 3, L"插件目录2", 317, 115, L"打开不带用户名的插件启动目录(ProgramData)");
    button(104, 2, L"插件目录1", 232, 114, L"打开带用户名的插件启动目录(AppData)");
    CreateFrame(page, L"Frame2", form3_ids::kFrame2, 224, 15, 180, 210, L"功能模块");
    StylePageFrame(page, form3_ids::kFrame2);
    CreateFrame(page, L"Frame1", form3_ids::kFrame1, 11, 15, 200, 210, L"选择草图版本");
    StylePageFrame(page, form3_ids::kFrame1);
    Form3.list = BuildControl(page, nullptr, {L"LISTBOX", L"List1", form3_ids::kList1, -1, L"", 15, 36, 193, 185, styles::kSortedList,
                                              WS_EX_CLIENTEDGE, L"当前已安装的SU版本列表", kPageFont});
    StyleVersionList(Form3.list);
    RegisterVersionList(Form3.list);
    button(108, 1, L"配置目录2", 317, 41, L"打开草图大师配置文件路径，该文件保存系统设置");
    button(109, 4, L"草图目录", 232, 186, L"打开草图大师启动程序所在目录");
    button(110, 5, L"环境检测", 317, 186, L"检测当前草图版本插件安装环境");

    SetFocus(Form3.buttons[0]);
    PostMessageW(page, FM_LOADED, kFormLoadedParam, loadArgument);
    ShowForm(GetFormContext(page), 0, page, parent, SW_SHOWNORMAL, 0);
    return page;
}

}  // namespace qln
