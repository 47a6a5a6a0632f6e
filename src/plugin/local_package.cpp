#include "plugin/local_package.h"

#include <commdlg.h>

#include <cstdint>
#include <thread>

#include "discovery/discovery.h"
#include "plugin/install_log.h"
#include "plugin/install_progress.h"
#include "plugin/package_fetch.h"
#include "plugin/package_install.h"
#include "plugin/record_actions.h"
#include "plugin/plugin_page.h"
#include "plugin/transfer_rules.h"
#include "ui/app_look.h"

namespace qln {

namespace {

void LogLocal(const std::wstring& path, const std::wstring& target, const InstallReport& report,
              const std::string& result, const std::wstring& reason) {
    InstallLogEntry entry;
    entry.mode = L"local";
    entry.source = path;
    entry.packageBytes = report.packageBytes;
    entry.target = target;
    entry.membersWritten = report.membersWritten;
    entry.result = result;
    entry.reason = reason;
    AppendInstallLog(entry);
}

void LogLocalRefusal(const std::wstring& path, std::uint64_t size, const char* result, const wchar_t* reason) {
    InstallReport refused;
    refused.packageBytes = size;
    LogLocal(path, L"", refused, result, reason);
}

struct LocalInstallation {
    PluginPageView* view;
    std::wstring path;
    std::wstring target;
    std::uint64_t size;
};

// The installation's own thread: the package unpacked and moved into place while the bar follows
// the members, the log entry, the result told, then the page idle again (and the main window
// closed, when that was asked for meanwhile). Nothing escapes into the thread's entry.
void RunLocalInstallation(const LocalInstallation& job) noexcept {
    try {
        // One crossing to the page per step of the bar, not per member.
        int shown = -1;
        const InstallProgressScope progress([&shown](std::size_t done, std::size_t total) {
            const int position = ProgressPosition(done, total);
            if (position != shown) SetPageProgress(shown = position);
        });
        InstallReport report = InstallLocalPackageFile(job.path, job.target);
        if (report.packageBytes == 0) report.packageBytes = job.size;
        std::wstring reason = InstallOutcomeMessage(report.outcome);
        if (!report.detail.empty()) reason += L" " + report.detail;
        LogLocal(job.path, job.target, report, InstallOutcomeName(report.outcome), reason);
        TellInstallResult(*job.view, report.outcome);
    } catch (...) {
    }
    try {
        job.view->FinishInstall();
    } catch (...) {
        DownloadBusy.store(0);
    }
}

}  // namespace

void ShowInstallMenu(HWND page, HWND button, LPARAM at) {
    POINT point = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    if (at == -1) {  // from the keyboard: below the button's middle
        RECT r;
        GetWindowRect(button, &r);
        point = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    AppendMenuW(menu, MF_STRING, kLocalPackageMenuId, kLocalPackageMenuText);
    AppendMenuW(menu, MF_STRING, kVerifyMenuId, kVerifyMenuText);
    AppendMenuW(menu, MF_STRING, kUninstallMenuId, kUninstallMenuText);
    // The choice arrives as WM_COMMAND to the page.
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, point.x, point.y, 0, page, nullptr);
    DestroyMenu(menu);
}

std::wstring ChooseLocalPackage(HWND page) {
    std::wstring file(32768, L'\0');
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = page;
    dialog.lpstrFilter = L"插件包 (*.rbz;*.zip)\0*.rbz;*.zip\0所有文件 (*.*)\0*.*\0";
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = L"选择插件包";
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&dialog)) return {};
    file.resize(wcslen(file.c_str()));
    return file;
}

void InstallLocalPackage(HWND page, const std::wstring& path) {
    std::wstring entry;
    if (!page || !CheckPageMayInstall(page, entry)) return;
    std::uint64_t size = 0;
    switch (CheckLocalPackage(path, &size)) {
    case LocalPackageCheck::Package: break;
    case LocalPackageCheck::Unreadable:
        LogLocalRefusal(path, size, "package-unreadable", kPackageUnreadableText);
        ShowMessage(page, kPackageUnreadableText);
        return;
    case LocalPackageCheck::NotPackage:
        LogLocalRefusal(path, size, InstallOutcomeName(InstallOutcome::DamagedPackage), kNotPackageText);
        ShowMessage(page, kNotPackageText);
        return;
    }
    const std::wstring question = L"要将插件包\n" + path + L"\n安装到 " + entry + L" 吗？";
    // MB_OK is 0: the program's message box with Yes and No in place of OK.
    if (ShowMessage(page, question.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES) return;

    // Busy from here, so that the download button and another package wait for it, and a close of
    // the main window waits for its result. The status line is painted before the work starts.
    LocalInstallation job{&BeginLocalInstallation(), path, GetPluginsDir(entry, PluginsKind::Automatic), size};
    SetPageStatus(kInstallingText);
    SetPageProgress(0);
    ShowPageProgress(true);
    try {
        std::thread(RunLocalInstallation, job).detach();
    } catch (...) {
        // No thread to be had: the installation runs here, as it did before it had one.
        RunLocalInstallation(job);
    }
}

}  // namespace qln
