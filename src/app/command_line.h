// The program's command line, read before anything else starts. Without arguments the program
// is the window it has always been. One argument that is not a switch is a package file to
// install through the window ("Open with", a file association). Switches start an unattended
// run for deployment tools; "/?" asks for the usage. Portable: tested natively.
#pragma once

#include <string>
#include <vector>

namespace qln {

enum class RunMode {
    Window,             // the main window, as without arguments
    WindowWithPackage,  // the main window, then the local package after one confirmation
    Unattended,         // no main window; the result is the exit code
    Usage,              // "/?"
    BadArguments,       // nothing is done but telling so
};

// What an unattended run does with the chosen versions.
enum class RunAction {
    Install,
    Verify,     // "/verify": every file the last installation recorded, present and unchanged
    Uninstall,  // "/uninstall": the recorded files that are unchanged, then the record
};

struct CommandLine {
    RunMode mode = RunMode::Window;
    RunAction action = RunAction::Install;
    bool quiet = false;         // no window and no message box, ever
    bool allUsers = false;      // the all-users Plugins folder instead of the automatic choice
    bool allVersions = false;   // "/version:all"
    int year = 0;               // "/version:<year>"; 0 with allVersions false: the first version found
    std::wstring package;       // "/package:<file>", or the one plain argument
    std::wstring url;           // "/url:<https url>", checked strictly
    std::wstring log;           // "/log:<file>"
    std::wstring error;         // why the arguments were refused (BadArguments)
};

// `arguments` without the program's own name, as CommandLineToArgvW splits them.
CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);

// The usage, as "/?" and a refused argument show it.
std::wstring UsageText();

}  // namespace qln
