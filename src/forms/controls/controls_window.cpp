#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "forms/draw/resource_images.h"
#include "forms/engine/control_object.h"
#include "forms/engine/form_engine.h"
#include "forms/layout/color.h"
#include "forms/layout/layout_rules.h"
#include "forms/layout/screen.h"

namespace qln {

namespace {

ControlObject* Obj(HWND w) { return GetControlObject(w); }

int ToLogicalX(int device) { return RoundHalfEven(device / static_cast<double>(ScreenFactorX())); }
int ToLogicalY(int device) { return RoundHalfEven(device / static_cast<double>(ScreenFactorY())); }

RECT WindowRectInParent(HWND w) {
    RECT r = {};
    GetWindowRect(w, &r);
    HWND parent = (GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD) ? GetParent(w) : nullptr;
    if (parent) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void RecordDesign(ControlObject* o, HWND w) {
    const RECT r = WindowRectInParent(w);
    o->layout.designLeft = ToLogicalX(r.left);
    o->layout.designTop = ToLogicalY(r.top);
    o->layout.designWidth = ToLogicalX(r.right - r.left);
    o->layout.designHeight = ToLogicalY(r.bottom - r.top);
}

void ApplyLayered(HWND w, ControlObject* o) {
    const bool keyed = !IsInherit(o->transparentKey);
    if (o->transparency <= 0 && !keyed) {
        SetWindowLongPtrW(w, GWL_EXSTYLE, GetWindowLongPtrW(w, GWL_EXSTYLE) & ~WS_EX_LAYERED);
        return;
    }
    SetWindowLongPtrW(w, GWL_EXSTYLE, GetWindowLongPtrW(w, GWL_EXSTYLE) | WS_EX_LAYERED);
    DWORD flags = 0;
    BYTE alpha = 255;
    if (o->transparency > 0) {
        flags |= LWA_ALPHA;
        // (100 − percent) × 2.55 as the exact quotient: 50 % is 127.5, which goes to 128.
        alpha = static_cast<BYTE>(RoundHalfEven((100 - o->transparency) * 255 / 100.0));
    }
    if (keyed) flags |= LWA_COLORKEY;
    SetLayeredWindowAttributes(w, keyed ? ResolveColor(o->transparentKey, 0) : 0, alpha, flags);
}

HCURSOR CursorForCode(int code) {
    static const LPCWSTR kCursors[] = {IDC_APPSTARTING, IDC_ARROW,  IDC_CROSS,  IDC_HELP,   IDC_IBEAM,
                                       IDC_NO,          IDC_SIZEALL, IDC_SIZENESW, IDC_SIZENS, IDC_SIZENWSE,
                                       IDC_SIZEWE,      IDC_UPARROW, IDC_WAIT,   IDC_HAND};
    if (code < 1 || code > 14) return nullptr;
    // A copy of the shared cursor, so that the object may destroy what it holds.
    return CopyCursor(LoadCursorW(nullptr, kCursors[code - 1]));
}

// A form is what carries a form's control object. Slot 0 of the window's extra bytes does not
// tell: list boxes, status bars, tree views, list views and rich edits keep their own data there.
bool IsForm(HWND w) {
    const ControlObject* o = Obj(w);
    return o && o->kind == ControlKindTag::Form;
}

}  // namespace

namespace wnd {

int Left(HWND w) { return Obj(w) ? WindowRectInParent(w).left : 0; }
int Top(HWND w) { return Obj(w) ? WindowRectInParent(w).top : 0; }
int Width(HWND w) {
    RECT r = {};
    return Obj(w) && GetWindowRect(w, &r) ? r.right - r.left : 0;
}
int Height(HWND w) {
    RECT r = {};
    return Obj(w) && GetWindowRect(w, &r) ? r.bottom - r.top : 0;
}

void SetLeft(HWND w, int x) {
    ControlObject* o = Obj(w);
    if (!o) return;
    SetWindowPos(w, nullptr, x, Top(w), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RecordDesign(o, w);
}
void SetTop(HWND w, int y) {
    ControlObject* o = Obj(w);
    if (!o) return;
    SetWindowPos(w, nullptr, Left(w), y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RecordDesign(o, w);
}
void SetWidth(HWND w, int width) {
    ControlObject* o = Obj(w);
    if (!o) return;
    SetWindowPos(w, nullptr, 0, 0, width, Height(w), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RecordDesign(o, w);
}
void SetHeight(HWND w, int height) {
    ControlObject* o = Obj(w);
    if (!o) return;
    SetWindowPos(w, nullptr, 0, 0, Width(w), height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RecordDesign(o, w);
}

int ClientWidth(HWND w) {
    RECT r = {};
    return Obj(w) && GetClientRect(w, &r) ? r.right : 0;
}
int ClientHeight(HWND w) {
    RECT r = {};
    return Obj(w) && GetClientRect(w, &r) ? r.bottom : 0;
}
void SetClientWidth(HWND w, int width) {
    if (Obj(w)) SetWidth(w, width + Width(w) - ClientWidth(w));
}
void SetClientHeight(HWND w, int height) {
    if (Obj(w)) SetHeight(w, height + Height(w) - ClientHeight(w));
}

void Move(HWND w, int x, int y, int width, int height) {
    ControlObject* o = Obj(w);
    if (!o) return;
    SetWindowPos(w, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    RecordDesign(o, w);
}
void Size(HWND w, int width, int height) {
    ControlObject* o = Obj(w);
    if (!o) return;
    SetWindowPos(w, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RecordDesign(o, w);
}

std::wstring Caption(HWND w) {
    if (!Obj(w)) return {};
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(w, text.data(), static_cast<int>(text.size()))));
    return text;
}
void SetCaption(HWND w, const std::wstring& text) {
    if (Obj(w)) SendMessageW(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool Enabled(HWND w) { return Obj(w) && IsWindowEnabled(w); }
void SetEnabled(HWND w, bool on) {
    if (!Obj(w)) return;
    EnableWindow(w, on);
    InvalidateRect(w, nullptr, TRUE);
}
bool Visible(HWND w) { return Obj(w) && IsWindowVisible(w); }
void SetVisible(HWND w, bool on) {
    if (Obj(w)) ShowWindow(w, on ? SW_SHOW : SW_HIDE);
}

HICON Icon(HWND w) {
    if (!Obj(w)) return nullptr;
    HICON icon = reinterpret_cast<HICON>(SendMessageW(w, WM_GETICON, ICON_BIG, 0));
    return icon ? icon : reinterpret_cast<HICON>(GetClassLongPtrW(w, GCLP_HICON));
}
void SetIcon(HWND w, HICON icon) {
    ControlObject* o = Obj(w);
    if (!o) return;
    HICON oldBig = reinterpret_cast<HICON>(SendMessageW(w, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)));
    HICON oldSmall = reinterpret_cast<HICON>(SendMessageW(w, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    if (oldBig && oldBig != icon) DestroyIcon(oldBig);
    if (oldSmall && oldSmall != icon && oldSmall != oldBig) DestroyIcon(oldSmall);
    o->bigIcon = icon;
    o->smallIcon = icon;
}

void Flash(HWND w) {
    if (!Obj(w)) return;
    if (IsIconic(w)) OpenIcon(w);
    FLASHWINFO info = {sizeof(info), w, FLASHW_CAPTION | FLASHW_TRAY, 5, 100};
    FlashWindowEx(&info);
}

int Transparency(HWND w) { return Obj(w) ? Obj(w)->transparency : 0; }
void SetTransparency(HWND w, int percent) {
    ControlObject* o = Obj(w);
    if (!o) return;
    o->transparency = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
    ApplyLayered(w, o);
}
std::uint32_t TransparentKey(HWND w) { return Obj(w) ? Obj(w)->transparentKey : kColorInherit; }
void SetTransparentKey(HWND w, std::uint32_t colour) {
    ControlObject* o = Obj(w);
    if (!o) return;
    o->transparentKey = colour;
    ApplyLayered(w, o);
}
bool MouseTransparent(HWND w) { return Obj(w) && (GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TRANSPARENT); }
void SetMouseTransparent(HWND w, bool on) {
    if (!Obj(w)) return;
    const LONG_PTR ex = GetWindowLongPtrW(w, GWL_EXSTYLE);
    SetWindowLongPtrW(w, GWL_EXSTYLE, on ? (ex | WS_EX_TRANSPARENT | WS_EX_LAYERED) : (ex & ~WS_EX_TRANSPARENT));
}

bool TopMost(HWND w) { return Obj(w) && (GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TOPMOST); }
void SetZOrder(HWND w, HWND insertAfter) {
    if (Obj(w)) SetWindowPos(w, insertAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

void SetBackColor(HWND w, std::uint32_t colour) {
    ControlObject* o = Obj(w);
    if (!o) return;
    o->backColor = colour;
    if (IsForm(w)) {
        HBRUSH brush = CreateSolidBrush(ResolveColor(colour, GetSysColor(COLOR_BTNFACE)));
        const auto old = static_cast<ULONG_PTR>(SetClassLongPtrW(w, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(brush)));
        // Values up to COLOR_MENUBAR + 1 are system colour indexes, not brushes of ours.
        if (old > 32) DeleteObject(reinterpret_cast<HBRUSH>(old));
    } else {
        const std::wstring cls = ClassName(w);
        const COLORREF c = ResolveColor(colour, GetSysColor(COLOR_WINDOW));
        if (cls == WC_TREEVIEWW) SendMessageW(w, TVM_SETBKCOLOR, 0, c);
        else if (cls == WC_LISTVIEWW) SendMessageW(w, LVM_SETBKCOLOR, 0, c);
        else if (cls == L"RichEdit50W") SendMessageW(w, EM_SETBKGNDCOLOR, 0, c);
    }
    InvalidateRect(w, nullptr, TRUE);
}
void SetForeColor(HWND w, std::uint32_t colour) {
    ControlObject* o = Obj(w);
    if (!o) return;
    o->foreColor = colour;
    const std::wstring cls = ClassName(w);
    const COLORREF c = ResolveColor(colour, GetSysColor(COLOR_WINDOWTEXT));
    if (cls == WC_TREEVIEWW) SendMessageW(w, TVM_SETTEXTCOLOR, 0, c);
    else if (cls == WC_LISTVIEWW) SendMessageW(w, LVM_SETTEXTCOLOR, 0, c);
    InvalidateRect(w, nullptr, TRUE);
}
std::uint32_t BackColor(HWND w) { return Obj(w) ? Obj(w)->backColor : 0; }
std::uint32_t ForeColor(HWND w) { return Obj(w) ? Obj(w)->foreColor : 0; }

HWND Parent(HWND w) {
    if (!Obj(w)) return nullptr;
    HWND parent = GetAncestor(w, GA_PARENT);
    return parent == GetDesktopWindow() ? nullptr : parent;
}
void SetParentWindow(HWND w, HWND parent) {
    if (Obj(w)) SetParent(w, parent);
}

int WindowState(HWND w) {
    if (!Obj(w)) return 0;
    return IsIconic(w) ? 1 : (IsZoomed(w) ? 2 : 0);
}
void SetWindowState(HWND w, int state) {
    if (Obj(w)) ShowWindow(w, state == 1 ? SW_MINIMIZE : (state == 2 ? SW_MAXIMIZE : SW_RESTORE));
}

void SetMousePointer(HWND w, int code) {
    ControlObject* o = Obj(w);
    if (!o) return;
    if (o->cursor) DestroyCursor(o->cursor);
    o->cursorCode = code;
    o->cursor = CursorForCode(code);
}

std::wstring ToolTip(HWND w) { return Obj(w) ? Obj(w)->toolTip : std::wstring(); }
void SetToolTip(HWND w, const std::wstring& text) {
    ControlObject* o = Obj(w);
    if (!o) return;
    o->toolTip = text;
    o->toolTipDeferred = false;
    if (o->toolTipWindow) DestroyWindow(o->toolTipWindow);
    o->toolTipWindow = text.empty() ? nullptr : CreateToolTip(w, text.c_str(), o->toolTipBalloon != 0, 0, 0, 0, 0);
}
bool ToolTipBalloon(HWND w) { return Obj(w) && Obj(w)->toolTipBalloon != 0; }
void SetToolTipBalloon(HWND w, bool on) {
    ControlObject* o = Obj(w);
    if (!o) return;
    o->toolTipBalloon = on ? 1 : 0;
    SetToolTip(w, o->toolTip);
}

void Activate(HWND w) {
    if (!Obj(w)) return;
    OpenIcon(w);
    const bool wasTopMost = TopMost(w);
    SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    if (!wasTopMost) SetWindowPos(w, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(w);
}
void Close(HWND w) {
    if (Obj(w)) PostMessageW(w, WM_CLOSE, 0, 0);
}
void DragMove(HWND w) {
    if (!Obj(w)) return;
    ReleaseCapture();
    SendMessageW(w, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}
void Refresh(HWND w) {
    if (!Obj(w)) return;
    InvalidateRect(w, nullptr, TRUE);
    UpdateWindow(w);
}
void Focus(HWND w) {
    if (Obj(w)) SetFocus(w);
}
std::wstring ClassName(HWND w) {
    wchar_t name[256] = {};
    if (Obj(w)) GetClassNameW(w, name, 256);
    return name;
}
std::wstring Tag(HWND w) { return Obj(w) ? Obj(w)->tag : std::wstring(); }
void SetTag(HWND w, const std::wstring& tag) {
    if (ControlObject* o = Obj(w)) o->tag = tag;
}
std::int64_t UserData(HWND w, int index) {
    const ControlObject* o = Obj(w);
    return (o && index >= 0 && index < 100) ? o->userData[static_cast<size_t>(index)] : 0;
}
int SetUserData(HWND w, int index, std::int64_t value) {
    ControlObject* o = Obj(w);
    if (!o || index < 0 || index >= 100) return -1;
    o->userData[static_cast<size_t>(index)] = value;
    return 0;
}

std::wstring Font(HWND w) { return Obj(w) ? Obj(w)->fontSpec : std::wstring(); }
void SetFont(HWND w, const std::wstring& spec) {
    ControlObject* o = Obj(w);
    if (!o) return;
    o->fontSpec = spec;
    HFONT font = CreateFontFromSpec(spec);
    const std::wstring cls = ClassName(w);
    const bool edit = cls == L"Edit";
    const bool list = cls == L"ListBox";
    const LRESULT margins = edit ? SendMessageW(w, EM_GETMARGINS, 0, 0) : 0;
    const LRESULT itemHeight = list ? SendMessageW(w, LB_GETITEMHEIGHT, 0, 0) : 0;
    SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (edit) SendMessageW(w, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, margins);
    if (list) SendMessageW(w, LB_SETITEMHEIGHT, 0, itemHeight);
}

}  // namespace wnd

void FollowSystemColours(HWND w) {
    const ControlObject* o = Obj(w);
    if (!o || IsForm(w)) return;
    const auto isReference = [](std::uint32_t c) { return IsSystemColorRef(c) && !IsInherit(c); };
    if (isReference(o->backColor)) {
        if (wnd::ClassName(w) == STATUSCLASSNAMEW)
            SendMessageW(w, SB_SETBKCOLOR, 0, static_cast<LPARAM>(ResolveColor(o->backColor, CLR_DEFAULT)));
        else
            wnd::SetBackColor(w, o->backColor);
    }
    if (isReference(o->foreColor)) wnd::SetForeColor(w, o->foreColor);
}

namespace button {

void Click(HWND w) {
    if (Obj(w)) SendMessageW(w, BM_CLICK, 0, 0);
}

void SetImage(HWND w, const char* resourceName) {
    if (Obj(w)) SetButtonImage(w, resourceName);
}

}  // namespace button

}  // namespace qln
