#include "form_fixture.h"

#include <objidl.h>  // before GDI+, which needs what WIN32_LEAN_AND_MEAN leaves out
#include <gdiplus.h>

#include <cstdlib>

#include "app/main_form.h"
#include "forms/button_group/button_group.h"
#include "forms/engine/control_object.h"
#include "message_boxes.h"
#include "test_support.h"

namespace qln::test {

int g_dpi = 96;

int Device(int logical) {
    const long long n = static_cast<long long>(logical) * g_dpi;
    long long q = n / 96;
    const long long twice = 2 * (n % 96);
    if (twice > 96 || (twice == 96 && q % 2 != 0)) ++q;
    return static_cast<int>(q);
}

int DeviceFloor(int logical) { return static_cast<int>(static_cast<long long>(logical) * g_dpi / 96); }

COLORREF PixelOf(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return c;
}

void ReadScreenDpi() {
    HDC screen = GetDC(nullptr);
    g_dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    if (const char* wanted = std::getenv("QLN_DPI")) {
        ASSERT_EQ(g_dpi, std::atoi(wanted));
    }
}

bool PlacePointerOver(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    const POINT wanted = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    for (int attempt = 0; attempt < 20; ++attempt) {
        SetCursorPos(wanted.x, wanted.y);
        PumpMessages(150);  // past Wine's 100 ms, so that the display answers
        POINT at = {};
        if (GetCursorPos(&at) && at.x == wanted.x && at.y == wanted.y) return true;
    }
    return false;
}

LRESULT CALLBACK PlainFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return StandardFormProc(window, message, wParam, lParam, nullptr);
}

void FormFixture::SetUp() {
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
    ASSERT_NO_FATAL_FAILURE(ReadScreenDpi());
    ASSERT_NE(RegisterFormClass(kButtonGroupClass, GetModuleHandleW(nullptr), nullptr), 0);
    SetCursorPos(1, 1);
}

void FormFixture::TearDown() {
    if (Form1.window) DestroyWindow(Form1.window);
    for (HWND w : forms_)
        if (IsWindow(w)) DestroyWindow(w);
    PumpMessages(50);
    Gdiplus::GdiplusShutdown(token_);
}

HWND FormFixture::MakeForm(const wchar_t* className, int width, int height, HWND parent, DWORD style, WNDPROC proc) {
    ctx = new FormContext;
    InitFormContext(ctx, className);
    HWND form = CreateFormWindow(ctx, parent, L"测试", proc, width, height, style, 0);
    if (!form) return nullptr;
    AttachControlObject(form, ControlKindTag::Form, L"Form1", 0);
    if (!(style & WS_CHILD)) SetWindowPos(form, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    ShowWindow(form, SW_SHOW);
    forms_.push_back(form);
    return form;
}

HWND FormFixture::Control(HWND form, const wchar_t* keyword, int id, int x, int y, int w, int h, DWORD style,
                          const wchar_t* caption) {
    HWND c = CreateControl(GetFormContext(form), keyword, form, id, caption, x, y, w, h, style, 0, StandardControlProc);
    if (c) AttachControlObject(c, ControlKindTag::Window, keyword, id);
    return c;
}

}  // namespace qln::test
