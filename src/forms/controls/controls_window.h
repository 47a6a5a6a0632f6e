// The operations that form code calls on its forms and windowed controls, one small operation each,
// for any window and for buttons. Every operation checks its window and control object first and
// does nothing (returning 0 or an empty text) when either is missing. Sizes and positions are
// device pixels; setters also record the logical value in the design rectangle.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

namespace qln {

// Forms and windowed controls.
namespace wnd {
int Left(HWND w);
int Top(HWND w);
int Width(HWND w);
int Height(HWND w);
void SetLeft(HWND w, int x);
void SetTop(HWND w, int y);
void SetWidth(HWND w, int width);
void SetHeight(HWND w, int height);
int ClientWidth(HWND w);
int ClientHeight(HWND w);
void SetClientWidth(HWND w, int width);
void SetClientHeight(HWND w, int height);
void Move(HWND w, int x, int y, int width, int height);
void Size(HWND w, int width, int height);
std::wstring Caption(HWND w);
void SetCaption(HWND w, const std::wstring& text);
bool Enabled(HWND w);
void SetEnabled(HWND w, bool on);
bool Visible(HWND w);
void SetVisible(HWND w, bool on);
HICON Icon(HWND w);
void SetIcon(HWND w, HICON icon);
void Flash(HWND w);
int Transparency(HWND w);
void SetTransparency(HWND w, int percent);
std::uint32_t TransparentKey(HWND w);
void SetTransparentKey(HWND w, std::uint32_t colour);
bool MouseTransparent(HWND w);
void SetMouseTransparent(HWND w, bool on);
bool TopMost(HWND w);
void SetZOrder(HWND w, HWND insertAfter);
void SetBackColor(HWND w, std::uint32_t colour);
void SetForeColor(HWND w, std::uint32_t colour);
std::uint32_t BackColor(HWND w);
std::uint32_t ForeColor(HWND w);
HWND Parent(HWND w);
void SetParentWindow(HWND w, HWND parent);
int WindowState(HWND w);
void SetWindowState(HWND w, int state);
void SetMousePointer(HWND w, int code);
std::wstring ToolTip(HWND w);
void SetToolTip(HWND w, const std::wstring& text);
bool ToolTipBalloon(HWND w);
void SetToolTipBalloon(HWND w, bool on);
void Activate(HWND w);
void Close(HWND w);
void DragMove(HWND w);
void Refresh(HWND w);
void Focus(HWND w);
std::wstring ClassName(HWND w);
std::wstring Tag(HWND w);
void SetTag(HWND w, const std::wstring& tag);
std::int64_t UserData(HWND w, int index);
int SetUserData(HWND w, int index, std::int64_t value);  // -1 for an index outside 0–99
std::wstring Font(HWND w);
void SetFont(HWND w, const std::wstring& spec);
}  // namespace wnd

// After a change of the system colours: gives a control whose colours are system colour
// references (a status bar's back colour, a tree or list view's colours) their new values.
void FollowSystemColours(HWND w);

namespace button {
void Click(HWND w);
// Icon beside the caption, or alone (BS_ICON) when the button has no caption; an empty name
// removes the picture.
void SetImage(HWND w, const char* resourceName);
}  // namespace button

}  // namespace qln
