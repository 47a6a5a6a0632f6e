// What one installation of a plugin package came to, whichever road started it (the page's
// download, a local package file, an unattended run), and the sentence the user reads for it.
// Portable: no Windows types, so the unattended mode's exit codes and the install log can be
// derived and tested natively.
#pragma once

#include <cstdint>
#include <string>

namespace qln {

// New kinds are only ever added at the end.
enum class InstallOutcome : std::uint8_t {
    Succeeded,
    NoTarget,            // no version to install into, or its path cannot be written in the code page
    DamagedPackage,      // not a zip, a bad member name, checksum, data ending early, method, encryption,
                         // a member whose folder neither the package nor the target holds
    AccessDenied,        // a file or folder that administrator rights could make writable
    FileInUse,           // a file held open by a running program
    DiskFull,
    DownloadFailed,      // no connection, or the body ended before its announced length
    ServerError,         // a status other than the package's (200; 206 when a range was asked)
    CertificateRefused,  // the server's certificate failed verification
    PackageTooLarge,     // the server announced (or sent) more than the installer accepts
    PathBlocked,         // a file of the target stands where the package has a folder, or the reverse
    AnotherInstallation, // another process is installing into the same Plugins folder right now
};

// The sentence for the user, in the system's voice (message boxes, the log's reason).
const wchar_t* InstallOutcomeMessage(InstallOutcome outcome);

// A short ASCII name for logs ("succeeded", "damaged-package", ...).
const char* InstallOutcomeName(InstallOutcome outcome);

// The result of installing one package file into one Plugins folder.
struct InstallReport {
    InstallOutcome outcome = InstallOutcome::Succeeded;
    std::uint32_t membersWritten = 0;  // members of the package now in place (0 after a roll-back)
    std::uint64_t packageBytes = 0;
    std::wstring detail;               // the member or file that failed, when there is one
    std::uint32_t systemError = 0;     // the Windows error behind a failed file operation, or 0
    bool rolledBack = false;           // moves had begun and were all undone
    bool rollbackIncomplete = false;   // an undo step failed: the journal stays for the next start
};

}  // namespace qln
