// Removing what an installation set aside. Once an update has committed, the previous copy of
// the plugin in its work area is no longer needed for anything; the window lets it go on a thread
// of its own while the result is shown, rather than make the user wait for every file of it.
// That thread holds the target's lock, so nothing else installs into or recovers the target
// until it is done; this process's own next lock of that target waits for it first.
#pragma once

#include <string>

namespace qln::install {

// True when the area was handed to a removal thread (the window's road, when it is on).
bool RemoveAreaLater(const std::wstring& fullTarget, const std::wstring& area);

// Waits for the removals of `fullTarget` (compared as Windows compares paths), or of every
// target when it is empty.
void WaitForAreaRemovals(const std::wstring& fullTarget);

}  // namespace qln::install
