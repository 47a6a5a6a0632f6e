// Windowless labels and frames: control objects chained from their form's object, with no
// window of their own, painted by the form through the canvas. Form code names them by
// (form window, control id). Every setter ends with the form's deferred repaint, so that a
// burst of changes paints once.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "forms/engine/control_object.h"

namespace qln {

// Builders' creation: design rectangle in logical pixels; the control starts enabled and
// visible.
ControlObject* CreateLabel(HWND form, const wchar_t* name, int id, int x, int y, int width, int height,
                           const std::wstring& caption);
ControlObject* CreateFrame(HWND form, const wchar_t* name, int id, int x, int y, int width, int height,
                           const std::wstring& caption);

namespace windowless {
int Left(HWND form, int id);
int Top(HWND form, int id);
int Width(HWND form, int id);
int Height(HWND form, int id);
void SetLeft(HWND form, int id, int x);
void SetTop(HWND form, int id, int y);
void SetWidth(HWND form, int id, int width);
void SetHeight(HWND form, int id, int height);
void Move(HWND form, int id, int x, int y, int width, int height);  // zero width/height: unchanged
bool Enabled(HWND form, int id);
void SetEnabled(HWND form, int id, bool on);  // frames pass it on to what lies inside them
bool Visible(HWND form, int id);
void SetVisible(HWND form, int id, bool on);
std::wstring Caption(HWND form, int id);
void SetCaption(HWND form, int id, const std::wstring& text);
std::wstring Tag(HWND form, int id);
void SetTag(HWND form, int id, const std::wstring& tag);
std::int64_t UserData(HWND form, int id, int index);
int SetUserData(HWND form, int id, int index, std::int64_t value);
void SetToolTip(HWND form, int id, const std::wstring& text);
void SetToolTipBalloon(HWND form, int id, bool on);
std::uint32_t ForeColorArgb(HWND form, int id);
std::uint32_t BackColorArgb(HWND form, int id);
void SetForeColorArgb(HWND form, int id, std::uint32_t argb);
void SetBackColorArgb(HWND form, int id, std::uint32_t argb);
void SetForeColor(HWND form, int id, COLORREF colour);  // stored opaque
void SetBackColor(HWND form, int id, COLORREF colour);
// A colour value stored as it is: a system colour reference such as
// kColorWindowText is resolved at every paint, so it follows a change of the system colours.
void SetForeColorValue(HWND form, int id, std::uint32_t value);
void SetBackColorValue(HWND form, int id, std::uint32_t value);
void SetFont(HWND form, int id, const std::wstring& spec);
void SetMnemonic(HWND form, int id, bool on);
// True when the control is enabled and visible and the device point lies in it; the point is
// then made relative to the control.
bool HitTest(HWND form, int id, POINT& point);
}  // namespace windowless

namespace label {
void SetAlignment(HWND form, int id, int code);   // 0–9, larger values stored as 9
void SetBorderStyle(HWND form, int id, int style);  // 0–255, 1 = one-pixel frame
void SetAngle(HWND form, int id, int degrees);
void SetFontWidth(HWND form, int id, int width);
void SetEllipsis(HWND form, int id, bool on);
}  // namespace label

namespace frame {
void SetCornerSize(HWND form, int id, int size);        // 0–9
void SetCaptionAlignment(HWND form, int id, int align);  // 0–5; 1 centre, 2 right, others left
void SetBorderWidth(HWND form, int id, int width);       // 0–15
void SetLineColor(HWND form, int id, COLORREF colour);   // stored opaque
void SetLineColorArgb(HWND form, int id, std::uint32_t argb);
void SetLineColorValue(HWND form, int id, std::uint32_t value);  // as SetForeColorValue
// Records, once, which windowed and windowless controls lie inside each frame of the form.
void ComputeContents(HWND form);
}  // namespace frame

}  // namespace qln
