// What the group's three sources share about the item list: the list hangs off the control
// object's typeData as a singly linked chain, in the order the items are drawn.
#pragma once

#include <windows.h>

#include "forms/button_group/button_group.h"
#include "forms/engine/control_object.h"

namespace qln::button_group_detail {

inline ButtonGroupItem* Head(const ControlObject* o) { return static_cast<ButtonGroupItem*>(o->typeData); }

// Null for a negative position or one past the end.
inline ButtonGroupItem* ItemAt(const ControlObject* o, WPARAM position) {
    const auto index = static_cast<INT_PTR>(position);
    if (index < 0) return nullptr;
    ButtonGroupItem* item = Head(o);
    for (INT_PTR i = 0; item && i < index; ++i) item = item->next;
    return item;
}

inline void Repaint(HWND window) {
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
}

}  // namespace qln::button_group_detail
