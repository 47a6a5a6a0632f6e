// The package installation: when the download has written the whole plugin package into the
// package file, unpack it into the Plugins folder of the version selected on the plugin page and
// tell the user the result. Also the small file helpers the page shares with it.
//
// Threads: InstallPackage runs on the download's worker thread while the GUI thread keeps
// running the page. It reaches the page only through PluginPageView (below), whose
// implementation owns the hand-over to the GUI thread.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "plugin/install_outcome.h"

namespace qln {

// 1 from the start of a package download until its installation has reported its result. The
// GUI thread sets it before the worker exists, the worker clears it after the result message
// was closed; every access is a single-byte atomic load or store, no lock is taken.
extern std::atomic<std::uint8_t> DownloadBusy;

inline constexpr std::string_view kPackageFileName = "qln_plugin.tmp";
inline constexpr const wchar_t* kInstallSucceededText = L"安装成功！";
inline constexpr const wchar_t* kInstallFailedText = L"安装失败，请尝试管理员身份运行本程序！";
inline constexpr const wchar_t* kInstallingText = L"开始安装。。。";

// What the installation needs of the plugin page (Form2). Every member is called on the
// download's worker thread, so an implementation must not touch the page's controls from
// there directly:
// - SetStatus hands the caption of Label1 to the GUI thread with SendMessageW to the form window
//   (a window the GUI thread owns) and sets it in that window's procedure. SendMessageW rather
//   than PostMessageW: the worker waits until the GUI thread has set the caption, so the text
//   may live on the worker's stack, the captions appear in the order they were set, and the
//   label never changes while the GUI thread paints it. The GUI thread never waits for the
//   worker, so this cannot deadlock.
// - SelectedVersion reads List1's selection through messages (empty when no line is selected).
// - HideProgress hides Progress1 (ShowWindow and messages are safe across threads).
// - OwnerWindow is the form window that owns the result message.
class PluginPageView {
public:
    virtual std::wstring SelectedVersion() = 0;
    virtual void SetStatus(const std::wstring& text) = 0;
    virtual void HideProgress() = 0;
    virtual HWND OwnerWindow() = 0;

protected:
    ~PluginPageView() = default;
};

// The page registers itself before any download can start (the handler below has no room for a
// context of its own). Null: installations close the file and clear DownloadBusy only.
void SetPluginPageView(PluginPageView* view);

// The temporary folder as GetTempPathA reports it, with its trailing backslash; empty when the
// call fails or the folder does not fit its 2048-byte buffer.
std::string GetTempFolderA();

// The package file "qln_plugin.tmp" in the temporary folder: its 8-bit path and the wide path
// converted from it in the ANSI code page.
std::string PackageFilePathA();
std::wstring PackageFilePath();

// Text conversion in the ANSI code page, as the 8-bit file functions do it. Characters the code
// page cannot hold become "?"; `lossy` (when given) tells whether that happened.
std::wstring AnsiToWide(std::string_view text);
std::string WideToAnsi(std::wstring_view text, bool* lossy = nullptr);

// SHFileOperationA FO_MOVE of one folder, no owner window; returns its result unchanged
// (0 = success). Each path may hold at most 2999 bytes; a longer one is refused with
// ERROR_FILENAME_EXCED_RANGE before the shell is called.
int ShellMoveFolder(const std::string& source, const std::string& destination, std::uint16_t flags);

// Unpacks every member of the archive into the existing target folder (8-bit paths; a final
// "\" or "/" of the target is optional). True only when every member was unpacked completely:
// - every name is checked first (member_names.h); one bad name, an encrypted member or a
//   compression this build cannot inflate fails the whole archive before anything is written;
// - a folder member must exist afterwards (created here, one level, or already there);
// - a file member's output must open and take all of its data, the data must reach the
//   member's stated size and pass its checksum. Files that are read-only, hidden or system are
//   never replaced, whatever the file system would allow.
// Output is streamed through one 8192-byte buffer. Members unpacked before a failure stay.
bool ExtractArchive(const std::string& archivePath, const std::string& targetFolder);

// Installs the package file `packagePath` into the Plugins folder `pluginsDir` (both wide paths),
// making that folder first when it counts as absent. No user interface; runs on any thread. The
// road every installation shares: the page's download, a local package, an unattended run.
InstallReport InstallPackageFile(const std::wstring& packagePath, const std::wstring& pluginsDir);

// Told of every installation InstallPackage made, with the Plugins folder it went to (empty
// when none was reached), on the worker thread, before the result message. The page logs it.
using InstallReportHook = void (*)(const InstallReport& report, const std::wstring& target);
void SetInstallReportHook(InstallReportHook hook);

// The DownloadComplete handler of the page's download component: closes the package file (the
// handle in `context`), unpacks it into the Plugins folder (kind 0) of the selected version,
// deletes the package file on success, shows "安装成功！" or
// "安装失败，请尝试管理员身份运行本程序！" owned by the page, then clears DownloadBusy, hides the
// progress bar and empties the status line. `session`, `body` and `length` are not used.
// With no line selected the installation is refused and the package file kept.
void InstallPackage(HINTERNET session, std::uint64_t context, const std::uint8_t* body, std::uint32_t length);

}  // namespace qln
