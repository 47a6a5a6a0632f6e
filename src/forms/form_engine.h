// The form engine: window classes for forms and registered controls, and the procedure used by
// classes registered without one of their own.
#pragma once

#include <windows.h>

namespace qln {

// Registers a window class once per (name, module). An empty name gets the next automatic
// name "TarnWindowClass:n". Returns the class atom, 0 on failure.
ATOM RegisterFormClass(const wchar_t* className, HINSTANCE instance, WNDPROC windowProc);

LRESULT CALLBACK DefaultFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace qln
