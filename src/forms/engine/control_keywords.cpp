#include "forms/engine/control_keywords.h"

#include <array>

namespace qln {

namespace {

struct Row {
    std::wstring_view keywords[4];
    std::wstring_view className;  // empty: the caller's keyword
    bool formFont;
    ControlSetup setup;
    bool imageIsLabel;
};

constexpr ControlSetup S_None = ControlSetup::None;

const std::array kTable = {
    Row{{L"BUTTON"}, {}, true, S_None, false},
    Row{{L"CUSTOMBUTTON", L"OWNERDRAWBUTTON", L"RADIOBUTTON", L"OPTION"}, L"Button", true, S_None, false},
    Row{{L"CHECKBOX", L"CHECK3STATE"}, L"Button", true, S_None, false},
    Row{{L"LABEL"}, L"Static", true, S_None, false},
    Row{{L"BITMAPLABEL"}, L"Static", false, ControlSetup::BitmapImage, true},
    Row{{L"ICONLABEL"}, L"Static", false, ControlSetup::IconImage, true},
    Row{{L"BITMAPBUTTON"}, L"Button", true, ControlSetup::BitmapImage, false},
    Row{{L"ICONBUTTON"}, L"Button", true, ControlSetup::IconImage, false},
    Row{{L"CUSTOMLABEL", L"FRAME", L"FRAMEWINDOW", L"LINE"}, L"Static", false, S_None, false},
    Row{{L"GROUPBOX"}, L"Button", true, S_None, false},
    Row{{L"EDIT", L"TEXTBOX", L"EDITMULTILINE", L"MULTILINETEXTBOX"}, L"Edit", true, S_None, false},
    Row{{L"COMBOBOX"}, {}, true, S_None, false},
    Row{{L"LISTBOX"}, {}, true, ControlSetup::ListBox, false},
    Row{{L"COMBOBOXEX", L"COMBOBOXEX32"}, L"ComboBoxEx32", true, S_None, false},
    Row{{L"PROGRESSBAR", L"MSCTLS_PROGRESS32"}, L"msctls_progress32", false, ControlSetup::Progress, false},
    Row{{L"HEADER", L"SYSHEADER32"}, L"SysHeader32", true, S_None, false},
    Row{{L"TREEVIEW", L"SYSTREEVIEW32"}, L"SysTreeView32", true, S_None, false},
    Row{{L"LISTVIEW", L"SYSLISTVIEW32"}, L"SysListView32", true, S_None, false},
    Row{{L"TOOLBAR", L"TOOLBARWINDOW32"}, L"ToolbarWindow32", true, ControlSetup::Toolbar, false},
    Row{{L"REBAR", L"REBARWINDOW32"}, L"ReBarWindow32", true, S_None, false},
    Row{{L"DATETIMEPICKER", L"SYSDATETIMEPICK32"}, L"SysDateTimePick32", true, ControlSetup::DateTime, false},
    Row{{L"MONTHCALENDAR", L"MONTHCAL", L"SYSMONTHCAL32"}, L"SysMonthCal32", true, S_None, false},
    Row{{L"IPADDRESS", L"SYSIPADDRESS32"}, L"SysIPAddress32", true, S_None, false},
    Row{{L"HOTKEY", L"MSCTLS_HOTKEY32"}, L"msctls_hotkey32", true, S_None, false},
    Row{{L"ANIMATE", L"ANIMATION", L"SYSANIMATE32"}, L"SysAnimate32", true, S_None, false},
    Row{{L"SYSLINK"}, {}, false, S_None, false},
    Row{{L"PAGER", L"SYSPAGER"}, L"SysPager", false, S_None, false},
    Row{{L"TAB", L"TABCONTROL", L"SYSTABCONTROL32"}, L"SysTabControl32", true, ControlSetup::Tab, false},
    Row{{L"STATUSBAR", L"MSCTLS_STATUSBAR32"}, L"msctls_statusbar32", true, S_None, false},
    Row{{L"SIZEBAR", L"SIZEBOX", L"SIZEGRIP"}, L"Scrollbar", false, ControlSetup::SizeGrip, false},
    Row{{L"HSCROLLBAR", L"VSCROLLBAR"}, L"Scrollbar", false, ControlSetup::ScrollBar, false},
    Row{{L"TRACKBAR", L"MSCTLS_TRACKBAR32"}, L"msctls_trackbar32", false, ControlSetup::Trackbar, false},
    Row{{L"SLIDER"}, L"msctls_trackbar32", false, S_None, false},
    Row{{L"UPDOWN", L"MSCTLS_UPDOWN32"}, L"msctls_updown32", false, ControlSetup::UpDown, false},
    Row{{L"RICHEDIT"}, L"RichEdit50W", true, S_None, false},
};

std::wstring UpperAscii(std::wstring_view s) {
    std::wstring out(s);
    for (auto& c : out)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return out;
}

}  // namespace

ControlKind LookupControlKeyword(std::wstring_view keyword) {
    const std::wstring upper = UpperAscii(keyword);
    for (const Row& row : kTable) {
        for (std::wstring_view k : row.keywords) {
            if (!k.empty() && k == upper) {
                std::wstring cls = row.className.empty() ? std::wstring(keyword) : std::wstring(row.className);
                return {std::move(cls), row.formFont, row.setup, row.imageIsLabel};
            }
        }
    }
    return {std::wstring(keyword), true, ControlSetup::None, false};
}

}  // namespace qln
