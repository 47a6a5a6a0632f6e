// One installation's work area beside its target <dir>\Plugins, on the target's volume and
// never inside Plugins, where SketchUp would load it:
//   <dir>\Plugins.qln-install-<random>\   made fresh for this run, private (private_folder.h)
//     stage\     the package unpacked, folders and files under their member names
//     backup\    what the moves replaced, in numbered slots: a file member's old file, or a
//                whole plugin folder set aside with the files the package does not name
//     journal    the plan of the moves (install_journal.h)
//     reported   recovery at start-up could not finish this roll-back and has logged it once
// The area is removed when the installation has finished or rolled back. Only one process at a
// time installs into or recovers a target: the target's lock (InstallLock) says which.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/file_handle.h"

namespace qln::install {

inline constexpr const wchar_t* kWorkInfix = L".qln-install-";
inline constexpr const wchar_t* kAsideInfix = L".qln-aside-";

class WorkArea {
public:
    // `fullTarget`: the Plugins folder as a full path without a final separator.
    explicit WorkArea(const std::wstring& fullTarget);
    WorkArea(const std::wstring& fullTarget, const std::wstring& existingArea);
    WorkArea(const WorkArea&) = delete;
    WorkArea& operator=(const WorkArea&) = delete;

    // Makes this run's private area. 0, or the Win32 error.
    DWORD Create();

    const std::wstring& Target() const { return target_; }
    const std::wstring& Path() const { return work_; }
    std::wstring InTarget(const std::wstring& name) const { return target_ + L"\\" + name; }
    std::wstring Stage() const { return work_ + L"\\stage"; }
    std::wstring InStage(const std::wstring& name) const { return Stage() + L"\\" + name; }
    std::wstring Backups() const { return work_ + L"\\backup"; }
    std::wstring Backup(std::uint32_t slot) const { return Backups() + L"\\" + std::to_wstring(slot); }
    std::wstring JournalPath() const { return work_ + L"\\journal"; }
    std::wstring ReportedPath() const { return work_ + L"\\reported"; }

    // Backups, staging and journal gone (the journal last: without it, nothing tells what the
    // backups were for), then the area itself. True when nothing is left.
    bool Remove();

    // Renamed out of recovery's sight, kept as it is (with any backups) for an administrator.
    void SetAside();

private:
    std::wstring target_;
    std::wstring work_;
};

// The work areas found beside `fullTarget` (extended paths), oldest name order.
std::vector<std::wstring> FindWorkAreas(const std::wstring& fullTarget);

// Excludes other processes from installing into or recovering one target, for as long as it is
// held. Acquire: 0, ERROR_SHARING_VIOLATION while another process holds it, or the Win32 error.
class InstallLock {
public:
    // First waits for this process's own removal of what an installation there set aside.
    DWORD Acquire(const std::wstring& fullTarget);
    // Waits up to `ms` for whoever holds it: the road of that removal itself.
    DWORD AcquireWaiting(const std::wstring& fullTarget, DWORD ms);
    void Release();
    ~InstallLock() { Release(); }

private:
    DWORD Take(const std::wstring& fullTarget, DWORD ms);
    KernelHandle mutex_;
    bool held_ = false;
};

}  // namespace qln::install
