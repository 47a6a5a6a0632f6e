// Linked into test programs as an object of their own: this definition of ActiveInstallStepHook
// is then the one the installation calls, and the library's (which has no hook) is never linked.
#include "install_test_hooks.h"

#include <mutex>

namespace qln {

namespace {

std::mutex g_lock;
test::StepHook g_hook;

std::uint32_t Trampoline(InstallStep step, std::size_t index, const std::wstring& path) {
    test::StepHook hook;
    {
        std::lock_guard hold(g_lock);
        hook = g_hook;
    }
    return hook ? hook(step, index, path) : 0;
}

}  // namespace

InstallStepHook ActiveInstallStepHook() {
    std::lock_guard hold(g_lock);
    return g_hook ? Trampoline : nullptr;
}

namespace test {

void SetInstallHook(StepHook hook) {
    std::lock_guard hold(g_lock);
    g_hook = std::move(hook);
}

}  // namespace test
}  // namespace qln
