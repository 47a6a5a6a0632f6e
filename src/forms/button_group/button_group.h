// The button group: a strip of small flat buttons, toggles, labels and separators in one
// window of class "NoxbunGroup", drawn on the double-buffered canvas. Its state lives in two
// places: the group record, a member of the owning form that the form's code reads and writes
// directly, and the item list, owned by the window's control object and changed through the
// BGM_ messages. A click is reported to the parent as WM_NOTIFY (code = the item's position);
// for a toggle, a non-zero answer vetoes the flip.
//
// Set-up: create the window with CreateControl (keyword "NoxbunGroup", StandardControlProc),
// attach its control object, then AttachButtonGroup with the record.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "forms/button_group/button_group_layout.h"

namespace qln {

inline constexpr const wchar_t* kButtonGroupClass = L"NoxbunGroup";

// wParam is the item's 0-based position unless said otherwise.
inline constexpr UINT BGM_ADDITEM = WM_USER + 100;       // lParam: const ButtonGroupItem*
inline constexpr UINT BGM_INSERTITEM = WM_USER + 101;    // lParam: const ButtonGroupItem*
inline constexpr UINT BGM_GETITEMICON = WM_USER + 102;
inline constexpr UINT BGM_SETITEMICON = WM_USER + 103;   // lParam: HICON
inline constexpr UINT BGM_GETITEMVECTOR = WM_USER + 104; // lParam: std::wstring* receiving the commands
inline constexpr UINT BGM_SETITEMVECTOR = WM_USER + 105; // lParam: const wchar_t*
inline constexpr UINT BGM_GETITEMTEXT = WM_USER + 106;   // lParam: wchar_t[kMaxItemText + 1]
inline constexpr UINT BGM_SETITEMTEXT = WM_USER + 107;   // lParam: const wchar_t*
inline constexpr UINT BGM_GETITEMKIND = WM_USER + 108;
inline constexpr UINT BGM_SETITEMKIND = WM_USER + 109;
inline constexpr UINT BGM_GETITEMALIGN = WM_USER + 110;
inline constexpr UINT BGM_SETITEMALIGN = WM_USER + 111;
inline constexpr UINT BGM_GETITEMTIP = WM_USER + 112;    // lParam: wchar_t[kMaxItemToolTip + 1]
inline constexpr UINT BGM_SETITEMTIP = WM_USER + 113;    // lParam: const wchar_t*
inline constexpr UINT BGM_SETITEMSTYLE = WM_USER + 114;  // lParam: const ButtonGroupItem*
inline constexpr UINT BGM_DELETEITEM = WM_USER + 115;
inline constexpr UINT BGM_GETITEMDATA = WM_USER + 116;
inline constexpr UINT BGM_SETITEMDATA = WM_USER + 117;
inline constexpr UINT BGM_GETITEMBADGE = WM_USER + 118;
inline constexpr UINT BGM_SETITEMBADGE = WM_USER + 119;
inline constexpr UINT BGM_GETITEMRECT = WM_USER + 120;   // lParam: RECT*, device pixels
inline constexpr UINT BGM_DELETEALL = WM_USER + 121;

struct ButtonGroupItem {
    std::wstring Text;
    std::wstring ToolTip;  // "title\r\nbody" gives the tooltip a title
    std::int64_t Data = 0;
    std::wstring Vector;   // vector drawing commands, drawn when there is no icon
    HICON Icon = nullptr;  // borrowed: the caller keeps and destroys it
    std::int32_t Kind = 0;   // units: 0 push, 1 toggle, 2 label, 3 separator; tens: 1 down, 2 disabled, 3 hidden
    std::int32_t Align = 0;  // 0 near end, else far end
    std::int32_t X = 0, Y = 0, Width = 0, Height = 0;  // last layout, logical pixels
    // Own style; -1 takes the group's (or, for the colours, none / the control's fore colour).
    std::int32_t BackColor = -1;
    std::int32_t ForeColor = -1;
    std::int32_t DownBackColor = -1;
    std::int32_t DownForeColor = -1;
    std::int32_t HoverBackColor = -1;
    std::int32_t ItemWidth = -1;
    std::int32_t ItemHeight = -1;
    std::int32_t BorderStyle = -1;
    std::int32_t Radius = -1;
    std::int32_t BadgeColor = -1;  // a dot in the top-right corner
    ButtonGroupItem* next = nullptr;
};

// The group record. Colours are plain COLORREF values.
struct ButtonGroup {
    HWND Window = nullptr;
    std::int32_t Id = 0;
    std::int32_t IconSize = 16;
    std::int32_t Vertical = 0;
    std::int32_t ItemWidth = -1;   // -1: automatic
    std::int32_t ItemHeight = -1;  // -1: IconSize + 2
    std::int32_t BorderStyle = 0;  // 0 none, 1 outline, 2 underline bar
    std::int32_t Radius = 0;       // below 1: square corners
    COLORREF DownBackColor = RGB(30, 160, 215);
    COLORREF DownForeColor = RGB(255, 255, 255);
    COLORREF HoverBackColor = RGB(229, 241, 251);
    std::int32_t Spacing = 0;
    std::int32_t HotItem = 0;  // 1-based, 0 = none
    std::int32_t Pressed = 0;  // -1 while the button is down on the hot item
    std::uint8_t AutoRedraw = 1;
    std::wstring VectorColors;      // palette override of normal vector icons, "AARRGGBB,..."
    std::wstring VectorDownColors;  // ... of pressed and down ones
};

// Binds the record to its window: the window's messages reach the group first and the items
// are freed when the window goes. The record must outlive the window.
void AttachButtonGroup(HWND window, ButtonGroup* group);

// The record bound to a group window, null when there is none.
ButtonGroup* GetButtonGroup(HWND window);

// The group's thin operations; each does nothing (answers 0, -1 or empty) without a window.
namespace group {
int IconSize(const ButtonGroup& g);
void SetIconSize(ButtonGroup& g, int value);
int Vertical(const ButtonGroup& g);
void SetVertical(ButtonGroup& g, int value);
int ItemWidth(const ButtonGroup& g);
void SetItemWidth(ButtonGroup& g, int value);
int ItemHeight(const ButtonGroup& g);
void SetItemHeight(ButtonGroup& g, int value);
int BorderStyle(const ButtonGroup& g);
void SetBorderStyle(ButtonGroup& g, int value);
int Radius(const ButtonGroup& g);
void SetRadius(ButtonGroup& g, int value);
COLORREF DownBackColor(const ButtonGroup& g);
void SetDownBackColor(ButtonGroup& g, COLORREF value);
COLORREF DownForeColor(const ButtonGroup& g);
void SetDownForeColor(ButtonGroup& g, COLORREF value);
COLORREF HoverBackColor(const ButtonGroup& g);
void SetHoverBackColor(ButtonGroup& g, COLORREF value);
int Spacing(const ButtonGroup& g);
void SetSpacing(ButtonGroup& g, int value);

int ItemCount(const ButtonGroup& g);
int CurrentItem(const ButtonGroup& g);  // hot item − 1, -1 = none

// Texts are cut to 128 and tooltips to 1024 characters. Return the new position, -1 on failure.
int AddItem(ButtonGroup& g, const std::wstring& text, const std::wstring& toolTip, const std::wstring& vector,
            HICON icon, int kind, int align, std::int64_t data);
int InsertItem(ButtonGroup& g, int position, const std::wstring& text, const std::wstring& toolTip,
               const std::wstring& vector, HICON icon, int kind, int align, std::int64_t data);
int SetItemStyle(ButtonGroup& g, int position, std::int32_t foreColor, std::int32_t backColor,
                 std::int32_t downBackColor, std::int32_t downForeColor, std::int32_t hoverBackColor,
                 std::int32_t width, std::int32_t height, std::int32_t borderStyle, std::int32_t radius);
// Position -1 styles the whole group; themes 0–5.
void ApplyStylePreset(ButtonGroup& g, int position, int theme, bool outlined);

std::wstring ItemText(const ButtonGroup& g, int position);
int SetItemText(ButtonGroup& g, int position, const std::wstring& text);
std::wstring ItemToolTip(const ButtonGroup& g, int position);
int SetItemToolTip(ButtonGroup& g, int position, const std::wstring& text);
std::wstring ItemVector(const ButtonGroup& g, int position);
int SetItemVector(ButtonGroup& g, int position, const std::wstring& commands);
HICON ItemIcon(const ButtonGroup& g, int position);
int SetItemIcon(ButtonGroup& g, int position, HICON icon);
int ItemKind(const ButtonGroup& g, int position);
int SetItemKind(ButtonGroup& g, int position, int kind);
int ItemAlign(const ButtonGroup& g, int position);
int SetItemAlign(ButtonGroup& g, int position, int align);
std::int64_t ItemData(const ButtonGroup& g, int position);
int SetItemData(ButtonGroup& g, int position, std::int64_t data);
std::int32_t ItemBadge(const ButtonGroup& g, int position);
int SetItemBadge(ButtonGroup& g, int position, std::int32_t colour);
int DeleteItem(ButtonGroup& g, int position);
void DeleteAll(ButtonGroup& g);
RECT ItemRect(const ButtonGroup& g, int position);  // device pixels; empty when missing
}  // namespace group

}  // namespace qln
