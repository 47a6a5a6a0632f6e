// Removing what the last installation into a Plugins folder wrote, and nothing else: the files
// of its install record that are still as it wrote them, then the folders it created once they
// are empty, then the record. A file the user changed is kept and named; a file the package
// never wrote is never looked at. Nothing is reached through a link: a recorded name below a
// reparse point is kept, and a link in a folder's place is never removed. Any thread, no user
// interface; the caller makes sure SketchUp is not running.
#pragma once

#include <string>

#include "plugin/record_messages.h"

namespace qln {

// NotInstalled when `pluginsDir` has no record of ours (nothing is touched). Incomplete when a
// file or folder could not be removed: the record stays, so that another run can finish (files
// removed by then count as missing). Removed otherwise; the record is gone.
UninstallReport UninstallRecorded(const std::wstring& pluginsDir);

}  // namespace qln
