// Icons from the program's own resources, named as the forms name them. The name decides the
// kind of resource (compared case-sensitively):
//   "BITMAP_..."                  a bitmap, turned into an icon at its own size;
//   "ICON_..." or "AAAAA_APPICON" an icon group, at the size the use asks for;
//   anything else                 raw data (RT_RCDATA) holding an encoded image (PNG, ...),
//                                 decoded through GDI+; "#n" names the numeric resource n.
// Every function answers null when the name is empty or the picture cannot be made. Icons from
// LoadIconA (icon groups in LoadResourceIcon) are shared and must not be destroyed; all others
// belong to the caller.
#pragma once

#include <windows.h>

namespace qln {

// The module whose resources the forms name: the program's own.
HINSTANCE ProgramInstance();

// Button group item pictures: icon groups at the system icon size (LoadIconA, shared).
HICON LoadResourceIcon(HINSTANCE instance, const char* name);

// As LoadResourceIcon, from the program's module; only the part after the first "|" counts,
// and icon groups are loaded at the size of their first image.
HICON LoadNamedIcon(const char* name);

// An encoded image from RT_RCDATA, at its own size and with its alpha. GDI+ is started and
// shut down around the call.
HICON LoadEncodedImageIcon(HINSTANCE instance, const char* name);

// A button's picture: icon groups at the system's default icon size, every other name as an
// encoded image ("BITMAP_" is not special here).
HICON LoadButtonIcon(const char* name);

// A status bar panel's picture: icon groups at their own size.
HICON LoadPanelIcon(const char* name);

// Gives a button its picture: alone (BS_ICON) when the button has no caption, beside the
// caption otherwise. An empty name, or one that yields no icon, removes the picture. The
// button's control object owns the icon from then on.
void SetButtonImage(HWND button, const char* name);

}  // namespace qln
