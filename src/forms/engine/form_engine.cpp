#include "forms/engine/form_engine.h"

#include <commctrl.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "forms/controls/windowless.h"
#include "forms/controls/windowless_paint.h"
#include "forms/engine/control_keywords.h"
#include "forms/layout/color.h"
#include "forms/layout/layout.h"
#include "forms/layout/layout_rules.h"

namespace qln {

namespace {

// Every class registered under an explicit name, so that a second request for the same name
// and module answers with the first atom.
struct RegisteredClass {
    std::wstring name;
    HINSTANCE instance;
    ATOM atom;
};
std::vector<RegisteredClass> g_registeredClasses;
unsigned g_registrationCount = 0;

// The modal result of ShowForm; nothing in this program sets it.
HWND g_modalResult = nullptr;

bool ProcessIsDpiAware() {
    using Fn = BOOL(WINAPI*)();
    static const Fn fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "IsProcessDPIAware")));
    return fn && fn();
}

// major × 100 + minor from RtlGetVersion, 0 when it is not there.
int WindowsVersionNumber() {
    using Fn = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleW(L"NtDll.dll");
    auto fn = ntdll ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion"))) : nullptr;
    if (!fn) return 0;
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (fn(&info) != 0) return 0;
    return static_cast<int>(info.dwMajorVersion * 100 + info.dwMinorVersion);
}

int ScreenCaps(int index) {
    HDC screen = GetDC(nullptr);
    const int value = screen ? GetDeviceCaps(screen, index) : kLogicalDpi;
    if (screen) ReleaseDC(nullptr, screen);
    return value;
}

// The top-level (or MDI child) window above `window` through its WS_CHILD parents.
HWND NonChildAncestor(HWND window) {
    HWND current = window;
    while (current && IsWindow(current) && (GetWindowLongPtrW(current, GWL_STYLE) & WS_CHILD)) {
        HWND parent = GetParent(current);
        if (!parent || !IsWindow(parent) || (GetWindowLongPtrW(parent, GWL_EXSTYLE) & WS_EX_MDICHILD)) break;
        current = parent;
    }
    return current;
}

// The image of an image keyword (BITMAPLABEL, ICONLABEL, BITMAPBUTTON, ICONBUTTON), owned by
// its control from creation to destruction.
constexpr const wchar_t* kKeywordImageProp = L"qln_KeywordImage";
constexpr const wchar_t* kKeywordImageTypeProp = L"qln_KeywordImageType";

void ReleaseKeywordImage(HWND control) {
    HANDLE image = RemovePropW(control, kKeywordImageProp);
    const auto type = static_cast<UINT>(reinterpret_cast<INT_PTR>(RemovePropW(control, kKeywordImageTypeProp)));
    if (!image) return;
    if (type == IMAGE_BITMAP)
        DeleteObject(image);
    else
        DestroyIcon(static_cast<HICON>(image));
}

LPCWSTR ImageResourceName(const wchar_t* caption, std::wstring& holder) {
    if (caption && caption[0] == L'#') {
        const double number = std::wcstod(caption + 1, nullptr);
        return MAKEINTRESOURCEW(static_cast<WORD>(static_cast<long long>(std::nearbyint(number)) & 0xFFFF));
    }
    holder = caption ? caption : L"";
    return holder.c_str();
}

