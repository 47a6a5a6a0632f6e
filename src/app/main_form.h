// The main window (Form1): the tab control with the three pages and the status bar. Its modal
// loop is the program's main loop.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace qln {

struct Form1Record {
    bool createAnew = false;
    HWND window = nullptr;
    HWND tabControl = nullptr;
    int tabControlId = 102;
    HWND status = nullptr;
    int statusId = 103;
    HIMAGELIST tabImages = nullptr;
};
extern Form1Record Form1;

// Builds the main window (or brings an existing one forward). With `modal` -1 it runs the
// window's loop and returns once the window is gone.
HWND BuildForm1(HWND parent, int modal, LPARAM loadArgument);

HWND MainFormWindow();

// "yyyy-mm-dd" of a local date.
void FormatDate(const SYSTEMTIME& time, wchar_t (&text)[16]);

}  // namespace qln
