// The plugin management page (Form2): the version list, the download-and-install button, the
// launch button and the page's status line and progress bar. The download runs on the download
// component's worker thread; everything it changes on the page goes through here.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "forms/button_group/button_group.h"
#include "plugin/http_downloader.h"

namespace qln {

struct Form2Record {
    bool createAnew = false;
    HWND window = nullptr;
    ButtonGroup noxbunGroup1;  // the detection toggle; its window reaches it too
    int label2 = 103;
    int label1 = 104;
    HWND command2 = nullptr;
    HttpDownloader winInet1;
    HWND progress1 = nullptr;
    int frame1 = 108;
    HWND command1 = nullptr;
    HWND list1 = nullptr;
    int label3 = 111;
};
extern Form2Record Form2;

HWND BuildForm2(HWND parent, LPARAM loadArgument);

// The package URL: "https://" + the update server + "/update/qln_plugin.rbz". The server is
// the one this build was made for; tests point the page at their own loopback server.
std::wstring PackageUrl();
void SetUpdateServerHost(std::wstring_view host);

// Button handlers.
void StartPackageDownload(HWND page);
void LaunchSelectedVersion(HWND page);

// A package file the user already has (dropped on the main window, named on the command line,
// or chosen from the install button's context menu): the download's checks first, then one
// yes/no confirmation naming the file and the version, then the installation into the selected
// version. The file is only read.
void InstallLocalPackage(HWND page, const std::wstring& path);
inline constexpr const wchar_t* kLocalPackageMenuText = L"从本地文件安装…";
inline constexpr UINT kLocalPackageMenuId = 40001;

// The package named on the command line, offered once the page has listed its versions.
void SetStartupPackage(const std::wstring& path);

HWND PluginPageWindow();

// The status line (Label1) and progress bar, safe from any thread: the change is carried out
// by the page's own thread, which also paints the line.
void SetPageStatus(const std::wstring& text);
void ShowPageProgress(bool visible);

}  // namespace qln
