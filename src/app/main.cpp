#include <windows.h>

#include "app/startup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    qln::PrepareProcess();
    qln::RunApplication();
    // The exit code is 0 on every path, also for a refused second instance.
    ExitProcess(0);
}
