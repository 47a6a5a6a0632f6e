// This run's private folder in the temporary folder (private_folder.h): the downloaded package,
// a local package's copy and the transit folder of a new Plugins folder live in it, so that no
// other account can plant or swap a file under a name the installer uses. Made on first use,
// removed with everything in it when the run ends.
#pragma once

#include <string>

namespace qln {

// Empty when the folder cannot be made.
std::wstring RunTempFolder();
void RemoveRunTempFolder();

}  // namespace qln
