#include "plugin/install/moves.h"

#include <unordered_set>

#include "plugin/install/install_fs.h"
#include "plugin/install/private_folder.h"

namespace qln::install {

namespace {

constexpr DWORD kMove = MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;

// Puts back one journal entry. False with `error` when a step failed.
bool UndoEntry(const WorkArea& work, const JournalEntry& entry, std::size_t index, DWORD& error) {
    const std::wstring target = work.InTarget(entry.name);
    auto failed = [&] {
        error = GetLastError();
        return false;
    };
    if (!Checkpoint(InstallStep::Undo, index, target)) return failed();
    if (CrossesLink(work.Target(), entry.name)) {
        SetLastError(ERROR_REPARSE_TAG_INVALID);
        return failed();
    }
    const DWORD now = Attributes(target);
    if (entry.kind == JournalEntry::Kind::Folder) {
        if (!IsFolderAttr(now)) return true;
        if (entry.existed) return now == entry.attributes || SetFileAttributesW(target.c_str(), entry.attributes) || failed();
        // Made by the installation: removed once empty. One that holds what someone else put there
        // meanwhile stays, with that content.
        if (RemoveDirectoryW(target.c_str())) return true;
        if ((now & FILE_ATTRIBUTE_READONLY) && SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_DIRECTORY) &&
            RemoveDirectoryW(target.c_str()))
            return true;
        if (Exists(target)) SetFileAttributesW(target.c_str(), now);
        return true;
    }
    const std::wstring staged = work.InStage(entry.name);
    const std::wstring backup = work.Backup(entry.backup);
    const bool stagedThere = Exists(staged);
    const bool backupThere = Exists(backup);
    // The new file left the staging folder, or the old one left the target: what stands at the
    // target is ours (a copy cut short, when the staged file is still there).
    if (IsFileAttr(now) && (!stagedThere || backupThere)) {
        // Back to the staging folder; inside a folder that moved whole its staged folder is gone,
        // and the file is deleted instead.
        if (!stagedThere && MoveFileExW(target.c_str(), staged.c_str(), kMove)) {
        } else if (!stagedThere && GetLastError() != ERROR_PATH_NOT_FOUND) {
            return failed();
        } else {
            if (now & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(target.c_str(), now & ~FILE_ATTRIBUTE_READONLY);
            if (!DeleteFileW(target.c_str())) return failed();
        }
    }
    if (backupThere && !MoveFileExW(backup.c_str(), target.c_str(), kMove)) return failed();
    return true;
}

}  // namespace

Failure JournalFile::Write(const std::wstring& path, const std::vector<JournalEntry>& entries) {
    const std::string plan = FormatJournalPlan(entries);
    if (!Checkpoint(InstallStep::WriteJournal, 0, path)) return FileFailure(GetLastError(), L"");
    file_.reset(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    if (!file_) return FileFailure(GetLastError(), L"");
    return Append(plan);
}

Failure JournalFile::Append(const std::string& text) {
    DWORD written = 0;
    if (!WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
        const DWORD error = GetLastError();
        return FileFailure(error ? error : ERROR_HANDLE_DISK_FULL, L"");
    }
    // On disk before any move that it describes (and the commit before any backup goes).
    if (!FlushFileBuffers(file_.get())) return FileFailure(GetLastError(), L"");
    return {};
}

std::vector<JournalEntry> JournalOf(const WorkArea& work, const Plan& plan) {
    std::vector<JournalEntry> journal;
    journal.reserve(plan.entries.size());
    for (std::size_t i = 0; i < plan.entries.size(); ++i) {
        JournalEntry entry;
        entry.name = plan.entries[i].name;
        if (plan.entries[i].folder) {
            entry.kind = JournalEntry::Kind::Folder;
            const DWORD there = Attributes(work.InTarget(entry.name));
            entry.existed = IsFolderAttr(there);
            entry.attributes = entry.existed ? there : 0;
        } else {
            entry.kind = JournalEntry::Kind::File;
            entry.backup = static_cast<std::uint32_t>(i);
        }
        journal.push_back(std::move(entry));
    }
    return journal;
}

Failure MoveIntoPlace(const WorkArea& work, const std::vector<PlannedEntry>& entries,
                      const std::vector<JournalEntry>& journal) {
    if (!CreateDirectoryW(work.Backups().c_str(), nullptr)) return FileFailure(GetLastError(), L"");
    std::unordered_set<std::wstring> movedWhole;  // folders now in place with all below them
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const PlannedEntry& entry = entries[i];
        const std::wstring target = work.InTarget(entry.name);
        if (!movedWhole.empty() && movedWhole.count(Key(ParentOf(entry.name)))) {
            // Already in place with the folder above it; a folder gets its attributes.
            if (entry.folder) {
                movedWhole.insert(Key(entry.name));
                SetFileAttributesW(target.c_str(), entry.attributes);
            }
            continue;
        }
        // The plan saw no link on the way; one planted since would carry this move elsewhere.
        if (CrossesLink(work.Target(), entry.name))
            return Fail(InstallOutcome::PathBlocked, entry.name, ERROR_REPARSE_TAG_INVALID);
        if (entry.wholeFolder) {
            if (!Checkpoint(InstallStep::MakeFolder, i, target)) return FileFailure(GetLastError(), entry.name);
            // Without COPY_ALLOWED: a folder cannot be moved to another volume, and is then made
            // and filled entry by entry below.
            if (MoveFileExW(work.InStage(entry.name).c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
                movedWhole.insert(Key(entry.name));
                AdoptParentPermissions(target);
                SetFileAttributesW(target.c_str(), entry.attributes);
                continue;
            }
            if (GetLastError() != ERROR_NOT_SAME_DEVICE) return FileFailure(GetLastError(), entry.name);
        }
        const DWORD there = Attributes(target);
        if (entry.folder) {
            if (!Checkpoint(InstallStep::MakeFolder, i, target)) return FileFailure(GetLastError(), entry.name);
            if (there == INVALID_FILE_ATTRIBUTES) {
                if (!CreateDirectoryW(target.c_str(), nullptr)) return FileFailure(GetLastError(), entry.name);
            } else if (!IsFolderAttr(there)) {
                return FileFailure(ERROR_ALREADY_EXISTS, entry.name);
            }
            SetFileAttributesW(target.c_str(), entry.attributes);
            continue;
        }
        if (IsFolderAttr(there)) return FileFailure(ERROR_DIRECTORY, entry.name);
        if (there != INVALID_FILE_ATTRIBUTES) {
            const std::wstring backup = work.Backup(journal[i].backup);
            if (!Checkpoint(InstallStep::MoveOut, i, target) ||
                (!MoveFileExW(target.c_str(), backup.c_str(), kMove) && GetLastError() != ERROR_FILE_NOT_FOUND))
                return FileFailure(GetLastError(), entry.name);
        }
        if (!Checkpoint(InstallStep::MoveIn, i, target) ||
            !MoveFileExW(work.InStage(entry.name).c_str(), target.c_str(), kMove))
            return FileFailure(GetLastError(), entry.name);
        AdoptParentPermissions(target);
    }
    return {};
}

bool UndoEntries(const WorkArea& work, const std::vector<JournalEntry>& entries, Failure& failure,
                 const UndoPatience& patience) {
    bool complete = true;
    for (std::size_t i = entries.size(); i-- > 0;) {
        DWORD error = ERROR_TIMEOUT;
        bool undone = false;
        for (int attempt = 0; attempt < patience.attempts && !undone; ++attempt) {
            if (patience.deadline && GetTickCount64() >= patience.deadline) break;
            if (attempt > 0) Sleep(patience.retryMs);
            undone = UndoEntry(work, entries[i], i, error);
        }
        if (!undone && complete) {
            failure = FileFailure(error, entries[i].name);
            complete = false;
        }
    }
    return complete;
}

}  // namespace qln::install
