// How far the installation running on this thread has got, member by member, for a page that
// moves its progress bar meanwhile. The installation itself knows nothing of pages: it tells
// ReportInstallProgress, which passes it on to whoever listens on that thread.
#pragma once

#include <cstddef>
#include <functional>

namespace qln {

using InstallProgress = std::function<void(std::size_t done, std::size_t total)>;

// While it lives, installations on this thread report to `progress`. Scopes nest: the inner one
// listens until it ends.
class InstallProgressScope {
public:
    explicit InstallProgressScope(InstallProgress progress);
    ~InstallProgressScope();
    InstallProgressScope(const InstallProgressScope&) = delete;
    InstallProgressScope& operator=(const InstallProgressScope&) = delete;

private:
    friend void ReportInstallProgress(std::size_t done, std::size_t total) noexcept;
    InstallProgress progress_;
    InstallProgressScope* outer_;
};

// Called by the installation before each of its `total` members; does nothing when nobody
// listens on this thread. A listener's exception stays here.
void ReportInstallProgress(std::size_t done, std::size_t total) noexcept;

}  // namespace qln
