// The folders above an installation's target. SketchUp makes its per-version folders below the
// application data folders only on its first start; an installation before that needs them made.
#pragma once

#include <string>

namespace qln {

// Makes every missing folder on the way to `folder` (a full path) top down, then `folder` itself
// when still absent. Nothing is made below a step that exists as a file or as a link
// (a reparse point): the installation may run as an administrator, and a link below a folder
// that any user may write to could send it anywhere. True when `folder` is a folder afterwards.
bool MakeMissingFolders(const std::wstring& folder);

}  // namespace qln
