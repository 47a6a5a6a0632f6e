// Anchored re-layout on resize, centring, and the window style helpers.
#pragma once

#include <windows.h>

namespace qln {

// Moves every anchored child window and recomputes every anchored windowless object of the
// form for its current client size. Forms call it on WM_SIZE unless minimised.
void ApplyAnchorLayout(HWND form);

// Centres `window` on `relativeTo` (or the work area), kept inside the work area.
void CenterWindow(HWND window, HWND relativeTo);

// Each returns the previous value.
LONG_PTR AddExStyle(HWND window, LONG_PTR bits);
LONG_PTR RemoveExStyle(HWND window, LONG_PTR bits);
LONG_PTR RemoveStyle(HWND window, LONG_PTR bits);

}  // namespace qln
