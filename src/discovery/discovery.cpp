#include "discovery/discovery.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>

#include "base/owned.h"

namespace qln {

namespace {

constexpr DWORD kMaxSubkeyIndex = 1000;

// Index of the scan root that the next toggle press scans; the GUI thread alone touches it.
int g_nextScanRoot = 0;

inline void CloseRegKey(HKEY key) { RegCloseKey(key); }
using RegKey = Owned<HKEY, CloseRegKey>;

bool OpenKey(RegKey& key, HKEY root, const std::wstring& path, REGSAM access) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, access, &opened) != ERROR_SUCCESS) return false;
    key.reset(opened);
    return true;
}

}  // namespace

bool FileExists(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    return true;
}

std::wstring GetEnvText(const wchar_t* name) {
    DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) return {};
    std::wstring value(needed, L'\0');
    DWORD got = GetEnvironmentVariableW(name, value.data(), needed);
    if (got == 0 || got >= needed) return {};
    value.resize(got);
    return value;
}

std::wstring GetInstallDir(std::wstring_view entry, bool withExe) {
    RegKey key;
    std::wstring path = L"SOFTWARE\\SketchUp\\";
    path.append(entry).append(L"\\InstallLocation");
    if (!OpenKey(key, HKEY_LOCAL_MACHINE, path, KEY_QUERY_VALUE)) return {};

    // 260 bytes of text including its terminator; one more zero unit behind the window
    // terminates a value that filled the buffer without storing its own terminator.
    wchar_t buffer[131] = {};
    DWORD type = 0;
    DWORD bytes = 260;
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS)
        return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};

    // An empty location would make every path below it relative to the current folder.
    const std::wstring location(buffer);
    if (location.empty()) return {};
    const bool inSubfolder = FileExists(JoinPath(location, kSubfolderProgram));
    const std::wstring folder = ProgramFolder(location, inSubfolder);
    return withExe ? JoinPath(folder, kProgramFile) : folder;
}

bool InstallFolderExists(const std::wstring& folder) {
    return !folder.empty() && FileExists(WithoutTrailingSeparators(folder));
}

void FillVersionsFromRegistry(VersionList& list, CaptionTarget& frame) {
    RegKey root;
    if (OpenKey(root, HKEY_LOCAL_MACHINE, L"SOFTWARE\\SketchUp", KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS)) {
        for (DWORD index = 0; index <= kMaxSubkeyIndex; ++index) {
            wchar_t name[256];
            DWORD length = 256;
            if (RegEnumKeyExW(root.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            std::wstring_view entry(name, length);
            if (!IsVersionKeyName(entry)) continue;
            if (InstallFolderExists(GetInstallDir(entry, false))) list.AddText(entry);
        }
    }
    if (list.Count() == 0) FillVersionsFromFolders(list, 0);
    if (list.Count() == 0) FillVersionsFromFolders(list, 1);
    if (list.Count() > 0)
        list.SelectFirst();
    else
        frame.SetCaption(kNoVersionCaption);
}

namespace {

class FoundVersions : public VersionList, public CaptionTarget {
public:
    void AddText(std::wstring_view text) override { entries.emplace_back(text); }
    void Clear() override { entries.clear(); }
    int Count() override { return static_cast<int>(entries.size()); }
    void SelectFirst() override {}
    void SetCaption(std::wstring_view) override {}
    std::vector<std::wstring> entries;
};

}  // namespace

std::vector<std::wstring> FindVersions() {
    FoundVersions found;
    FillVersionsFromRegistry(found, found);
    // The list box sorts without regard to case, as CompareString does for the user's locale.
    std::stable_sort(found.entries.begin(), found.entries.end(), [](const std::wstring& a, const std::wstring& b) {
        return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_LESS_THAN;
    });
    return found.entries;
}

void FillVersionsFromFolders(VersionList& list, int scanRootIndex) {
    const std::wstring root = ScanRoot(GetEnvText(scanRootIndex == 0 ? L"APPDATA" : L"ALLUSERSPROFILE"));
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((root + std::wstring(kVersionFolderPattern)).c_str(), &data);
    list.Clear();
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) list.AddText(data.cFileName);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    if (list.Count() > 0) list.SelectFirst();
}

void ToggleVersionScan(VersionList& list) {
    FillVersionsFromFolders(list, g_nextScanRoot);
    g_nextScanRoot = g_nextScanRoot + 1 > 1 ? 0 : g_nextScanRoot + 1;
}

std::wstring GetPluginsDir(std::wstring_view entry, PluginsKind kind) {
    if (kind == PluginsKind::Automatic)
        kind = HasNonAsciiChar(GetCurrentUserName()) ? PluginsKind::AllUsers : PluginsKind::PerUser;
    if (kind == PluginsKind::AllUsers) return AllUsersPluginsDir(GetEnvText(L"ALLUSERSPROFILE"), entry);
    return PerUserPluginsDir(GetEnvText(L"APPDATA"), entry);
}

ConfigPaths GetConfigPaths(std::wstring_view entry, int kind) {
    return MakeConfigPaths(kind, GetEnvText(kind == 1 ? L"USERPROFILE" : L"APPDATA"), entry);
}

bool IsSketchUpRunning() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry))
        found = IsSketchUpExeName(entry.szExeFile);
    CloseHandle(snapshot);
    return found;
}

std::wstring GetCurrentUserName() {
    wchar_t name[256] = {};
    DWORD size = 255;
    if (!GetUserNameW(name, &size)) return {};
    return name;
}

}  // namespace qln
