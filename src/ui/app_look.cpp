#include "ui/app_look.h"

#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "forms/controls/windowless.h"
#include "forms/layout/color_value.h"
#include "forms/layout/layout_rules.h"
#include "forms/layout/screen.h"

namespace qln {

void StyleVersionList(HWND list) {
    listbox::SetItemHeight(list, RoundHalfEven(18 * static_cast<double>(ScreenFactorY())));
    wnd::SetForeColor(list, kColorWindowText);
    wnd::SetBackColor(list, kColorWindow);
}

void StylePageFrame(HWND form, int id) {
    frame::SetBorderWidth(form, id, 1);
    frame::SetCornerSize(form, id, 3);
    // System colours by reference: resolved at each paint, they follow WM_SYSCOLORCHANGE.
    frame::SetLineColorValue(form, id, kColorBtnShadow);
    frame::SetCaptionAlignment(form, id, 0);
    windowless::SetForeColorValue(form, id, kColorWindowText);
    windowless::SetFont(form, id, kPageFont);
}

int ShowMessage(HWND owner, const wchar_t* text, UINT iconFlags) {
    return MessageBoxW(owner, text, kAppTitle, MB_OK | iconFlags);
}

}  // namespace qln
