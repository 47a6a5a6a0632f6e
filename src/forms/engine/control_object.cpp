#include "forms/engine/control_object.h"

namespace qln {

ControlObject* GetControlObject(HWND window) {
    if (!window || !IsWindow(window)) return nullptr;
    return static_cast<ControlObject*>(GetPropW(window, kControlPtrProp));
}

ControlObject* AttachControlObject(HWND window, ControlKindTag kind, const wchar_t* name, int id, int index) {
    if (!window) return nullptr;
    auto* object = new ControlObject;
    object->kind = kind;
    object->owner = GetParent(window);
    object->window = window;
    object->name = name ? name : L"";
    object->id = id;
    object->index = index;
    SetPropW(window, kControlPtrProp, object);
    return object;
}

ControlObject* AddWindowlessObject(HWND form, ControlKindTag kind, const wchar_t* name, int id) {
    ControlObject* head = GetControlObject(form);
    if (!head) return nullptr;
    auto* object = new ControlObject;
    object->kind = kind;
    object->owner = form;
    object->window = form;
    object->name = name ? name : L"";
    object->id = id;
    ControlObject* tail = head;
    while (tail->next) tail = tail->next;
    tail->next = object;
    return object;
}

ControlObject* FindControlObject(HWND window, int id) {
    ControlObject* object = GetControlObject(window);
    while (object && object->id != id) object = object->next;
    return object;
}

void FreeControlObject(ControlObject* object) {
    if (!object) return;
    if (object->bigIcon) DestroyIcon(object->bigIcon);
    if (object->smallIcon && object->smallIcon != object->bigIcon) DestroyIcon(object->smallIcon);
    if (object->brush) DeleteObject(object->brush);
    if (object->toolTipWindow) DestroyWindow(object->toolTipWindow);
    if (object->cursor) DestroyCursor(object->cursor);
    delete object;
}

}  // namespace qln
