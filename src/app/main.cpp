#include <windows.h>
#include <shellapi.h>

#include <clocale>
#include <string>
#include <vector>

#include "app/app_constants.h"
#include "app/command_line.h"
#include "app/dll_search.h"
#include "app/startup.h"
#include "app/startup_trace.h"
#include "app/unattended.h"
#include "plugin/install/run_temp.h"
#include "plugin/install_log.h"
#include "plugin/package_install.h"
#include "plugin/plugin_page.h"

namespace {

std::vector<std::wstring> ProgramArguments() {
    std::vector<std::wstring> arguments;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv) return arguments;
    for (int i = 1; i < count; ++i) arguments.emplace_back(argv[i]);
    LocalFree(argv);
    return arguments;
}

// An administrator who finds the window where a silent run was meant learns why from the log.
void LogIgnoredArguments(const std::vector<std::wstring>& ignored) {
    qln::InstallLogEntry entry;
    entry.mode = L"window";
    entry.result = "ignored-arguments";
    entry.reason = qln::IgnoredArgumentsReason(ignored);
    qln::AppendInstallLog(entry);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    qln::LimitDllSearch();
    QLN_TRACE("main");
    const qln::CommandLine line = qln::ReadCommandLine(ProgramArguments());
    qln::SetInstallLogProgramVersion(L"" QLN_VERSION_TEXT);
    if (line.mode == qln::RunMode::Window || line.mode == qln::RunMode::WindowWithPackage) {
        if (!line.log.empty()) qln::SetInstallLogPath(line.log);
        if (!line.ignored.empty()) LogIgnoredArguments(line.ignored);
        if (line.mode == qln::RunMode::WindowWithPackage) qln::SetStartupPackage(line.package);
        qln::PrepareProcess();
        qln::RemoveOldCopiesLater(true);
        qln::RunApplication();
        // The window's exit code is 0 on every path, also for a refused second instance.
        qln::WaitForOldCopiesRemoved();
        qln::RemoveRunTempFolder();
        QLN_TRACE("exit");
        QLN_TRACE_WRITE();
        ExitProcess(0);
    }
    // Without the window: no common controls, no GDI+, nothing that could show itself.
    std::setlocale(LC_CTYPE, "");
    const qln::ExitCode code = qln::RunWithoutWindow(line);
    qln::RemoveRunTempFolder();
    ExitProcess(static_cast<UINT>(code));
}
