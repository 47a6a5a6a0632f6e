// What makes the pages look and speak as one program: the title every message box carries, the
// page font, the frames and version lists as the pages draw them.
#pragma once

#include <windows.h>

namespace qln {

inline constexpr const wchar_t* kAppTitle = L"Quorlen插件安装器";
inline constexpr const wchar_t* kPageFont = L"Microsoft YaHei,9,0";

// Message boxes of the program: caption "Quorlen插件安装器", OK only.
int ShowMessage(HWND owner, const wchar_t* text, UINT iconFlags = 0);

// A version list as the pages use it: item height 18 logical pixels, window text on window
// colour.
void StyleVersionList(HWND list);

// A windowless frame as the pages draw it: border 1, corner 3, button-shadow line, window-text
// caption, the page font.
void StylePageFrame(HWND form, int id);

}  // namespace qln
