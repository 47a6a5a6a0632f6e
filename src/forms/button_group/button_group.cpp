#include "forms/button_group/button_group.h"

#include <algorithm>

#include "forms/button_group/button_group_internal.h"
#include "forms/button_group/button_group_mouse.h"
#include "forms/button_group/button_group_paint.h"
#include "forms/engine/control_object.h"
#include "forms/layout/color.h"
#include "forms/layout/layout_rules.h"
#include "forms/layout/screen.h"

namespace qln {

namespace {

using namespace button_group_detail;

// The record a group window belongs to; removed with the window, so that no handle reused
// later reaches it.
constexpr const wchar_t* kGroupRecordProp = L"qln_ButtonGroup";

int CountItems(const ControlObject* o) {
    int count = 0;
    for (const ButtonGroupItem* item = Head(o); item; item = item->next) ++count;
    return count;
}

ButtonGroupItem* CopyOfTemplate(const ButtonGroupItem& t) {
    auto* item = new ButtonGroupItem(t);
    item->Text = CutText(t.Text, kMaxItemText);
    item->ToolTip = CutText(t.ToolTip, kMaxItemToolTip);
    item->next = nullptr;
    return item;
}

void FreeItems(ControlObject* o) {
    ButtonGroupItem* item = Head(o);
    o->typeData = nullptr;
    while (item) {
        ButtonGroupItem* next = item->next;
        delete item;
        item = next;
    }
}

// Inserts before `position` (a negative one counts as past the end, which appends); returns
// the new position.
LRESULT Insert(ControlObject* o, ButtonGroupItem* item, WPARAM position) {
    const auto index = static_cast<INT_PTR>(position);
    ButtonGroupItem* previous = nullptr;
    ButtonGroupItem* current = Head(o);
    LRESULT at = 0;
    while (current && (index < 0 || at < index)) {
        previous = current;
        current = current->next;
        ++at;
    }
    item->next = current;
    if (previous)
        previous->next = item;
    else
        o->typeData = item;
    return at;
}

LRESULT Remove(ControlObject* o, WPARAM position) {
    ButtonGroupItem* gone = ItemAt(o, position);
    if (!gone) return 0;
    if (gone == Head(o)) {
        o->typeData = gone->next;
    } else {
        ButtonGroupItem* previous = Head(o);
        while (previous->next != gone) previous = previous->next;
        previous->next = gone->next;
    }
    delete gone;
    return 1;
}

void RepaintIfAuto(HWND window, const ButtonGroup* g) {
    if (!g || g->AutoRedraw) Repaint(window);
}

const wchar_t* TextOf(LPARAM lParam) {
    const auto* text = reinterpret_cast<const wchar_t*>(lParam);
    return text ? text : L"";
}

void CopyOut(const std::wstring& text, std::size_t limit, LPARAM buffer) {
    auto* out = reinterpret_cast<wchar_t*>(buffer);
    if (!out) return;
    const std::size_t n = std::min(text.size(), limit);
    text.copy(out, n);
    out[n] = L'\0';
}

// The item messages. Answers as the message table says; `changed` tells whether the picture
// must be redrawn.
LRESULT ItemMessage(ControlObject* o, UINT message, WPARAM wParam, LPARAM lParam, bool& changed) {
    changed = false;
    const auto* templ = reinterpret_cast<const ButtonGroupItem*>(lParam);
    ButtonGroupItem* item = nullptr;
    // Setters: 0 when done, -1 for a missing item.
    auto set = [&](auto apply, bool repaint = true) -> LRESULT {
        item = ItemAt(o, wParam);
        if (!item) return -1;
        apply(*item);
        changed = repaint;
        return 0;
    };
    switch (message) {
    case BGM_ADDITEM:
        if (!templ) return -1;
        changed = true;
        return Insert(o, CopyOfTemplate(*templ), static_cast<WPARAM>(-1));
    case BGM_INSERTITEM:
        if (!templ) return -1;
        changed = true;
        return Insert(o, CopyOfTemplate(*templ), wParam);
    case BGM_GETITEMICON:
        item = ItemAt(o, wParam);
        return item ? reinterpret_cast<LRESULT>(item->Icon) : 0;
    case BGM_SETITEMICON:
        return set([&](ButtonGroupItem& it) { it.Icon = reinterpret_cast<HICON>(lParam); });
    case BGM_GETITEMVECTOR:
        item = ItemAt(o, wParam);
        if (!item) return 0;
        if (auto* out = reinterpret_cast<std::wstring*>(lParam)) *out = item->Vector;
        return 1;
    case BGM_SETITEMVECTOR:
        return set([&](ButtonGroupItem& it) { it.Vector = TextOf(lParam); });
    case BGM_GETITEMTEXT:
        item = ItemAt(o, wParam);
        if (!item) return 0;
        CopyOut(item->Text, kMaxItemText, lParam);
        return 1;
    case BGM_SETITEMTEXT:
        return set([&](ButtonGroupItem& it) { it.Text = TextOf(lParam); });
    case BGM_GETITEMKIND:
        item = ItemAt(o, wParam);
        return item ? item->Kind : 0;
    case BGM_SETITEMKIND:
        return set([&](ButtonGroupItem& it) { it.Kind = static_cast<std::int32_t>(lParam); });
    case BGM_GETITEMALIGN:
        item = ItemAt(o, wParam);
        return item ? item->Align : 0;
    case BGM_SETITEMALIGN:
        return set([&](ButtonGroupItem& it) { it.Align = static_cast<std::int32_t>(lParam); });
    case BGM_GETITEMTIP:
        item = ItemAt(o, wParam);
        if (!item) return 0;
        CopyOut(item->ToolTip, kMaxItemToolTip, lParam);
        return 1;
    case BGM_SETITEMTIP:
        return set([&](ButtonGroupItem& it) { it.ToolTip = TextOf(lParam); }, false);
    case BGM_SETITEMSTYLE:
        item = ItemAt(o, wParam);
        if (!item || !templ) return 0;
        item->BackColor = templ->BackColor;
        item->ForeColor = templ->ForeColor;
        item->DownBackColor = templ->DownBackColor;
        item->DownForeColor = templ->DownForeColor;
        item->HoverBackColor = templ->HoverBackColor;
        item->ItemWidth = templ->ItemWidth;
        item->ItemHeight = templ->ItemHeight;
        item->BorderStyle = templ->BorderStyle;
        item->Radius = templ->Radius;
        changed = true;
        return 1;
    case BGM_DELETEITEM:
        changed = Remove(o, wParam) != 0;
        return changed ? 1 : 0;
    case BGM_GETITEMDATA:
        item = ItemAt(o, wParam);
        return item ? static_cast<LRESULT>(item->Data) : 0;
    case BGM_SETITEMDATA:
        return set([&](ButtonGroupItem& it) { it.Data = static_cast<std::int64_t>(lParam); }, false);
    case BGM_GETITEMBADGE:
        item = ItemAt(o, wParam);
        return item ? item->BadgeColor : -1;
    case BGM_SETITEMBADGE:
        return set([&](ButtonGroupItem& it) { it.BadgeColor = static_cast<std::int32_t>(lParam); });
    case BGM_GETITEMRECT: {
        item = ItemAt(o, wParam);
        auto* out = reinterpret_cast<RECT*>(lParam);
        if (!item || !out) return 0;
        *out = {ScaleXInt(item->X), ScaleXInt(item->Y), ScaleXInt(item->X + item->Width),
                ScaleXInt(item->Y + item->Height)};
        return 1;
    }
    case BGM_DELETEALL:
        FreeItems(o);
        changed = true;
        return 0;
    }
    return 0;
}

LRESULT HandleGroupMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, ControlObject* o) {
    ButtonGroup* g = GetButtonGroup(window);
    if (message >= BGM_ADDITEM && message <= BGM_DELETEALL) {
        bool changed = false;
        const LRESULT result = ItemMessage(o, message, wParam, lParam, changed);
        if (changed) RepaintIfAuto(window, g);
        return result;
    }
    if (!g) return 0;
    switch (message) {
    case WM_MOUSEMOVE:
        OnMouseMove(window, o, *g, wParam, lParam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnButtonDown(window, o, *g, lParam);
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp(window, o, *g, lParam);
        return 0;
    case WM_MOUSELEAVE:
        OnMouseLeave(window, o, *g);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        PaintGroup(window, o, *g);
        return 1;
    }
    return 0;
}

void DestroyGroup(HWND window, ControlObject* o) {
    FreeItems(o);
    if (ButtonGroup* g = GetButtonGroup(window)) {
        g->Window = nullptr;
        g->HotItem = 0;
        g->Pressed = 0;
    }
    RemovePropW(window, kGroupRecordProp);
}

ControlObject* GroupObject(const ButtonGroup& g) { return g.Window ? GetControlObject(g.Window) : nullptr; }

LRESULT Send(const ButtonGroup& g, UINT message, WPARAM wParam, LPARAM lParam, LRESULT missing) {
    if (!GroupObject(g)) return missing;
    return SendMessageW(g.Window, message, wParam, lParam);
}

template <typename T>
void SetField(ButtonGroup& g, T& field, T value) {
    field = value;
    if (g.Window && IsWindow(g.Window) && g.AutoRedraw) Repaint(g.Window);
}

ButtonGroupItem MakeTemplate(const std::wstring& text, const std::wstring& toolTip, const std::wstring& vector,
                             HICON icon, int kind, int align, std::int64_t data) {
    ButtonGroupItem t;
    t.Text = CutText(text, kMaxItemText);
    t.ToolTip = CutText(toolTip, kMaxItemToolTip);
    t.Vector = vector;
    t.Icon = icon;
    t.Kind = kind;
    t.Align = align;
    t.Data = data;
    return t;
}

}  // namespace

void AttachButtonGroup(HWND window, ButtonGroup* g) {
    ControlObject* o = GetControlObject(window);
    if (!o || !g) return;
    SetPropW(window, kGroupRecordProp, g);
    g->Window = window;
    g->Id = GetDlgCtrlID(window);
    o->hooks.handle = HandleGroupMessage;
    o->hooks.destroy = DestroyGroup;
}

ButtonGroup* GetButtonGroup(HWND window) {
    if (!window || !IsWindow(window)) return nullptr;
    return static_cast<ButtonGroup*>(GetPropW(window, kGroupRecordProp));
}

namespace group {

int IconSize(const ButtonGroup& g) { return g.IconSize; }
void SetIconSize(ButtonGroup& g, int value) { SetField(g, g.IconSize, value); }
int Vertical(const ButtonGroup& g) { return g.Vertical; }
void SetVertical(ButtonGroup& g, int value) { SetField(g, g.Vertical, value); }
int ItemWidth(const ButtonGroup& g) { return g.ItemWidth; }
void SetItemWidth(ButtonGroup& g, int value) { SetField(g, g.ItemWidth, value); }
int ItemHeight(const ButtonGroup& g) { return g.ItemHeight; }
void SetItemHeight(ButtonGroup& g, int value) { SetField(g, g.ItemHeight, value); }
int BorderStyle(const ButtonGroup& g) { return g.BorderStyle; }
void SetBorderStyle(ButtonGroup& g, int value) { SetField(g, g.BorderStyle, value); }
int Radius(const ButtonGroup& g) { return g.Radius; }
void SetRadius(ButtonGroup& g, int value) { SetField(g, g.Radius, value); }
COLORREF DownBackColor(const ButtonGroup& g) { return g.DownBackColor; }
void SetDownBackColor(ButtonGroup& g, COLORREF value) { SetField(g, g.DownBackColor, value); }
COLORREF DownForeColor(const ButtonGroup& g) { return g.DownForeColor; }
void SetDownForeColor(ButtonGroup& g, COLORREF value) { SetField(g, g.DownForeColor, value); }
COLORREF HoverBackColor(const ButtonGroup& g) { return g.HoverBackColor; }
void SetHoverBackColor(ButtonGroup& g, COLORREF value) { SetField(g, g.HoverBackColor, value); }
int Spacing(const ButtonGroup& g) { return g.Spacing; }
void SetSpacing(ButtonGroup& g, int value) { SetField(g, g.Spacing, value); }

int ItemCount(const ButtonGroup& g) {
    const ControlObject* o = GroupObject(g);
    return o ? CountItems(o) : 0;
}

int CurrentItem(const ButtonGroup& g) { return g.HotItem - 1; }

int AddItem(ButtonGroup& g, const std::wstring& text, const std::wstring& toolTip, const std::wstring& vector,
            HICON icon, int kind, int align, std::int64_t data) {
    const ButtonGroupItem t = MakeTemplate(text, toolTip, vector, icon, kind, align, data);
    return static_cast<int>(Send(g, BGM_ADDITEM, 0, reinterpret_cast<LPARAM>(&t), -1));
}

int InsertItem(ButtonGroup& g, int position, const std::wstring& text, const std::wstring& toolTip,
               const std::wstring& vector, HICON icon, int kind, int align, std::int64_t data) {
    if (position < 0 || position >= ItemCount(g)) return AddItem(g, text, toolTip, vector, icon, kind, align, data);
    const ButtonGroupItem t = MakeTemplate(text, toolTip, vector, icon, kind, align, data);
    return static_cast<int>(
        Send(g, BGM_INSERTITEM, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&t), -1));
}

int SetItemStyle(ButtonGroup& g, int position, std::int32_t foreColor, std::int32_t backColor,
                 std::int32_t downBackColor, std::int32_t downForeColor, std::int32_t hoverBackColor,
                 std::int32_t width, std::int32_t height, std::int32_t borderStyle, std::int32_t radius) {
    ButtonGroupItem t;
    t.ForeColor = foreColor;
    t.BackColor = backColor;
    t.DownBackColor = downBackColor;
    t.DownForeColor = downForeColor;
    t.HoverBackColor = hoverBackColor;
    t.ItemWidth = width;
    t.ItemHeight = height;
    t.BorderStyle = borderStyle;
    t.Radius = radius;
    return static_cast<int>(
        Send(g, BGM_SETITEMSTYLE, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&t), 0));
}

