// The type keywords from which controls are created: which window class each names, whether
// the control takes the form font, and what set-up follows creation. No Windows here.
#pragma once

#include <string>
#include <string_view>

namespace qln {

enum class ControlSetup {
    None,
    BitmapImage,   // BITMAPLABEL, BITMAPBUTTON: bitmap resource named by the caption
    IconImage,     // ICONLABEL, ICONBUTTON: icon resource named by the caption
    ListBox,       // moved and sized again after creation
    Progress,      // range 0–100, position 0
    Toolbar,       // button size scaled, TB_BUTTONSTRUCTSIZE
    DateTime,      // form font for the drop-down calendar too
    Tab,           // WS_EX_CONTROLPARENT
    SizeGrip,      // bottom-right corner of the form, system scroll bar sizes
    ScrollBar,     // range 0–100
    Trackbar,      // range 0–100 and page size 10 (not for SLIDER)
    UpDown,        // base 10, range 100..0, position 0, then moved again
};

struct ControlKind {
    std::wstring className;  // the keyword itself, in the caller's case, where the table says so
    bool formFont;
    ControlSetup setup;
    bool imageIsLabel = false;  // for BitmapImage / IconImage
};

// Looks the keyword up in upper case; an unknown keyword is itself the class name (with the
// form font), which is how registered classes such as "NoxbunGroup" are created.
ControlKind LookupControlKeyword(std::wstring_view keyword);

}  // namespace qln