void TypeSpecificSetup(FormContext* ctx, HWND control, const ControlKind& kind, const wchar_t* caption, int x, int y,
                       int width, int height, const std::wstring& keywordUpper) {
    switch (kind.setup) {
    case ControlSetup::BitmapImage:
    case ControlSetup::IconImage: {
        std::wstring holder;
        const bool bitmap = kind.setup == ControlSetup::BitmapImage;
        HANDLE image = LoadImageW(ctx->Instance, ImageResourceName(caption, holder), bitmap ? IMAGE_BITMAP : IMAGE_ICON,
                                  0, 0, LR_DEFAULTCOLOR);
        if (image) {
            SendMessageW(control, kind.imageIsLabel ? STM_SETIMAGE : BM_SETIMAGE, bitmap ? IMAGE_BITMAP : IMAGE_ICON,
                         reinterpret_cast<LPARAM>(image));
            // Neither the static nor the button control frees an image given to it: the
            // control procedure does, when the control is destroyed.
            SetPropW(control, kKeywordImageProp, image);
            SetPropW(control, kKeywordImageTypeProp,
                     reinterpret_cast<HANDLE>(static_cast<INT_PTR>(bitmap ? IMAGE_BITMAP : IMAGE_ICON)));
        }
        break;
    }
    case ControlSetup::ListBox:
        MoveControlScaled(ctx, control, x, y, width, height);
        break;
    case ControlSetup::Progress:
        SendMessageW(control, PBM_SETRANGE32, 0, 100);
        SendMessageW(control, PBM_SETPOS, 0, 0);
        break;
    case ControlSetup::Toolbar: {
        const LRESULT size = SendMessageW(control, TB_GETBUTTONSIZE, 0, 0);
        const int w = RoundHalfEven(LOWORD(size) * static_cast<double>(ctx->ScaleX));
        const int h = RoundHalfEven(HIWORD(size) * static_cast<double>(ctx->ScaleY));
        SendMessageW(control, TB_SETBUTTONSIZE, 0, MAKELPARAM(w, h));
        SendMessageW(control, TB_BUTTONSTRUCTSIZE, 32, 0);
        break;
    }
    case ControlSetup::DateTime:
        if (ctx->Font) SendMessageW(control, DTM_SETMCFONT, reinterpret_cast<WPARAM>(ctx->Font), TRUE);
        break;
    case ControlSetup::ScrollBar: {
        SCROLLINFO info = {sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 0, 0, 0};
        SetScrollInfo(control, SB_CTL, &info, TRUE);
        break;
    }
    case ControlSetup::Trackbar:
        if (keywordUpper == L"TRACKBAR" || keywordUpper == L"MSCTLS_TRACKBAR32") {
            SendMessageW(control, TBM_SETRANGEMIN, TRUE, 0);
            SendMessageW(control, TBM_SETRANGEMAX, TRUE, 100);
            SendMessageW(control, TBM_SETPAGESIZE, 0, 10);
        }
        break;
    case ControlSetup::UpDown:
        SendMessageW(control, UDM_SETBASE, 10, 0);
        SendMessageW(control, UDM_SETRANGE32, 100, 0);
        SendMessageW(control, UDM_SETPOS32, 0, 0);
        MoveControlScaled(ctx, control, x, y, width, height);
        break;
    default:
        break;
    }
}

// The first mouse move over a control whose builder gave it a tooltip: the tooltip window is made
// now and handed this move, so that it shows after its usual delay as if it had been there all along.
void CreateDeferredToolTip(HWND control, ControlObject* object, WPARAM wParam, LPARAM lParam) {
    object->toolTipDeferred = false;
    if (object->toolTipWindow || object->toolTip.empty()) return;
    object->toolTipWindow = CreateToolTip(control, object->toolTip.c_str(), object->toolTipBalloon != 0, 0, 0, 0, 0);
    if (!object->toolTipWindow) return;
    MSG move = {control, WM_MOUSEMOVE, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
    GetCursorPos(&move.pt);
    SendMessageW(object->toolTipWindow, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&move));
}

void RemoveFromClassTable(const wchar_t* name, HINSTANCE instance) {
    for (auto it = g_registeredClasses.begin(); it != g_registeredClasses.end(); ++it) {
        if (it->instance == instance && it->name == name) {
            g_registeredClasses.erase(it);
            return;
        }
    }
}

COLORREF FormBackColor(HWND form) {
    const ControlObject* object = GetControlObject(form);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    return object ? ResolveColor(object->backColor, face) : face;
}

BOOL CALLBACK ForwardSysColorChange(HWND child, LPARAM) {
    SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}

void RecreateBrush(ControlObject* object, COLORREF colour) {
    if (object->brush) DeleteObject(object->brush);
    object->brush = CreateSolidBrush(colour);
}

}  // namespace

void InitFormContext(FormContext* ctx, const wchar_t* className) {
    *ctx = FormContext{};
    if (className) lstrcpynW(ctx->ClassName, className, 260);
    ctx->Instance = GetModuleHandleW(nullptr);
    const bool aware = ProcessIsDpiAware();
    SetFormDpi(ctx, aware ? -1 : kLogicalDpi);
    const bool modern = aware && WindowsVersionNumber() >= 600;
    if (!ctx->FontFace[0]) lstrcpynW(ctx->FontFace, modern ? L"Segoe UI" : L"Tahoma", 32);
    if (ctx->FontSize == 0) ctx->FontSize = modern ? 9 : 8;
    INITCOMMONCONTROLSEX icc = {sizeof(icc), 0x7FFF};
    InitCommonControlsEx(&icc);
}

void SetFormDpi(FormContext* ctx, double dpi) {
    ctx->Dpi = RoundHalfEven(dpi);
    if (ctx->Dpi < 0) {
        ctx->Dpi = ScreenCaps(LOGPIXELSX);
        dpi = ctx->Dpi;
    }
    ctx->ScaleX = ctx->ScaleY = DpiScale(dpi);
}

