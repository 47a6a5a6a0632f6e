// The program's main window; runs its message loop until the window is destroyed.
#pragma once

namespace qln {

void RunMainWindow();

}  // namespace qln
