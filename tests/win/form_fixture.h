// A test form as the builders make one, at the prefix's DPI, with the helpers that read what it
// painted. Expected device pixels are computed with integer arithmetic from logical values,
// never with the framework's own scaling.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "forms/engine/form_engine.h"

namespace qln::test {

// The DPI of the prefix's screen, read by ReadScreenDpi (which FormFixture::SetUp calls) and
// checked against QLN_DPI, the DPI the test was registered for.
extern int g_dpi;
void ReadScreenDpi();

// round(logical × dpi / 96), halves to even.
int Device(int logical);
// floor(logical × dpi / 96): where windowless controls and group items report their edges.
int DeviceFloor(int logical);

COLORREF PixelOf(HWND window, int x, int y);

// Pixels of `window` in the device rectangle `area` that `match`; anti-aliased edges only lean
// towards a colour, so tests ask for a leaning rather than the colour itself.
template <typename Match>
int CountWhere(HWND window, RECT area, Match match) {
    HDC dc = GetDC(window);
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (match(GetPixel(dc, x, y))) ++count;
    ReleaseDC(window, dc);
    return count;
}

// Puts the pointer at the centre of `window` and waits until the display itself reports it
// there. Wine answers GetCursorPos from its own record for 100 ms after a move and from the
// display after that, and a move the display refused (it can, while another client holds the
// pointer) shows only then: a test that read the position later found the pointer where it
// had been. False when the display never takes the move.
bool PlacePointerOver(HWND window);

LRESULT CALLBACK PlainFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class FormFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A form shown at (20, 20) unless it is a child.
    HWND MakeForm(const wchar_t* className, int width, int height, HWND parent = nullptr,
                  DWORD style = WS_POPUP | WS_CLIPCHILDREN, WNDPROC proc = PlainFormProc);
    HWND Control(HWND form, const wchar_t* keyword, int id, int x, int y, int w, int h,
                 DWORD style = WS_CHILD | WS_VISIBLE, const wchar_t* caption = L"");

    FormContext* ctx = nullptr;
    std::vector<HWND> forms_;

private:
    ULONG_PTR token_ = 0;
};

}  // namespace qln::test
