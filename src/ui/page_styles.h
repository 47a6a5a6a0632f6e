// The window styles the program's forms and controls are built with, named by what they make.
// The values are the ones a Windows designer gave these forms; the names say which flags they
// combine, so that a page reads as "an icon button" rather than as a hex number.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace qln::styles {

// The main window: a captioned, minimisable pop-up that clips its children.
inline constexpr DWORD kMainForm = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU |
                                   WS_MINIMIZEBOX;
inline constexpr DWORD kMainFormEx = WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE;
// A page: a child of the tab control with the system-menu bits it was designed with.
inline constexpr DWORD kPageForm = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX |
                                   WS_MAXIMIZEBOX;
inline constexpr DWORD kPageFormEx = WS_EX_CONTROLPARENT | WS_EX_TOOLWINDOW;

inline constexpr DWORD kVisibleChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
inline constexpr DWORD kTabControl = kVisibleChild | WS_CLIPCHILDREN | WS_GROUP | TCS_FIXEDWIDTH;
inline constexpr DWORD kStatusBar = kVisibleChild | WS_CLIPCHILDREN | SBARS_TOOLTIPS | CCS_BOTTOM;
// The button group's window: its 0x100 bit is the group's own.
inline constexpr DWORD kButtonGroup = kVisibleChild | WS_CLIPCHILDREN | WS_TABSTOP | 0x00000100;
// A square button showing only its icon, centred; the multi-line one is the install button.
inline constexpr DWORD kIconButton = kVisibleChild | WS_TABSTOP | BS_CENTER | BS_VCENTER | BS_ICON;
inline constexpr DWORD kIconButtonMultiline = kIconButton | BS_MULTILINE;
inline constexpr DWORD kTextButton = kVisibleChild | WS_TABSTOP | BS_CENTER | BS_VCENTER;
// The progress bar starts hidden: it shows while a download runs.
inline constexpr DWORD kHiddenProgressBar = WS_CHILD | WS_CLIPSIBLINGS;
// List boxes that tell their owner of selection changes; the version lists are sorted.
inline constexpr DWORD kList = kVisibleChild | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
inline constexpr DWORD kSortedList = kList | LBS_SORT;

static_assert(kMainForm == 0x86CA0000 && kMainFormEx == 0x00010100 && kPageForm == 0x460B0000 &&
              kPageFormEx == 0x00010080 && kTabControl == 0x56020400 && kStatusBar == 0x56000803 &&
              kButtonGroup == 0x56010100 && kIconButton == 0x54010F40 && kIconButtonMultiline == 0x54012F40 &&
              kTextButton == 0x54010F00 && kHiddenProgressBar == 0x44000000 && kList == 0x54210101 &&
              kSortedList == 0x54210103,
              "the named styles must stay the forms' designed values");

}  // namespace qln::styles
