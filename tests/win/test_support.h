// Helpers for tests that run under Wine against the real Win32 APIs: a real sorted list box,
// registry seeding under HKLM "SOFTWARE\SketchUp", folders and files, processes and windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/owned.h"
#include "discovery/discovery.h"
#include "window_search.h"

namespace qln::test {

inline void DestroyOwnedWindow(HWND window) { DestroyWindow(window); }

// A hidden top-level window holding a list box with the version list's styles and a group
// box standing in for the page frame.
class VersionListHost : public VersionList, public CaptionTarget {
public:
    VersionListHost();
    VersionListHost(const VersionListHost&) = delete;
    VersionListHost& operator=(const VersionListHost&) = delete;

    void AddText(std::wstring_view text) override;
    void Clear() override;
    int Count() override;
    void SelectFirst() override;
    void SetCaption(std::wstring_view caption) override;

    std::vector<std::wstring> Items() const;
    int Selection() const;
    std::wstring Caption() const;

private:
    Owned<HWND, DestroyOwnedWindow> parent_;
    HWND list_ = nullptr;
    HWND frame_ = nullptr;
};

inline constexpr const wchar_t* kFrameCaption = L"选择草图版本";

// Wine answers GetUserNameW from WINEUSERNAME, which it fills from $USER when a process
// starts; changing it for a scope stands in for logging on as another user.
class UserName {
public:
    explicit UserName(const wchar_t* name) : saved_(GetEnvText(L"WINEUSERNAME")) {
        SetEnvironmentVariableW(L"WINEUSERNAME", name);
    }
    ~UserName() { SetEnvironmentVariableW(L"WINEUSERNAME", saved_.c_str()); }
    UserName(const UserName&) = delete;
    UserName& operator=(const UserName&) = delete;

private:
    std::wstring saved_;
};

// Registry: HKLM\SOFTWARE\SketchUp\<name>\InstallLocation with its default value.
void SeedVersionKey(const std::wstring& name, const std::wstring& installLocation);
void SeedVersionKeyWithoutLocation(const std::wstring& name);
void DeleteSketchUpKey();
// A version as SketchUp's setup leaves it: the install location under the scratch root with its
// trailing backslash, `program` copied there as
// SketchUp.exe when given, the registry key, and the configuration folder SketchUp makes on its
// first start for the logged-on user and, with `allUsersToo`, for all users. Answers the location.
std::wstring SeedVersion(const std::wstring& entry, const wchar_t* program, bool allUsersToo);

// Files and folders.
void MakeDirs(const std::wstring& path);
void RemoveTree(const std::wstring& path);
void WriteTextFile(const std::wstring& path, const std::string& content = "x");
bool IsDirectory(const std::wstring& path);

// The folders every discovery test starts from: our own scratch root and the two scan roots.
std::wstring ScratchRoot();  // C:\qln-tests (no trailing separator)
std::wstring PerUserScanRoot();  // %APPDATA%\SketchUp
std::wstring AllUsersScanRoot();  // %ALLUSERSPROFILE%\SketchUp
// Removes everything the discovery and page tests create (registry key, scratch root, both
// scan roots, the local configuration root) and makes an empty scratch root.
void ResetDiscoveryWorld();

// Processes.
struct Process {
    PROCESS_INFORMATION info = {};
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    Process(Process&& other) noexcept : info(other.info) { other.info = {}; }
    Process& operator=(Process&& other) noexcept {
        std::swap(info, other.info);
        return *this;
    }
    ~Process();  // ends the process if it still runs
    bool Started() const { return info.hProcess != nullptr; }
    // Exit code, or STILL_ACTIVE when the process did not end within the time.
    DWORD WaitExit(DWORD milliseconds);
    void Kill();
};
Process StartProcess(const std::wstring& exe, const std::wstring& args = L"",
                     const std::vector<std::pair<std::wstring, std::wstring>>& env = {});

// The host's (Unix) path of a Windows path, for programs of the host such as python3.
std::wstring UnixPath(const std::wstring& dosPath);

// Closes the Explorer windows that shell requests of a test opened and waits for their
// processes: they inherit the test's output handles, which the test runner waits on. Waits up
// to `waitForOneMs` for a window to appear first.
void CloseExplorerWindows(DWORD waitForOneMs = 0);

}  // namespace qln::test
