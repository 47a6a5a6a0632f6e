#include "plugin/install/moves.h"

#include <unordered_map>
#include <unordered_set>

#include "plugin/install/install_fs.h"
#include "plugin/install/private_folder.h"

namespace qln::install {

namespace {

constexpr DWORD kMove = MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;

// An entry carried over: from its place in the folder set aside to its place in the new one,
// with every folder on both ways held, so that neither way can turn into a link meanwhile.
// `aside`: the folder set aside; `inAside`: the entry's name inside it.
bool MoveCarried(const WorkArea& work, const std::wstring& aside, const std::wstring& inAside,
                 const std::wstring& name, bool back) {
    PinnedFolders pins;
    if (!pins.Pin(aside, ParentOf(inAside)) || !pins.Pin(work.Target(), ParentOf(name))) {
        SetLastError(ERROR_REPARSE_TAG_INVALID);
        return false;
    }
    const std::wstring from = aside + L"\\" + inAside;
    const std::wstring target = work.InTarget(name);
    // The plan carries no link; one found now was put there since, and would be moved through.
    if (IsLinkAttr(Attributes(back ? target : from))) {
        SetLastError(ERROR_REPARSE_TAG_INVALID);
        return false;
    }
    return back ? MoveFileExW(target.c_str(), from.c_str(), MOVEFILE_WRITE_THROUGH)
                : MoveFileExW(from.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
}

// Puts back an exchanged folder or an entry carried over, judging from what is on disk.
bool UndoExchange(const WorkArea& work, const JournalEntry& entry, const std::wstring& inAside) {
    const std::wstring aside = work.Backup(entry.backup);
    const std::wstring target = work.InTarget(entry.name);
    if (!Exists(aside)) {
        // Never set aside (its files were moved one by one, or nothing was), or back already.
        const DWORD now = Attributes(target);
        if (entry.kind == JournalEntry::Kind::Swap && IsFolderAttr(now) && now != entry.attributes)
            return SetFileAttributesW(target.c_str(), entry.attributes);
        return true;
    }
    if (entry.kind == JournalEntry::Kind::Carry) {
        if (Exists(aside + L"\\" + inAside) || !Exists(target)) return true;  // never carried over, or gone since
        return MoveCarried(work, aside, inAside, entry.name, true);
    }
    if (Exists(target)) {
        // The staged folder, whose place in the staging folder it left empty: back there. With
        // that place taken, what stands at the target was made by someone else, and stays.
        const std::wstring staged = work.InStage(entry.name);
        if (Exists(staged)) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return false;
        }
        if (!MoveFileExW(target.c_str(), staged.c_str(), MOVEFILE_WRITE_THROUGH)) return false;
    }
    return MoveFileExW(aside.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
}

// Puts back one journal entry. False with `error` when a step failed. `inAside`: a carried
// entry's name inside the folder set aside.
bool UndoEntry(const WorkArea& work, const JournalEntry& entry, std::size_t index, const std::wstring& inAside,
               DWORD& error) {
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
    if (entry.kind == JournalEntry::Kind::Swap || entry.kind == JournalEntry::Kind::Carry)
        return UndoExchange(work, entry, inAside) || failed();
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
        if (plan.entries[i].swap) {
            entry.kind = JournalEntry::Kind::Swap;
            entry.backup = static_cast<std::uint32_t>(i);
            entry.attributes = Attributes(work.InTarget(entry.name));
        } else if (plan.entries[i].folder) {
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
    for (const CarriedEntry& carry : plan.carries)
        journal.push_back({JournalEntry::Kind::Carry, carry.name, false, 0, static_cast<std::uint32_t>(carry.swap)});
    return journal;
}

namespace {

// A folder that cannot be renamed for a file in it held open, for rights that keep something in
// it in place, or because the target is a link to another volume than its work area's: its
// files are then moved one by one.
bool FolderStaysInPlace(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_NOT_SAME_DEVICE;
}

// The user's own entries of an exchanged folder, from the folder set aside into the new one.
Failure CarryOver(const WorkArea& work, const Plan& plan, const std::vector<JournalEntry>& journal, std::size_t swap) {
    const std::wstring& folder = plan.entries[swap].name;
    for (std::size_t k = 0; k < plan.carries.size(); ++k) {
        const CarriedEntry& carry = plan.carries[k];
        if (carry.swap != swap) continue;
        const std::wstring inAside = carry.name.substr(folder.size() + 1);
        if (!Checkpoint(InstallStep::MoveIn, plan.entries.size() + k, work.InTarget(carry.name)) ||
            !MoveCarried(work, work.Backup(journal[swap].backup), inAside, carry.name, false)) {
            const DWORD error = GetLastError();
            return error == ERROR_REPARSE_TAG_INVALID ? Fail(InstallOutcome::PathBlocked, carry.name, error)
                                                      : FileFailure(error, carry.name);
        }
    }
    return {};
}

}  // namespace

Failure MoveIntoPlace(const WorkArea& work, const Plan& plan, const std::vector<JournalEntry>& journal) {
    const std::vector<PlannedEntry>& entries = plan.entries;
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
        if (entry.swap) {
            const std::wstring aside = work.Backup(journal[i].backup);
            DWORD error = 0;
            if (!Checkpoint(InstallStep::MoveOut, i, target) ||
                !MoveFileExW(target.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH))
                error = GetLastError();
            if (!error) {
                if (!Checkpoint(InstallStep::MoveIn, i, target) ||
                    !MoveFileExW(work.InStage(entry.name).c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
                    return FileFailure(GetLastError(), entry.name);
                movedWhole.insert(Key(entry.name));
                AdoptParentPermissions(target);
                SetFileAttributesW(target.c_str(), entry.attributes);
                if (Failure failure = CarryOver(work, plan, journal, i)) return failure;
                continue;
            }
            if (!FolderStaysInPlace(error)) return FileFailure(error, entry.name);
        }
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
    // The folders set aside whole: what lies below them came with them and leaves with them.
    std::unordered_map<std::uint32_t, std::wstring> swapped;  // slot -> folder name
    std::vector<std::wstring> inEffect;                        // keys of those set aside now
    for (const JournalEntry& entry : entries) {
        if (entry.kind != JournalEntry::Kind::Swap) continue;
        swapped.emplace(entry.backup, entry.name);
        if (Exists(work.Backup(entry.backup))) inEffect.push_back(Key(entry.name) + L"\\");
    }
    auto cameWithItsFolder = [&](const JournalEntry& entry) {
        if (entry.kind != JournalEntry::Kind::Folder && entry.kind != JournalEntry::Kind::File) return false;
        const std::wstring key = Key(entry.name);
        for (const std::wstring& folder : inEffect)
            if (key.compare(0, folder.size(), folder) == 0) return true;
        return false;
    };
    bool complete = true;
    for (std::size_t i = entries.size(); i-- > 0;) {
        if (cameWithItsFolder(entries[i])) continue;
        std::wstring inAside;
        if (entries[i].kind == JournalEntry::Kind::Carry) {
            const auto folder = swapped.find(entries[i].backup);
            if (folder != swapped.end() && entries[i].name.size() > folder->second.size())
                inAside = entries[i].name.substr(folder->second.size() + 1);
        }
        DWORD error = ERROR_TIMEOUT;
        bool undone = false;
        for (int attempt = 0; attempt < patience.attempts && !undone; ++attempt) {
            if (patience.deadline && GetTickCount64() >= patience.deadline) break;
            if (attempt > 0) Sleep(patience.retryMs);
            undone = UndoEntry(work, entries[i], i, inAside, error);
        }
        if (!undone && complete) {
            failure = FileFailure(error, entries[i].name);
            complete = false;
        }
    }
    return complete;
}

}  // namespace qln::install
