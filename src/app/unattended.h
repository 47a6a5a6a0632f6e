// The runs started with switches: an unattended installation for deployment tools, the usage,
// and the answer to arguments that cannot be used. None of them opens the main window.
#pragma once

#include "app/command_line.h"
#include "app/exit_codes.h"

namespace qln {

// Runs `line` (mode Unattended, Usage or BadArguments) and returns the process exit code. With
// `quiet` no window and no message box appears; otherwise the usage, a refusal or the result is
// told in one message box. Every run that could install, and every refused one, leaves an entry
// in the install log.
ExitCode RunWithoutWindow(const CommandLine& line);

}  // namespace qln
