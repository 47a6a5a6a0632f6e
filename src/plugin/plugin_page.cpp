#include "plugin/plugin_page.h"

#include <shellapi.h>

#include <cmath>
#include <cstdlib>
#include <mutex>
#include <optional>

#include "discovery/discovery.h"
#include "forms/button_group/button_group.h"
#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "forms/controls/windowless.h"
#include "forms/draw/resource_images.h"
#include "forms/engine/builder.h"
#include "forms/layout/layout_rules.h"
#include "plugin/fetch_rules.h"
#include "plugin/install_log.h"
#include "plugin/local_package.h"
#include "plugin/package_fetch.h"
#include "plugin/gui_crossing.h"
#include "plugin/package_install.h"
#include "plugin/record_actions.h"
#include "plugin/transfer_rules.h"
#include "plugin/update_server.h"
#include "ui/app_look.h"
#include "ui/version_lists.h"
#include "ui/page_styles.h"

namespace qln {

Form2Record Form2;

namespace {


// The command line's package, offered after the load handler has filled the list.
constexpr UINT kStartupPackageMessage = WM_APP + 3;

std::wstring g_startupPackage;

// The one message by which the download's worker reaches the page's thread (gui_crossing.h).
constexpr UINT kPageCallMessage = WM_APP + 1;
GuiCrossing g_crossing(kPageCallMessage);


// Everything the GUI thread and the transfer's worker share about the page's download, under
// one lock: its phase, the package file, what the server announced and what arrived.
class PageDownload {
public:
    enum class Phase : std::uint8_t { Idle, Downloading, Finishing };

    // GUI thread, Command1: the package file is open and the transfer about to start.
    void Start(HANDLE file) {
        std::lock_guard hold(lock_);
        phase_ = Phase::Downloading;
        file_ = file;
        context_ = reinterpret_cast<std::uintptr_t>(file);
        cancelled_ = closeRequested_ = headSeen_ = writeFailed_ = false;
        status_ = 0;
        verdict_ = InstallOutcome::Succeeded;
        announced_.reset();
        etag_.clear();
        lastModified_.clear();
        received_ = 0;
        lastPosition_ = -1;
        DownloadBusy.store(1);
    }

    // GUI thread: a local package, confirmed by the user, is about to be installed: no transfer,
    // straight to the installation's phase.
    void StartLocal() {
        std::lock_guard hold(lock_);
        phase_ = Phase::Finishing;
        cancelled_ = closeRequested_ = false;
        DownloadBusy.store(1);
    }

    // Worker, Headers event: the status and the announced length decide whether the body can
    // be the package, before anything of it is taken.
    void OnHeaders(std::uint64_t context, std::string_view raw) {
        std::lock_guard hold(lock_);
        if (!Current(context)) return;
        const ResponseHead head = ParseResponseHead(raw);
        headSeen_ = true;
        status_ = head.statusRead ? static_cast<int>(head.status) : 0;
        announced_ = head.contentLength;
        etag_ = head.etag;
        lastModified_ = head.lastModified;
        verdict_ = JudgeResponseHead(head, false);
    }

    bool Running(std::uint64_t context) {
        std::lock_guard hold(lock_);
        return Current(context);
    }

    // Worker, FileDownload: the chunk appended to the package file. False stops the transfer
    // (cancelled, too large, not writable); `position` is the bar's new position, or -1 when it
    // did not change.
    bool TakeChunk(std::uint64_t context, const std::uint8_t* chunk, std::uint32_t length, int& position) {
        std::lock_guard hold(lock_);
        position = -1;
        if (!Current(context)) return false;
        if (!headSeen_) verdict_ = InstallOutcome::ServerError;  // no status seen: not the package
        if (verdict_ == InstallOutcome::PackageTooLarge) return false;
        if (JudgeNextChunk(received_, length) != InstallOutcome::Succeeded) {
            verdict_ = InstallOutcome::PackageTooLarge;
            return false;
        }
        DWORD written = 0;
        if (!WriteFile(file_, chunk, length, &written, nullptr) || written != length) {
            const DWORD error = GetLastError();
            verdict_ = ClassifyFileError(error ? error : ERROR_HANDLE_DISK_FULL);
            writeFailed_ = true;
            return false;
        }
        received_ += length;
        const int now = ProgressPosition(received_, announced_.value_or(0));
        if (now != lastPosition_) position = lastPosition_ = now;
        return true;
    }

