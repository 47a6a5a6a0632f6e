// Saving a form's window placement to a section of an INI file and restoring it, fitted into
// the work area. The keys and their rules are in forms/placement_rules.h.
#pragma once

#include <windows.h>

namespace qln {

// Writes "Left", "Right", "Top", "Bottom", "TopMost", "flags" and "showCmd" to `section` of
// `iniFile`. False when the window does not exist (the file is not touched), or when the last
// write failed.
bool SavePlacement(HWND form, const wchar_t* iniFile, const wchar_t* section);

// Applies the keys found in `section` over the window's current placement (a missing key
// keeps its value), fits the rectangle into the work area and applies it. False when the
// window does not exist (nothing is touched), or when the final SetWindowPlacement failed.
bool LoadPlacement(HWND form, const wchar_t* iniFile, const wchar_t* section);

}  // namespace qln
