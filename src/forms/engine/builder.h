// What every form builder does the same way: the form window with its control object, icons
// and colours, and controls created from a one-line description each.
#pragma once

#include <windows.h>

#include <string>

#include "forms/engine/form_engine.h"

namespace qln {

struct FormSpec {
    const wchar_t* className;
    const wchar_t* name;  // design name, "Form2"
    const wchar_t* caption;
    int width, height;    // logical
    DWORD style, exStyle;
    WNDPROC proc;
};

// Initialises the context, creates the window (the context is then owned by it), attaches the
// form's control object, sets the two window icons from "AAAAA_APPICON" and the button-face
// back colour. On failure the context is released and null returned.
HWND BuildForm(HWND parent, const FormSpec& spec);

struct ControlSpec {
    const wchar_t* keyword;
    const wchar_t* name;
    int id;
    int index;  // position in its control array, -1 when none
    const wchar_t* caption;
    int x, y, width, height;  // logical
    DWORD style, exStyle;
    const wchar_t* toolTip;   // null or empty: none
    const wchar_t* font;      // font spec, null: the form font
};

// Creates the control (subclassed with the standard control procedure), attaches its control
// object with name, id, index and design rectangle, then sets font and tooltip (the tooltip window
// itself is made when the mouse first comes over the control).
HWND BuildControl(HWND form, HWND parent, const ControlSpec& spec);

}  // namespace qln
