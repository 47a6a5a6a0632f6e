// The window management page (Form4): lists the visible windows of running SketchUp processes
// and moves, pins, disables, shakes or closes the chosen one.
#pragma once

#include <windows.h>

namespace qln {

struct Form4Record {
    HWND window = nullptr;
    HWND list = nullptr;     // List1, id 102
    HWND refresh = nullptr;  // Command1, id 103
    HWND actions[7] = {};    // Command2 by array index
};
extern Form4Record Form4;

HWND BuildForm4(HWND parent, LPARAM loadArgument);

void RefreshWindowList(HWND page);
void ApplyWindowAction(HWND page, int index);

}  // namespace qln
