#include "forms/button_group/button_group_mouse.h"

#include <windowsx.h>

#include <vector>

#include "forms/button_group/button_group_internal.h"
#include "forms/engine/form_engine.h"
#include "forms/layout/layout_rules.h"
#include "forms/layout/screen.h"

namespace qln::button_group_detail {

namespace {

bool Contains(const ControlObject* o, const ButtonGroupItem* wanted) {
    for (const ButtonGroupItem* item = Head(o); item; item = item->next)
        if (item == wanted) return true;
    return false;
}

int HitTest(const ControlObject* o, LPARAM point) {
    std::vector<HitBox> boxes;
    for (const ButtonGroupItem* it = Head(o); it; it = it->next) {
        const bool showsSomething = it->Icon || !it->Vector.empty() || !it->Text.empty();
        boxes.push_back({it->Kind, showsSomething, it->X, it->Y, it->Width, it->Height});
    }
    return HitTestItems(boxes, DeviceToLogical(GET_X_LPARAM(point), ScreenFactorX()),
                        DeviceToLogical(GET_Y_LPARAM(point), ScreenFactorY()));
}

void ShowItemToolTip(HWND window, ControlObject* o, const ButtonGroupItem& item) {
    o->toolTip = item.ToolTip;
    if (o->toolTipWindow) DestroyWindow(o->toolTipWindow);
    o->toolTipWindow = nullptr;
    if (!o->toolTip.empty())
        o->toolTipWindow = CreateToolTip(window, o->toolTip.c_str(), o->toolTipBalloon != 0, 0, 0, 0, 0);
}

void SetHot(HWND window, ButtonGroup& g, int hot, int pressed) {
    g.HotItem = hot;
    g.Pressed = pressed;
    Repaint(window);
}

}  // namespace

void OnMouseMove(HWND window, ControlObject* o, ButtonGroup& g, WPARAM keys, LPARAM point) {
    TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, window, HOVER_DEFAULT};
    TrackMouseEvent(&track);
    const int hit = HitTest(o, point);
    // Dragging with the button down changes nothing: the press stays where it began.
    if (keys == MK_LBUTTON) return;
    if (hit == g.HotItem && !g.Pressed) return;
    SetHot(window, g, hit, 0);
    // Empty space keeps the last tooltip until the mouse leaves the control.
    if (hit == 0) return;
    if (const ButtonGroupItem* item = ItemAt(o, static_cast<WPARAM>(hit - 1))) ShowItemToolTip(window, o, *item);
}

void OnButtonDown(HWND window, const ControlObject* o, ButtonGroup& g, LPARAM point) {
    const int hit = HitTest(o, point);
    if (hit == g.HotItem && g.Pressed) return;
    SetHot(window, g, hit, -1);
}

void OnButtonUp(HWND window, ControlObject* o, ButtonGroup& g, LPARAM point) {
    const int hit = HitTest(o, point);
    ButtonGroupItem* item = hit ? ItemAt(o, static_cast<WPARAM>(hit - 1)) : nullptr;
    if (hit != g.HotItem || !item) {
        if (hit != g.HotItem || g.Pressed) SetHot(window, g, hit, 0);
        return;
    }
    if (item->Kind < kFirstSilentKind) {
        NMHDR header = {window, static_cast<UINT_PTR>(g.Id), static_cast<UINT>(hit - 1)};
        const LRESULT veto = SendMessageW(GetParent(window), WM_NOTIFY, static_cast<WPARAM>(g.Id),
                                          reinterpret_cast<LPARAM>(&header));
        // The parent may have changed the list, or destroyed the control, while it answered.
        if (!IsWindow(window) || GetControlObject(window) != o) return;
        if (veto == 0 && Contains(o, item)) item->Kind = ToggledKind(item->Kind);
    }
    SetHot(window, g, 0, 0);
}

void OnMouseLeave(HWND window, ControlObject* o, ButtonGroup& g) {
    SetHot(window, g, 0, 0);
    if (o->toolTipWindow) DestroyWindow(o->toolTipWindow);
    o->toolTipWindow = nullptr;
}

}  // namespace qln::button_group_detail
