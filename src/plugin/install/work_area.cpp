#include "plugin/install/work_area.h"

#include <algorithm>

#include "plugin/install/install_fs.h"
#include "plugin/install/later_removal.h"
#include "plugin/install/private_folder.h"

namespace qln::install {

namespace {

std::wstring LeafOf(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }
std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

}  // namespace

WorkArea::WorkArea(const std::wstring& fullTarget) : target_(Extended(fullTarget)) {}

WorkArea::WorkArea(const std::wstring& fullTarget, const std::wstring& existingArea)
    : target_(Extended(fullTarget)), work_(existingArea) {}

DWORD WorkArea::Create() {
    DWORD error = 0;
    work_ = CreatePrivateFolder(FolderOf(target_), LeafOf(target_) + kWorkInfix, error);
    return work_.empty() ? (error ? error : ERROR_ACCESS_DENIED) : 0;
}

bool WorkArea::Remove() {
    if (work_.empty()) return true;
    bool clean = RemoveTree(Backups());
    clean = RemoveTree(Stage()) && clean;
    if (clean) clean = RemoveTree(JournalPath());
    if (clean) RemoveTree(ReportedPath());
    return clean && (RemoveDirectoryW(work_.c_str()) || !Exists(work_));
}

void WorkArea::SetAside() {
    std::wstring aside = work_;
    aside.replace(aside.rfind(kWorkInfix), std::wcslen(kWorkInfix), kAsideInfix);
    // A rename moves a link itself, never what it points to.
    MoveFileExW(work_.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH);
}

std::vector<std::wstring> FindWorkAreas(const std::wstring& fullTarget) {
    const std::wstring target = Extended(fullTarget);
    const std::wstring folder = FolderOf(target);
    const std::wstring prefix = LeafOf(target) + kWorkInfix;
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW((folder + L"\\" + prefix + L"*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        const std::wstring name = entry.cFileName;
        // The search also matches 8.3 aliases; only the long name counts.
        if (name.size() > prefix.size() && Key(name.substr(0, prefix.size())) == Key(prefix))
            found.push_back(folder + L"\\" + name);
    } while (FindNextFileW(search, &entry) && found.size() < 64);
    FindClose(search);
    std::sort(found.begin(), found.end());
    return found;
}

DWORD InstallLock::Acquire(const std::wstring& fullTarget) {
    WaitForAreaRemovals(fullTarget);
    return Take(fullTarget, 0);
}

DWORD InstallLock::AcquireWaiting(const std::wstring& fullTarget, DWORD ms) { return Take(fullTarget, ms); }

DWORD InstallLock::Take(const std::wstring& fullTarget, DWORD ms) {
    // One name per target, whichever spelling of its path was given: a hash of the folder's key.
    std::uint64_t hash = 1469598103934665603ull;
    for (const wchar_t c : Key(fullTarget)) hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    wchar_t name[64];
    swprintf(name, 64, L"Global\\QuorlenInstall-%016llx", static_cast<unsigned long long>(hash));
    mutex_.reset(CreateMutexW(nullptr, FALSE, name));
    if (!mutex_) return GetLastError() == ERROR_ACCESS_DENIED ? ERROR_SHARING_VIOLATION : GetLastError();
    const DWORD waited = WaitForSingleObject(mutex_.get(), ms);
    if (waited == WAIT_TIMEOUT) {
        mutex_.reset();
        return ERROR_SHARING_VIOLATION;
    }
    if (waited == WAIT_FAILED) {
        const DWORD error = GetLastError();
        mutex_.reset();
        return error;
    }
    held_ = true;
    return 0;
}

void InstallLock::Release() {
    if (held_) ReleaseMutex(mutex_.get());
    held_ = false;
    mutex_.reset();
}

}  // namespace qln::install