ATOM RegisterFormClass(const wchar_t* className, HINSTANCE instance, WNDPROC windowProc) {
    const bool explicitName = className && className[0];
    std::wstring name;
    if (explicitName) {
        name = className;
        for (const auto& entry : g_registeredClasses)
            if (entry.instance == instance && entry.name == name) return entry.atom;
    } else {
        name = L"TarnWindowClass:" + std::to_wstring(g_registrationCount);
    }

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = windowProc ? windowProc : DefaultFormProc;
    wc.cbWndExtra = 8;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name.c_str();
    const ATOM atom = RegisterClassExW(&wc);
    if (!atom) return 0;
    if (explicitName) g_registeredClasses.push_back({std::move(name), instance, atom});
    ++g_registrationCount;
    return atom;
}

HWND CreateFormWindow(FormContext* ctx, HWND parent, const wchar_t* caption, WNDPROC formProc, int width, int height,
                      DWORD style, DWORD exStyle) {
    ctx->ClassAtom = RegisterFormClass(ctx->ClassName, ctx->Instance, formProc);
    if (!ctx->ClassAtom) return nullptr;
    if (!ctx->Font) {
        const int ly = ScreenCaps(LOGPIXELSY);
        LOGFONTW lf = {};
        lf.lfHeight = -MulDiv(ctx->FontSize * ctx->Dpi / ly, ly, 72);
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfOutPrecision = OUT_TT_PRECIS;
        lstrcpynW(lf.lfFaceName, ctx->FontFace, LF_FACESIZE);
        ctx->Font = CreateFontIndirectW(&lf);
    }
    HWND window = CreateWindowExW(exStyle, MAKEINTATOM(ctx->ClassAtom), caption, style, 0, 0,
                                  ScaleRounded(width, ctx->ScaleX), ScaleRounded(height, ctx->ScaleY), parent, nullptr,
                                  ctx->Instance, ctx);
    if (!window) return nullptr;
    ctx->Window = window;
    GetClassNameW(window, ctx->ClassName, 260);
    if (ctx->Font) SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(ctx->Font), FALSE);
    SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(ctx));
    return window;
}

HWND CreateControl(FormContext* ctx, const wchar_t* typeKeyword, HWND parent, int id, const wchar_t* caption, int x,
                   int y, int width, int height, DWORD style, DWORD exStyle, WNDPROC subclassProc) {
    if (!typeKeyword || !typeKeyword[0]) return nullptr;
    if (!parent) parent = ctx->Window;
    const ControlKind kind = LookupControlKeyword(typeKeyword);
    std::wstring upper(typeKeyword);
    for (auto& c : upper)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);

    if (kind.setup == ControlSetup::Tab) exStyle |= WS_EX_CONTROLPARENT;
    if (kind.setup == ControlSetup::SizeGrip) {
        RECT client = {};
        GetClientRect(ctx->Window, &client);
        width = GetSystemMetrics(SM_CXVSCROLL);
        height = GetSystemMetrics(SM_CYHSCROLL);
        x = RoundHalfEven(client.right / static_cast<double>(ctx->ScaleX)) - width;
        y = RoundHalfEven(client.bottom / static_cast<double>(ctx->ScaleY)) - height;
    }
    HWND control = CreateWindowExW(exStyle, kind.className.c_str(), caption, style, ScaleRounded(x, ctx->ScaleX),
                                   ScaleRounded(y, ctx->ScaleY), ScaleRounded(width, ctx->ScaleX),
                                   ScaleRounded(height, ctx->ScaleY), parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ctx->Instance, nullptr);
    if (!control) return nullptr;
    if (kind.formFont && ctx->Font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(ctx->Font), TRUE);
    TypeSpecificSetup(ctx, control, kind, caption, x, y, width, height, upper);
    if (subclassProc) {
        const LONG_PTR previous = SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclassProc));
        SetPropW(control, kOldWndProcProp, reinterpret_cast<HANDLE>(previous));
    }
    return control;
}

