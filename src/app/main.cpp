#include <windows.h>

#include "app/startup.h"
#include "app/startup_trace.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    QLN_TRACE("main");
    qln::PrepareProcess();
    qln::RunApplication();
    // The exit code is 0 on every path, also for a refused second instance.
    QLN_TRACE("exit");
    QLN_TRACE_WRITE();
    ExitProcess(0);
}
