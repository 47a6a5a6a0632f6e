// The group's mouse state machine: the hot item follows the pointer, a press stays on the item
// it began on, and a release over that item reports the click to the parent (WM_NOTIFY) and
// flips a toggle unless the parent vetoes it. Tooltips follow the hot item.
#pragma once

#include <windows.h>

#include "forms/button_group/button_group.h"
#include "forms/engine/control_object.h"

namespace qln::button_group_detail {

void OnMouseMove(HWND window, ControlObject* o, ButtonGroup& g, WPARAM keys, LPARAM point);
void OnButtonDown(HWND window, const ControlObject* o, ButtonGroup& g, LPARAM point);
// The parent may destroy the group while it answers the click; nothing of it is used after.
void OnButtonUp(HWND window, ControlObject* o, ButtonGroup& g, LPARAM point);
void OnMouseLeave(HWND window, ControlObject* o, ButtonGroup& g);

}  // namespace qln::button_group_detail
