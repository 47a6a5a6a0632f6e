// The package installation: when the download has written the whole plugin package into the
// package file, install it into the Plugins folder of the version selected on the plugin page
// and tell the user the result. Also the small file helpers the page shares with it.
//
// Every installation, whatever started it, goes through InstallPackageFile: the package is
// unpacked and verified in a staging folder beside the target, then moved into place keeping what
// each move replaces, so that it lands whole or not at all (staged_install.cpp).
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
#include "plugin/install_record.h"

namespace qln {

// 1 from the start of a package download until its installation has reported its result. The
// GUI thread sets it before the worker exists and clears it when the page is idle again; every
// access is a single-byte atomic load or store.
extern std::atomic<std::uint8_t> DownloadBusy;

inline constexpr std::string_view kPackageFileName = "qln_plugin.tmp";
inline constexpr const wchar_t* kInstallingText = L"开始安装。。。";

// How the page saw the transfer that has just ended.
struct TransferEnd {
    // The main window was closed during the download: the package file is already closed and
    // deleted and the process is ending; nothing more is done.
    bool cancelled = false;
    // Succeeded: the package file holds the package, install it. Otherwise the download failed
    // (ServerError, DownloadFailed, PackageTooLarge, DiskFull, ...) and nothing is unpacked.
    InstallOutcome verdict = InstallOutcome::Succeeded;
    // For a failed download: whether the package file stays (it holds what the server sent).
    bool keepPackage = true;
    // Where the package came from and the server's validators, for the install record.
    InstallSource source;
};

// What the installation needs of the plugin page (Form2). Every member is called on the
// download's worker thread; an implementation must carry out whatever touches the page's
// controls on the GUI thread, in one step (the page hands each one to its window with
// SendMessageW and a call queue of its own, plugin_page.cpp).
class PluginPageView {
public:
    // Closes the package file (the transfer's `context`) and moves the page from downloading to
    // installing, in one step against a close of the main window; says how the transfer ended.
    virtual TransferEnd EndTransfer(std::uint64_t context) = 0;
    // The selected line of List1, read on the GUI thread (empty when no line is selected).
    virtual std::wstring SelectedVersion() = 0;
    virtual void SetStatus(const std::wstring& text) = 0;
    // The form window that owns the result message.
    virtual HWND OwnerWindow() = 0;
    // The main window was closed while the installation ran: the result message is still shown
    // (brought to the front), and the close happens when FinishInstall has run.
    virtual bool CloseRequested() = 0;
    // Back to idle: DownloadBusy cleared, Progress1 hidden, Label1 empty; then the deferred
    // close of the main window, if one was asked for.
    virtual void FinishInstall() = 0;

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

// The in-place unpacking the installer used before, no longer used by it: kept as the baseline of
// the extraction benchmark and its tests. Unpacks every member of the archive straight into the
// existing target folder (8-bit paths; a final "\" or "/" of the target is optional). True only
// when every member was unpacked completely; members unpacked before a failure stay.
bool ExtractArchive(const std::string& archivePath, const std::string& targetFolder);

// Installs the package file `packagePath` into the Plugins folder `pluginsDir` (both wide paths,
// any thread, no user interface); the road every installation shares: the page's download, a
// local package, an unattended run.
// - First finishes whatever an earlier installation into the same folder left (see below).
// - Reads the whole member list and checks every name (member_names.h) before anything is
//   touched; makes the target by the folder road when it counts as absent.
// - Unpacks and verifies every member (size, checksum) into a private work area beside the
//   target on its volume (<pluginsDir>.qln-install-<random>\stage), then moves the members into
//   place in archive order, keeping what each move replaces: a folder of the package that the
//   target has directly is set aside whole by one rename and the staged one moved in by
//   another, the files the package does not name carried over into it; other files are
//   replaced one by one. Files the package names are replaced even when marked read-only,
//   hidden or system; files it does not name stay as they are.
// - On any failure every move is undone: each file of the target is again exactly what it was
//   (bytes, dates, attributes), folders the installation made are gone, folders it changed have
//   their attributes back; a target folder the installation made is removed again.
// The outcome says what helps (install_outcome.h); a roll-back that could not finish keeps its
// journal for the next start (`rollbackIncomplete`).
// A successful installation whose `source` names where the package came from (every road of the
// program names it) leaves its install record beside the target (install_record_store.h): the
// source, the package, and every file and new folder it placed.
InstallReport InstallPackageFile(const std::wstring& packagePath, const std::wstring& pluginsDir,
                                 const InstallSource& source = {});

// The window's road: what an update set aside is removed on a thread of its own after
// InstallPackageFile has returned its result (off unless turned on). WaitForOldCopiesRemoved
// waits for every such removal: the process calls it before it ends.
void RemoveOldCopiesLater(bool on);
void WaitForOldCopiesRemoved();

// Told of every installation InstallPackage made, with the Plugins folder it went to (empty
// when none was reached), on the worker thread, before the result message. The page logs it.
using InstallReportHook = void (*)(const InstallReport& report, const std::wstring& target);
void SetInstallReportHook(InstallReportHook hook);

// Finishes what an installation into `pluginsDir` left when its process ended during the moves:
// the moves are rolled back (or, when they had all been made, only the leftovers are cleaned).
// Succeeded when nothing was left or all is done; AnotherInstallation while another process is
// installing there.
InstallReport RecoverInterruptedInstall(const std::wstring& pluginsDir);

// The same for every Plugins folder of every SketchUp version of this user and of all users
// (below %APPDATA%\SketchUp and %ALLUSERSPROFILE%\SketchUp). Called at start-up, once the
// single-instance rule holds; the unattended mode calls it too.
void RecoverInterruptedInstall();

// The outcome's sentence in one message box owned by the page, on the installation's thread;
// also when the main window was closed meanwhile, which then waits for the box.
void TellInstallResult(PluginPageView& view, InstallOutcome outcome);

// The DownloadComplete handler of the page's download component: asks the page how the
// transfer ended (which closes the package file, the handle in `context`), installs the package
// file into the Plugins folder (kind 0) of the selected version when the transfer delivered the
// package, deletes the package file on success, shows the outcome's sentence owned by the page,
// and then lets the page go idle. `session`, `body` and `length` are not used.
void InstallPackage(HINTERNET session, std::uint64_t context, const std::uint8_t* body, std::uint32_t length);

}  // namespace qln
