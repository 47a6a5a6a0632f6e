#include "forms/engine/builder.h"

#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "forms/controls/windowless.h"
#include "forms/layout/layout_rules.h"
#include "forms/layout/screen.h"

namespace qln {

HWND BuildForm(HWND parent, const FormSpec& spec) {
    auto* ctx = new FormContext;
    InitFormContext(ctx, spec.className);
    HWND form = CreateFormWindow(ctx, parent, spec.caption, spec.proc, spec.width, spec.height, spec.style, spec.exStyle);
    if (!form) {
        ReleaseFormContext(ctx);
        delete ctx;
        return nullptr;
    }
    AttachControlObject(form, ControlKindTag::Form, spec.name, 0);
    HINSTANCE instance = ctx->Instance;
    auto big = static_cast<HICON>(LoadImageW(instance, L"AAAAA_APPICON", IMAGE_ICON, 48, 48, LR_SHARED));
    auto small = static_cast<HICON>(LoadImageW(instance, L"AAAAA_APPICON", IMAGE_ICON, 32, 32, LR_SHARED));
    SendMessageW(form, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessageW(form, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    wnd::SetBackColor(form, kColorBtnFace);
    return form;
}

HWND BuildControl(HWND form, HWND parent, const ControlSpec& s) {
    FormContext* ctx = GetFormContext(form);
    if (!ctx) return nullptr;
    HWND control = CreateControl(ctx, s.keyword, parent ? parent : form, s.id, s.caption ? s.caption : L"", s.x, s.y,
                                 s.width, s.height, s.style, s.exStyle, StandardControlProc);
    if (!control) return nullptr;
    ControlObject* o = AttachControlObject(control, ControlKindTag::Window, s.name, s.id, s.index);
    o->layout.designLeft = s.x;
    o->layout.designTop = s.y;
    o->layout.designWidth = s.width;
    o->layout.designHeight = s.height;
    if (s.font) wnd::SetFont(control, s.font);
    // The tooltip window itself is made when the mouse first comes over the control (the
    // standard control procedure): a top-level window per control is the dearest part of a start.
    if (s.toolTip && s.toolTip[0]) {
        o->toolTip = s.toolTip;
        o->toolTipDeferred = true;
    }
    return control;
}

}  // namespace qln
