// Icons from the program's own resources, named as the forms name them.
#pragma once

#include <windows.h>

namespace qln {

// A button's picture at the system's default icon size.
HICON LoadButtonIcon(const char* name);

// A status bar panel's picture at the resource's own size; none for an empty name.
HICON LoadPanelIcon(const char* name);

}  // namespace qln