bool MoveControlScaled(FormContext* ctx, HWND window, int x, int y, int width, int height) {
    return SetWindowPos(window, nullptr, ScaleRounded(x, ctx->ScaleX), ScaleRounded(y, ctx->ScaleY),
                        ScaleRounded(width, ctx->ScaleX), ScaleRounded(height, ctx->ScaleY),
                        SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

HWND ShowForm(FormContext* ctx, int modal, HWND window, HWND owner, int showCmd, int mdi) {
    if (showCmd == SW_SHOWNORMAL && (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_NOACTIVATE))
        showCmd = SW_SHOWNOACTIVATE;
    if ((GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_MDICHILD) || modal != -1) {
        ShowWindow(window, showCmd);
        return window;
    }
    HWND disabled = owner ? NonChildAncestor(owner) : nullptr;
    if (disabled && IsWindow(disabled)) EnableWindow(disabled, FALSE);
    ShowWindow(window, showCmd);
    UpdateWindow(window);

    int version = 0;
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (GetVersionExW(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT)
        version = static_cast<int>(info.dwMajorVersion * 10 + info.dwMinorVersion);
#pragma GCC diagnostic pop

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        const bool accelerated = GetForegroundWindow() == window && ctx && ctx->Accelerators &&
                                 TranslateAcceleratorW(window, ctx->Accelerators, &msg);
        if (!accelerated) {
            if (mdi == -1 && TranslateMDISysAccel(window, &msg)) continue;
            if (version <= 61 && msg.message == WM_MOUSEWHEEL) {
                POINT cursor;
                GetCursorPos(&cursor);
                HWND under = WindowFromPoint(cursor);
                if (under != msg.hwnd) {
                    PostMessageW(under, msg.message, msg.wParam, msg.lParam);
                    continue;
                }
            }
            if (!IsDialogMessageW(window, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        if (!IsWindow(window)) break;
    }
    HWND result = g_modalResult;
    g_modalResult = nullptr;
    return result;
}

void ReleaseFormContext(FormContext* ctx) {
    if (!ctx) return;
    if (ctx->Font) DeleteObject(ctx->Font);
    ctx->Font = nullptr;
    if (ctx->Accelerators) DestroyAcceleratorTable(ctx->Accelerators);
    ctx->Accelerators = nullptr;
    if (ctx->ClassName[0]) {
        // Dropped from the table too, so that a form built again registers its class anew.
        if (UnregisterClassW(ctx->ClassName, ctx->Instance)) RemoveFromClassTable(ctx->ClassName, ctx->Instance);
    }
    std::free(ctx->ownedBlock);
    ctx->ownedBlock = nullptr;
    ctx->ownedList.clear();
}

FormContext* GetFormContext(HWND form) {
    if (!form || !IsWindow(form)) return nullptr;
    return reinterpret_cast<FormContext*>(GetWindowLongPtrW(form, 0));
}

HWND CreateToolTip(HWND control, const wchar_t* text, bool balloon, int x, int y, int width, int height) {
    if (!control) return nullptr;
    DWORD style = WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | (balloon ? TTS_BALLOON : 0);
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, L"", style, 0, 0, 0, 0, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (!tip) return nullptr;
    std::wstring body = text ? text : L"";
    std::wstring title;
    const std::size_t split = body.find(L"\r\n");
    if (split != std::wstring::npos) {
        title = body.substr(0, std::min<std::size_t>(split, 99));
        body = body.substr(split + 2);
    }
    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = control;
    tool.uId = 0;
    GetClientRect(control, &tool.rect);
    tool.rect.left = x;
    tool.rect.top = y;
    if (width > 0) tool.rect.right = x + width;
    if (height > 0) tool.rect.bottom = y + height;
    tool.lpszText = body.data();
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    if (split != std::wstring::npos) SendMessageW(tip, TTM_SETTITLEW, TTI_NONE, reinterpret_cast<LPARAM>(title.c_str()));
    return tip;
}

LRESULT CALLBACK DefaultFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_COMMAND:
        if (wParam == IDCANCEL) {
            SendMessageW(window, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            SendMessageW(window, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void ScheduleRepaint(HWND form) {
    if (!form || !IsWindow(form)) return;
    KillTimer(form, kDeferredRepaintTimer);
    SetTimer(form, kDeferredRepaintTimer, kDeferredRepaintMs, nullptr);
}

LRESULT StandardFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, FormLoadHandler onLoad) {
    switch (message) {
    case FM_LOADED:
        if (wParam != kFormLoadedParam) break;
        {
            RECT client = {};
            GetClientRect(window, &client);
            SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
            if (onLoad) onLoad(window, lParam);
            InvalidateRect(window, nullptr, TRUE);
            UpdateWindow(window);
        }
        return 0;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) ApplyAnchorLayout(window);
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            SendMessageW(window, WM_CLOSE, wParam, lParam);
            return 0;
        }
        break;
    case WM_CLOSE: {
        HWND reenable = NonChildAncestor(GetParent(window));
        if (reenable && IsWindow(reenable)) EnableWindow(reenable, TRUE);
        break;
    }
    case WM_DESTROY: {
        if (FormContext* ctx = GetFormContext(window)) {
            SetWindowLongPtrW(window, 0, 0);
            ReleaseFormContext(ctx);
            delete ctx;
        }
        ControlObject* object = GetControlObject(window);
        RemovePropW(window, kControlPtrProp);
        while (object) {
            ControlObject* next = object->next;
            FreeControlObject(object);
            object = next;
        }
        break;
    }
    case WM_TIMER:
        if (wParam != kDeferredRepaintTimer) break;
        KillTimer(window, kDeferredRepaintTimer);
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
        return 0;
    case WM_PAINT:
        PaintForm(window);
        return TRUE;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED: {
        if (ControlObject* form = GetControlObject(window)) {
            const COLORREF formColour = FormBackColor(window);
            RecreateBrush(form, formColour);
            for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                if (ControlObject* object = GetControlObject(child)) {
                    RecreateBrush(object, ResolveColor(object->backColor, formColour));
                    FollowSystemColours(child);
                }
            }
        }
        // Windows tells top-level windows only: a top-level form passes the change on to every
        // window inside it (the pages, and the common controls, which reread their colours on
        // it). Colours given by reference are resolved at the next paint, which follows at once.
        if (message == WM_SYSCOLORCHANGE && !(GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD))
            EnumChildWindows(window, ForwardSysColorChange, 0);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        break;
    }
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            POINT point;
            GetCursorPos(&point);
            const ControlObject* object = GetControlObject(WindowFromPoint(point));
            if (object && object->cursor) {
                SetCursor(object->cursor);
                return TRUE;
            }
        }
        break;
    case WM_SETFOCUS: {
        const ControlObject* form = GetControlObject(window);
        if (form && form->lastFocus && IsWindow(form->lastFocus) && GetAncestor(form->lastFocus, GA_ROOT) == window) {
            SetFocus(form->lastFocus);
            return 0;
        }
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
        ControlObject* object = GetControlObject(reinterpret_cast<HWND>(lParam));
        if (!object) break;
        HDC dc = reinterpret_cast<HDC>(wParam);
        if (!IsInherit(object->foreColor)) SetTextColor(dc, ResolveColor(object->foreColor, 0));
        const COLORREF back = ResolveColor(object->backColor, FormBackColor(window));
        SetBkColor(dc, back);
        RecreateBrush(object, back);
        return reinterpret_cast<LRESULT>(object->brush);
    }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK StandardControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ControlObject* object = GetControlObject(window);
    const auto previous = reinterpret_cast<WNDPROC>(GetPropW(window, kOldWndProcProp));
    if (message == WM_MOUSEMOVE && object && object->toolTipDeferred) CreateDeferredToolTip(window, object, wParam, lParam);
    if (object && object->hooks.handle && message != WM_DESTROY) {
        if (LRESULT handled = object->hooks.handle(window, message, wParam, lParam, object)) return handled;
    }
    switch (message) {
    case WM_SETFOCUS: {
        HWND form = GetParent(window);
        if (form && (GetWindowLongPtrW(form, GWL_STYLE) & WS_CHILD)) form = GetParent(form);
        if (ControlObject* formObject = GetControlObject(form)) formObject->lastFocus = window;
        break;
    }
    case WM_DESTROY: {
        if (object && object->hooks.destroy) object->hooks.destroy(window, object);
        // The control's tooltip subclassed it after us (TTF_SUBCLASS, through comctl32's
        // subclass chain): it goes first, so that its hook comes out before ours does.
        if (object && object->toolTipWindow) {
            DestroyWindow(object->toolTipWindow);
            object->toolTipWindow = nullptr;
        }
        RemovePropW(window, kControlPtrProp);
        FreeControlObject(object);
        // Our procedure comes out only while it is the window's own: one put in after ours
        // (comctl32 restores ours when its last hook is gone, even during this message) would
        // otherwise be cut off, and with it the class procedure's WM_NCDESTROY. Until then the
        // messages go on through us to the previous procedure.
        const bool ours = GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&StandardControlProc);
        if (previous && ours) {
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            RemovePropW(window, kOldWndProcProp);
        }
        const LRESULT result = previous ? CallWindowProcW(previous, window, message, wParam, lParam)
                                        : DefWindowProcW(window, message, wParam, lParam);
        ReleaseKeywordImage(window);
        return result;
    }
    case WM_NCDESTROY:
        RemovePropW(window, kOldWndProcProp);
        break;
    }
    return previous ? CallWindowProcW(previous, window, message, wParam, lParam)
                    : DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace qln
