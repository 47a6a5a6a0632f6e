#include "app/startup.h"

#include <windows.h>
#include <commctrl.h>

#include <clocale>

#include "app/app_info.h"
#include "app/main_form.h"
#include "app/startup_trace.h"
#include "forms/engine/form_engine.h"
#include "ui/app_look.h"
#include "plugin/package_install.h"

extern "C" {
// The flat GDI+ start-up API; declared here to avoid the C++ GDI+ headers.
struct QlnGdiplusStartupInput {
    UINT32 GdiplusVersion;
    void* DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
};
int WINAPI GdiplusStartup(ULONG_PTR* token, const QlnGdiplusStartupInput* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
}

namespace qln {

namespace {

void EnableDebugPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid);
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(privileges), nullptr, nullptr);
    CloseHandle(token);
}

}  // namespace

void PrepareProcess() {
    // Wide/8-bit conversions in the C library follow the user's ANSI code page from here on.
    std::setlocale(LC_CTYPE, "");
    InitCommonControls();
    INITCOMMONCONTROLSEX icc = {8, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    FillAppInfo();
    RegisterFormClass(L"NoxbunGroup", AppInfo.Instance, nullptr);
    QLN_TRACE("process prepared");
}

int CheckSingleInstance() {
    // Held (never closed) for the life of the process: its existence is the rule.
    CreateMutexW(nullptr, TRUE, kAppTitle);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        MessageBoxW(nullptr, kAlreadyRunningText, kAppTitle, MB_OK);
        return -1;
    }
    EnableDebugPrivilege();
    QLN_TRACE("single instance");
    return 0;
}

int RunApplication() {
    ULONG_PTR gdiplusToken = 0;
    const QlnGdiplusStartupInput input = {1, nullptr, FALSE, FALSE};
    GdiplusStartup(&gdiplusToken, &input, nullptr);
    QLN_TRACE("GdiplusStartup");
    if (CheckSingleInstance() != 0) return -1;
    // An installation that ended with its process during its moves is rolled back first.
    RecoverInterruptedInstall();
    BuildForm1(nullptr, -1, 0);
    QLN_TRACE("main window destroyed");
    GdiplusShutdown(gdiplusToken);
    return 0;
}

}  // namespace qln
