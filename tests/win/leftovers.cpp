#include "leftovers.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>

#include <gtest/gtest.h>

#include "plugin/package_install.h"
#include "test_support.h"

namespace qln::test {

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::wstring TempFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return temp;  // ends with a backslash
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool HasEntries(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool any = false;
    do any = any || (wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0);
    while (!any && FindNextFileW(find, &data));
    FindClose(find);
    return any;
}

// An Explorer that a shell request started: its command line is known and is not the desktop's
// ("explorer.exe /desktop"), which must live on.
bool IsShellRequestExplorer(DWORD pid) {
    const std::wstring commandLine = Lower(CommandLineOf(pid));
    return !commandLine.empty() && commandLine.find(L"/desktop") == std::wstring::npos;
}

}  // namespace

std::vector<PrefixProcess> PrefixProcesses() {
    std::vector<PrefixProcess> processes;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return processes;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId() || entry.th32ProcessID == 0) continue;
        PrefixProcess process{entry.th32ProcessID, entry.szExeFile, L""};
        if (HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID)) {
            wchar_t path[MAX_PATH * 2] = {};
            DWORD size = MAX_PATH * 2;
            if (QueryFullProcessImageNameW(handle, 0, path, &size)) process.path = path;
            CloseHandle(handle);
        }
        processes.push_back(process);
    }
    CloseHandle(snapshot);
    return processes;
}

std::wstring CommandLineOf(DWORD pid) {
    using QueryFn = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    static const auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) return {};
    std::wstring commandLine;
    PROCESS_BASIC_INFORMATION basic = {};
    PEB peb = {};
    RTL_USER_PROCESS_PARAMETERS parameters = {};
    if (query && query(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr) >= 0 &&
        ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof(peb), nullptr) &&
        ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof(parameters), nullptr) &&
        parameters.CommandLine.Buffer && parameters.CommandLine.Length > 0) {
        commandLine.resize(parameters.CommandLine.Length / sizeof(wchar_t));
        if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, commandLine.data(),
                               parameters.CommandLine.Length, nullptr))
            commandLine.clear();
    }
    CloseHandle(process);
    return commandLine;
}

bool IsTestProcess(const PrefixProcess& process) {
    const std::wstring name = Lower(process.name);
    if (name == L"sketchup.exe" || name == L"standin_sketchup.exe" || name == L"sketchupviewer.exe" ||
        StartsWith(name, L"quorleninstaller"))
        return true;
    if (!process.path.empty() && StartsWith(Lower(process.path), Lower(ScratchRoot()) + L"\\")) return true;
    return name == L"explorer.exe" && IsShellRequestExplorer(process.pid);
}

std::vector<std::wstring> EndLeftoverProcesses() {
    std::vector<std::wstring> ended;
    auto leftovers = [] {
        std::vector<PrefixProcess> found;
        for (const PrefixProcess& process : PrefixProcesses())
            if (IsTestProcess(process)) found.push_back(process);
        return found;
    };
    if (leftovers().empty()) return ended;
    CloseExplorerWindows();
    for (const PrefixProcess& process : leftovers()) {
        HANDLE handle = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process.pid);
        if (!handle) continue;
        if (WaitForSingleObject(handle, 0) == WAIT_TIMEOUT) {
            TerminateProcess(handle, 1);
            WaitForSingleObject(handle, 5000);
            ended.push_back(process.name + L" (pid " + std::to_wstring(process.pid) + L")");
        }
        CloseHandle(handle);
    }
    return ended;
}

std::vector<std::wstring> LeftoverState() {
    std::vector<std::wstring> found;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\SketchUp", 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegCloseKey(key);
        found.push_back(L"registry key HKLM\\SOFTWARE\\SketchUp");
    }
    if (HasEntries(ScratchRoot())) found.push_back(L"files under " + ScratchRoot());
    for (const std::wstring& path :
         {PerUserScanRoot(), AllUsersScanRoot(), GetEnvText(L"USERPROFILE") + L"\\AppData\\Local\\SketchUp",
          TempFolder() + L"qln_plugin.tmp", TempFolder() + L"Plugins"})
        if (Exists(path)) found.push_back(path);
    return found;
}

void ResetLeftoverState() {
    ResetDiscoveryWorld();
    const std::wstring package = TempFolder() + L"qln_plugin.tmp";
    SetFileAttributesW(package.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(package.c_str())) RemoveDirectoryW(package.c_str());  // a test may make it a folder
    RemoveTree(TempFolder() + L"Plugins");
}

StartedProcessWatch::StartedProcessWatch() {
    for (const PrefixProcess& process : PrefixProcesses()) seen_.push_back(process.pid);
}

std::wstring StartedProcessWatch::Next(const wchar_t* name, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        for (const PrefixProcess& process : PrefixProcesses()) {
            if (std::find(seen_.begin(), seen_.end(), process.pid) != seen_.end()) continue;
            if (Lower(process.name) != Lower(name)) continue;
            // The parameters are in place once the process runs its own code; wait for them.
            std::wstring commandLine;
            for (int i = 0; i < 50 && commandLine.empty(); ++i, Sleep(20)) commandLine = CommandLineOf(process.pid);
            seen_.push_back(process.pid);
            return commandLine;
        }
        Sleep(20);
    } while (GetTickCount() - start < milliseconds);
    return {};
}

namespace {

std::string Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::string Joined(const std::vector<std::wstring>& items) {
    std::string text;
    for (const std::wstring& item : items) text += (text.empty() ? "" : ", ") + Utf8(item);
    return text;
}

// Before each test: what an earlier test left is ended without blaming this one. After each
// test: what this test left is ended, and the test fails for it.
class LeftoverGuard : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        const std::vector<std::wstring> processes = EndLeftoverProcesses();
        const std::vector<std::wstring> state = LeftoverState();
        if (!state.empty()) ResetLeftoverState();
        DownloadBusy.store(0);
        if (!processes.empty() || !state.empty())
            std::printf("[ guard    ] an earlier test left this behind; ended and removed before the test: %s\n",
                        Joined([&] {
                            auto all = processes;
                            all.insert(all.end(), state.begin(), state.end());
                            return all;
                        }())
                            .c_str());
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        const std::vector<std::wstring> processes = EndLeftoverProcesses();
        if (!processes.empty())
            ADD_FAILURE() << "the test left these running (now ended by the leftover guard): " << Joined(processes);
        const std::vector<std::wstring> state = LeftoverState();
        if (!state.empty()) {
            ResetLeftoverState();
            ADD_FAILURE() << "the test left these behind (now removed by the leftover guard): " << Joined(state);
        }
        if (DownloadBusy.load() != 0) {
            DownloadBusy.store(0);
            ADD_FAILURE() << "the test ended with DownloadBusy still set (now cleared by the leftover guard)";
        }
    }
};

// Appended after the default result printer, so that after a test this guard runs first and
// its failures are printed with the test's result.
const bool kGuardInstalled = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new LeftoverGuard);
    return true;
}();

}  // namespace

}  // namespace qln::test
