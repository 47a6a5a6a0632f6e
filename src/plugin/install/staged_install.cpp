// The staged installation: the whole package is unpacked and verified in a private work area
// beside the target (work_area.h), then moved into place, keeping what each move replaces (a
// plugin folder the target has is set aside whole, the user's own files in it carried over into
// the new one), so that a failure anywhere puts every file back. A journal written before the
// first move lets the next start finish a roll-back that a dying process could not
// (recovery.cpp).
#include <windows.h>
#include <direct.h>
#include <io.h>
#include <shellapi.h>

#include "plugin/file_handle.h"
#include "plugin/install/install_fs.h"
#include "plugin/install/later_removal.h"
#include "plugin/install/moves.h"
#include "plugin/install/plan.h"
#include "plugin/install/private_folder.h"
#include "plugin/install/recovery.h"
#include "plugin/install/run_temp.h"
#include "plugin/install/stage.h"
#include "plugin/install_record_store.h"
#include "plugin/member_names.h"
#include "plugin/package_install.h"
#include "plugin/install/target_folders.h"

namespace qln {

namespace {

using namespace install;

std::uint64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

bool TargetCountsAsPresent(const std::string& target) {
    __finddata64_t found;
    const intptr_t search = _findfirst64(target.c_str(), &found);
    if (search == -1) return false;
    _findclose(search);
    return CountsAsPresentFolder(found.attrib);
}

// The road for a missing target: a new empty folder made in this run's private temporary folder
// and moved by the shell to the target's place. The shell does not make the folders above the
// target everywhere (under Wine it does not), so whatever is still missing is made afterwards.
void MakeTargetFolder(const std::string& target8, const std::wstring& target) {
    if (TargetCountsAsPresent(target8)) return;
    bool lossy = false;
    const std::string temp = WideToAnsi(RunTempFolder(), &lossy);
    if (!temp.empty() && !lossy) {
        const std::string transit = temp + "\\Plugins";
        if (_mkdir(transit.c_str()) == 0) {
            if (ShellMoveFolder(transit, target8, FOF_SILENT | FOF_NOCONFIRMATION) == 0 &&
                !Exists(AnsiToWide(transit)))
                // It kept the private folder's permissions on the way.
                AdoptParentPermissions(target);
            // A move that failed leaves our empty folder behind.
            _rmdir(transit.c_str());
        }
    }
    MakeMissingFolders(target);
}

// Steps after the target exists: plan, stage, journal, moves, commit; rolled back on failure.
void InstallStaged(WorkArea& work, unzFile archive, const std::vector<Member>& members, InstallReport& report,
                   std::vector<JournalEntry>& placed) {
    Plan plan;
    if (Failure failure = MakePlan(members, work, plan)) return Report(report, failure);
    if (Failure failure = Stager(work).Run(archive, members, plan)) return Report(report, failure);

    const std::vector<JournalEntry> journal = JournalOf(work, plan);
    JournalFile journalFile;
    if (Failure failure = journalFile.Write(work.JournalPath(), journal)) return Report(report, failure);

    Failure failure = MoveIntoPlace(work, plan, journal);
    if (!failure) {
        if (!Checkpoint(InstallStep::Commit, plan.entries.size(), work.JournalPath()))
            failure = FileFailure(GetLastError(), L"");
        else
            failure = journalFile.Commit();
    }
    journalFile.Close();
    if (failure) {
        Report(report, failure);
        Failure undo;
        if (UndoEntries(work, journal, undo))
            report.rolledBack = true;
        else
            report.rollbackIncomplete = true;
        return;
    }
    report.membersWritten = static_cast<std::uint32_t>(plan.entries.size());
    placed = journal;
}

}  // namespace

InstallReport InstallPackageFile(const std::wstring& packagePath, const std::wstring& pluginsDir,
                                 const InstallSource& source) {
    InstallReport report;
    report.packageBytes = FileSize(packagePath);
    const std::wstring full = FullTarget(pluginsDir);
    bool lossy = false;
    const std::string target8 = WideToAnsi(full, &lossy);
    // The folder road works on 8-bit paths: a target the code page cannot hold is no target.
    if (full.empty() || lossy) {
        report.outcome = InstallOutcome::NoTarget;
        return report;
    }
    InstallLock lock;
    if (const DWORD locked = lock.Acquire(full)) {
        report.outcome = locked == ERROR_SHARING_VIOLATION ? InstallOutcome::AnotherInstallation
                                                           : ClassifyFileError(locked);
        report.systemError = locked;
        return report;
    }
    {
        const InstallReport recovered = RecoverTarget(full, {});
        if (recovered.outcome != InstallOutcome::Succeeded) {
            report.outcome = recovered.outcome;
            report.systemError = recovered.systemError;
            report.detail = recovered.detail;
            return report;
        }
    }

    // Nobody may write the package from here to the end: what is checked is what is unpacked.
    const FileHandle hold(CreateFileW(packagePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    // The package is read and its names and bounds checked before the target is touched at all.
    const ArchiveHandle archive = hold ? OpenArchive(packagePath) : ArchiveHandle();
    std::vector<Member> members;
    if (!archive.get()) {
        if (!hold || !IsArchiveWithoutMembers(packagePath)) {
            report.outcome = InstallOutcome::DamagedPackage;
            return report;
        }
    } else if (!ListMembers(archive.get(), full.size() + 1, members)) {
        report.outcome = InstallOutcome::DamagedPackage;
        return report;
    }

    WorkArea work(full);
    const bool targetExisted = Exists(work.Target());
    MakeTargetFolder(target8, full);
    if (!IsFolderAttr(Attributes(work.Target()))) {
        report.outcome = InstallOutcome::AccessDenied;
        report.systemError = ERROR_PATH_NOT_FOUND;
        return report;
    }
    if (members.empty()) return report;

    if (const DWORD created = work.Create()) {
        report.outcome = ClassifyFileError(created);
        report.systemError = created;
    } else {
        std::vector<JournalEntry> placed;
        InstallStaged(work, archive.get(), members, report, placed);
        // Once every file is in place; a roll-back keeps the record of what was there before.
        if (report.outcome == InstallOutcome::Succeeded) RecordInstallation(full, packagePath, placed, source);
        // After a roll-back that could not finish, the journal stays for the next start.
        const bool later = report.outcome == InstallOutcome::Succeeded && RemoveAreaLater(full, work.Path());
        if (!report.rollbackIncomplete && !later) work.Remove();
    }
    // A target folder that this installation made goes again when nothing landed in it.
    if (report.outcome != InstallOutcome::Succeeded && !targetExisted) RemoveDirectoryW(work.Target().c_str());
    return report;
}

}  // namespace qln
