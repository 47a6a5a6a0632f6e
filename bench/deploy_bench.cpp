// Times one installation of the demo package from the loopback server two ways: an unattended
// run ("/quiet /version:2021") from process start to exit, and the page's button from the press
// to the result message (the window already open). Prints one line of medians.
// With "--current" it times instead, once each, a full unattended installation (no install
// record: the package is downloaded and installed) against the same run once the plugin is
// current (the record's validators answered with 304, nothing downloaded or written); the
// server must answer conditional requests (http_test_server.py --update-mode conditional).
//   deploy_bench.exe <installer.exe> [rounds]
//   deploy_bench.exe <installer.exe> --current <record file>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

PROCESS_INFORMATION Start(const std::wstring& exe, const std::wstring& args) {
    std::wstring line = L"\"" + exe + L"\" " + args;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    return process;
}

struct Find {
    DWORD pid;
    const wchar_t* cls;
    HWND found;
};

HWND WindowOf(DWORD pid, const wchar_t* cls) {
    Find find{pid, cls, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* f = reinterpret_cast<Find*>(param);
            DWORD owner = 0;
            wchar_t name[128] = {};
            GetWindowThreadProcessId(window, &owner);
            GetClassNameW(window, name, 128);
            if (owner == f->pid && IsWindowVisible(window) && lstrcmpW(name, f->cls) == 0) {
                f->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.found;
}

HWND WaitWindow(DWORD pid, const wchar_t* cls) {
    for (int i = 0; i < 3000; ++i) {
        if (HWND w = WindowOf(pid, cls)) return w;
        Sleep(2);
    }
    return nullptr;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

// One unattended run, start to exit, in ms; negative when it did not end with 0.
double TimedRun(const std::wstring& exe, const std::wstring& args) {
    const double start = Now();
    PROCESS_INFORMATION run = Start(exe, args);
    WaitForSingleObject(run.hProcess, 60000);
    const double end = Now();
    DWORD code = 1;
    GetExitCodeProcess(run.hProcess, &code);
    CloseHandle(run.hProcess);
    CloseHandle(run.hThread);
    if (code != 0) std::printf("unattended run %ls ended with %lu\n", args.c_str(), code);
    return code == 0 ? end - start : -1;
}

int CurrentAgainstFull(const std::wstring& exe, const std::wstring& record) {
    DeleteFileW(record.c_str());  // no record: the first run downloads and installs in full
    const double full = TimedRun(exe, L"/quiet /version:2021");
    if (GetFileAttributesW(record.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("the full installation left no install record at %ls\n", record.c_str());
        return 1;
    }
    const double current = TimedRun(exe, L"/quiet /version:2021");
    if (full < 0 || current < 0) return 1;
    std::printf("deploy: unattended run that finds the plugin current (304), start to exit: %.0f ms; "
                "full unattended installation of the same package: %.0f ms; ratio %.2f (one run each)\n",
                current, full, current / full);
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const std::wstring exe = argv[1];
    if (argc > 3 && std::wstring(argv[2]) == L"--current") return CurrentAgainstFull(exe, argv[3]);
    const int rounds = argc > 2 ? _wtoi(argv[2]) : 5;
    std::vector<double> unattended, page;
    for (int i = 0; i < rounds; ++i) {
        const double took = TimedRun(exe, L"/quiet /version:2021");
        if (took < 0) return 1;
        unattended.push_back(took);

        PROCESS_INFORMATION window = Start(exe, L"");
        HWND main = WaitWindow(window.dwProcessId, L"Quorlen插件安装器_Form1");
        HWND tabs = main ? FindWindowExW(main, nullptr, L"SysTabControl32", nullptr) : nullptr;
        HWND form2 = tabs ? FindWindowExW(tabs, nullptr, L"Quorlen插件安装器_Form2", nullptr) : nullptr;
        HWND list = form2 ? GetDlgItem(form2, 110) : nullptr;
        for (int w = 0; list && w < 2000 && SendMessageW(list, LB_GETCOUNT, 0, 0) < 1; ++w) Sleep(2);
        if (!list) return 1;
        const double press = Now();
        PostMessageW(GetDlgItem(form2, 109), BM_CLICK, 0, 0);
        HWND box = WaitWindow(window.dwProcessId, L"#32770");
        const double shown = Now();
        if (!box) return 1;
        page.push_back(shown - press);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        Sleep(100);
        PostMessageW(main, WM_CLOSE, 0, 0);
        WaitForSingleObject(window.hProcess, 30000);
        CloseHandle(window.hProcess);
        CloseHandle(window.hThread);
    }
    std::printf("deploy: unattended install of the demo package, start to exit: median %.0f ms; "
                "same through the page, press to message box: median %.0f ms (window already open); %d rounds\n",
                Median(unattended), Median(page), rounds);
    return 0;
}
