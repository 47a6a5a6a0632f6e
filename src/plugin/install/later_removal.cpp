#include "plugin/install/later_removal.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "plugin/install/install_fs.h"
#include "plugin/install/work_area.h"
#include "plugin/package_install.h"

namespace qln::install {

namespace {

// The installation that handed the area over lets go of the lock as it returns. Should another
// process take the lock first, its own recovery removes the area (its journal is committed), so
// the thread need not wait for it, nor the process's end for the thread.
constexpr DWORD kLockPatienceMs = 5000;

std::atomic<bool> g_later{false};
std::mutex g_lock;
std::vector<std::pair<std::wstring, std::thread>> g_removals;  // target key, thread

}  // namespace

bool RemoveAreaLater(const std::wstring& fullTarget, const std::wstring& area) {
    if (!g_later) return false;
    std::lock_guard<std::mutex> guard(g_lock);
    try {
        g_removals.emplace_back(Key(fullTarget), std::thread([fullTarget, area] {
                                    InstallLock lock;
                                    if (lock.AcquireWaiting(fullTarget, kLockPatienceMs) != 0) return;
                                    WorkArea(fullTarget, area).Remove();
                                }));
    } catch (...) {
        return false;  // no thread: removed at once, as everywhere else
    }
    return true;
}

void WaitForAreaRemovals(const std::wstring& fullTarget) {
    const std::wstring key = Key(fullTarget);
    std::vector<std::thread> waiting;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        for (auto it = g_removals.begin(); it != g_removals.end();) {
            if (key.empty() || it->first == key) {
                waiting.push_back(std::move(it->second));
                it = g_removals.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (std::thread& thread : waiting) thread.join();
}

}  // namespace qln::install

namespace qln {

void RemoveOldCopiesLater(bool on) { install::g_later = on; }

void WaitForOldCopiesRemoved() { install::WaitForAreaRemovals({}); }

}  // namespace qln
