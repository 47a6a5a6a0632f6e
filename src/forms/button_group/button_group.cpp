#include "forms/button_group/button_group.h"

#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "forms/draw/canvas.h"
#include "forms/draw/vector_draw.h"
#include "forms/engine/control_object.h"
#include "forms/engine/form_engine.h"
#include "forms/layout/color.h"
#include "forms/layout/font_spec.h"
#include "forms/layout/layout_rules.h"
#include "forms/layout/screen.h"

namespace qln {

namespace {

// The record a group window belongs to; removed with the window, so that no handle reused
// later reaches it.
constexpr const wchar_t* kGroupRecordProp = L"qln_ButtonGroup";

// DrawTextW: centred on one line, no prefixes, word ellipsis.
constexpr UINT kItemTextFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_WORD_ELLIPSIS;

ButtonGroupItem* Head(const ControlObject* o) { return static_cast<ButtonGroupItem*>(o->typeData); }

ButtonGroupItem* ItemAt(const ControlObject* o, WPARAM position) {
    const auto index = static_cast<INT_PTR>(position);
    if (index < 0) return nullptr;
    ButtonGroupItem* item = Head(o);
    for (INT_PTR i = 0; item && i < index; ++i) item = item->next;
    return item;
}

bool Contains(const ControlObject* o, const ButtonGroupItem* wanted) {
    for (const ButtonGroupItem* item = Head(o); item; item = item->next)
        if (item == wanted) return true;
    return false;
}

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

void Repaint(HWND window) {
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
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

struct GroupPaint {
    Canvas& canvas;
    const ButtonGroup& g;
    FontSpec font;
    COLORREF back;
    COLORREF fore;
    bool enabled;

    HDC Dc() const { return canvas.memoryDc.get(); }
    void UseItemFont() {
        SetGdiFont(canvas, font.face.c_str(), static_cast<float>(font.points), font.bold, font.italic, font.underline,
                   font.strikeout);
    }

    // The item's shape: a GDI rectangle with square corners, else a GDI+ rounded rectangle.
    void Shape(const LayoutItem& at, int radius, bool filled, COLORREF fill, bool outlined, COLORREF outline) {
        const float x = static_cast<float>(at.x), y = static_cast<float>(at.y);
        const float w = static_cast<float>(at.w), h = static_cast<float>(at.h);
        // GdiRectangle reads an empty size as "the whole canvas".
        if (at.w <= 0 || at.h <= 0) return;
        if (radius < 1) {
            SetGdiPen(canvas, outlined ? 1.0f : 0.0f, outlined ? outline : kNoColor);
            SetGdiBrush(canvas, filled ? fill : kNoColor);
            GdiRectangle(canvas, x, y, w, h);
            return;
        }
        SetPen(canvas, outlined ? 1.0f : 0.0f, ArgbOf(outline, 255));
        SetBrush(canvas, filled ? ArgbOf(fill, 255) : 0);
        const float r = static_cast<float>(radius);
        RoundRect(canvas, x, y, w - 1, h, r, r, kAllCorners);
    }

    void Separator(const LayoutItem& at) {
        SetBrush(canvas, 0);
        SetPen(canvas, 1.0f, ArgbOf(fore, SeparatorAlpha(enabled)));
        NewPath(canvas, kFillAlternate);
        AddLine(canvas, at.lineX1, at.lineY1, at.lineX2, at.lineY2);
        FillPath(canvas);
    }

    void Item(const ButtonGroupItem& item, const LayoutItem& at, bool hot) {
        auto own = [](std::int32_t value, COLORREF group) { return value != -1 ? static_cast<COLORREF>(value) : group; };
        const int border = item.BorderStyle != -1 ? item.BorderStyle : g.BorderStyle;
        const int radius = item.Radius != -1 ? item.Radius : g.Radius;
        LookInput in;
        in.kind = item.Kind;
        in.windowEnabled = enabled;
        in.hot = hot;
        in.pressed = g.Pressed != 0;
        in.borderStyle = border;
        in.itemBack = item.BackColor;
        in.itemFore = item.ForeColor;
        in.groupFore = fore;
        in.downBack = own(item.DownBackColor, g.DownBackColor);
        in.downFore = own(item.DownForeColor, g.DownForeColor);
        in.hoverBack = own(item.HoverBackColor, g.HoverBackColor);
        const ItemLook look = ResolveItemLook(in);

        if (look.fill || look.outline) Shape(at, radius, look.fill, look.fillColor, look.outline, look.outlineColor);
        if (look.secondFill) Shape(at, radius, true, look.secondFillColor, false, 0);
        if (look.underline && at.w > 0) {
            SetPen(canvas, 0.0f, 0);
            SetBrush(canvas, ArgbOf(look.underlineColor, 255));
            const float h = static_cast<float>(at.h);
            const float r = std::min(0.075f * h, static_cast<float>(radius));
            RoundRect(canvas, static_cast<float>(at.x), at.y + 0.9f * h, static_cast<float>(at.w - 1), 0.15f * h, r, r,
                      kAllCorners);
        }

        const int p = look.pressedOffset ? 1 : 0;
        const int x0 = PictureLeft(at, g.IconSize);
        int textLeft = at.x;
        if (item.Icon) {
            const float fx = canvas.dpiFactorX, fy = canvas.dpiFactorY;
            DrawIconEx(Dc(), RoundHalfEven((x0 + p + 3) * static_cast<double>(fx)),
                       RoundHalfEven((at.y + p + 2) * static_cast<double>(fy)), item.Icon,
                       RoundHalfEven(g.IconSize * static_cast<double>(fx)),
                       RoundHalfEven(g.IconSize * static_cast<double>(fy)), 0, nullptr, DI_NORMAL);
            if (look.disabled) {
                SetPen(canvas, 0.0f, 0);
                SetBrush(canvas, ArgbOf(back, 220));
                ShapeRect(canvas, static_cast<float>(at.x), static_cast<float>(at.y),
                          static_cast<float>(g.IconSize + 6), static_cast<float>(g.IconSize + 4));
            }
            textLeft = x0 + g.IconSize;
        } else if (!item.Vector.empty()) {
            const std::wstring_view palette = look.palette == VectorPalette::Disabled ? DisabledPalette(back)
                                              : look.palette == VectorPalette::Down
                                                  ? std::wstring_view(g.VectorDownColors)
                                                  : std::wstring_view(g.VectorColors);
            const float size = static_cast<float>(g.IconSize);
            DrawVector(canvas, static_cast<float>(x0 + p), (at.h - size) * 0.5f + static_cast<float>(p + at.y), size,
                       size, item.Vector, palette);
            UseItemFont();
            textLeft = x0 + g.IconSize;
        }

        if (!item.Text.empty()) {
            SetTextColor(Dc(), look.textColor);
            GdiDrawText(canvas, static_cast<float>(textLeft + p + 2), static_cast<float>(at.y + p),
                        static_cast<float>(at.captionWidth), static_cast<float>(at.h), item.Text, kItemTextFormat);
            SetTextColor(Dc(), fore);
        }

        if (item.BadgeColor != -1) {
            const int k = RoundHalfEven(0.3 * std::min(at.w, at.h));
            SetPen(canvas, 0.0f, 0);
            SetBrush(canvas, ArgbOf(static_cast<COLORREF>(item.BadgeColor), 200));
            ShapeEllipse(canvas, static_cast<float>(at.x + at.w - k), static_cast<float>(at.y), static_cast<float>(k),
                         static_cast<float>(k));
        }
    }
};

void Paint(HWND window, ControlObject* o, ButtonGroup& g) {
    const COLORREF back = ResolveColor(o->backColor, GetSysColor(COLOR_BTNFACE));
    const COLORREF fore = ResolveColor(o->foreColor, GetSysColor(COLOR_BTNTEXT));
    Canvas canvas;
    BeginCanvas(canvas, window, back);
    if (!Head(o) || !canvas.memoryDc) {
        EndCanvas(canvas);
        return;
    }
    RECT client = {};
    GetClientRect(window, &client);
    const int W = GroupLogicalExtent(client.right, canvas.dpiFactorX);
    const int H = GroupLogicalExtent(client.bottom, canvas.dpiFactorY);

    GroupPaint paint{canvas, g, ParseFontSpec(o->fontSpec), back, fore, IsWindowEnabled(window) != FALSE};
    paint.UseItemFont();
    SetTextColor(paint.Dc(), fore);
    SetBkMode(paint.Dc(), TRANSPARENT);

    std::vector<ButtonGroupItem*> items;
    std::vector<LayoutItem> layout;
    for (ButtonGroupItem* it = Head(o); it; it = it->next) {
        LayoutItem at;
        at.kind = it->Kind;
        at.align = it->Align;
        at.width = it->ItemWidth;
        at.height = it->ItemHeight;
        at.hasPicture = it->Icon || !it->Vector.empty();
        at.hasText = !it->Text.empty();
        at.textWidth = at.hasText ? TextWidth(canvas, it->Text) : 0;
        at.x = it->X;
        at.y = it->Y;
        at.w = it->Width;
        at.h = it->Height;
        items.push_back(it);
        layout.push_back(at);
    }
    const GroupGeometry geometry{g.IconSize, g.Vertical != 0, g.ItemWidth, g.ItemHeight, g.Spacing};
    LayoutGroup(geometry, W, H, layout);

    for (std::size_t i = 0; i < items.size(); ++i) {
        ButtonGroupItem& item = *items[i];
        const LayoutItem& at = layout[i];
        item.X = at.x;
        item.Y = at.y;
        item.Width = at.w;
        item.Height = at.h;
        if (!at.drawn) continue;
        if (at.separator) {
            paint.Separator(at);
            continue;
        }
        paint.Item(item, at, g.HotItem == static_cast<int>(i + 1));
    }
    EndCanvas(canvas);
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
        Paint(window, o, *g);
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
