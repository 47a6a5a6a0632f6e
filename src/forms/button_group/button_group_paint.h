// Painting the group: lays the items out for the window's present size (storing each item's
// rectangle for hit tests and BGM_GETITEMRECT) and draws them on the double-buffered canvas.
#pragma once

#include <windows.h>

#include "forms/button_group/button_group.h"
#include "forms/engine/control_object.h"

namespace qln::button_group_detail {

void PaintGroup(HWND window, ControlObject* o, ButtonGroup& g);

}  // namespace qln::button_group_detail
