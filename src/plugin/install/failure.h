// A step of the installation that failed: what the user is told, and the Windows error and the
// name behind it; and the test seam every step that changes the disk passes.
#pragma once

#include <windows.h>

#include <string>

#include "plugin/install_hooks.h"
#include "plugin/install_outcome.h"
#include "plugin/transfer_rules.h"

namespace qln::install {

struct Failure {
    InstallOutcome outcome = InstallOutcome::Succeeded;
    DWORD error = 0;
    std::wstring detail;
    explicit operator bool() const { return outcome != InstallOutcome::Succeeded; }
};

inline Failure FileFailure(DWORD error, const std::wstring& detail) { return {ClassifyFileError(error), error, detail}; }

inline Failure Fail(InstallOutcome outcome, const std::wstring& detail, DWORD error = 0) {
    return {outcome, error, detail};
}

inline void Report(InstallReport& report, const Failure& failure) {
    report.outcome = failure.outcome;
    report.systemError = failure.error;
    report.detail = failure.detail;
}

// Asks the build's hook (tests only) whether this step meets an injected failure.
inline bool Checkpoint(InstallStep step, std::size_t index, const std::wstring& path) {
    if (const InstallStepHook hook = ActiveInstallStepHook()) {
        if (const std::uint32_t error = hook(step, index, path)) {
            SetLastError(error);
            return false;
        }
    }
    return true;
}

}  // namespace qln::install
