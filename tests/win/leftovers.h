// What a test can leave behind in the Wine prefix it shares with the tests after it, and the
// guard that ends it after every test whatever happened.
//
// Every test binary carries the guard (leftovers.cpp registers it with GoogleTest): before each
// test it quietly ends what an earlier test left (one that crashed or was killed before its end),
// and after each test it ends what that test left and fails the test for it. So one failing test
// shows as one failure, not as a failure of every test after it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qln::test {

struct PrefixProcess {
    DWORD pid = 0;
    std::wstring name;  // the image file name, as the process snapshot gives it
    std::wstring path;  // the full image path; empty when it cannot be read
};

// Every process of this Wine prefix other than this one.
std::vector<PrefixProcess> PrefixProcesses();

// The command line another process was started with, read from its process parameters; empty
// when it cannot be read.
std::wstring CommandLineOf(DWORD pid);

// A process a test starts and must end: SketchUp.exe in any letter case, the stand-in under its
// own name, SketchUpViewer.exe, the installer (QuorlenInstaller*.exe), any program under the
// scratch root, and an Explorer that a shell request opened (every explorer.exe but the
// desktop's).
bool IsTestProcess(const PrefixProcess& process);

// Ends every test process, by its id (Explorer windows are asked to close first); returns
// "name (pid N)" for each one that had to be ended.
std::vector<std::wstring> EndLeftoverProcesses();

// Files and registry keys that tests write and must remove again: the SketchUp registry key,
// anything in the scratch root, the scan roots with their Plugins folders, the local
// configuration root, the package file and the transit Plugins folder of the temporary folder.
std::vector<std::wstring> LeftoverState();
// Removes all of it (leaves an empty scratch root).
void ResetLeftoverState();

// The processes that something (a shell request) starts: takes note of the processes running
// when made, then hands out the command lines of processes started later.
class StartedProcessWatch {
public:
    StartedProcessWatch();
    // The command line of the next process named `name` (any letter case) that was not running
    // before, waiting up to `milliseconds`; empty when none came.
    std::wstring Next(const wchar_t* name, DWORD milliseconds);

private:
    std::vector<DWORD> seen_;
};

}  // namespace qln::test
