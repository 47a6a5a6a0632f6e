// What a process holds of the window system, for tests that look for leaks: its GDI objects
// and its USER objects. Windows answers GetGuiResources; Wine does not implement it, so under
// Wine the GDI objects are counted in the process's GDI handle table, and the USER objects as
// the windows the process owns (top-level, child and message-only). Wine keeps the pictures of
// icons and cursors as GDI bitmaps, so a leaked icon shows in the GDI count there.
#pragma once

#include <windows.h>

namespace qln::test {

int GdiObjectCount();
int UserObjectCount();

}  // namespace qln::test
