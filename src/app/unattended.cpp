#include "app/unattended.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "app/startup.h"
#include "discovery/discovery.h"
#include "discovery/version_rules.h"
#include "plugin/file_handle.h"
#include "plugin/install_log.h"
#include "plugin/install_record_store.h"
#include "plugin/package_fetch.h"
#include "plugin/package_install.h"
#include "plugin/plugin_page.h"
#include "plugin/record_actions.h"
#include "plugin/uninstall.h"
#include "plugin/verify_install.h"
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

    // What every action does first: the single-instance rule, the roll-back of an installation
    // that ended with its process, SketchUp closed (when `sketchUpRunningText` is given) and
    // the versions to act on. A refusal's exit code, or nothing when the action may go on.
    std::optional<ExitCode> Begin(const wchar_t* sketchUpRunningText) {
        // The window and the unattended run exclude each other through the same mutex, held
        // until the process ends.
        CreateMutexW(nullptr, TRUE, kAppTitle);
        if (GetLastError() == ERROR_ALREADY_EXISTS)
            return Refused(ExitCode::AnotherInstance, "another-instance", kAlreadyRunningText);
        // An installation that ended with its process during its moves is rolled back first.
        RecoverInterruptedInstall();
        if (sketchUpRunningText && IsSketchUpRunning())
            return Refused(ExitCode::SketchUpRunning, "sketchup-running", sketchUpRunningText);
        versions_ = ChooseVersions(line_, FindVersions());
        if (versions_.empty()) {
            const std::wstring reason = line_.year != 0
                                            ? L"未找到草图大师 " + std::to_wstring(line_.year) + L"，请检查 /version: 的年份！"
                                            : std::wstring(L"未检测到已安装的草图大师，请先安装草图大师！");
            return Refused(ExitCode::NoTarget, InstallOutcomeName(InstallOutcome::NoTarget), reason);
        }
        return std::nullopt;
    }

    std::wstring Target(const std::wstring& version) const {
        return GetPluginsDir(version, line_.allUsers ? PluginsKind::AllUsers : PluginsKind::Automatic);
    }

    // `one` for every chosen version, which answers its exit code and its sentence: the first code
    // that is not success is the run's, and every sentence goes into one message.
    template <class One>
    ExitCode ForEachVersion(One one) {
        ExitCode first = ExitCode::Success;
        std::wstring told;
        for (const std::wstring& version : versions_) {
            const auto [code, sentence] = one(version, Target(version));
            if (first == ExitCode::Success) first = code;
            told += (told.empty() ? L"" : L"\n\n") + sentence;
        }
        Tell(told, first == ExitCode::Success ? MB_ICONINFORMATION : MB_ICONWARNING);
        return first;
    }

    // Every chosen version checked; the first that is not intact decides the exit code.
    ExitCode Verify() {
        if (const std::optional<ExitCode> refused = Begin(nullptr)) return *refused;
        return ForEachVersion([](const std::wstring& version, const std::wstring& target) {
            const VerifyReport report = VerifyInstalled(target);
            LogVerify(L"unattended", version, target, report);
            const ExitCode code = !report.recorded ? ExitCode::NotInstalled
                                  : report.Intact() ? ExitCode::Success
                                                    : ExitCode::FilesChanged;
            return std::pair{code, VerifyMessage(report, version)};
        });
    }

    ExitCode Uninstall() {
        if (const std::optional<ExitCode> refused = Begin(L"检测到草图大师正在运行，请先退出草图大师后再卸载！"))
            return *refused;
        return ForEachVersion([](const std::wstring& version, const std::wstring& target) {
            const UninstallReport report = UninstallRecorded(target);
            LogUninstall(L"unattended", version, target, report);
            const ExitCode code = report.outcome == UninstallOutcome::Removed        ? ExitCode::Success
                                  : report.outcome == UninstallOutcome::NotInstalled ? ExitCode::NotInstalled
                                                                                     : ExitCodeOf(report.failure);
            return std::pair{code, UninstallMessage(report, version)};
        });
    }

    ExitCode Install() {
        if (const std::optional<ExitCode> refused = Begin(L"检测到草图大师正在运行，请先退出草图大师后再安装！"))
            return *refused;
        const std::vector<std::wstring>& versions = versions_;

        std::wstring package = line_.package;
        bool downloaded = false;
        InstallSource downloadedFrom;
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
            package = NewTempPackageFile();
            if (package.empty())
                return Refused(ExitCodeOf(InstallOutcome::AccessDenied), InstallOutcomeName(InstallOutcome::AccessDenied),
                               L"无法在临时文件夹中创建插件包文件，请检查临时文件夹的权限！");
            downloaded = true;
            const std::optional<InstallSource> validators = CurrentValidators();
            const FetchResult fetch =
                FetchPackageToFile(source_, package, !line_.url.empty(), validators ? &*validators : nullptr);
            httpStatus_ = fetch.httpStatus;
            packageBytes_ = fetch.bytes;
            if (fetch.notModified && fetch.outcome == InstallOutcome::Succeeded) {
                DeleteFileW(package.c_str());
                return UpToDate();
            }
            downloadedFrom = {source_, fetch.etag, fetch.lastModified};
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
            const std::wstring target = Target(version);
            const InstallReport report = downloaded ? InstallPackageFile(package, target, downloadedFrom)
                                                    : InstallLocalPackageFile(package, target);
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
    // The validators to ask the server with: only when every chosen version was installed from
    // this same source with the same validators and still holds every recorded file as it was
    // written. A version that lacks a file needs the package whatever the server says.
    std::optional<InstallSource> CurrentValidators() const {
        std::vector<InstallRecord> records;
        for (const std::wstring& version : versions_) {
            std::optional<InstallRecord> record = ReadInstallRecord(Target(version));
            if (!record) return std::nullopt;
            records.push_back(std::move(*record));
        }
        std::vector<const InstallRecord*> shown;
        for (const InstallRecord& record : records) shown.push_back(&record);
        std::optional<InstallSource> validators = SharedValidators(shown, SourceAsLogged(source_));
        for (std::size_t i = 0; validators && i < versions_.size(); ++i)
            if (!VerifyRecord(Target(versions_[i]), records[i]).Intact()) validators.reset();
        return validators;
    }

    // The server confirmed the recorded package and every file of it is in place: one log entry a
    // version, nothing downloaded or written.
    ExitCode UpToDate() {
        for (const std::wstring& version : versions_) {
            InstallLogEntry entry = BaseEntry();
            entry.target = Target(version);
            entry.result = "up-to-date";
            entry.reason = kUpToDateText;
            AppendInstallLog(entry);
        }
        Tell(kUpToDateText, MB_ICONINFORMATION);
        return ExitCode::Success;
    }

    static constexpr const wchar_t* kUpToDateText = L"插件已是最新版本，文件完整，无需下载。";

    InstallLogEntry BaseEntry() const {
        InstallLogEntry entry;
        entry.mode = L"unattended";
        entry.source = source_;
        entry.httpStatus = httpStatus_;
        entry.packageBytes = packageBytes_;
        return entry;
    }

    const CommandLine& line_;
    std::vector<std::wstring> versions_;
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
        switch (line.action) {
        case RunAction::Verify: return run.Verify();
        case RunAction::Uninstall: return run.Uninstall();
        case RunAction::Install: break;
        }
        return run.Install();
    } catch (...) {
        return ExitCodeOf(InstallOutcome::AccessDenied);
    }
}

}  // namespace qln