    // Worker, DownloadComplete: the package file is closed and the page is installing (or
    // reporting the failed download) from here on.
    TransferEnd EndTransfer(std::uint64_t context) {
        std::lock_guard hold(lock_);
        TransferEnd end;
        if (!Current(context)) {
            end.cancelled = true;
            return end;
        }
        CloseFile();
        phase_ = Phase::Finishing;
        end.verdict = verdict_;
        if (end.verdict == InstallOutcome::Succeeded)
            end.verdict = headSeen_ ? JudgeReceivedBody(announced_, received_) : InstallOutcome::ServerError;
        // What the server sent stays for a look, as a package that could not be installed
        // stays; a body refused for its size, or one that could not be written, does not.
        end.keepPackage = end.verdict != InstallOutcome::PackageTooLarge && !writeFailed_;
        end.source = {PackageUrl(), etag_, lastModified_};
        return end;
    }

    // Worker (or the GUI thread, inside StartGet), DownloadFailed: the package file closed and
    // deleted. False when the download was cancelled meanwhile.
    bool FailTransfer(std::uint64_t context) {
        std::lock_guard hold(lock_);
        if (!Current(context)) return false;
        CloseFile();
        DeleteFileW(PackageFilePath().c_str());
        phase_ = Phase::Finishing;
        return true;
    }

    bool CloseRequested() {
        std::lock_guard hold(lock_);
        return closeRequested_;
    }

    // The status the server answered the running (or last) download with; 0 before one was read.
    int HttpStatus() {
        std::lock_guard hold(lock_);
        return status_;
    }

    // GUI thread, WM_CLOSE of the main window.
    bool MayClose() {
        std::uint64_t cancel = 0;
        {
            std::lock_guard hold(lock_);
            if (phase_ == Phase::Finishing) {
                closeRequested_ = true;
                return false;
            }
            if (phase_ == Phase::Downloading && !cancelled_) {
                cancelled_ = true;
                CloseFile();
                DeleteFileW(PackageFilePath().c_str());
                cancel = context_;
                phase_ = Phase::Idle;
                DownloadBusy.store(0);
            }
        }
        if (cancel) HttpDownloader::CancelTransfers(cancel);
        return true;
    }

    // GUI thread: idle again. True when the main window is to close now.
    bool Finish() {
        std::lock_guard hold(lock_);
        phase_ = Phase::Idle;
        DownloadBusy.store(0);
        const bool close = closeRequested_;
        closeRequested_ = false;
        return close;
    }

private:
    bool Current(std::uint64_t context) const {
        return phase_ == Phase::Downloading && !cancelled_ && context == context_;
    }
    void CloseFile() {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }

