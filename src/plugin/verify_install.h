// Whether what the last installation into a Plugins folder wrote is still there as it wrote it:
// every file of the install record, present, with the recorded size and SHA-256, reached
// without a link on the way. Any thread, no user interface; nothing is changed.
#pragma once

#include <string>

#include "plugin/install_record.h"
#include "plugin/record_messages.h"

namespace qln {

// The record of `pluginsDir` read and checked; `recorded` false when there is none of ours.
VerifyReport VerifyInstalled(const std::wstring& pluginsDir);

// The files of `record` checked against `pluginsDir`.
VerifyReport VerifyRecord(const std::wstring& pluginsDir, const InstallRecord& record);

}  // namespace qln
