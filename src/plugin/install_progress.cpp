#include "plugin/install_progress.h"

namespace qln {

namespace {

thread_local InstallProgressScope* t_listening = nullptr;

}  // namespace

InstallProgressScope::InstallProgressScope(InstallProgress progress)
    : progress_(std::move(progress)), outer_(t_listening) {
    t_listening = this;
}

InstallProgressScope::~InstallProgressScope() { t_listening = outer_; }

void ReportInstallProgress(std::size_t done, std::size_t total) noexcept {
    if (!t_listening) return;
    try {
        if (t_listening->progress_) t_listening->progress_(done, total);
    } catch (...) {
    }
}

}  // namespace qln
