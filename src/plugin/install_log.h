// Appends install log entries (install_log_format.h) to the log file: "qln_install.log" in the
// user's Temp folder, or the file named by "/log:". Writing the log never fails an
// installation: every error here is swallowed.
#pragma once

#include <string>

#include "plugin/install_log_format.h"

namespace qln {

std::wstring DefaultInstallLogPath();

// "2026-12-07 10:15:03", local time, as every entry (and the install record) writes it.
std::wstring LocalTimeText();

// Whether "/log:" may write to `path`: a new file, or an existing plain file (no folder, device,
// link or second name) that is empty or holds a log of ours. Nothing is created or changed.
bool IsUsableInstallLog(const std::wstring& path);

// Empty: the default path again.
void SetInstallLogPath(const std::wstring& path);
std::wstring InstallLogPath();

// The program version every entry names; the start-up sets it from the version resource's text.
void SetInstallLogProgramVersion(const std::wstring& version);

// Fills in the time and program version, then appends the entry, dropping the oldest entries
// when the file would grow past kInstallLogLimit. Returns whether the entry reached the file
// (for tests; callers ignore it).
bool AppendInstallLog(InstallLogEntry entry) noexcept;

}  // namespace qln
