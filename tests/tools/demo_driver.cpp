// Walks the demo's road by itself when there is no display to show it on (scripts/run.sh):
// starts the installer, waits for its version list, presses "下载最新版Quorlen插件并安装" on the
// plugin page, waits for the installation's message box and reports it. While the box is up it
// prints "demo: result shown" and waits (up to 30 s) for <go-file> to appear, so that run.sh can
// take its screenshot; then it answers the box, closes the installer and waits for its end.
// Every wait has a limit: the driver always ends. Exit code 0 when the installation succeeded.
//   demo_driver <installer.exe> <go-file>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "window_search.h"

namespace {

using qln::test::FindChildOfClass;
using qln::test::ListLines;
using qln::test::WaitForWindow;
using qln::test::WindowText;

constexpr DWORD kWindowWait = 60000;
constexpr DWORD kResultWait = 180000;
constexpr DWORD kScreenshotWait = 30000;
constexpr int kListId = 110;      // List1 of the plugin page
constexpr int kInstallId = 109;   // Command1 of the plugin page
constexpr const wchar_t* kSuccess = L"安装成功！";

void Say(const std::wstring& text) {
    const std::wstring line = L"demo: " + text + L"\n";
    const int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), n, nullptr, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

class Installer {
public:
    bool Start(const std::wstring& path) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        std::wstring command = L"\"" + path + L"\"";
        return CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &info_) != FALSE;
    }
    ~Installer() {
        if (!info_.hProcess) return;
        if (WaitForSingleObject(info_.hProcess, 0) != WAIT_OBJECT_0) {
            Say(L"the installer did not end; stopping it");
            TerminateProcess(info_.hProcess, 1);
        }
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    DWORD Pid() const { return info_.dwProcessId; }
    HANDLE Process() const { return info_.hProcess; }

private:
    PROCESS_INFORMATION info_ = {};
};

int Fail(const std::wstring& why) {
    Say(why);
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: demo_driver <installer.exe> <go-file>\n");
        return 2;
    }
    const std::wstring goFile = argv[2];
    DeleteFileW(goFile.c_str());

    Installer installer;
    if (!installer.Start(argv[1])) return Fail(L"cannot start the installer (error " + std::to_wstring(GetLastError()) + L")");
    HWND main = WaitForWindow(installer.Pid(), L"Quorlen插件安装器_Form1", kWindowWait, installer.Process());
    if (!main) return Fail(L"the installer's main window did not appear");
    HWND page = FindChildOfClass(main, L"Quorlen插件安装器_Form2");
    HWND list = page ? GetDlgItem(page, kListId) : nullptr;
    HWND install = page ? GetDlgItem(page, kInstallId) : nullptr;
    if (!list || !install) return Fail(L"the plugin page is not there");
    Say(L"main window \"" + WindowText(main) + L"\" shown");

    // The load handler fills the list after the window shows.
    const DWORD start = GetTickCount();
    while (SendMessageW(list, LB_GETCOUNT, 0, 0) <= 0 && GetTickCount() - start < kWindowWait) Sleep(50);
    const std::vector<std::wstring> lines = ListLines(list);
    if (lines.empty()) return Fail(L"no SketchUp version listed");
    std::wstring listed;
    for (const auto& line : lines) listed += (listed.empty() ? L"" : L", ") + line;
    Say(L"SketchUp versions found: " + listed);
    const int selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
    Say(L"selected: " + (selected >= 0 && selected < static_cast<int>(lines.size()) ? lines[selected] : L"(none)"));

    Say(L"pressing \"下载最新版Quorlen插件并安装\"");
    PostMessageW(install, BM_CLICK, 0, 0);
    HWND box = WaitForWindow(installer.Pid(), L"#32770", kResultWait, installer.Process());
    if (!box) return Fail(L"no result message within " + std::to_wstring(kResultWait / 1000) + L" s");
    Sleep(500);  // let the box paint before the screenshot
    const std::wstring result = WindowText(GetDlgItem(box, 0xFFFF));
    Say(L"result: " + result + L" (message box \"" + WindowText(box) + L"\")");
    Say(L"result shown");

    const DWORD shown = GetTickCount();
    while (GetFileAttributesW(goFile.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount() - shown < kScreenshotWait)
        Sleep(100);
    DeleteFileW(goFile.c_str());
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    const DWORD answered = GetTickCount();
    while (IsWindow(box) && GetTickCount() - answered < kWindowWait) Sleep(50);
    PostMessageW(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(installer.Process(), kWindowWait) == WAIT_OBJECT_0) Say(L"installer closed");
    return result == kSuccess ? 0 : 1;
}
