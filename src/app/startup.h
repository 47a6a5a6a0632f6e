// Process start-up: the single-instance rule and the run of the main window.
#pragma once

namespace qln {

inline constexpr const wchar_t* kAlreadyRunningText = L"Quorlen插件安装器已打开，请勿重复运行";

// Everything the entry point does before the main window: locale, common controls,
// application information, the button group's class. Split out so tests can run it too.
void PrepareProcess();

// 0 when this is the only instance (the mutex stays held until the process ends), -1 after
// telling the user that another instance runs.
int CheckSingleInstance();

// 0 after the main window closed, -1 when another instance runs.
int RunApplication();

}  // namespace qln
