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

// NotInstalled when `pluginsDir` has no record of ours (nothing is touched). The files go all or
// nothing, on the installation's staged road (a journal, backups, a roll-back). Incomplete when
// they could not: every file is back and the record stays. Removed otherwise; the folders the
// package created go once empty, and the record goes last.
UninstallReport UninstallRecorded(const std::wstring& pluginsDir);

}  // namespace qln
