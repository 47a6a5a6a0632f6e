#include "plugin/record_actions.h"

#include "discovery/discovery.h"
#include "plugin/install_log.h"
#include "plugin/package_install.h"
#include "plugin/uninstall.h"
#include "plugin/verify_install.h"
#include "ui/app_look.h"
#include "ui/version_lists.h"

namespace qln {

namespace {

void Log(const std::wstring& mode, const std::wstring& target, const char* result, const std::wstring& reason) {
    InstallLogEntry entry;
    entry.mode = mode;
    entry.target = target;
    entry.result = result;
    entry.reason = reason;
    AppendInstallLog(entry);
}

// The page's first checks, as for an installation; the selected version, or empty.
std::wstring SelectedIdleVersion(HWND page, HWND list) {
    if (DownloadBusy.load() == 1) {
        ShowMessage(page, L"正在下载文件，请等待操作完成！");
        return {};
    }
    std::wstring entry;
    return CheckVersionSelection(page, list, entry) ? entry : std::wstring();
}

}  // namespace

void LogVerify(const std::wstring& mode, const std::wstring& version, const std::wstring& target,
               const VerifyReport& report) {
    Log(mode + L" verify", target, VerifyResultName(report), VerifyMessage(report, version));
}

void LogUninstall(const std::wstring& mode, const std::wstring& version, const std::wstring& target,
                  const UninstallReport& report) {
    std::wstring reason = UninstallMessage(report, version);
    if (report.systemError != 0) reason += L" (" + std::to_wstring(report.systemError) + L")";
    Log(mode + L" uninstall", target, UninstallResultName(report), reason);
}

void CheckSelectedVersionFiles(HWND page, HWND list) {
    const std::wstring entry = SelectedIdleVersion(page, list);
    if (entry.empty()) return;
    const std::wstring target = GetPluginsDir(entry, PluginsKind::Automatic);
    const VerifyReport report = VerifyInstalled(target);
    LogVerify(L"page", entry, target, report);
    ShowMessage(page, VerifyMessage(report, entry).c_str(), report.Intact() ? MB_ICONINFORMATION : MB_ICONWARNING);
}

void UninstallSelectedVersion(HWND page, HWND list) {
    const std::wstring entry = SelectedIdleVersion(page, list);
    if (entry.empty()) return;
    if (IsSketchUpRunning()) {
        ShowMessage(page, L"检测到草图大师正在运行，请先退出草图大师后再点此按钮！");
        return;
    }
    const std::wstring target = GetPluginsDir(entry, PluginsKind::Automatic);
    const std::wstring question = L"要从 " + entry + L" 卸载本程序安装的 Quorlen 插件吗？\n安装后被改动过的文件会保留。";
    if (ShowMessage(page, question.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    // Busy while it runs, so that the download button waits for it like for an installation.
    DownloadBusy.store(1);
    const UninstallReport report = UninstallRecorded(target);
    LogUninstall(L"page", entry, target, report);
    ShowMessage(page, UninstallMessage(report, entry).c_str(),
                report.outcome == UninstallOutcome::Removed ? MB_ICONINFORMATION : MB_ICONWARNING);
    DownloadBusy.store(0);
}

}  // namespace qln
