#include "forms/layout/layout.h"

#include "forms/engine/control_object.h"
#include "forms/layout/layout_rules.h"
#include "forms/layout/screen.h"

namespace qln {

namespace {

// The horizontal factor serves both axes in the anchor layout.
HDWP PlaceAnchored(HDWP batch, HWND window, ControlObject* object, int W, int H) {
    RECT r = {};
    GetWindowRect(window, &r);
    const int w = UnscaleXInt(r.right - r.left);
    const int h = UnscaleXInt(r.bottom - r.top);
    const LogicalRect placed = ComputeAnchorRect(object->layout, W, H, w, h);
    object->layout.designLeft = placed.x;
    object->layout.designTop = placed.y;
    object->layout.designWidth = placed.width;
    object->layout.designHeight = placed.height;
    if (!batch) return batch;
    return DeferWindowPos(batch, window, nullptr, ScaleXInt(placed.x), ScaleXInt(placed.y), ScaleXInt(placed.width),
                          ScaleXInt(placed.height), SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void ApplyAnchorLayout(HWND form) {
    RECT client = {};
    if (!GetClientRect(form, &client)) return;
    const int W = UnscaleXInt(client.right);
    const int H = UnscaleXInt(client.bottom);
    HDWP batch = BeginDeferWindowPos(1);
    for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        ControlObject* object = GetControlObject(child);
        if (object && object->layout.anchor > 0) batch = PlaceAnchored(batch, child, object, W, H);
    }
    for (ControlObject* object = GetControlObject(form); object; object = object->next) {
        if (object->layout.anchor <= 0 || object->kind == ControlKindTag::Form) continue;
        if (object->window && object->window != form) {
            batch = PlaceAnchored(batch, object->window, object, W, H);
        } else {
            const LogicalRect placed =
                ComputeAnchorRect(object->layout, W, H, object->layout.designWidth, object->layout.designHeight);
            object->layout.designLeft = placed.x;
            object->layout.designTop = placed.y;
            object->layout.designWidth = placed.width;
            object->layout.designHeight = placed.height;
        }
    }
    if (batch) EndDeferWindowPos(batch);
}

void CenterWindow(HWND window, HWND relativeTo) {
    RECT r = {};
    GetWindowRect(window, &r);
    RECT work = {};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
        work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT ref = work;
    if (relativeTo) GetWindowRect(relativeTo, &ref);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    POINT p = {ref.left + ((ref.right - ref.left) - width) / 2, ref.top + ((ref.bottom - ref.top) - height) / 2};
    if (p.x < work.left)
        p.x = work.left;
    else if (p.x + width > work.right)
        p.x = work.right - width;
    if (p.y < work.top)
        p.y = work.top;
    else if (p.y + height > work.bottom)
        p.y = work.bottom - height;
    if ((GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) && relativeTo) ScreenToClient(relativeTo, &p);
    SetWindowPos(window, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LONG_PTR AddExStyle(HWND window, LONG_PTR bits) {
    const LONG_PTR old = GetWindowLongPtrW(window, GWL_EXSTYLE);
    SetWindowLongPtrW(window, GWL_EXSTYLE, old | bits);
    return old;
}

LONG_PTR RemoveExStyle(HWND window, LONG_PTR bits) {
    const LONG_PTR old = GetWindowLongPtrW(window, GWL_EXSTYLE);
    SetWindowLongPtrW(window, GWL_EXSTYLE, old & ~bits);
    return old;
}

LONG_PTR RemoveStyle(HWND window, LONG_PTR bits) {
    const LONG_PTR old = GetWindowLongPtrW(window, GWL_STYLE);
    SetWindowLongPtrW(window, GWL_STYLE, old & ~bits);
    return old;
}

}  // namespace qln
