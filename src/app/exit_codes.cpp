#include "app/exit_codes.h"

namespace qln {

ExitCode ExitCodeOf(InstallOutcome outcome) {
    switch (outcome) {
    case InstallOutcome::Succeeded: return ExitCode::Success;
    case InstallOutcome::NoTarget: return ExitCode::NoTarget;
    case InstallOutcome::DamagedPackage: return ExitCode::DamagedPackage;
    case InstallOutcome::AccessDenied: return ExitCode::AccessDenied;
    case InstallOutcome::FileInUse: return ExitCode::FileInUse;
    case InstallOutcome::DiskFull: return ExitCode::DiskFull;
    case InstallOutcome::DownloadFailed: return ExitCode::DownloadFailed;
    case InstallOutcome::ServerError: return ExitCode::ServerError;
    case InstallOutcome::CertificateRefused: return ExitCode::CertificateRefused;
    case InstallOutcome::PackageTooLarge: return ExitCode::PackageTooLarge;
    case InstallOutcome::PathBlocked: return ExitCode::PathBlocked;
    case InstallOutcome::AnotherInstallation: return ExitCode::AnotherInstallation;
    }
    return ExitCode::AccessDenied;
}

}  // namespace qln
