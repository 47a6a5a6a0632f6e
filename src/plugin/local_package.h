// Package files the user already has, on the plugin page: the install button's context menu and
// its file dialog. The checks and the confirmation run on the GUI thread (InstallLocalPackage,
// plugin_page.h); the installation then runs on a worker thread of its own, as a download's does,
// so that the window keeps painting and answering while the package is unpacked.
#pragma once

#include <windows.h>

#include <string>

namespace qln {

// The install button's context menu; `at` is the WM_CONTEXTMENU position (-1 from the keyboard).
// The choice arrives as WM_COMMAND kLocalPackageMenuId to the page.
void ShowInstallMenu(HWND page, HWND button, LPARAM at);

// The standard file dialog, filtered to packages; empty when the user cancels.
std::wstring ChooseLocalPackage(HWND page);

}  // namespace qln