    std::mutex lock_;
    Phase phase_ = Phase::Idle;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::uint64_t context_ = 0;
    bool cancelled_ = false;
    bool closeRequested_ = false;
    bool headSeen_ = false;
    std::string etag_, lastModified_;
    bool writeFailed_ = false;
    int status_ = 0;
    InstallOutcome verdict_ = InstallOutcome::Succeeded;
    std::optional<std::uint64_t> announced_;
    std::uint64_t received_ = 0;
    int lastPosition_ = -1;
};
PageDownload g_download;

// On the page's thread: the page idle again (busy flag, bar, status line), and the main window
// closed when that was asked for meanwhile.
void FinishOnPage() {
    const bool close = g_download.Finish();
    if (Form2.progress1) ShowWindow(Form2.progress1, SW_HIDE);
    if (Form2.window) windowless::SetCaption(Form2.window, Form2.label1, L"");
    if (close && Form2.window) PostMessageW(GetAncestor(Form2.window, GA_ROOT), WM_CLOSE, 0, 0);
}

HWND PageOwner() {
    HWND owner = nullptr;
    g_crossing.Run([&] { owner = Form2.window; });
    return owner;
}

void WinInet1_Headers(HINTERNET, std::uint64_t context, const char* headers, std::uint32_t length) {
    g_download.OnHeaders(context, std::string_view(headers, length));
}

void WinInet1_DownloadBegin(HINTERNET, std::uint64_t context, std::uint32_t) {
    if (!g_download.Running(context)) return;
    g_crossing.Run([] {
        if (!Form2.progress1) return;
        ShowWindow(Form2.progress1, SW_SHOW);
        SendMessageW(Form2.progress1, PBM_SETPOS, 0, 0);
    });
}

std::int32_t WinInet1_FileDownload(HINTERNET, std::uint64_t context, const std::uint8_t* chunk, std::uint32_t length,
                                   std::uint32_t, std::uint32_t) {
    // The page counts the bytes itself, in 64 bits, against the length it read from the headers.
    int position = -1;
    if (!g_download.TakeChunk(context, chunk, length, position)) return 1;
    if (position >= 0)
        g_crossing.Run([position] {
            if (Form2.progress1) SendMessageW(Form2.progress1, PBM_SETPOS, static_cast<WPARAM>(position), 0);
        });
    return 0;
}

void LogPageInstallation(const InstallReport& report, const std::wstring& target) {
    InstallLogEntry entry;
    entry.mode = L"page";
    entry.source = PackageUrl();
    entry.httpStatus = g_download.HttpStatus();
    entry.packageBytes = report.packageBytes;
    entry.target = target;
    entry.membersWritten = report.membersWritten;
    entry.result = InstallOutcomeName(report.outcome);
    entry.reason = InstallOutcomeMessage(report.outcome);
    if (!report.detail.empty()) entry.reason += L" " + report.detail;
    AppendInstallLog(entry);
}

// The transfer never reached its body: no connection, a refused certificate, a redirect to
// plain HTTP. The failure road: file closed and deleted, the sentence, then idle again.
void WinInet1_DownloadFailed(std::uint64_t context, std::uint32_t error) {
    if (!g_download.FailTransfer(context)) return;
    InstallReport failed;
    failed.outcome = ClassifyTransferError(error);
    failed.detail = L"(WinInet " + std::to_wstring(error) + L")";
    LogPageInstallation(failed, L"");
    if (!g_download.CloseRequested()) ShowMessage(PageOwner(), InstallOutcomeMessage(failed.outcome));
    if (!g_crossing.Run(FinishOnPage)) g_download.Finish();
}

// The group record holds plain colours; those that are system colours are read again
// whenever the system colours change.
void FollowGroupSystemColours() {
    Form2.noxbunGroup1.DownForeColor = GetSysColor(COLOR_HIGHLIGHTTEXT);
    Form2.noxbunGroup1.HoverBackColor = GetSysColor(COLOR_ACTIVECAPTION);
}

void LoadForm2(HWND page, LPARAM) {
    FillVersionList(page, Form2.list1, Form2.frame1);
    if (!g_startupPackage.empty()) PostMessageW(page, kStartupPackageMessage, 0, 0);
}

LRESULT CALLBACK Form2Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_crossing.Handle(message)) return 0;
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == form2_ids::kCommand2 && code == BN_CLICKED) {
            LaunchSelectedVersion(window);
            return 0;
        }
        if (id == form2_ids::kCommand1 && code == BN_CLICKED) {
            StartPackageDownload(window);
            return 0;
        }
        if (id == static_cast<int>(kLocalPackageMenuId) && code == 0) {
            const std::wstring path = ChooseLocalPackage(window);
            if (!path.empty()) InstallLocalPackage(window, path);
            return 0;
        }
        if (id == static_cast<int>(kVerifyMenuId) && code == 0) {
            CheckSelectedVersionFiles(window, Form2.list1);
            return 0;
        }
        if (id == static_cast<int>(kUninstallMenuId) && code == 0) {
            UninstallSelectedVersion(window, Form2.list1);
            return 0;
        }
        if (id == form2_ids::kList1 && code == LBN_SELCHANGE) {
            MirrorSelection(Form2.list1);
            return 0;
        }
        break;
    }
    case kStartupPackageMessage: {
        const std::wstring path = std::move(g_startupPackage);
        g_startupPackage.clear();
        if (!path.empty()) InstallLocalPackage(window, path);
        return 0;
    }
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == Form2.command1 && Form2.command1) {
            ShowInstallMenu(window, Form2.command1, lParam);
            return 0;
        }
        break;
    case WM_NOTIFY: {
        // NoxbunGroup1: its only item switches between the two ways of finding the versions.
        // Its notifications come from this thread; one sent from another thread or process
        // would carry a pointer into someone else's memory, and is not read.
        if (InSendMessageEx(nullptr) & ISMEX_SEND) return 0;
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (!header || header->idFrom != static_cast<UINT_PTR>(form2_ids::kNoxbunGroup1)) break;
        if (header->code == 0) {
            PageVersionList list(window, Form2.list1, Form2.frame1);
            ToggleVersionScan(list);
        }
        return -1;
    }
    case WM_SYSCOLORCHANGE:
        FollowGroupSystemColours();
        break;
    case WM_DESTROY:
        WithdrawVersionList(Form2.list1);
        g_crossing.Detach();
        Form2.window = nullptr;
        Form2.list1 = nullptr;
        Form2.progress1 = nullptr;
        break;
    }
    return StandardFormProc(window, message, wParam, lParam, LoadForm2);
}

