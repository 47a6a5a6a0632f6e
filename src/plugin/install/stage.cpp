#include "plugin/install/stage.h"

#include <memory>

#include "plugin/file_handle.h"
#include "plugin/install/install_fs.h"
#include "plugin/install_progress.h"

namespace qln::install {

Failure Stager::Run(unzFile archive, const std::vector<Member>& members, const Plan& plan) {
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
        if (staged[plan.entryOfMember[i]]) {
            // A later duplicate of a name: its first copy must be closed before it is replaced.
            if (Failure failure = flusher_.Wait()) return failure;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        staged[plan.entryOfMember[i]] = true;
        if (Failure failure = StageFile(archive, members[i], path, entry.name, buffer.get())) return failure;
    }
    return flusher_.Wait();
}

// The staging folder of `name` and every folder above it (the target may hold folders that the
// package does not list).
Failure Stager::EnsureFolder(const std::wstring& name) {
    if (name.empty() || made_.count(Key(name))) return {};
    if (Failure failure = EnsureFolder(ParentOf(name))) return failure;
    const std::wstring path = work_.InStage(name);
    if (!CreateDirectoryW(path.c_str(), nullptr) && !IsFolderAttr(Attributes(path)))
        return FileFailure(GetLastError(), name);
    made_.insert(Key(name));
    return {};
}

Failure Stager::StageFile(unzFile archive, const Member& member, const std::wstring& path, const std::wstring& name,
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
    // On disk before any move: after a power cut the journal's roll-back, or the new file, must
    // find whole data, never a file of zeros in place of the old one.
    flusher_.Submit(output.release(), path, member.attributes, name);
    return {};
}

}  // namespace qln::install
