// The process exit codes of a run with switches, for deployment tools that read the result
// from the exit code alone. A small range of our own: 0 is success as every tool reads it, and
// nothing here may take a number those tools already give a meaning (1602, 1603, 1618, 1641,
// 3010, ...). Without switches the program ends with 0, as it always has.
#pragma once

#include "plugin/install_outcome.h"

namespace qln {

enum class ExitCode : int {
    Success = 0,
    UsageShown = 20,           // "/?": the usage, nothing installed
    BadArgument = 21,          // an unknown, repeated, empty or conflicting switch
    AnotherInstance = 22,      // the installer is already open
    NoTarget = 23,             // no SketchUp version found to install into, or not the one asked for
    SketchUpRunning = 24,
    PackageUnreadable = 25,    // "/package:" names no readable file
    DownloadFailed = 26,
    ServerError = 27,
    CertificateRefused = 28,
    DamagedPackage = 29,
    AccessDenied = 30,
    FileInUse = 31,
    DiskFull = 32,
    PackageTooLarge = 33,
    PathBlocked = 34,          // a file of the Plugins folder stands where the package has a folder, or the reverse
    AnotherInstallation = 35,  // another process is installing into the same Plugins folder
    // "/verify" and "/uninstall"; clear of the installation's range, so that a tool can tell them apart.
    NotInstalled = 40,         // no install record of ours for the chosen version
    FilesChanged = 41,         // "/verify": a recorded file is missing or no longer what was installed
};

ExitCode ExitCodeOf(InstallOutcome outcome);

}  // namespace qln
