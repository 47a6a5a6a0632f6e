// The utilities page (Form3): opens a version's configuration, plugin and program folders in
// Explorer and checks the plugin installation environment.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace qln {

// Control ids of the utilities page as its form was designed.
namespace form3_ids {
inline constexpr int kFrame2 = 105, kFrame1 = 106, kList1 = 107;
}  // namespace form3_ids

struct Form3Record {
    HWND window = nullptr;
    HWND list = nullptr;  // List1
    HWND buttons[6] = {};  // Command1 by array index
};
extern Form3Record Form3;

// Builds the page as a child of `parent` and shows it modeless.
HWND BuildForm3(HWND parent, LPARAM loadArgument);

// The numbered findings of the environment check for a version; empty when all is well.
std::wstring CheckEnvironmentFindings(std::wstring_view versionEntry);

}  // namespace qln