void ApplyStylePreset(ButtonGroup& g, int position, int theme, bool outlined) {
    if (position != -1) {
        const ItemStylePreset p = ItemPreset(theme, outlined);
        SetItemStyle(g, position, p.foreColor, p.backColor, p.downBackColor, p.downForeColor, p.hoverBackColor, -1, -1,
                     p.borderStyle, 3);
        return;
    }
    ControlObject* o = GroupObject(g);
    if (!o) return;
    g.BorderStyle = outlined ? 1 : 0;
    g.Radius = 3;
    o->backColor = kColorBtnFace;
    GroupStylePreset p;
    if (GroupPreset(theme, p)) {
        o->foreColor = p.foreColor;
        g.HoverBackColor = ResolveColor(p.hoverBackColor, 0);
        g.DownBackColor = ResolveColor(p.downBackColor, 0);
        g.DownForeColor = ResolveColor(p.downForeColor, 0);
    }
    if (g.AutoRedraw) Repaint(g.Window);
}

std::wstring ItemText(const ButtonGroup& g, int position) {
    wchar_t buffer[kMaxItemText + 1] = {};
    Send(g, BGM_GETITEMTEXT, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(buffer), 0);
    return buffer;
}
int SetItemText(ButtonGroup& g, int position, const std::wstring& text) {
    return static_cast<int>(
        Send(g, BGM_SETITEMTEXT, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(text.c_str()), -1));
}
std::wstring ItemToolTip(const ButtonGroup& g, int position) {
    std::wstring buffer(kMaxItemToolTip + 1, L'\0');
    Send(g, BGM_GETITEMTIP, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(buffer.data()), 0);
    buffer.resize(buffer.find(L'\0'));
    return buffer;
}
int SetItemToolTip(ButtonGroup& g, int position, const std::wstring& text) {
    return static_cast<int>(
        Send(g, BGM_SETITEMTIP, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(text.c_str()), -1));
}
std::wstring ItemVector(const ButtonGroup& g, int position) {
    std::wstring out;
    Send(g, BGM_GETITEMVECTOR, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&out), 0);
    return out;
}
int SetItemVector(ButtonGroup& g, int position, const std::wstring& commands) {
    return static_cast<int>(
        Send(g, BGM_SETITEMVECTOR, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(commands.c_str()), -1));
}
HICON ItemIcon(const ButtonGroup& g, int position) {
    return reinterpret_cast<HICON>(Send(g, BGM_GETITEMICON, static_cast<WPARAM>(position), 0, 0));
}
int SetItemIcon(ButtonGroup& g, int position, HICON icon) {
    return static_cast<int>(
        Send(g, BGM_SETITEMICON, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(icon), -1));
}
int ItemKind(const ButtonGroup& g, int position) {
    return static_cast<int>(Send(g, BGM_GETITEMKIND, static_cast<WPARAM>(position), 0, 0));
}
int SetItemKind(ButtonGroup& g, int position, int kind) {
    return static_cast<int>(Send(g, BGM_SETITEMKIND, static_cast<WPARAM>(position), kind, -1));
}
int ItemAlign(const ButtonGroup& g, int position) {
    return static_cast<int>(Send(g, BGM_GETITEMALIGN, static_cast<WPARAM>(position), 0, 0));
}
int SetItemAlign(ButtonGroup& g, int position, int align) {
    return static_cast<int>(Send(g, BGM_SETITEMALIGN, static_cast<WPARAM>(position), align, -1));
}
std::int64_t ItemData(const ButtonGroup& g, int position) {
    return static_cast<std::int64_t>(Send(g, BGM_GETITEMDATA, static_cast<WPARAM>(position), 0, 0));
}
int SetItemData(ButtonGroup& g, int position, std::int64_t data) {
    return static_cast<int>(Send(g, BGM_SETITEMDATA, static_cast<WPARAM>(position), static_cast<LPARAM>(data), -1));
}
std::int32_t ItemBadge(const ButtonGroup& g, int position) {
    return static_cast<std::int32_t>(Send(g, BGM_GETITEMBADGE, static_cast<WPARAM>(position), 0, -1));
}
int SetItemBadge(ButtonGroup& g, int position, std::int32_t colour) {
    return static_cast<int>(Send(g, BGM_SETITEMBADGE, static_cast<WPARAM>(position), colour, -1));
}
int DeleteItem(ButtonGroup& g, int position) {
    return static_cast<int>(Send(g, BGM_DELETEITEM, static_cast<WPARAM>(position), 0, 0));
}
void DeleteAll(ButtonGroup& g) { Send(g, BGM_DELETEALL, 0, 0, 0); }
RECT ItemRect(const ButtonGroup& g, int position) {
    RECT r = {};
    Send(g, BGM_GETITEMRECT, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&r), 0);
    return r;
}

}  // namespace group

}  // namespace qln
