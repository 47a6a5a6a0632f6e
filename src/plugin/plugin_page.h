// The plugin management page (Form2): the version list, the download-and-install button, the
// launch button and the page's status line and progress bar. The download runs on the download
// component's worker thread; everything it reads or changes on the page crosses to the page's
// thread through one queue (gui_crossing.h), and everything the two threads share about the
// download (its phase, the package file, what the server answered) lives in one record under
// one lock (plugin_page.cpp).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "forms/button_group/button_group.h"
#include "plugin/http_downloader.h"

namespace qln {

class PluginPageView;

// Control ids of the plugin page as its form was designed; the page and the tests that drive it
// find its controls by them.
namespace form2_ids {
inline constexpr int kNoxbunGroup1 = 102, kLabel2 = 103, kLabel1 = 104, kCommand2 = 105, kWinInet1 = 106,
                     kProgress1 = 107, kFrame1 = 108, kCommand1 = 109, kList1 = 110, kLabel3 = 111;
}  // namespace form2_ids

struct Form2Record {
    bool createAnew = false;
    HWND window = nullptr;
    ButtonGroup noxbunGroup1;  // the detection toggle; its window reaches it too
    int label2 = form2_ids::kLabel2;
    int label1 = form2_ids::kLabel1;
    HWND command2 = nullptr;
    HttpDownloader winInet1;
    HWND progress1 = nullptr;
    int frame1 = form2_ids::kFrame1;
    HWND command1 = nullptr;
    HWND list1 = nullptr;
    int label3 = form2_ids::kLabel3;
};
extern Form2Record Form2;

HWND BuildForm2(HWND parent, LPARAM loadArgument);

// The package URL: "https://" + the update server + "/update/qln_plugin.rbz". The server is
// the one this build was made for; tests point the page at their own loopback server.
std::wstring PackageUrl();
void SetUpdateServerHost(std::wstring_view host);

// The checks before any installation from the page, in order: nothing running, a version
// selected (its entry), SketchUp not running; each failure told in a box owned by `page`.
bool CheckPageMayInstall(HWND page, std::wstring& entry);

// Button handlers.
void StartPackageDownload(HWND page);
void LaunchSelectedVersion(HWND page);

// A package file the user already has (dropped on the main window, named on the command line,
// or chosen from the install button's context menu): the download's checks first, then one
// yes/no confirmation naming the file and the version, then the installation into the selected
// version, on a worker thread of its own (local_package.cpp). The file is only read.
void InstallLocalPackage(HWND page, const std::wstring& path);
inline constexpr const wchar_t* kLocalPackageMenuText = L"从本地文件安装…";
inline constexpr UINT kLocalPackageMenuId = 40001;

// The page moves from idle to installing a local package the user confirmed: busy, and a close
// of the main window waits for the installation and its result as for a download's. Answers the
// view through which the installation reaches the page from its worker (local_package.cpp).
PluginPageView& BeginLocalInstallation();

// The package named on the command line, offered once the page has listed its versions.
void SetStartupPackage(const std::wstring& path);

HWND PluginPageWindow();

// The status line (Label1) and progress bar, safe from any thread: the change is carried out
// by the page's own thread, which also paints the line.
void SetPageStatus(const std::wstring& text);
void ShowPageProgress(bool visible);
void SetPageProgress(int position);

// The main window is asked to close (its WM_CLOSE, on the GUI thread). True: it may close now;
// a download that was running has been cancelled (request closed, package file closed and
// deleted). False while an installation (or its result message) runs: the page closes the main
// window itself once it has finished or rolled back and its result has been told.
bool PluginPageMayClose();

}  // namespace qln
