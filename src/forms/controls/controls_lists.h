// The operations of the list-like common controls: list boxes, progress bars, status bars and
// tab controls. Each checks its window and control object first and does nothing (returning 0
// or an empty text) when either is missing. Sizes and positions are device pixels.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

namespace qln {

namespace listbox {
int AddItem(HWND w, const std::wstring& text);
int AddItem(HWND w, const std::wstring& text, LPARAM data);
int InsertItem(HWND w, int index, const std::wstring& text);
void RemoveItem(HWND w, int index);
void Clear(HWND w);
int FindItem(HWND w, const std::wstring& text, int start = -1);
int FindItemExact(HWND w, const std::wstring& text, int start = -1);
std::wstring ItemText(HWND w, int index);
void SetItemText(HWND w, int index, const std::wstring& text);
LPARAM ItemData(HWND w, int index);
void SetItemData(HWND w, int index, LPARAM data);
bool Selected(HWND w, int index);
void SetSelected(HWND w, int index, bool on);
int TopIndex(HWND w);
void SetTopIndex(HWND w, int index);
int ListIndex(HWND w);
void SetListIndex(HWND w, int index);
int ItemHeight(HWND w);
void SetItemHeight(HWND w, int height);
std::wstring SelectedText(HWND w);
int ListCount(HWND w);
int SelCount(HWND w);
int FindByData(HWND w, LPARAM data);
void SetRedraw(HWND w, bool on);
}  // namespace listbox

namespace progress {
int Value(HWND w);
void SetValue(HWND w, int value);
int Min(HWND w);
int Max(HWND w);
void SetMin(HWND w, int value);
void SetMax(HWND w, int value);
void SetStep(HWND w, int step);
void MarqueeOn(HWND w, int intervalMs);
void MarqueeOff(HWND w);
}  // namespace progress

namespace statusbar {
inline constexpr int kMaxPanels = 256;
// Width in logical pixels, 0 = share the rest; returns the panel index (the count when full).
int AddPanel(HWND w, const std::wstring& text, const std::wstring& tip, int style, int width, const char* iconName);
std::wstring PanelText(HWND w, int index);
void SetPanelText(HWND w, int index, const std::wstring& text);
HICON PanelIcon(HWND w, int index);
void SetPanelIcon(HWND w, int index, HICON icon);
std::wstring PanelTip(HWND w, int index);
void SetPanelTip(HWND w, int index, const std::wstring& tip);
int PanelCount(HWND w);
void RemovePanel(HWND w, int index);
void ClearIcons(HWND w);
void SetBackColor(HWND w, COLORREF colour);
void SetMinHeight(HWND w, int height);
void LayoutParts(HWND w);
}  // namespace statusbar

namespace tabs {
int AddTab(HWND w, const std::wstring& caption);
std::wstring Caption(HWND w, int index);
void SetCaption(HWND w, int index, const std::wstring& caption);
int Image(HWND w, int index);
void SetImage(HWND w, int index, int image);
LPARAM Data(HWND w, int index);
void SetData(HWND w, int index, LPARAM data);
void SetPadding(HWND w, int x, int y);   // logical
void SetItemSize(HWND w, int width, int height);  // logical
int Selection(HWND w);
void SetSelection(HWND w, int index);
int Focus(HWND w);
void SetFocusTab(HWND w, int index);
HIMAGELIST ImageList(HWND w);
void SetImageList(HWND w, HIMAGELIST list);
int Count(HWND w);
HWND Page(HWND w, int index);
void SetPage(HWND w, int index, HWND page);
void DeleteTab(HWND w, int index);
void DeleteAll(HWND w);
void ResizePages(HWND w);
}  // namespace tabs

}  // namespace qln
