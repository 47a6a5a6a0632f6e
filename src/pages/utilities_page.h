// The utilities page (Form3): opens a version's configuration, plugin and program folders in
// Explorer and checks the plugin installation environment.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace qln {

struct Form3Record {
    HWND window = nullptr;
    HWND list = nullptr;  // List1, id 107
    HWND buttons[6] = {};  // Command1 by array index
};
extern Form3Record Form3;

// Builds the page as a child of `parent` and shows it modeless.
HWND BuildForm3(HWND parent, LPARAM loadArgument);

// The numbered findings of the environment check for a version; empty when all is well.
std::wstring CheckEnvironmentFindings(std::wstring_view versionEntry);

}  // namespace qln
