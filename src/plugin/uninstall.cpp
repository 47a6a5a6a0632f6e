#include "plugin/uninstall.h"

#include <windows.h>

#include <algorithm>

#include "plugin/install/moves.h"
#include "plugin/install/recovery.h"
#include "plugin/install/work_area.h"
#include "plugin/install_record_store.h"
#include "plugin/recorded_files.h"
#include "plugin/transfer_rules.h"

namespace qln {

namespace {

void Fail(UninstallReport& report, DWORD error, const std::wstring& name) {
    if (report.outcome == UninstallOutcome::Incomplete) return;  // the first failure is the one told
    report.outcome = UninstallOutcome::Incomplete;
    report.failure = ClassifyFileError(error);
    report.systemError = error;
    report.detail = name;
}

// A file to take away: its handle, opened when its bytes were compared, keeps writers out until
// it has left, so the bytes compared are the bytes removed.
struct Leaving {
    const RecordedFile* file;
    FileHandle handle;
};

void CheckFile(const std::wstring& full, const RecordedFile& file, UninstallReport& report,
               std::vector<Leaving>& leaving) {
    OpenedRecordedFile opened =
        OpenRecordedFile(full, file.name, GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE);
    switch (opened.state) {
    case RecordedEntry::Missing: report.missing.push_back(file.name); return;
    case RecordedEntry::Foreign: report.keptChanged.push_back(file.name); return;
    case RecordedEntry::Failed: Fail(report, opened.error, file.name); return;
    case RecordedEntry::Opened: break;
    }
    const std::optional<FileDigest> digest = DigestOpenFile(opened.handle.get());
    if (!digest) return Fail(report, GetLastError(), file.name);
    if (digest->size != file.size || digest->sha256 != file.sha256) {
        report.keptChanged.push_back(file.name);
        return;
    }
    leaving.push_back({&file, std::move(opened.handle)});
}

// All or nothing, on the installation's own road: every unchanged file moves into a backup slot
// of a private work area under a journal, and only when all have moved is the removal committed
// and the backups deleted; a failure (or a dying process, through the next start's recovery)
// puts every file back.
void RemoveFiles(const std::wstring& full, std::vector<Leaving>& leaving, UninstallReport& report) {
    if (leaving.empty()) return;
    install::InstallLock lock;
    if (const DWORD locked = lock.Acquire(full)) return Fail(report, locked, full);
    const InstallReport recovered = install::RecoverTarget(full, {});
    if (recovered.outcome != InstallOutcome::Succeeded) return Fail(report, recovered.systemError, recovered.detail);
    install::WorkArea work(full);
    if (const DWORD created = work.Create()) return Fail(report, created, full);
    std::vector<JournalEntry> journal;
    for (std::size_t i = 0; i < leaving.size(); ++i)
        journal.push_back({JournalEntry::Kind::File, leaving[i].file->name, false, 0, static_cast<std::uint32_t>(i)});
    install::JournalFile journalFile;
    install::Failure failure = journalFile.Write(work.JournalPath(), journal);
    if (!failure && !CreateDirectoryW(work.Backups().c_str(), nullptr)) failure = install::FileFailure(GetLastError(), L"");
    for (std::size_t i = 0; i < leaving.size() && !failure; ++i) {
        const std::wstring& name = leaving[i].file->name;
        if (!install::Checkpoint(InstallStep::MoveOut, i, work.InTarget(name)) ||
            !MoveFileExW(work.InTarget(name).c_str(), work.Backup(static_cast<std::uint32_t>(i)).c_str(),
                         MOVEFILE_WRITE_THROUGH))
            failure = install::FileFailure(GetLastError(), name);
    }
    if (!failure) failure = journalFile.Commit();
    journalFile.Close();
    for (Leaving& file : leaving) file.handle.reset();
    if (failure) {
        install::Failure undo;
        Fail(report, failure.error, failure.detail);
        if (!install::UndoEntries(work, journal, undo)) return;  // the journal stays for the next start
    } else {
        for (const Leaving& file : leaving) report.removed.push_back(file.file->name);
    }
    work.Remove();
}

// A created folder, once empty; one that still holds something (the user's files, a changed
// file that was kept) stays. A link in its place is never removed: on some systems removing
// it removes the folder it points to.
void RemoveFolder(const std::wstring& full, const std::wstring& name, UninstallReport& report) {
    if (!NoLinkOnTheWay(full, name, true)) {
        report.keptFolders.push_back(name);
        return;
    }
    const std::wstring path = RecordedPath(full, name);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (RemoveDirectoryW(path.c_str())) return;
    const DWORD error = GetLastError();
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes);
    if (error == ERROR_DIR_NOT_EMPTY) {
        report.keptFolders.push_back(name);
        return;
    }
    Fail(report, error, name);
}

std::size_t Depth(const std::wstring& name) { return static_cast<std::size_t>(std::count(name.begin(), name.end(), L'\\')); }

}  // namespace

UninstallReport UninstallRecorded(const std::wstring& pluginsDir) {
    UninstallReport report;
    const std::optional<InstallRecord> record = ReadInstallRecord(pluginsDir);
    const std::wstring full = FullPluginsDir(pluginsDir);
    if (!record || full.empty()) return report;
    report.outcome = UninstallOutcome::Removed;
    std::vector<Leaving> leaving;
    for (const RecordedFile& file : record->files) CheckFile(full, file, report, leaving);
    if (report.outcome == UninstallOutcome::Incomplete) return report;  // nothing removed
    RemoveFiles(full, leaving, report);
    if (report.outcome == UninstallOutcome::Incomplete) return report;
    // The deepest first, so that a folder is empty of the package's folders when its turn comes.
    std::vector<std::wstring> folders = record->folders;
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::wstring& a, const std::wstring& b) { return Depth(a) > Depth(b); });
    for (const std::wstring& folder : folders) RemoveFolder(full, folder, report);
    // The record goes last: without it nothing would be left to finish an interrupted removal.
    if (report.outcome == UninstallOutcome::Removed && !DeleteInstallRecord(pluginsDir))
        Fail(report, GetLastError(), InstallRecordPath(pluginsDir));
    return report;
}

}  // namespace qln
