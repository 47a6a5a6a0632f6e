// A test program that installs a package the way the installer does, but stops for good before
// its n-th move of a staged file into the target, after setting a named event: the test then
// kills it there, as a power cut or a task manager would, and checks the recovery.
//   install_helper.exe <package> <plugins folder> <n> <event name>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "install_test_hooks.h"
#include "plugin/package_install.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) return 2;
    const int stopAt = _wtoi(argv[3]);
    const std::wstring event = argv[4];
    int moves = 0;
    qln::test::SetInstallHook([&](qln::InstallStep step, std::size_t, const std::wstring&) -> std::uint32_t {
        if (step == qln::InstallStep::MoveIn && ++moves == stopAt) {
            if (HANDLE reached = OpenEventW(EVENT_MODIFY_STATE, FALSE, event.c_str())) SetEvent(reached);
            Sleep(INFINITE);
        }
        return 0;
    });
    const qln::InstallReport report = qln::InstallPackageFile(argv[1], argv[2]);
    return static_cast<int>(report.outcome);
}
