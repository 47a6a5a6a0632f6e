// Code only from Windows: the program may be started from a Downloads folder or a deployment
// share where anyone can put a DLL beside it, and run there as an administrator or SYSTEM.
#pragma once

namespace qln {

// Limits the DLL search of this process to the system folder. The first thing wWinMain does;
// every library the program binds later (GDI+, WinInet, the file dialog) is loaded by its full
// system path in any case, also where the limit is not available (the oldest Windows).
void LimitDllSearch();

}  // namespace qln
