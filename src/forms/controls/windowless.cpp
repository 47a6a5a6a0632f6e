#include "forms/controls/windowless.h"

#include <algorithm>
#include <cmath>

#include "forms/engine/form_engine.h"
#include "forms/layout/color.h"
#include "forms/layout/layout_rules.h"
#include "forms/layout/screen.h"

namespace qln {

namespace {

constexpr int kBorderShift = 12, kBorderBits = 4;
constexpr int kCodeShift = 16, kCodeBits = 8;     // label alignment, frame corner size
constexpr int kStyleShift = 24, kStyleBits = 8;   // label border style, frame caption alignment

ControlObject* Find(HWND form, int id) {
    ControlObject* head = GetControlObject(form);
    for (ControlObject* o = head ? head->next : nullptr; o; o = o->next)
        if (o->id == id && (o->kind == ControlKindTag::Label || o->kind == ControlKindTag::Frame)) return o;
    return nullptr;
}

ControlObject* FindFrame(HWND form, int id) {
    ControlObject* o = Find(form, id);
    return o && o->kind == ControlKindTag::Frame ? o : nullptr;
}

ControlObject* FindLabel(HWND form, int id) {
    ControlObject* o = Find(form, id);
    return o && o->kind == ControlKindTag::Label ? o : nullptr;
}

int ToDevice(int logical, float factor) { return ScaleFloor(logical, factor); }
int ToLogical(int device, float factor) { return UnscaleFloor(device, factor); }

ControlObject* Create(HWND form, ControlKindTag kind, const wchar_t* name, int id, int x, int y, int width,
                      int height, const std::wstring& caption) {
    ControlObject* o = AddWindowlessObject(form, kind, name, id);
    if (!o) return nullptr;
    o->layout.designLeft = x;
    o->layout.designTop = y;
    o->layout.designWidth = width;
    o->layout.designHeight = height;
    o->caption = caption;
    o->SetFlag(kFlagEnabled, true);
    o->SetFlag(kFlagVisible, true);
    ScheduleRepaint(form);
    return o;
}

void RecreateToolTip(HWND form, ControlObject* o) {
    if (o->toolTipWindow) DestroyWindow(o->toolTipWindow);
    o->toolTipWindow = nullptr;
    if (o->toolTip.empty()) return;
    const float fx = ScreenFactorX(), fy = ScreenFactorY();
    o->toolTipWindow = CreateToolTip(form, o->toolTip.c_str(), o->toolTipBalloon != 0, ToDevice(o->layout.designLeft, fx),
                                     ToDevice(o->layout.designTop, fy), ToDevice(o->layout.designWidth, fx),
                                     ToDevice(o->layout.designHeight, fy));
}

std::uint32_t OpaqueSystemArgb(int index) { return 0xFF000000u | SwapRedBlue(GetSysColor(index) & 0x00FFFFFF); }

// Applies an enabled or visible change to everything the frame holds.
void PropagateFromFrame(HWND form, ControlObject* frameObject, std::uint64_t bit, bool on) {
    for (int id : frameObject->frameWindowlessIds)
        if (ControlObject* inner = Find(form, id)) inner->SetFlag(bit, on);
    for (int id : frameObject->frameWindowIds) {
        HWND child = GetDlgItem(form, id);
        if (!child) continue;
        if (bit == kFlagEnabled)
            EnableWindow(child, on);
        else
            ShowWindow(child, on ? SW_SHOW : SW_HIDE);
    }
}

template <typename F>
void Change(HWND form, int id, F change) {
    if (ControlObject* o = Find(form, id)) {
        change(o);
        ScheduleRepaint(form);
    }
}

}  // namespace

ControlObject* CreateLabel(HWND form, const wchar_t* name, int id, int x, int y, int width, int height,
                           const std::wstring& caption) {
    return Create(form, ControlKindTag::Label, name, id, x, y, width, height, caption);
}

ControlObject* CreateFrame(HWND form, const wchar_t* name, int id, int x, int y, int width, int height,
                           const std::wstring& caption) {
    return Create(form, ControlKindTag::Frame, name, id, x, y, width, height, caption);
}

namespace windowless {

int Left(HWND form, int id) {
    const ControlObject* o = Find(form, id);
    return o ? ToDevice(o->layout.designLeft, ScreenFactorX()) : 0;
}
int Top(HWND form, int id) {
    const ControlObject* o = Find(form, id);
    return o ? ToDevice(o->layout.designTop, ScreenFactorY()) : 0;
}
int Width(HWND form, int id) {
    const ControlObject* o = Find(form, id);
    return o ? ToDevice(o->layout.designWidth, ScreenFactorX()) : 0;
}
int Height(HWND form, int id) {
    const ControlObject* o = Find(form, id);
    return o ? ToDevice(o->layout.designHeight, ScreenFactorY()) : 0;
}
void SetLeft(HWND form, int id, int x) {
    Change(form, id, [&](ControlObject* o) { o->layout.designLeft = ToLogical(x, ScreenFactorX()); });
}
void SetTop(HWND form, int id, int y) {
    Change(form, id, [&](ControlObject* o) { o->layout.designTop = ToLogical(y, ScreenFactorY()); });
}
void SetWidth(HWND form, int id, int width) {
    Change(form, id, [&](ControlObject* o) { o->layout.designWidth = ToLogical(width, ScreenFactorX()); });
}
void SetHeight(HWND form, int id, int height) {
    Change(form, id, [&](ControlObject* o) { o->layout.designHeight = ToLogical(height, ScreenFactorY()); });
}
void Move(HWND form, int id, int x, int y, int width, int height) {
    Change(form, id, [&](ControlObject* o) {
        o->layout.designLeft = ToLogical(x, ScreenFactorX());
        o->layout.designTop = ToLogical(y, ScreenFactorY());
        if (width) o->layout.designWidth = ToLogical(width, ScreenFactorX());
        if (height) o->layout.designHeight = ToLogical(height, ScreenFactorY());
    });
}

bool Enabled(HWND form, int id) {
    const ControlObject* o = Find(form, id);
    return o && o->Flag(kFlagEnabled);
}
void SetEnabled(HWND form, int id, bool on) {
    Change(form, id, [&](ControlObject* o) {
        o->SetFlag(kFlagEnabled, on);
        if (o->kind == ControlKindTag::Frame) PropagateFromFrame(form, o, kFlagEnabled, on);
    });
}
bool Visible(HWND form, int id) {
    const ControlObject* o = Find(form, id);
    return o && o->Flag(kFlagVisible);
}
void SetVisible(HWND form, int id, bool on) {
    Change(form, id, [&](ControlObject* o) {
        o->SetFlag(kFlagVisible, on);
        if (o->kind == ControlKindTag::Frame) PropagateFromFrame(form, o, kFlagVisible, on);
    });
}

std::wstring Caption(HWND form, int id) {
    const ControlObject* o = Find(form, id);
    return o ? o->caption : std::wstring();
}
void SetCaption(HWND form, int id, const std::wstring& text) {
    Change(form, id, [&](ControlObject* o) { o->caption = text; });
}
std::wstring Tag(HWND form, int id) {
    const ControlObject* o = Find(form, id);
    return o ? o->tag : std::wstring();
}
void SetTag(HWND form, int id, const std::wstring& tag) {
    Change(form, id, [&](ControlObject* o) { o->tag = tag; });
}
std::int64_t UserData(HWND form, int id, int index) {
    const ControlObject* o = Find(form, id);
    return (o && index >= 0 && index < 100) ? o->userData[static_cast<size_t>(index)] : 0;
}
int SetUserData(HWND form, int id, int index, std::int64_t value) {
    ControlObject* o = Find(form, id);
    if (!o || index < 0 || index >= 100) return -1;
    o->userData[static_cast<size_t>(index)] = value;
    ScheduleRepaint(form);
    return 0;
}

void SetToolTip(HWND form, int id, const std::wstring& text) {
    Change(form, id, [&](ControlObject* o) {
        o->toolTip = text;
        RecreateToolTip(form, o);
    });
}
void SetToolTipBalloon(HWND form, int id, bool on) {
    Change(form, id, [&](ControlObject* o) {
        o->toolTipBalloon = on ? 1 : 0;
        RecreateToolTip(form, o);
    });
}

std::uint32_t ForeColorArgb(HWND form, int id) {
    const ControlObject* o = Find(form, id);
    if (!o) return 0;
    return IsInherit(o->foreColor) ? OpaqueSystemArgb(COLOR_BTNTEXT) : ColorToArgb(o->foreColor, 0);
}
std::uint32_t BackColorArgb(HWND form, int id) {
    const ControlObject* o = Find(form, id);
    if (!o) return 0;
    return IsInherit(o->backColor) ? OpaqueSystemArgb(COLOR_BTNFACE) : ColorToArgb(o->backColor, 0);
}
void SetForeColorArgb(HWND form, int id, std::uint32_t argb) {
    Change(form, id, [&](ControlObject* o) { o->foreColor = SwapRedBlue(argb); });
}
void SetBackColorArgb(HWND form, int id, std::uint32_t argb) {
    Change(form, id, [&](ControlObject* o) { o->backColor = SwapRedBlue(argb); });
}
void SetForeColor(HWND form, int id, COLORREF colour) {
    Change(form, id, [&](ControlObject* o) { o->foreColor = (colour & 0x00FFFFFF) | 0xFF000000u; });
}
void SetBackColor(HWND form, int id, COLORREF colour) {
    Change(form, id, [&](ControlObject* o) { o->backColor = (colour & 0x00FFFFFF) | 0xFF000000u; });
}
void SetForeColorValue(HWND form, int id, std::uint32_t value) {
    Change(form, id, [&](ControlObject* o) { o->foreColor = value; });
}
void SetBackColorValue(HWND form, int id, std::uint32_t value) {
    Change(form, id, [&](ControlObject* o) { o->backColor = value; });
}
void SetFont(HWND form, int id, const std::wstring& spec) {
    Change(form, id, [&](ControlObject* o) { o->fontSpec = spec; });
}
void SetMnemonic(HWND form, int id, bool on) {
    Change(form, id, [&](ControlObject* o) { o->SetFlag(kFlagMnemonic, on); });
}

bool HitTest(HWND form, int id, POINT& point) {
    const ControlObject* o = Find(form, id);
    if (!o || !o->Flag(kFlagEnabled) || !o->Flag(kFlagVisible)) return false;
    const float fx = ScreenFactorX(), fy = ScreenFactorY();
    const RECT r = {ToDevice(o->layout.designLeft, fx), ToDevice(o->layout.designTop, fy),
                    ToDevice(o->layout.designLeft + o->layout.designWidth, fx),
                    ToDevice(o->layout.designTop + o->layout.designHeight, fy)};
    if (!PtInRect(&r, point)) return false;
    point.x -= r.left;
    point.y -= r.top;
    return true;
}

}  // namespace windowless

namespace label {

void SetAlignment(HWND form, int id, int code) {
    if (!FindLabel(form, id)) return;
    Change(form, id, [&](ControlObject* o) { o->SetFlagField(kCodeShift, kCodeBits, std::clamp(code, 0, 9)); });
}
void SetBorderStyle(HWND form, int id, int style) {
    if (!FindLabel(form, id)) return;
    Change(form, id, [&](ControlObject* o) { o->SetFlagField(kStyleShift, kStyleBits, std::clamp(style, 0, 255)); });
}
void SetAngle(HWND form, int id, int degrees) {
    if (!FindLabel(form, id)) return;
    Change(form, id, [&](ControlObject* o) { o->escapement = degrees * 10; });
}
void SetFontWidth(HWND form, int id, int width) {
    if (!FindLabel(form, id)) return;
    Change(form, id, [&](ControlObject* o) { o->fontWidth = width; });
}
void SetEllipsis(HWND form, int id, bool on) {
    if (!FindLabel(form, id)) return;
    Change(form, id, [&](ControlObject* o) { o->SetFlag(kFlagEllipsis, on); });
}

}  // namespace label

namespace frame {

void SetCornerSize(HWND form, int id, int size) {
    if (!FindFrame(form, id)) return;
    Change(form, id, [&](ControlObject* o) { o->SetFlagField(kCodeShift, kCodeBits, std::clamp(size, 0, 9)); });
}
void SetCaptionAlignment(HWND form, int id, int align) {
    if (!FindFrame(form, id)) return;
    Change(form, id, [&](ControlObject* o) { o->SetFlagField(kStyleShift, kStyleBits, std::clamp(align, 0, 5)); });
}
void SetBorderWidth(HWND form, int id, int width) {
    if (!FindFrame(form, id)) return;
    Change(form, id, [&](ControlObject* o) { o->SetFlagField(kBorderShift, kBorderBits, std::clamp(width, 0, 15)); });
}
void SetLineColor(HWND form, int id, COLORREF colour) {
    if (!FindFrame(form, id)) return;
    Change(form, id, [&](ControlObject* o) { o->lineColor = (colour & 0x00FFFFFF) | 0xFF000000u; });
}
void SetLineColorArgb(HWND form, int id, std::uint32_t argb) {
    if (!FindFrame(form, id)) return;
    Change(form, id, [&](ControlObject* o) { o->lineColor = SwapRedBlue(argb); });
}

void SetLineColorValue(HWND form, int id, std::uint32_t value) {
    if (!FindFrame(form, id)) return;
    Change(form, id, [&](ControlObject* o) { o->lineColor = value; });
}

void ComputeContents(HWND form) {
    ControlObject* head = GetControlObject(form);
    if (!head) return;
    auto area = [](const RECT& r) { return static_cast<long long>(r.right - r.left) * (r.bottom - r.top); };
    auto designRect = [](const ControlObject* o) {
        return RECT{o->layout.designLeft, o->layout.designTop, o->layout.designLeft + o->layout.designWidth,
                    o->layout.designTop + o->layout.designHeight};
    };
    // Inside: the frame is larger, and more than 80 % of the control's area lies within it.
    auto inside = [&](const RECT& frameRect, const RECT& r) {
        RECT common = {};
        if (area(frameRect) <= area(r) || area(r) <= 0 || !IntersectRect(&common, &frameRect, &r)) return false;
        return area(common) * 10 > area(r) * 8;
    };
    for (ControlObject* f = head->next; f; f = f->next) {
        if (f->kind != ControlKindTag::Frame || f->frameListsComputed) continue;
        f->frameListsComputed = true;
        const RECT frameRect = designRect(f);
        for (ControlObject* o = head->next; o; o = o->next)
            if (o != f && (o->kind == ControlKindTag::Label || o->kind == ControlKindTag::Frame) &&
                inside(frameRect, designRect(o)))
                f->frameWindowlessIds.push_back(o->id);
        for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT r = {};
            GetWindowRect(child, &r);
            MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
            const float fx = ScreenFactorX(), fy = ScreenFactorY();
            const RECT logical = {RoundHalfEven(r.left / static_cast<double>(fx)),
                                  RoundHalfEven(r.top / static_cast<double>(fy)),
                                  RoundHalfEven(r.right / static_cast<double>(fx)),
                                  RoundHalfEven(r.bottom / static_cast<double>(fy))};
            if (inside(frameRect, logical)) f->frameWindowIds.push_back(GetDlgCtrlID(child));
        }
    }
}

}  // namespace frame

}  // namespace qln