// The page as the package installation sees it: every call that reads or changes a control
// runs on the page's thread, in one step.
class PageInstallView : public PluginPageView {
public:
    TransferEnd EndTransfer(std::uint64_t context) override { return g_download.EndTransfer(context); }
    std::wstring SelectedVersion() override {
        std::wstring entry;
        g_crossing.Run([&] {
            if (Form2.list1) entry = listbox::SelectedText(Form2.list1);
        });
        return entry;
    }
    void SetStatus(const std::wstring& text) override { SetPageStatus(text); }
    HWND OwnerWindow() override { return PageOwner(); }
    bool CloseRequested() override { return g_download.CloseRequested(); }
    void FinishInstall() override {
        if (!g_crossing.Run(FinishOnPage)) g_download.Finish();
    }
};
PageInstallView g_installView;

std::wstring g_updateHost = kUpdateServerHost;

}  // namespace


HWND PluginPageWindow() { return Form2.window; }

void SetStartupPackage(const std::wstring& path) { g_startupPackage = path; }

std::wstring PackageUrl() { return L"https://" + g_updateHost + L"/update/qln_plugin.rbz"; }

void SetUpdateServerHost(std::wstring_view host) { g_updateHost = host; }

void SetPageStatus(const std::wstring& text) {
    g_crossing.Run([&] {
        if (Form2.window) windowless::SetCaption(Form2.window, Form2.label1, text);
    });
}

PluginPageView& BeginLocalInstallation() {
    g_download.StartLocal();
    return g_installView;
}

