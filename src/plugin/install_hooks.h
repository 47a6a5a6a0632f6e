// A seam for tests of the staged installation: before each step that changes the disk, the
// installation asks the hook of its build whether to meet an injected failure there (a
// non-zero Win32 error, taken as that step's own failure). The product's definition
// (install_hooks.cpp) has no hook at all; a test program links its own definition of
// ActiveInstallStepHook in its place, which the linker then takes instead of the library's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qln {

enum class InstallStep : std::uint8_t {
    StageMember,  // before a member is written into the staging folder
    WriteJournal, // before the plan is written
    MakeFolder,   // before a folder member is made (or its attributes set) in the target
    MoveOut,      // before a file of the target is moved to its backup slot
    MoveIn,       // before a staged file is moved into the target
    Commit,       // after the last move, before the commit line
    Undo,         // before each step of a roll-back
};

// `index` is the member's position (or the journal entry's); `path` the file or folder the step
// acts on. Returns 0 to let the step run.
using InstallStepHook = std::uint32_t (*)(InstallStep step, std::size_t index, const std::wstring& path);

InstallStepHook ActiveInstallStepHook();

}  // namespace qln
