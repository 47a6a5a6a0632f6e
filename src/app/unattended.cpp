#include "app/unattended.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "app/startup.h"
#include "discovery/discovery.h"
#include "discovery/version_rules.h"
#include "plugin/file_handle.h"
#include "plugin/install_log.h"
#include "plugin/package_fetch.h"
#include "plugin/package_install.h"
#include "plugin/plugin_page.h"
#include "ui/app_look.h"

namespace qln {

namespace {

std::vector<std::wstring> ChooseVersions(const CommandLine& line, const std::vector<std::wstring>& found) {
    if (line.allVersions) return found;
    if (line.year == 0) return found.empty() ? found : std::vector<std::wstring>{found.front()};
    std::vector<std::wstring> chosen;
    for (const std::wstring& entry : found)
        if (VersionYear(entry) == line.year) chosen.push_back(entry);
    return chosen;
}

class Run {
public:
    explicit Run(const CommandLine& line) : line_(line) {}

    // `shown` is what the box says when it differs from the log's reason.
    ExitCode Refused(ExitCode code, const std::string& result, const std::wstring& reason,
                     const std::wstring& shown = {}) {
        InstallLogEntry entry = BaseEntry();
        entry.result = result;
        entry.reason = reason;
        AppendInstallLog(entry);
        Tell(shown.empty() ? reason : shown, MB_ICONWARNING);
        return code;
    }

    ExitCode Install() {
        // The window and the unattended run exclude each other through the same mutex, held
        // until the process ends.
        CreateMutexW(nullptr, TRUE, kAppTitle);
        if (GetLastError() == ERROR_ALREADY_EXISTS)
            return Refused(ExitCode::AnotherInstance, "another-instance", kAlreadyRunningText);
        // An installation that ended with its process during its moves is rolled back first.
        RecoverInterruptedInstall();
        if (IsSketchUpRunning())
            return Refused(ExitCode::SketchUpRunning, "sketchup-running",
                           L"检测到草图大师正在运行，请先退出草图大师后再安装！");
        const std::vector<std::wstring> versions = ChooseVersions(line_, FindVersions());
        if (versions.empty()) {
            const std::wstring reason = line_.year != 0
                                            ? L"未找到草图大师 " + std::to_wstring(line_.year) + L"，请检查 /version: 的年份！"
                                            : std::wstring(L"未检测到已安装的草图大师，请先安装草图大师！");
            return Refused(ExitCode::NoTarget, InstallOutcomeName(InstallOutcome::NoTarget), reason);
        }

        std::wstring package = line_.package;
        bool downloaded = false;
        if (!package.empty()) {
            source_ = package;
            switch (CheckLocalPackage(package, &packageBytes_)) {
            case LocalPackageCheck::Package: break;
            case LocalPackageCheck::Unreadable:
                return Refused(ExitCode::PackageUnreadable, "package-unreadable", kPackageUnreadableText);
            case LocalPackageCheck::NotPackage:
                return Refused(ExitCode::DamagedPackage, InstallOutcomeName(InstallOutcome::DamagedPackage),
                               kNotPackageText);
            }
        } else {
            source_ = line_.url.empty() ? PackageUrl() : line_.url;
            package = PackageFilePath();
            downloaded = true;
            const FetchResult fetch = FetchPackageToFile(source_, package, !line_.url.empty());
            httpStatus_ = fetch.httpStatus;
            packageBytes_ = fetch.bytes;
            if (fetch.outcome != InstallOutcome::Succeeded) {
                DeleteFileW(package.c_str());
                std::wstring reason = InstallOutcomeMessage(fetch.outcome);
                // The transfer's own error tells an administrator which certificate or network fault it was.
                if (fetch.error != 0) reason += L" (WinInet " + std::to_wstring(fetch.error) + L")";
                return Refused(ExitCodeOf(fetch.outcome), InstallOutcomeName(fetch.outcome), reason);
            }
        }

        // Held against writers until the last version has it: each installation opens it again.
        FileHandle hold(downloaded ? CreateFileW(package.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                         : INVALID_HANDLE_VALUE);
        // Every chosen version is tried; the first failure decides the exit code.
        InstallOutcome first = InstallOutcome::Succeeded;
        for (const std::wstring& version : versions) {
            const std::wstring target =
                GetPluginsDir(version, line_.allUsers ? PluginsKind::AllUsers : PluginsKind::Automatic);
            const InstallReport report =
                downloaded ? InstallPackageFile(package, target) : InstallLocalPackageFile(package, target);
            InstallLogEntry entry = BaseEntry();
            entry.target = target;
            entry.membersWritten = report.membersWritten;
            entry.result = InstallOutcomeName(report.outcome);
            entry.reason = InstallOutcomeMessage(report.outcome);
            if (!report.detail.empty()) entry.reason += L" " + report.detail;
            AppendInstallLog(entry);
            if (first == InstallOutcome::Succeeded) first = report.outcome;
        }
        hold.reset();
        if (downloaded) DeleteFileW(package.c_str());
        Tell(InstallOutcomeMessage(first), first == InstallOutcome::Succeeded ? MB_ICONINFORMATION : MB_ICONWARNING);
        return ExitCodeOf(first);
    }

    void Tell(const std::wstring& text, UINT icon) const {
        if (!line_.quiet) MessageBoxW(nullptr, text.c_str(), kAppTitle, MB_OK | icon);
    }

private:
    InstallLogEntry BaseEntry() const {
        InstallLogEntry entry;
        entry.mode = L"unattended";
        entry.source = source_;
        entry.httpStatus = httpStatus_;
        entry.packageBytes = packageBytes_;
        return entry;
    }

    const CommandLine& line_;
    std::wstring source_;
    int httpStatus_ = 0;
    std::uint64_t packageBytes_ = 0;
};

}  // namespace

ExitCode RunWithoutWindow(const CommandLine& line) {
    Run run(line);
    // A log is only ever added to: a file that is not one (or a folder, a device, a link) ends
    // the run before anything is done, and the refusal goes to the default log.
    if (!line.log.empty() && line.mode != RunMode::BadArguments && !IsUsableInstallLog(line.log))
        return run.Refused(ExitCode::BadArgument, "bad-argument",
                           L"/log: 指定的文件不是本程序的安装日志（或是文件夹、设备、链接），为免破坏它已拒绝；"
                           L"请指定一个新的日志文件。");
    if (!line.log.empty()) SetInstallLogPath(line.log);
    switch (line.mode) {
    case RunMode::Usage:
        run.Tell(UsageText(), MB_ICONINFORMATION);
        return ExitCode::UsageShown;
    case RunMode::BadArguments:
        return run.Refused(ExitCode::BadArgument, "bad-argument", line.error, line.error + L"\n\n" + UsageText());
    default:
        break;
    }
    try {
        return run.Install();
    } catch (...) {
        return ExitCodeOf(InstallOutcome::AccessDenied);
    }
}

}  // namespace qln