void SetPageProgress(int position) {
    g_crossing.Run([position] {
        if (Form2.progress1) SendMessageW(Form2.progress1, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    });
}

void ShowPageProgress(bool visible) {
    g_crossing.Run([visible] {
        if (Form2.progress1) ShowWindow(Form2.progress1, visible ? SW_SHOW : SW_HIDE);
    });
}

bool PluginPageMayClose() { return g_download.MayClose(); }

bool CheckPageMayInstall(HWND page, std::wstring& entry) {
    if (DownloadBusy.load() == 1) {
        ShowMessage(page, L"正在下载文件，请等待操作完成！");
        return false;
    }
    if (!CheckVersionSelection(page, Form2.list1, entry)) return false;
    if (IsSketchUpRunning()) {
        ShowMessage(page, L"检测到草图大师正在运行，请先退出草图大师后再点此按钮！");
        return false;
    }
    return true;
}

void StartPackageDownload(HWND page) {
    std::wstring entry;
    if (!CheckPageMayInstall(page, entry)) return;
    HANDLE file = CreateFileW(PackageFilePath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ShowMessage(page, L"创建文件失败，请尝试以管理员身份运行本程序！");
        return;
    }
    g_download.Start(file);
    SetPageStatus(L"正在下载。。。");
    Form2.winInet1.StartGet(PackageUrl(), reinterpret_cast<std::uintptr_t>(file), 0, 0, L"", L"", L"");
}

void LaunchSelectedVersion(HWND page) {
    std::wstring entry;
    if (!CheckVersionSelection(page, Form2.list1, entry)) return;
    const std::wstring program = GetInstallDir(entry, true);
    if (FileExists(program))
        ShellExecuteW(nullptr, L"open", program.c_str(), nullptr, nullptr, SW_SHOW);
    else
        ShowMessage(page, L"未检测到草图大师程序，请手动运行！");
}

HWND BuildForm2(HWND parent, LPARAM loadArgument) {
    HWND page = BuildForm(parent, {L"Quorlen插件安装器_Form2", L"Form2", L"插件管理", 416, 239, styles::kPageForm,
                                   styles::kPageFormEx, Form2Proc});
    if (!page) return nullptr;
    Form2.window = page;
    g_crossing.Attach(page);
    Form2.noxbunGroup1 = ButtonGroup{};
    HWND groupWindow = BuildControl(page, nullptr, {L"NoxbunGroup", L"NoxbunGroup1", form2_ids::kNoxbunGroup1, -1, L"", 378, 2, 36, 36,
                                                    styles::kButtonGroup, 0, nullptr, kPageFont});
    if (groupWindow) {
        AttachButtonGroup(groupWindow, &Form2.noxbunGroup1);
        ButtonGroup& g = Form2.noxbunGroup1;
        g.IconSize = 24;
        g.Vertical = 0;
        g.ItemWidth = 32;
        g.ItemHeight = 30;
        g.BorderStyle = 0;
        g.Radius = 0;
        g.DownBackColor = RGB(30, 160, 215);
        FollowGroupSystemColours();
        g.Spacing = 1;
        wnd::SetForeColor(groupWindow, kColorBtnText);
        wnd::SetBackColor(groupWindow, kColorBtnFace);
        group::AddItem(g, L"", L"切换识别已安装草图的方式", L"",
                       LoadResourceIcon(GetFormContext(page)->Instance, "ICON_HELP"), 0, 0, 0);
    }

    auto label = [&](const wchar_t* name, int id, int x, int y, const wchar_t* caption, int alignment) {
        CreateLabel(page, name, id, x, y, 100, 20, caption);
        label::SetAlignment(page, id, alignment);
        windowless::SetForeColorValue(page, id, kColorWindowText);
        windowless::SetFont(page, id, kPageFont);
    };
    label(L"Label2", Form2.label2, 263, 81, L"安装/更新插件", 4);
    label(L"Label1", Form2.label1, 295, 210, L"", 0);
    Form2.command2 = BuildControl(page, nullptr, {L"BUTTON", L"Command2", form2_ids::kCommand2, -1, L"", 288, 124, 50, 50,
                                                  styles::kIconButton, 0, L"启动对应版本的草图大师", L"Microsoft YaHei,9,1"});
    button::SetImage(Form2.command2, "ICON_SKETCHUP");

    // The download component has no window: its object joins the form's chain.
    AddWindowlessObject(page, ControlKindTag::Component, L"WinInet1", form2_ids::kWinInet1);
    Form2.winInet1.SetHttpVersion(L"HTTP/1.1");
    Form2.winInet1.SetChunkSize(4096);
    Form2.winInet1.SetOwnerWindow(page);
    Form2.winInet1.SetControlId(form2_ids::kWinInet1);
    Form2.winInet1.SetMaxBodyLength(kMaxPackageBytes);
    Form2.winInet1.AssignEvent(L"DownloadBegin", AsEventHandler(WinInet1_DownloadBegin));
    Form2.winInet1.AssignEvent(L"DownloadComplete", AsEventHandler(InstallPackage));
    Form2.winInet1.AssignEvent(L"FileDownload", AsEventHandler(WinInet1_FileDownload));
    Form2.winInet1.AssignEvent(L"Headers", AsEventHandler(WinInet1_Headers));
    Form2.winInet1.AssignEvent(L"DownloadFailed", AsEventHandler(WinInet1_DownloadFailed));
    Form2.winInet1.AssignEvent(L"Headers", AsEventHandler(WinInet1_Headers));
    SetPluginPageView(&g_installView);
    SetInstallReportHook(LogPageInstallation);

    Form2.progress1 = BuildControl(page, nullptr, {L"PROGRESSBAR", L"Progress1", form2_ids::kProgress1, -1, L"", 11, 210, 269,
                                                   20, styles::kHiddenProgressBar, 0, nullptr, nullptr});
    progress::SetMin(Form2.progress1, 1);
    progress::SetMax(Form2.progress1, 100);
    progress::SetValue(Form2.progress1, 30);
    SendMessageW(Form2.progress1, PBM_SETMARQUEE, FALSE, 10);

    CreateFrame(page, L"Frame1", Form2.frame1, 11, 15, 200, 184, L"选择草图版本");
    StylePageFrame(page, Form2.frame1);
    Form2.command1 = BuildControl(page, nullptr, {L"BUTTON", L"Command1", form2_ids::kCommand1, -1, L"", 288, 26, 50, 50,
                                                  styles::kIconButtonMultiline, 0, L"下载最新版Quorlen插件并安装", L"Microsoft YaHei,9,1"});
    button::SetImage(Form2.command1, "AAAAA_APPICON");
    Form2.list1 = BuildControl(page, nullptr, {L"LISTBOX", L"List1", form2_ids::kList1, -1, L"", 15, 36, 193, 160, styles::kSortedList,
                                               WS_EX_CLIENTEDGE, L"当前已安装的SU版本列表", kPageFont});
    StyleVersionList(Form2.list1);
    RegisterVersionList(Form2.list1);
    label(L"Label3", Form2.label3, 263, 179, L"启动草图大师", 4);

    frame::ComputeContents(page);
    PostMessageW(page, FM_LOADED, kFormLoadedParam, loadArgument);
    SetFocus(groupWindow);
    ShowForm(GetFormContext(page), 0, page, parent, SW_SHOWNORMAL, 0);
    return page;
}

}  // namespace qln
