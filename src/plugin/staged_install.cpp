// The staged installation: the whole package is unpacked and verified in a staging folder
// beside the target, then moved into place member by member, keeping what each move replaces,
// so that a failure anywhere puts every file back. A journal written before the first move lets
// the next start finish a roll-back that a dying process could not.
//
// Beside the Plugins folder <dir>\Plugins the installation keeps its work folder
// <dir>\Plugins.qln-install (same volume, never inside Plugins, where SketchUp would load it):
//   lock      held open without sharing for as long as an installation or recovery runs
//   stage\    the package unpacked, folders and files under their member names
//   backup\   the files the moves replaced, one numbered slot per file member
//   journal   the plan of the moves (install_journal.h)
// The folder is removed when the installation has finished or rolled back.
#include <windows.h>
#include <direct.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "discovery/discovery.h"
#include "plugin/install_hooks.h"
#include "plugin/install_progress.h"
#include "plugin/install_journal.h"
#include "plugin/file_handle.h"
#include "plugin/member_names.h"
#include "plugin/package_install.h"
#include "plugin/package_reader.h"
#include "plugin/target_folders.h"
#include "plugin/transfer_rules.h"

namespace qln {

namespace {

constexpr const wchar_t* kWorkSuffix = L".qln-install";
constexpr int kUndoAttempts = 5;
constexpr DWORD kUndoRetryMs = 200;

// A step that failed: what the user is told, and the Windows error and name behind it.
struct Failure {
    InstallOutcome outcome = InstallOutcome::Succeeded;
    DWORD error = 0;
    std::wstring detail;
    explicit operator bool() const { return outcome != InstallOutcome::Succeeded; }
};

Failure FileFailure(DWORD error, const std::wstring& detail) {
    return {ClassifyFileError(error), error, detail};
}

Failure Fail(InstallOutcome outcome, const std::wstring& detail, DWORD error = 0) { return {outcome, error, detail}; }

// Asks the build's hook (tests only) whether this step meets an injected failure.
bool Checkpoint(InstallStep step, std::size_t index, const std::wstring& path) {
    if (const InstallStepHook hook = ActiveInstallStepHook()) {
        if (const std::uint32_t error = hook(step, index, path)) {
            SetLastError(error);
            return false;
        }
    }
    return true;
}

// Paths in their extended form, so that the staging and backup folders, which sit deeper than
// the target, are not held to MAX_PATH.
std::wstring Extended(const std::wstring& full) {
    if (full.rfind(L"\\\\?\\", 0) == 0) return full;
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// The target as a full path without a final separator; empty for a drive or share root, which
// has no folder beside it.
std::wstring FullTarget(const std::wstring& pluginsDir) {
    if (pluginsDir.empty()) return {};
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(pluginsDir.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = GetFullPathNameW(pluginsDir.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size()) return {};
    full.resize(length);
    while (!full.empty() && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
    const std::size_t leaf = full.find_last_of(L"\\/");
    if (leaf == std::wstring::npos || leaf + 1 >= full.size() || full.back() == L':') return {};
    if (full.rfind(L"\\\\", 0) == 0 && std::count(full.begin(), full.end(), L'\\') < 4) return {};  // \\server\share
    return full;
}

DWORD Attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }
bool Exists(const std::wstring& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }
bool IsFolderAttr(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
bool IsFileAttr(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ParentOf(const std::wstring& name) {
    const std::size_t split = name.rfind(L'\\');
    return split == std::wstring::npos ? std::wstring() : name.substr(0, split);
}

// Names compare as Windows compares them: without regard to case.
std::wstring Key(std::wstring name) {
    if (!name.empty()) CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

// Removes a file or a whole folder; never follows a reparse point. True when it is gone.
bool RemoveTree(const std::wstring& path) {
    const DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(path.c_str()) || !Exists(path);
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
    }
    return RemoveDirectoryW(path.c_str()) || !Exists(path);
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > 64 * 1024 * 1024) return false;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    return bytes.empty() ||
           (ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size());
}

// One target's work folder and the lock that makes one process at a time its owner.
class WorkFolder {
public:
    explicit WorkFolder(const std::wstring& fullTarget)
        : target_(Extended(fullTarget)), work_(target_ + kWorkSuffix) {}
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const std::wstring& Target() const { return target_; }
    std::wstring InTarget(const std::wstring& name) const { return target_ + L"\\" + name; }
    std::wstring Stage() const { return work_ + L"\\stage"; }
    std::wstring InStage(const std::wstring& name) const { return Stage() + L"\\" + name; }
    std::wstring Backups() const { return work_ + L"\\backup"; }
    std::wstring Backup(std::uint32_t slot) const { return Backups() + L"\\" + std::to_wstring(slot); }
    std::wstring JournalPath() const { return work_ + L"\\journal"; }
    bool Present() const { return IsFolderAttr(Attributes(work_)); }

    // Makes the work folder when asked and takes its lock. 0, or the Win32 error:
    // ERROR_SHARING_VIOLATION when another process holds it.
    DWORD Lock(bool create) {
        if (create && !CreateDirectoryW(work_.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return GetLastError();
        const HANDLE lock = CreateFileW((work_ + L"\\lock").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (lock == INVALID_HANDLE_VALUE) return GetLastError();
        lock_.reset(lock);
        return 0;
    }
    void Unlock() { lock_.reset(); }

    // Backups, staging and journal gone (the journal last: without it, nothing tells what the
    // backups were for), then the folder itself. True when nothing is left.
    bool Remove() {
        bool clean = RemoveTree(Backups());
        clean = RemoveTree(Stage()) && clean;
        if (clean) clean = RemoveTree(JournalPath());
        Unlock();
        return clean && (RemoveDirectoryW(work_.c_str()) || !Exists(work_));
    }

    // A journal that cannot be read is kept, with everything beside it, under another name.
    void SetAside() {
        Unlock();
        const std::wstring aside = work_ + L"-" + std::to_wstring(GetTickCount64());
        MoveFileExW(work_.c_str(), aside.c_str(), 0);
    }

private:
    std::wstring target_;
    std::wstring work_;
    FileHandle lock_;
};

// Puts back one journal entry, judging from what is on disk how far its moves had come, so that
// it can run again after it was itself interrupted. False with `error` when a step failed.
bool UndoEntry(const WorkFolder& work, const JournalEntry& entry, std::size_t index, DWORD& error) {
    const std::wstring target = work.InTarget(entry.name);
    auto failed = [&] {
        error = GetLastError();
        return false;
    };
    if (!Checkpoint(InstallStep::Undo, index, target)) return failed();
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
        if (!stagedThere && MoveFileExW(target.c_str(), staged.c_str(), MOVEFILE_COPY_ALLOWED)) {
        } else if (!stagedThere && GetLastError() != ERROR_PATH_NOT_FOUND) {
            return failed();
        } else {
            if (now & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(target.c_str(), now & ~FILE_ATTRIBUTE_READONLY);
            if (!DeleteFileW(target.c_str())) return failed();
        }
    }
    if (backupThere && !MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED)) return failed();
    return true;
}

// Undoes the entries from the last to the first, each retried a few times (a scanner that has
// just opened a new file lets go of it soon). False with the first lasting failure; the other
// entries are undone all the same.
bool UndoEntries(const WorkFolder& work, const std::vector<JournalEntry>& entries, Failure& failure) {
    bool complete = true;
    for (std::size_t i = entries.size(); i-- > 0;) {
        DWORD error = 0;
        bool undone = false;
        for (int attempt = 0; attempt < kUndoAttempts && !undone; ++attempt) {
            if (attempt > 0) Sleep(kUndoRetryMs);
            undone = UndoEntry(work, entries[i], i, error);
        }
        if (!undone && complete) {
            failure = FileFailure(error, entries[i].name);
            complete = false;
        }
    }
    return complete;
}

// Whatever an earlier installation into this target left behind: rolled back (its journal has
// no commit line) or cleaned away. The lock is released again.
InstallReport RecoverWork(WorkFolder& work) {
    InstallReport report;
    if (!work.Present()) return report;
    const DWORD locked = work.Lock(false);
    if (locked == ERROR_SHARING_VIOLATION || locked == ERROR_LOCK_VIOLATION) {
        report.outcome = InstallOutcome::AnotherInstallation;
        return report;
    }
    if (locked != 0) {
        report.outcome = ClassifyFileError(locked);
        report.systemError = locked;
        return report;
    }
    std::string text;
    Journal journal;
    journal.state = JournalState::Incomplete;  // no journal: no move was made
    if (Exists(work.JournalPath())) {
        if (!ReadWholeFile(work.JournalPath(), text)) {
            report.outcome = ClassifyFileError(GetLastError());
            report.rollbackIncomplete = true;
            work.Unlock();
            return report;
        }
        journal = ParseJournal(text);
    }
    switch (journal.state) {
    case JournalState::Unreadable:
        work.SetAside();
        return report;
    case JournalState::Planned: {
        Failure failure;
        if (!UndoEntries(work, journal.entries, failure)) {
            report.outcome = failure.outcome;
            report.systemError = failure.error;
            report.detail = failure.detail;
            report.rollbackIncomplete = true;
            work.Unlock();
            return report;
        }
        report.rolledBack = true;
        break;
    }
    case JournalState::Incomplete:
    case JournalState::Committed:
        break;
    }
    work.Remove();
    return report;
}

// A member of the package as it will be moved: duplicates of a name (compared without regard to
// case) are one entry, whose staged content is the last of them.
struct PlannedEntry {
    std::wstring name;  // "\" separated, no final separator
    bool folder = false;
    DWORD attributes = 0;
    // A folder the target does not have, whose own folder it has: moved into place whole, with
    // everything staged below it, by one rename.
    bool wholeFolder = false;
};

struct Plan {
    std::vector<PlannedEntry> entries;
    std::vector<std::size_t> entryOfMember;  // for each member of the archive
};

std::wstring Normalised(const std::wstring& memberName) {
    std::wstring name = memberName;
    for (wchar_t& c : name)
        if (c == L'/') c = L'\\';
    while (!name.empty() && name.back() == L'\\') name.pop_back();
    return name;
}

// The entries in the order of their first member, and the checks against the target that can be
// made before anything is written: a member's folder must be a folder member listed before it or
// a folder of the target (DamagedPackage otherwise, as the package then names a folder it never
// made), and no name may be taken by the other kind of entry (PathBlocked).
Failure MakePlan(const std::vector<Member>& members, const WorkFolder& work, Plan& plan) {
    std::unordered_map<std::wstring, std::size_t> byKey;
    std::unordered_map<std::wstring, DWORD> targetFolders;  // key -> attributes in the target
    std::unordered_set<std::wstring> newFolders;            // folder entries the target lacks
    auto targetAttributes = [&](const std::wstring& name) {
        const std::wstring key = Key(name);
        const auto known = targetFolders.find(key);
        if (known != targetFolders.end()) return known->second;
        const DWORD attributes = Attributes(work.InTarget(name));
        targetFolders.emplace(key, attributes);
        return attributes;
    };
    for (const Member& member : members) {
        const std::wstring name = Normalised(member.name);
        const std::wstring key = Key(name);
        const auto found = byKey.find(key);
        if (found != byKey.end()) {
            PlannedEntry& entry = plan.entries[found->second];
            if (entry.folder != member.directory) return Fail(InstallOutcome::DamagedPackage, name);
            entry.attributes = member.attributes;
            plan.entryOfMember.push_back(found->second);
            continue;
        }
        const std::wstring parent = ParentOf(name);
        bool inNewFolder = false;
        if (!parent.empty()) {
            const auto listed = byKey.find(Key(parent));
            if (listed == byKey.end()) {
                const DWORD there = targetAttributes(parent);
                if (there == INVALID_FILE_ATTRIBUTES) return Fail(InstallOutcome::DamagedPackage, name);
                if (!IsFolderAttr(there)) return Fail(InstallOutcome::PathBlocked, parent, ERROR_DIRECTORY);
            } else if (!plan.entries[listed->second].folder) {
                return Fail(InstallOutcome::DamagedPackage, name);
            } else {
                inNewFolder = newFolders.count(Key(parent)) != 0;
            }
        }
        // Nothing can stand below a folder the target lacks: no need to look.
        const DWORD there = inNewFolder ? INVALID_FILE_ATTRIBUTES : targetAttributes(name);
        if (there != INVALID_FILE_ATTRIBUTES && IsFolderAttr(there) != member.directory)
            return Fail(InstallOutcome::PathBlocked, name, member.directory ? ERROR_ALREADY_EXISTS : ERROR_DIRECTORY);
        PlannedEntry entry{name, member.directory, member.attributes, false};
        if (member.directory && there == INVALID_FILE_ATTRIBUTES) {
            newFolders.insert(key);
            entry.wholeFolder = !inNewFolder;
        }
        byKey.emplace(key, plan.entries.size());
        plan.entryOfMember.push_back(plan.entries.size());
        plan.entries.push_back(std::move(entry));
    }
    return {};
}

class Stager {
public:
    Stager(const WorkFolder& work) : work_(work) {}

    Failure Run(unzFile archive, const std::vector<Member>& members, const Plan& plan) {
        if (!CreateDirectoryW(work_.Stage().c_str(), nullptr)) return FileFailure(GetLastError(), L"");
        std::unique_ptr<char[]> buffer(new char[kMemberDataBuffer]);
        std::vector<bool> staged(plan.entries.size(), false);
        if (unzGoToFirstFile(archive) != UNZ_OK) return Fail(InstallOutcome::DamagedPackage, L"");
        for (std::size_t i = 0; i < members.size(); ++i) {
            ReportInstallProgress(i, members.size());
            if (i > 0 && unzGoToNextFile(archive) != UNZ_OK) return Fail(InstallOutcome::DamagedPackage, L"");
            const PlannedEntry& entry = plan.entries[plan.entryOfMember[i]];
            const std::wstring path = work_.InStage(entry.name);
            if (!Checkpoint(InstallStep::StageMember, i, path)) return FileFailure(GetLastError(), entry.name);
            if (entry.folder) {
                if (Failure failure = EnsureFolder(entry.name)) return failure;
                continue;
            }
            if (Failure failure = EnsureFolder(ParentOf(entry.name))) return failure;
            if (staged[plan.entryOfMember[i]]) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            staged[plan.entryOfMember[i]] = true;
            if (Failure failure = StageFile(archive, members[i], path, entry.name, buffer.get())) return failure;
        }
        return {};
    }

private:
    // The staging folder of `name` and every folder above it (the target may hold folders that
    // the package does not list).
    Failure EnsureFolder(const std::wstring& name) {
        if (name.empty() || made_.count(Key(name))) return {};
        if (Failure failure = EnsureFolder(ParentOf(name))) return failure;
        const std::wstring path = work_.InStage(name);
        if (!CreateDirectoryW(path.c_str(), nullptr) && !IsFolderAttr(Attributes(path)))
            return FileFailure(GetLastError(), name);
        made_.insert(Key(name));
        return {};
    }

    Failure StageFile(unzFile archive, const Member& member, const std::wstring& path, const std::wstring& name,
                      char* buffer) {
        FileHandle output(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!output) return FileFailure(GetLastError(), name);
        DWORD writeError = 0;
        switch (StreamMember(archive, output.get(), member, buffer, writeError)) {
        case MemberData::Complete: break;
        case MemberData::Damaged: return Fail(InstallOutcome::DamagedPackage, name);
        case MemberData::WriteFailed: return FileFailure(writeError, name);
        }
        FILETIME stamp;
        if (MemberWriteTime(member.date, stamp)) SetFileTime(output.get(), nullptr, nullptr, &stamp);
        // Closed here rather than by the holder, to see a failure: the last data may reach the disk
        // only now.
        if (!CloseHandle(output.release())) return FileFailure(GetLastError(), name);
        // By path, after the output is closed, so that a read-only bit cannot get in the way.
        SetFileAttributesW(path.c_str(), member.attributes);
        return {};
    }

    const WorkFolder& work_;
    std::unordered_set<std::wstring> made_;
};

class JournalFile {
public:
    Failure Write(const std::wstring& path, const std::vector<JournalEntry>& entries) {
        const std::string plan = FormatJournalPlan(entries);
        if (!Checkpoint(InstallStep::WriteJournal, 0, path)) return FileFailure(GetLastError(), L"");
        file_.reset(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file_) return FileFailure(GetLastError(), L"");
        return Append(plan);
    }
    Failure Commit() { return Append(std::string(kJournalCommitLine)); }
    void Close() { file_.reset(); }

private:
    Failure Append(const std::string& text) {
        DWORD written = 0;
        if (!WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written != text.size()) {
            const DWORD error = GetLastError();
            return FileFailure(error ? error : ERROR_HANDLE_DISK_FULL, L"");
        }
        // On disk before any move that it describes.
        if (!FlushFileBuffers(file_.get())) return FileFailure(GetLastError(), L"");
        return {};
    }

    FileHandle file_;
};

// The moves, in the order of the plan; false with `failure` at the first that fails.
Failure MoveIntoPlace(const WorkFolder& work, const std::vector<PlannedEntry>& entries,
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
        if (entry.wholeFolder) {
            if (!Checkpoint(InstallStep::MakeFolder, i, target)) return FileFailure(GetLastError(), entry.name);
            // Without COPY_ALLOWED: a folder cannot be moved to another volume, and is then made
            // and filled entry by entry below.
            if (MoveFileExW(work.InStage(entry.name).c_str(), target.c_str(), 0)) {
                movedWhole.insert(Key(entry.name));
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
                (!MoveFileExW(target.c_str(), backup.c_str(), MOVEFILE_COPY_ALLOWED) &&
                 GetLastError() != ERROR_FILE_NOT_FOUND))
                return FileFailure(GetLastError(), entry.name);
        }
        if (!Checkpoint(InstallStep::MoveIn, i, target) ||
            !MoveFileExW(work.InStage(entry.name).c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED))
            return FileFailure(GetLastError(), entry.name);
    }
    return {};
}

void Report(InstallReport& report, const Failure& failure) {
    report.outcome = failure.outcome;
    report.systemError = failure.error;
    report.detail = failure.detail;
}

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

// The road for a missing target: a new empty folder made in the temporary folder and
// moved by the shell to the target's place.
void MakeTargetFolder(const std::string& target) {
    if (TargetCountsAsPresent(target)) return;
    const std::string temp = GetTempFolderA();
    const std::string transit = temp + "Plugins";
    if (temp.empty() || _mkdir(transit.c_str()) != 0) return;
    ShellMoveFolder(transit, target, FOF_SILENT | FOF_NOCONFIRMATION);
    // A move that failed leaves our empty folder behind; it would stop every later road.
    _rmdir(transit.c_str());
    MakeMissingFolders(AnsiToWide(target));  // the shell under Wine makes no missing parent
}

// Steps after the target exists: plan, stage, journal, moves, commit; rolled back on failure.
void InstallStaged(WorkFolder& work, unzFile archive, const std::vector<Member>& members, InstallReport& report) {
    Plan plan;
    if (Failure failure = MakePlan(members, work, plan)) return Report(report, failure);
    if (Failure failure = Stager(work).Run(archive, members, plan)) return Report(report, failure);

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
    JournalFile journalFile;
    if (Failure failure = journalFile.Write(work.JournalPath(), journal)) return Report(report, failure);

    Failure failure = MoveIntoPlace(work, plan.entries, journal);
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
        if (UndoEntries(work, journal, undo)) {
            report.rolledBack = true;
        } else {
            report.rollbackIncomplete = true;
        }
        return;
    }
    report.membersWritten = static_cast<std::uint32_t>(plan.entries.size());
}

}  // namespace

InstallReport InstallPackageFile(const std::wstring& packagePath, const std::wstring& pluginsDir) {
    InstallReport report;
    report.packageBytes = FileSize(packagePath);
    const std::wstring full = FullTarget(pluginsDir);
    bool lossy = false;
    const std::string target8 = WideToAnsi(full, &lossy);
    // The folder road works on 8-bit paths: a target the code page cannot hold is
    // no target.
    if (full.empty() || lossy) {
        report.outcome = InstallOutcome::NoTarget;
        return report;
    }
    WorkFolder work(full);
    {
        const InstallReport recovered = RecoverWork(work);
        if (recovered.outcome != InstallOutcome::Succeeded) {
            report.outcome = recovered.outcome;
            report.systemError = recovered.systemError;
            report.detail = recovered.detail;
            return report;
        }
    }

    // The package is read and its names checked before the target is touched at all.
    const ArchiveHandle archive = OpenArchive(packagePath);
    std::vector<Member> members;
    if (!archive.get()) {
        if (!IsArchiveWithoutMembers(packagePath)) {
            report.outcome = InstallOutcome::DamagedPackage;
            return report;
        }
    } else if (!ListMembers(archive.get(), full.size() + 1, members)) {
        report.outcome = InstallOutcome::DamagedPackage;
        return report;
    }

    const bool targetExisted = Exists(work.Target());
    MakeTargetFolder(target8);
    if (!IsFolderAttr(Attributes(work.Target()))) {
        report.outcome = InstallOutcome::AccessDenied;
        report.systemError = ERROR_PATH_NOT_FOUND;
        return report;
    }
    if (members.empty()) return report;

    const DWORD locked = work.Lock(true);
    if (locked != 0) {
        report.outcome = locked == ERROR_SHARING_VIOLATION ? InstallOutcome::AnotherInstallation
                                                           : ClassifyFileError(locked);
        report.systemError = locked;
    } else {
        InstallStaged(work, archive.get(), members, report);
        // After a roll-back that could not finish, the journal stays for the next start.
        if (!report.rollbackIncomplete) work.Remove();
        work.Unlock();
    }
    // A target folder that this installation made goes again when nothing landed in it.
    if (report.outcome != InstallOutcome::Succeeded && !targetExisted) RemoveDirectoryW(work.Target().c_str());
    return report;
}

InstallReport RecoverInterruptedInstall(const std::wstring& pluginsDir) {
    const std::wstring full = FullTarget(pluginsDir);
    if (full.empty()) return {};
    WorkFolder work(full);
    return RecoverWork(work);
}

void RecoverInterruptedInstall() {
    for (const wchar_t* variable : {L"APPDATA", L"ALLUSERSPROFILE"}) {
        const std::wstring value = GetEnvText(variable);
        if (value.empty()) continue;
        const std::wstring root = value + L"\\SketchUp\\";
        WIN32_FIND_DATAW version;
        const HANDLE versions = FindFirstFileW((root + L"*").c_str(), &version);
        if (versions == INVALID_HANDLE_VALUE) continue;
        do {
            const std::wstring entry = version.cFileName;
            if (entry == L"." || entry == L".." || !(version.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
            const std::wstring folder = root + entry + L"\\SketchUp\\";
            WIN32_FIND_DATAW work;
            const HANDLE works = FindFirstFileW((folder + L"*" + kWorkSuffix).c_str(), &work);
            if (works == INVALID_HANDLE_VALUE) continue;
            do {
                const std::wstring name = work.cFileName;
                const std::size_t suffix = std::wcslen(kWorkSuffix);
                if (!(work.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name.size() <= suffix) continue;
                RecoverInterruptedInstall(folder + name.substr(0, name.size() - suffix));
            } while (FindNextFileW(works, &work));
            FindClose(works);
        } while (FindNextFileW(versions, &version));
        FindClose(versions);
    }
}

}  // namespace qln
