// The folders on the way to a path, top down, for making what is missing of them. Portable:
// tested natively.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qln {

// Every folder from the first one below the root of `fullPath` to `fullPath` itself, in that
// order, each without a final separator: "C:\a\b" gives "C:\a", "C:\a\b". The root is never one
// of them: a drive ("C:\"), a share ("\\server\share"), or either behind the extended prefix
// ("\\?\C:\", "\\?\UNC\server\share"). Empty for a path that is not full (relative, or a drive
// without its backslash), for a path with an empty, "." or ".." step (which would name another
// folder than it reads), and for a root alone.
std::vector<std::wstring> FolderSteps(std::wstring_view fullPath);

}  // namespace qln
