// The installation hook of the test programs (install_hooks.h): install_test_hooks.cpp defines
// ActiveInstallStepHook in place of the product's, so that a test can make any step of the
// staged installation fail, or stop there.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "plugin/install_hooks.h"

namespace qln::test {

using StepHook = std::function<std::uint32_t(InstallStep step, std::size_t index, const std::wstring& path)>;

// Sets (or, with an empty function, clears) the hook for every installation of this process.
void SetInstallHook(StepHook hook);

class ScopedInstallHook {
public:
    explicit ScopedInstallHook(StepHook hook) { SetInstallHook(std::move(hook)); }
    ~ScopedInstallHook() { SetInstallHook({}); }
    ScopedInstallHook(const ScopedInstallHook&) = delete;
    ScopedInstallHook& operator=(const ScopedInstallHook&) = delete;
};

}  // namespace qln::test
