// The window management page (Form4): lists the visible windows of running SketchUp processes
// and moves, pins, disables, shakes or closes the chosen one.
#pragma once

#include <windows.h>

namespace qln {

// Control ids of the window management page as its form was designed.
namespace form4_ids {
inline constexpr int kList1 = 102, kCommand1 = 103, kFrame1 = 105, kFrame2 = 106;
}  // namespace form4_ids

struct Form4Record {
    HWND window = nullptr;
    HWND list = nullptr;     // List1
    HWND refresh = nullptr;  // Command1
    HWND actions[7] = {};    // Command2 by array index
};
extern Form4Record Form4;

HWND BuildForm4(HWND parent, LPARAM loadArgument);

void RefreshWindowList(HWND page);
void ApplyWindowAction(HWND page, int index);

}  // namespace qln
