// Finishing what an installation left when its process ended during its moves. Recovery trusts
// nothing it did not make: it looks only beside the Plugins folders of the versions discovery
// finds, acts only in a work area that is private (private_folder.h), only on names that pass
// the package's own rules, and never through a link below the target. What fails a check is set
// aside and logged, never acted on; at start-up it never holds the start up for long.
#include <windows.h>

#include "discovery/discovery.h"
#include "plugin/install/install_fs.h"
#include "plugin/install/moves.h"
#include "plugin/install/private_folder.h"
#include "plugin/install/recovery.h"
#include "plugin/install/work_area.h"
#include "plugin/install_log.h"
#include "plugin/member_names.h"
#include "plugin/package_install.h"

namespace qln::install {

namespace {

constexpr ULONGLONG kStartBudgetMs = 1000;

void LogRecovery(const WorkArea& work, const char* result, const std::wstring& reason) {
    InstallLogEntry entry;
    entry.mode = L"recovery";
    entry.target = work.Target();
    entry.result = result;
    entry.reason = reason + L" " + work.Path();
    AppendInstallLog(entry);
}

// Every name a package member could have, and no step through a link below the target: a
// journal naming anything else was not written by an installation of ours.
bool NamesStayBelowTarget(const WorkArea& work, const Journal& journal) {
    for (const JournalEntry& entry : journal.entries)
        if (CheckMemberName(entry.name) != MemberNameFault::None || CrossesLink(work.Target(), entry.name)) return false;
    return true;
}

void MarkReported(const WorkArea& work) {
    FileHandle marker(CreateFileW(work.ReportedPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

InstallReport RecoverArea(WorkArea& work, const Recovery& how) {
    InstallReport report;
    if (!IsPrivateFolder(work.Path())) {
        LogRecovery(work, "set-aside", L"安装工作目录不是本程序所建，已移开，未做任何处理：");
        work.SetAside();
        return report;
    }
    if (how.atStart && Exists(work.ReportedPath())) return report;  // logged once already
    Journal journal;
    journal.state = JournalState::Incomplete;  // no journal: no move was made
    if (Exists(work.JournalPath())) {
        std::string text;
        journal = ReadWholeFile(work.JournalPath(), text) ? ParseJournal(text) : Journal{};
    }
    if (journal.state == JournalState::Unreadable || !NamesStayBelowTarget(work, journal)) {
        LogRecovery(work, "set-aside", L"安装记录无法识别，已移开，未做任何处理：");
        work.SetAside();
        return report;
    }
    if (journal.state == JournalState::Planned) {
        Failure failure;
        UndoPatience patience;
        if (how.atStart) patience = {1, 0, how.deadline};
        if (!UndoEntries(work, journal.entries, failure, patience)) {
            Report(report, failure);
            report.rollbackIncomplete = true;
            if (how.atStart) {
                LogRecovery(work, "rollback-incomplete",
                            L"上次中断的安装未能完全还原（" + failure.detail + L"），请重新安装插件：");
                MarkReported(work);
            }
            return report;
        }
        report.rolledBack = true;
    }
    work.Remove();
    return report;
}

}  // namespace

InstallReport RecoverTarget(const std::wstring& fullTarget, const Recovery& how) {
    InstallReport first;
    for (const std::wstring& area : FindWorkAreas(fullTarget)) {
        if (how.deadline && GetTickCount64() >= how.deadline) break;
        WorkArea work(fullTarget, area);
        const InstallReport report = RecoverArea(work, how);
        if (report.rolledBack) first.rolledBack = true;
        if (first.outcome == InstallOutcome::Succeeded && report.outcome != InstallOutcome::Succeeded) {
            const bool rolledBack = first.rolledBack;
            first = report;
            first.rolledBack = first.rolledBack || rolledBack;
        }
    }
    return first;
}

}  // namespace qln::install

namespace qln {

InstallReport RecoverInterruptedInstall(const std::wstring& pluginsDir) {
    const std::wstring full = install::FullTarget(pluginsDir);
    if (full.empty()) return {};
    install::InstallLock lock;
    if (const DWORD locked = lock.Acquire(full)) {
        InstallReport report;
        report.outcome = locked == ERROR_SHARING_VIOLATION ? InstallOutcome::AnotherInstallation
                                                           : ClassifyFileError(locked);
        report.systemError = locked;
        return report;
    }
    return install::RecoverTarget(full, {});
}

void RecoverInterruptedInstall() {
    const install::Recovery how{true, GetTickCount64() + install::kStartBudgetMs};
    for (const std::wstring& version : FindVersions()) {
        for (const PluginsKind kind : {PluginsKind::PerUser, PluginsKind::AllUsers}) {
            if (GetTickCount64() >= how.deadline) return;
            const std::wstring full = install::FullTarget(GetPluginsDir(version, kind));
            install::InstallLock lock;
            if (full.empty() || lock.Acquire(full) != 0) continue;
            install::RecoverTarget(full, how);
        }
    }
}

}  // namespace qln
