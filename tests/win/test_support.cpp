#include "test_support.h"

#include <shlobj.h>

#include <cstring>

#include <gtest/gtest.h>

namespace qln::test {

VersionListHost::VersionListHost() {
    parent_.reset(CreateWindowExW(0, L"Static", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 300, 300, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr));
    frame_ = CreateWindowExW(0, L"Button", kFrameCaption, WS_CHILD | BS_GROUPBOX, 0, 0, 200, 200, parent_.get(), nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    list_ = CreateWindowExW(0, L"ListBox", L"",
                            WS_CHILD | WS_VSCROLL | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT, 8, 20, 180, 170,
                            parent_.get(), nullptr, GetModuleHandleW(nullptr), nullptr);
}

void VersionListHost::AddText(std::wstring_view text) {
    std::wstring copy(text);
    SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(copy.c_str()));
}
void VersionListHost::Clear() { SendMessageW(list_, LB_RESETCONTENT, 0, 0); }
int VersionListHost::Count() { return static_cast<int>(SendMessageW(list_, LB_GETCOUNT, 0, 0)); }
void VersionListHost::SelectFirst() { SendMessageW(list_, LB_SETCURSEL, 0, 0); }
void VersionListHost::SetCaption(std::wstring_view caption) { SetWindowTextW(frame_, std::wstring(caption).c_str()); }

std::vector<std::wstring> VersionListHost::Items() const {
    std::vector<std::wstring> items;
    const int n = static_cast<int>(SendMessageW(list_, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        std::wstring text(static_cast<size_t>(SendMessageW(list_, LB_GETTEXTLEN, i, 0)), L'\0');
        SendMessageW(list_, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        items.push_back(text);
    }
    return items;
}
int VersionListHost::Selection() const { return static_cast<int>(SendMessageW(list_, LB_GETCURSEL, 0, 0)); }
std::wstring VersionListHost::Caption() const { return WindowText(frame_); }

void SeedVersionKey(const std::wstring& name, const std::wstring& installLocation) {
    HKEY key = nullptr;
    const std::wstring path = L"SOFTWARE\\SketchUp\\" + name + L"\\InstallLocation";
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(installLocation.c_str()),
                   static_cast<DWORD>((installLocation.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

std::wstring SeedVersion(const std::wstring& entry, const wchar_t* program, bool allUsersToo) {
    const std::wstring location = ScratchRoot() + L"\\" + entry + L"\\";
    MakeDirs(location);
    if (program) CopyFileW(program, (location + L"SketchUp.exe").c_str(), FALSE);
    SeedVersionKey(entry, location);
    MakeDirs(PerUserScanRoot() + L"\\" + entry + L"\\SketchUp");
    if (allUsersToo) MakeDirs(AllUsersScanRoot() + L"\\" + entry + L"\\SketchUp");
    return location;
}

void SeedVersionKeyWithoutLocation(const std::wstring& name) {
    HKEY key = nullptr;
    const std::wstring path = L"SOFTWARE\\SketchUp\\" + name;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void DeleteSketchUpKey() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\SketchUp"); }

void MakeDirs(const std::wstring& path) { SHCreateDirectoryExW(nullptr, path.c_str(), nullptr); }

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

void WriteTextFile(const std::wstring& path, const std::string& content) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ScratchRoot() { return L"C:\\qln-tests"; }
std::wstring PerUserScanRoot() { return GetEnvText(L"APPDATA") + L"\\SketchUp"; }
std::wstring AllUsersScanRoot() { return GetEnvText(L"ALLUSERSPROFILE") + L"\\SketchUp"; }

void ResetDiscoveryWorld() {
    DeleteSketchUpKey();
    RemoveTree(ScratchRoot());
    RemoveTree(PerUserScanRoot());
    RemoveTree(AllUsersScanRoot());
    RemoveTree(GetEnvText(L"USERPROFILE") + L"\\AppData\\Local\\SketchUp");
    MakeDirs(ScratchRoot());
}

// A process a test started never outlives the test's use of it, however the test ends.
Process::~Process() {
    Kill();
    if (info.hProcess) CloseHandle(info.hProcess);
    if (info.hThread) CloseHandle(info.hThread);
}

DWORD Process::WaitExit(DWORD milliseconds) {
    if (!info.hProcess || WaitForSingleObject(info.hProcess, milliseconds) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info.hProcess, &code);
    return code;
}

void Process::Kill() {
    if (info.hProcess && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, 5000);
    }
}

Process StartProcess(const std::wstring& exe, const std::wstring& args,
                     const std::vector<std::pair<std::wstring, std::wstring>>& env) {
    // The child inherits our environment with the given variables changed.
    std::vector<std::pair<std::wstring, std::wstring>> saved;
    for (const auto& [name, value] : env) {
        saved.emplace_back(name, GetEnvText(name.c_str()));
        SetEnvironmentVariableW(name.c_str(), value.c_str());
    }
    std::wstring commandLine = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    Process process;
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process.info))
        process.info = {};
    for (const auto& [name, value] : saved) SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
    return process;
}

std::wstring UnixPath(const std::wstring& dosPath) {
    // Wine's own export; tests run only under Wine.
    using Fn = char*(CDECL*)(const wchar_t*);
    auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = fn ? fn(dosPath.c_str()) : nullptr;
    if (!unix) return dosPath;
    std::wstring out(unix, unix + strlen(unix));
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

void CloseExplorerWindows(DWORD waitForOneMs) {
    auto explorers = [] {
        std::vector<HWND> windows;
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                const std::wstring cls = ClassOf(window);
                if (cls == L"ExplorerWClass" || cls == L"CabinetWClass" || cls == L"ExploreWClass")
                    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&windows));
        return windows;
    };
    // Explorer may take a while to open its first window in a fresh prefix.
    const DWORD start = GetTickCount();
    while (explorers().empty() && GetTickCount() - start < waitForOneMs) Sleep(50);
    std::vector<HANDLE> processes;
    for (int round = 0; round < 3; ++round) {
        for (HWND window : explorers()) {
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid)) processes.push_back(process);
            PostMessageW(window, WM_CLOSE, 0, 0);
        }
        Sleep(100);
    }
    for (HANDLE process : processes) {
        if (WaitForSingleObject(process, 5000) == WAIT_TIMEOUT) TerminateProcess(process, 0);
        CloseHandle(process);
    }
}

}  // namespace qln::test
