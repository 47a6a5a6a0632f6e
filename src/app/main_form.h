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

// The page window under tab `index`, built and loaded on its first need: only the plugin page is
// built with the window, the others right after the window's first paint, or when their tab is
// selected before that. Null for a tab without a page (no such tab, or its builder returned no
// window).
HWND EnsurePage(int index);
// Every page built; for callers that reach the pages without selecting their tabs.
void EnsureAllPages();

// "yyyy-mm-dd" of a local date.
void FormatDate(const SYSTEMTIME& time, wchar_t (&text)[16]);

}  // namespace qln
