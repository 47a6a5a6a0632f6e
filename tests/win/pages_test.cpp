// The main window and its three pages, built for real and driven by messages as a user's clicks
// would drive them: version lists, every message box with its text and owner, the download and
// installation road against a loopback server, the utilities and the window actions (also on
// two SketchUps at once).
#include "test_server.h"

#include <commctrl.h>

#include <algorithm>
#include <map>

#include "app/main_form.h"
#include "discovery/discovery.h"
#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "forms/controls/windowless.h"
#include "leftovers.h"
#include "message_boxes.h"
#include "pages/utilities_page.h"
#include "pages/window_page.h"
#include "plugin/package_install.h"
#include "plugin/plugin_page.h"
#include "test_support.h"
#include "zip_writer.h"

namespace qln {
namespace {

using test::CaughtBox;
using test::MakeDirs;
using test::MessageBoxCatcher;
using test::UserName;

using namespace form2_ids;
constexpr int kList2 = kList1;

class PagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ResetDiscoveryWorld();
        DeleteFileW(PackageFilePath().c_str());
    }
    // Whatever the test did and however it ended: its windows, the stand-ins and Explorers it
    // started (also through the shell, without a handle), its files and keys, the busy state.
    void TearDown() override {
        if (Form1.window) DestroyWindow(Form1.window);
        test::PumpMessages(50);
        for (auto& p : processes_) p.Kill();
        test::EndLeftoverProcesses();
        test::ResetLeftoverState();
        DownloadBusy.store(0);
    }

    // A version as SketchUp's setup leaves it: install location with its trailing backslash,
    // the stand-in program there, and the per-user folders SketchUp makes on its first start.
    std::wstring SeedVersion(const std::wstring& entry, bool withProgram = true) {
        return test::SeedVersion(entry, withProgram ? QLN_STANDIN_WINPATH : nullptr, false);
    }

    // Today's local date as yyyy-mm-dd, formatted here rather than by the program.
    static std::wstring TodayByHand() {
        SYSTEMTIME now;
        GetLocalTime(&now);
        wchar_t text[32];
        swprintf(text, 32, L"%04d-%02d-%02d", int(now.wYear), int(now.wMonth), int(now.wDay));
        return text;
    }

    HWND Build() {
        dayBefore_ = TodayByHand();
        HWND form = BuildForm1(nullptr, 0, 0);
        test::PumpMessages(100);
        // The tests below reach every page without choosing its tab first.
        EnsureAllPages();
        test::PumpMessages(0);
        return form;
    }

    void Click(HWND page, int id, HWND control) {
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    }
    void Select(HWND page, HWND list, int id, int index) {
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    }

    // One box expected: its text, caption and owner.
    void ExpectBox(MessageBoxCatcher& catcher, const wchar_t* text, HWND owner = nullptr) {
        CaughtBox box;
        ASSERT_TRUE(catcher.Next(box)) << "no message box for: " << testing::PrintToString(std::wstring(text));
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, L"Quorlen插件安装器");
        // A box owned by a child page belongs to the top-level window above it.
        EXPECT_EQ(box.owner, owner ? GetAncestor(owner, GA_ROOT) : Form1.window);
    }

    // `padding` bytes stored in one more member make a package of many 4096-byte chunks.
    void StartServer(test::TestServer& server, const char* mode, std::size_t padding = 0) {
        const std::wstring package = test::ScratchRoot() + L"\\served.rbz";
        std::vector<test::ZipEntry> entries = {test::Folder("qln_demo/"),
                                               test::File("qln_demo/main.rb", "puts 'demo'\n", true),
                                               test::File("qln_demo.rb", "require 'qln_demo/main'\n")};
        if (padding) entries.push_back(test::File("qln_demo/padding.bin", std::string(padding, '#')));
        test::WriteBytes(package, test::BuildZip(entries));
        server.Start(L"--package \"" + test::UnixPath(package) + L"\" --update-mode " +
                     std::wstring(mode, mode + strlen(mode)));
        SetUpdateServerHost(L"127.0.0.1:" + std::to_wstring(server.Port()));
    }

    bool WaitIdle() {
        return test::PumpUntil([] { return DownloadBusy.load() == 0; }, 30000);
    }

    std::vector<test::Process> processes_;
    std::wstring dayBefore_;
};

TEST_F(PagesTest, MainWindowHoldsThreePagesAndFillsTheStatusBar) {
    SeedVersion(L"SketchUp 2021");
    ASSERT_NE(Build(), nullptr);
    EXPECT_EQ(wnd::Caption(Form1.window), L"Quorlen插件安装器");
    EXPECT_EQ(tabs::Count(Form1.tabControl), 3);
    EXPECT_EQ(tabs::Caption(Form1.tabControl, 0), L"插件管理");
    EXPECT_EQ(tabs::Caption(Form1.tabControl, 1), L"实用工具");
    EXPECT_EQ(tabs::Caption(Form1.tabControl, 2), L"窗口管理");
    EXPECT_TRUE(IsWindowVisible(Form2.window));
    EXPECT_FALSE(IsWindowVisible(Form3.window));
    EXPECT_FALSE(IsWindowVisible(Form4.window));

    EXPECT_EQ(statusbar::PanelText(Form1.status, 0), L"\t用户名");
    EXPECT_EQ(statusbar::PanelText(Form1.status, 1), GetCurrentUserName());
    EXPECT_EQ(statusbar::PanelText(Form1.status, 2), L"\t系统时间");
    // The date from the test's own clock, written out here by hand (yyyy-mm-dd); the day may
    // have turned while the window was built.
    const std::wstring shown = statusbar::PanelText(Form1.status, 3);
    const std::wstring today = TodayByHand();
    EXPECT_TRUE(shown == today || shown == dayBefore_)
        << "panel 3: " << testing::PrintToString(shown) << ", today: " << testing::PrintToString(today);

    // A click on the second tab: selection changing, then changed.
    NMHDR changing = {Form1.tabControl, 102, static_cast<UINT>(TCN_SELCHANGING)};
    SendMessageW(Form1.window, WM_NOTIFY, 102, reinterpret_cast<LPARAM>(&changing));
    SendMessageW(Form1.tabControl, TCM_SETCURSEL, 1, 0);
    NMHDR changed = {Form1.tabControl, 102, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(Form1.window, WM_NOTIFY, 102, reinterpret_cast<LPARAM>(&changed));
    EXPECT_FALSE(IsWindowVisible(Form2.window));
    EXPECT_TRUE(IsWindowVisible(Form3.window));
    EXPECT_EQ(GetFocus(), Form1.tabControl);
}

// Where the tab control, the plugin page and the status bar stand at the moment the main window
// is shown, read by a hook on the window's WM_SHOWWINDOW.
struct PlacesAtShow {
    bool seen = false;
    RECT tab = {}, page = {}, status = {};
};
PlacesAtShow g_atShow;

LRESULT CALLBACK RecordPlacesAtShow(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_SHOWWINDOW && call->wParam && Form1.window &&
        call->hwnd == Form1.window && !g_atShow.seen) {
        g_atShow.seen = true;
        GetWindowRect(Form1.tabControl, &g_atShow.tab);
        GetWindowRect(Form2.window, &g_atShow.page);
        GetWindowRect(Form1.status, &g_atShow.status);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The window is laid out before it is first seen: what the load's layout does after the show
// moves nothing, so nothing jumps and nothing is painted twice.
TEST_F(PagesTest, MainWindowShowsWithEverythingInItsFinalPlace) {
    SeedVersion(L"SketchUp 2021");
    g_atShow = {};
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, RecordPlacesAtShow, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    HWND form = BuildForm1(nullptr, 0, 0);
    test::PumpMessages(100);
    UnhookWindowsHookEx(hook);
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(g_atShow.seen);

    // The final places, worked out from the window's client area: the status bar along its
    // bottom edge, the tab control filling everything above it.
    RECT client = {};
    GetClientRect(form, &client);
    MapWindowPoints(form, nullptr, reinterpret_cast<POINT*>(&client), 2);
    RECT status = {}, tab = {}, page = {};
    GetWindowRect(Form1.status, &status);
    GetWindowRect(Form1.tabControl, &tab);
    GetWindowRect(Form2.window, &page);
    EXPECT_EQ(status.bottom, client.bottom);
    EXPECT_EQ(status.right - status.left, client.right - client.left);
    const RECT expectedTab = {client.left, client.top, client.right, status.top};
    EXPECT_TRUE(EqualRect(&tab, &expectedTab));

    EXPECT_TRUE(EqualRect(&g_atShow.tab, &tab));
    EXPECT_TRUE(EqualRect(&g_atShow.status, &status));
    EXPECT_TRUE(EqualRect(&g_atShow.page, &page));
}

TEST_F(PagesTest, BothVersionListsKeepTheirSelectionsInStep) {
    SeedVersion(L"SketchUp 2021");
    SeedVersion(L"SketchUp 2023");
    ASSERT_NE(Build(), nullptr);
    ASSERT_EQ(listbox::ListCount(Form2.list1), 2);
    ASSERT_EQ(listbox::ListCount(Form3.list), 2);
    EXPECT_EQ(listbox::ListIndex(Form2.list1), 0);
    Select(Form2.window, Form2.list1, kList2, 1);
    EXPECT_EQ(listbox::ListIndex(Form3.list), 1);
    Select(Form3.window, Form3.list, 107, 0);
    EXPECT_EQ(listbox::ListIndex(Form2.list1), 0);
}

// The tabs the user has not chosen yet carry no page; choosing one builds it, loaded before it
// is seen: the utilities list holds the versions with the plugin page's selection, which moved
// before the page existed; the window page lists the SketchUp windows. Both stay in step after.
TEST_F(PagesTest, OtherPagesComeLoadedWithTheirFirstSelection) {
    SeedVersion(L"SketchUp 2021");
    SeedVersion(L"SketchUp 2023");
    ASSERT_NE(BuildForm1(nullptr, 0, 0), nullptr);
    // Built right after the first paint, without a tab being chosen.
    ASSERT_TRUE(test::PumpUntil([] { return Form3.window && Form4.window; }, 5000));
    ASSERT_EQ(listbox::ListCount(Form2.list1), 2);
    Select(Form2.window, Form2.list1, kList2, 1);

    auto choose = [](int tab) {
        NMHDR changing = {Form1.tabControl, 102, static_cast<UINT>(TCN_SELCHANGING)};
        SendMessageW(Form1.window, WM_NOTIFY, 102, reinterpret_cast<LPARAM>(&changing));
        SendMessageW(Form1.tabControl, TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
        NMHDR changed = {Form1.tabControl, 102, static_cast<UINT>(TCN_SELCHANGE)};
        SendMessageW(Form1.window, WM_NOTIFY, 102, reinterpret_cast<LPARAM>(&changed));
    };
    choose(1);
    ASSERT_NE(Form3.window, nullptr);
    EXPECT_TRUE(IsWindowVisible(Form3.window));
    EXPECT_FALSE(IsWindowVisible(Form2.window));
    EXPECT_EQ(tabs::Page(Form1.tabControl, 1), Form3.window);
    // Loaded at once, not on a later turn of the loop.
    ASSERT_EQ(listbox::ListCount(Form3.list), 2);
    EXPECT_EQ(listbox::ItemText(Form3.list, 1), L"SketchUp 2023");
    EXPECT_EQ(listbox::ListIndex(Form3.list), 1);
    EXPECT_EQ(windowless::Caption(Form3.window, form3_ids::kFrame1), windowless::Caption(Form2.window, kFrame1));
    // Fitted to the tab's display area like the first page.
    RECT first, other;
    GetWindowRect(Form2.window, &first);
    GetWindowRect(Form3.window, &other);
    EXPECT_TRUE(EqualRect(&first, &other));
    Select(Form3.window, Form3.list, form3_ids::kList1, 0);
    EXPECT_EQ(listbox::ListIndex(Form2.list1), 0);

    choose(2);
    ASSERT_NE(Form4.window, nullptr);
    EXPECT_TRUE(IsWindowVisible(Form4.window));
    EXPECT_FALSE(IsWindowVisible(Form3.window));
    EXPECT_EQ(windowless::Caption(Form4.window, 105), L"无可操作窗口");
    // Chosen again, a page is the same window.
    const HWND utilities = Form3.window;
    choose(1);
    EXPECT_EQ(Form3.window, utilities);
    EXPECT_TRUE(IsWindowVisible(utilities));
    EXPECT_FALSE(IsWindowVisible(Form4.window));
}

TEST_F(PagesTest, EmptyListAndMissingSelectionAreTold) {
    ASSERT_NE(Build(), nullptr);
    EXPECT_EQ(windowless::Caption(Form2.window, kFrame1), L"请先安装草图大师");
    MessageBoxCatcher catcher;
    Click(Form2.window, kCommand1, Form2.command1);
    ExpectBox(catcher, L"未检测到已安装的草图大师，请先安装草图大师！", Form2.window);
    Click(Form2.window, kCommand2, Form2.command2);
    ExpectBox(catcher, L"未检测到已安装的草图大师，请先安装草图大师！", Form2.window);
    Click(Form3.window, 102, Form3.buttons[0]);
    ExpectBox(catcher, L"未检测到已安装的草图大师，请先安装草图大师！", Form3.window);

    listbox::AddItem(Form2.list1, L"SketchUp 2021");
    listbox::AddItem(Form3.list, L"SketchUp 2021");
    Click(Form2.window, kCommand1, Form2.command1);
    ExpectBox(catcher, L"请选择要操作的草图版本！", Form2.window);
    Click(Form2.window, kCommand2, Form2.command2);
    ExpectBox(catcher, L"请选择要操作的草图版本！", Form2.window);
    Click(Form3.window, 110, Form3.buttons[5]);
    ExpectBox(catcher, L"请选择要操作的草图版本！", Form3.window);
    EXPECT_TRUE(catcher.NoneWithin(100));
}

TEST_F(PagesTest, BusyDownloadAndUncreatablePackageFileAreTold) {
    SeedVersion(L"SketchUp 2021");
    ASSERT_NE(Build(), nullptr);
    MessageBoxCatcher catcher;
    DownloadBusy.store(1);
    Click(Form2.window, kCommand1, Form2.command1);
    ExpectBox(catcher, L"正在下载文件，请等待操作完成！", Form2.window);
    DownloadBusy.store(0);

    // A folder where the package file should go: the file cannot be created.
    ASSERT_TRUE(CreateDirectoryW(PackageFilePath().c_str(), nullptr));
    Click(Form2.window, kCommand1, Form2.command1);
    ExpectBox(catcher, L"创建文件失败，请尝试以管理员身份运行本程序！", Form2.window);
    EXPECT_EQ(DownloadBusy.load(), 0);
    EXPECT_EQ(windowless::Caption(Form2.window, kLabel1), L"");
    RemoveDirectoryW(PackageFilePath().c_str());
}

TEST_F(PagesTest, LaunchStartsTheSelectedSketchUpOrSaysItIsMissing) {
    SeedVersion(L"SketchUp 2021");
    SeedVersion(L"SketchUp 2022", false);  // installed, its program gone
    ASSERT_NE(Build(), nullptr);
    ASSERT_EQ(listbox::ListCount(Form2.list1), 2);
    ASSERT_FALSE(IsSketchUpRunning());
    MessageBoxCatcher catcher;
    Click(Form2.window, kCommand2, Form2.command2);
    EXPECT_TRUE(test::PumpUntil([] { return IsSketchUpRunning(); }, 10000));
    EXPECT_TRUE(catcher.NoneWithin(100));

    Select(Form2.window, Form2.list1, kList2, 1);
    Click(Form2.window, kCommand2, Form2.command2);
    ExpectBox(catcher, L"未检测到草图大师程序，请手动运行！", Form2.window);

    // A running SketchUp stops the download, not the launch.
    Select(Form2.window, Form2.list1, kList2, 0);
    Click(Form2.window, kCommand1, Form2.command1);
    ExpectBox(catcher, L"检测到草图大师正在运行，请先退出草图大师后再点此按钮！", Form2.window);
    EXPECT_EQ(DownloadBusy.load(), 0);
    // The stand-in started through the shell, without a handle: the teardown ends it.
}

TEST_F(PagesTest, DownloadInstallsIntoThePerUserPluginsFolder) {
    SeedVersion(L"SketchUp 2021");
    ASSERT_NE(Build(), nullptr);
    test::TestServer server;
    StartServer(server, "ok");
    MessageBoxCatcher catcher;
    Click(Form2.window, kCommand1, Form2.command1);
    EXPECT_EQ(DownloadBusy.load(), 1);
    // A second press while the first download runs starts nothing.
    Click(Form2.window, kCommand1, Form2.command1);
    CaughtBox box;
    ASSERT_TRUE(catcher.Next(box));
    if (box.text == L"正在下载文件，请等待操作完成！") {
        ASSERT_TRUE(catcher.Next(box));
    }
    EXPECT_EQ(box.text, L"安装成功！");
    EXPECT_EQ(box.owner, Form1.window);
    ASSERT_TRUE(WaitIdle());
    test::PumpMessages(50);
    // The whole package arrived: the bar itself reads 100 (per cent).
    EXPECT_EQ(SendMessageW(Form2.progress1, PBM_GETPOS, 0, 0), 100);
    const std::wstring plugins = GetPluginsDir(L"SketchUp 2021", PluginsKind::PerUser);
    EXPECT_EQ(test::ReadBytes(plugins + L"\\qln_demo\\main.rb"), "puts 'demo'\n");
    EXPECT_EQ(test::ReadBytes(plugins + L"\\qln_demo.rb"), "require 'qln_demo/main'\n");
    EXPECT_FALSE(FileExists(PackageFilePath()));
    EXPECT_EQ(windowless::Caption(Form2.window, kLabel1), L"");
    EXPECT_FALSE(IsWindowVisible(Form2.progress1));
    const test::ReceivedRequest request = server.Next();
    EXPECT_EQ(request.requestLine, "GET /update/qln_plugin.rbz HTTP/1.1");
}

TEST_F(PagesTest, ChineseUserNameInstallsForAllUsers) {
    SeedVersion(L"SketchUp 2021");
    MakeDirs(test::AllUsersScanRoot() + L"\\SketchUp 2021\\SketchUp");
    UserName user(L"张三");
    ASSERT_NE(Build(), nullptr);
    test::TestServer server;
    StartServer(server, "ok");
    MessageBoxCatcher catcher;
    Click(Form2.window, kCommand1, Form2.command1);
    CaughtBox box;
    ASSERT_TRUE(catcher.Next(box));
    EXPECT_EQ(box.text, L"安装成功！");
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(FileExists(GetPluginsDir(L"SketchUp 2021", PluginsKind::AllUsers) + L"\\qln_demo\\main.rb"));
    EXPECT_FALSE(FileExists(GetPluginsDir(L"SketchUp 2021", PluginsKind::PerUser) + L"\\qln_demo\\main.rb"));
}

class FailingDownloadTest : public PagesTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(FailingDownloadTest, EndsIdleWithItsSentenceAndNothingInstalled) {
    SeedVersion(L"SketchUp 2021");
    ASSERT_NE(Build(), nullptr);
    test::TestServer server;
    const std::string mode = GetParam();
    if (mode == "refused") {
        StartServer(server, "ok");
        SetUpdateServerHost(L"127.0.0.1:" + std::to_wstring(server.RefusedPort()));
    } else {
        StartServer(server, mode.c_str());
    }
    MessageBoxCatcher catcher;
    Click(Form2.window, kCommand1, Form2.command1);
    CaughtBox box;
    ASSERT_TRUE(catcher.Next(box, 30000));
    if (mode == "refused") {
        EXPECT_EQ(box.text, L"下载失败，请检查网络连接后重试！");
        EXPECT_FALSE(FileExists(PackageFilePath()));
    } else if (mode == "404") {
        // Only status 200 is the package: nothing is unpacked, the error page is kept for a look.
        EXPECT_EQ(box.text, L"下载失败，更新服务器暂时无法提供插件，请稍后重试！");
        EXPECT_EQ(test::ReadBytes(PackageFilePath()), "<html>not found</html>");
    } else {
        // A body shorter than announced is a download failure, kept as it arrived.
        EXPECT_EQ(box.text, L"下载失败，请检查网络连接后重试！");
        EXPECT_TRUE(FileExists(PackageFilePath()));
    }
    EXPECT_EQ(box.owner, Form1.window);
    ASSERT_TRUE(WaitIdle());
    test::PumpMessages(50);
    EXPECT_EQ(windowless::Caption(Form2.window, kLabel1), L"");
    EXPECT_FALSE(IsWindowVisible(Form2.progress1));
    EXPECT_FALSE(FileExists(GetPluginsDir(L"SketchUp 2021", PluginsKind::PerUser) + L"\\qln_demo.rb"));

    // Idle again: the next press downloads anew instead of "please wait".
    SetUpdateServerHost(L"127.0.0.1:" + std::to_wstring(server.RefusedPort()));
    Click(Form2.window, kCommand1, Form2.command1);
    ASSERT_TRUE(catcher.Next(box, 30000));
    EXPECT_EQ(box.text, L"下载失败，请检查网络连接后重试！");
    ASSERT_TRUE(WaitIdle());
}

INSTANTIATE_TEST_SUITE_P(Servers, FailingDownloadTest, ::testing::Values("refused", "404", "broken"));

TEST_F(PagesTest, PackageGoesToTheVersionSelectedWhenTheDownloadEnds) {
    SeedVersion(L"SketchUp 2021");
    SeedVersion(L"SketchUp 2023");
    ASSERT_NE(Build(), nullptr);
    test::TestServer server;
    StartServer(server, "slow", 60000);
    MessageBoxCatcher catcher;
    Click(Form2.window, kCommand1, Form2.command1);
    EXPECT_EQ(windowless::Caption(Form2.window, kLabel1), L"正在下载。。。");
    ASSERT_TRUE(test::PumpUntil([] { return IsWindowVisible(Form2.progress1) != FALSE; }, 10000));
    Select(Form2.window, Form2.list1, kList2, 1);
    // The bar read back while the package trickles in: it moves through the range and ends at
    // 100 once every byte has arrived.
    std::vector<int> positions;
    CaughtBox box;
    bool caught = false;
    for (const DWORD start = GetTickCount(); !caught && GetTickCount() - start < 30000;) {
        positions.push_back(static_cast<int>(SendMessageW(Form2.progress1, PBM_GETPOS, 0, 0)));
        caught = catcher.Next(box, 40);
    }
    ASSERT_TRUE(caught);
    EXPECT_EQ(box.text, L"安装成功！");
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(SendMessageW(Form2.progress1, PBM_GETPOS, 0, 0), 100);
    EXPECT_TRUE(std::any_of(positions.begin(), positions.end(), [](int p) { return p > 1 && p < 100; }))
        << testing::PrintToString(positions);
    EXPECT_TRUE(std::all_of(positions.begin(), positions.end(), [](int p) { return p >= 1 && p <= 100; }))
        << testing::PrintToString(positions);
    EXPECT_TRUE(FileExists(GetPluginsDir(L"SketchUp 2023", PluginsKind::PerUser) + L"\\qln_demo.rb"));
    EXPECT_FALSE(FileExists(GetPluginsDir(L"SketchUp 2021", PluginsKind::PerUser) + L"\\qln_demo.rb"));
}

TEST_F(PagesTest, UtilitiesOpenFoldersAndSayWhenThePathIsMissing) {
    SeedVersion(L"SketchUp 2021");
    ASSERT_NE(Build(), nullptr);
    MessageBoxCatcher catcher;
    // The per-user plugins folder does not exist yet: explore fails.
    SCOPED_TRACE("plugins folder 1");
    Click(Form3.window, 104, Form3.buttons[2]);
    ExpectBox(catcher, L"打开路径失败，路径可能不存在！", Form3.window);
    // Configuration folder 1 without preferences file and without folder: explore fails too.
    SCOPED_TRACE("configuration folder 1");
    Click(Form3.window, 102, Form3.buttons[0]);
    ExpectBox(catcher, L"打开路径失败，路径可能不存在！", Form3.window);
    // A file named without "_file" is not the preferences file.
    const ConfigPaths config = GetConfigPaths(L"SketchUp 2021", 1);
    MakeDirs(config.folder);
    test::WriteTextFile(config.folder + L"\\PrivatePreferences.json");
    // With the preferences file present, Explorer is asked to select it: nothing to report.
    test::WriteTextFile(config.preferencesFile);
    Click(Form3.window, 102, Form3.buttons[0]);
    EXPECT_TRUE(catcher.NoneWithin(500));
    test::CloseExplorerWindows(15000);
    // An existing plugins folder opens without a word.
    MakeDirs(GetPluginsDir(L"SketchUp 2021", PluginsKind::AllUsers));
    Click(Form3.window, 103, Form3.buttons[3]);
    EXPECT_TRUE(catcher.NoneWithin(500));
    test::CloseExplorerWindows(15000);
}

// What Explorer was asked to show: its command line without the program, one quoted argument
// unquoted ("C:\windows\system32\explorer.exe" "C:\folder" gives C:\folder).
std::wstring ExplorerArguments(const std::wstring& commandLine) {
    std::size_t at = 0;
    if (commandLine.rfind(L"\"", 0) == 0) {
        at = commandLine.find(L'"', 1);
        at = at == std::wstring::npos ? commandLine.size() : at + 1;
    } else {
        at = std::min(commandLine.find(L' '), commandLine.size());
    }
    while (at < commandLine.size() && commandLine[at] == L' ') ++at;
    std::wstring arguments = commandLine.substr(at);
    if (arguments.size() >= 2 && arguments.front() == L'"' && arguments.back() == L'"' &&
        arguments.find(L'"', 1) == arguments.size() - 1)
        arguments = arguments.substr(1, arguments.size() - 2);
    return arguments;
}

// The folder each utilities button asks Explorer for, read from the command line of the Explorer
// that the shell started: every path exists, so every request is granted.
TEST_F(PagesTest, EachUtilityButtonAsksExplorerForItsOwnFolder) {
    const std::wstring install = SeedVersion(L"SketchUp 2021");
    const ConfigPaths config1 = GetConfigPaths(L"SketchUp 2021", 1);
    const ConfigPaths config2 = GetConfigPaths(L"SketchUp 2021", 2);
    const std::wstring plugins1 = GetPluginsDir(L"SketchUp 2021", PluginsKind::PerUser);
    const std::wstring plugins2 = GetPluginsDir(L"SketchUp 2021", PluginsKind::AllUsers);
    for (const std::wstring& folder : {config1.folder, config2.folder, plugins1, plugins2}) MakeDirs(folder);
    test::WriteTextFile(config1.preferencesFile);
    test::WriteTextFile(config2.preferencesFile);
    ASSERT_NE(Build(), nullptr);
    MessageBoxCatcher catcher;

    struct Press {
        int index;
        int id;
        std::wstring asked;  // what Explorer must be asked to show
    };
    const std::vector<Press> presses = {
        {0, 102, L"/select," + config1.preferencesFile},
        {1, 108, L"/select," + config2.preferencesFile},
        {2, 104, plugins1},
        {3, 103, plugins2},
        {4, 109, L"/select," + install + L"SketchUp.exe"},
    };
    auto press = [&](const Press& p) {
        SCOPED_TRACE("button index " + std::to_string(p.index));
        test::StartedProcessWatch watch;
        Click(Form3.window, p.id, Form3.buttons[p.index]);
        const std::wstring commandLine = watch.Next(L"explorer.exe", 15000);
        EXPECT_EQ(ExplorerArguments(commandLine), p.asked) << testing::PrintToString(commandLine);
    };
    for (const Press& p : presses) press(p);
    // Without the preferences files the configuration buttons open their folders.
    DeleteFileW(config1.preferencesFile.c_str());
    DeleteFileW(config2.preferencesFile.c_str());
    press({0, 102, config1.folder});
    press({1, 108, config2.folder});
    EXPECT_TRUE(catcher.NoneWithin(100));
}

TEST_F(PagesTest, EnvironmentCheckNumbersItsFindings) {
    SeedVersion(L"SketchUp 2016");
    SeedVersion(L"SketchUp 2021");
    ASSERT_NE(Build(), nullptr);
    MessageBoxCatcher catcher;
    {
        UserName user(L"张三");
        Click(Form3.window, 110, Form3.buttons[5]);  // SketchUp 2016, the first line
        CaughtBox box;
        ASSERT_TRUE(catcher.Next(box));
        EXPECT_EQ(box.text, L"1、计算机用户名有中文，请勿安装到插件目录1(助手安装会自动判断)\r\n"
                            L"2、当前草图版本过低，可能不兼容，建议草图大师2017以上版本\r\n");
        EXPECT_TRUE(box.hasIcon);
    }
    Select(Form3.window, Form3.list, 107, 1);
    Click(Form3.window, 110, Form3.buttons[5]);
    CaughtBox box;
    ASSERT_TRUE(catcher.Next(box));
    EXPECT_EQ(box.text, L"安装环境正常！");
    EXPECT_TRUE(box.hasIcon);
}

TEST_F(PagesTest, WindowPageActsOnTheStandInSketchUpWindow) {
    ASSERT_NE(Build(), nullptr);
    MessageBoxCatcher catcher;
    EXPECT_EQ(windowless::Caption(Form4.window, 105), L"无可操作窗口");
    Click(Form4.window, 104, Form4.actions[0]);
    ExpectBox(catcher, L"请选中要操作的窗口再操作！", Form4.window);

    const std::wstring folder = test::ScratchRoot() + L"\\run";
    MakeDirs(folder);
    CopyFileW(QLN_STANDIN_WINPATH, (folder + L"\\SketchUp.exe").c_str(), FALSE);
    processes_.push_back(test::StartProcess(folder + L"\\SketchUp.exe"));
    HWND target = test::WaitForWindow(processes_.back().info.dwProcessId, L"QlnStandinSketchUp", 10000);
    ASSERT_NE(target, nullptr);
    SetWindowPos(target, nullptr, -3000, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT before;
    GetWindowRect(target, &before);

    Click(Form4.window, 103, Form4.refresh);
    EXPECT_EQ(windowless::Caption(Form4.window, 105), L"选择操作窗口");
    ASSERT_EQ(listbox::ListCount(Form4.list), 1);
    EXPECT_EQ(listbox::ItemText(Form4.list, 0), L"无标题 - SketchUp");
    EXPECT_EQ(reinterpret_cast<HWND>(listbox::ItemData(Form4.list, 0)), target);

    RECT r;
    Click(Form4.window, 104, Form4.actions[0]);
    test::PumpMessages(100);
    GetWindowRect(target, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, before.right - before.left);
    Click(Form4.window, 107, Form4.actions[1]);
    EXPECT_TRUE(GetWindowLongPtrW(target, GWL_EXSTYLE) & WS_EX_TOPMOST);
    Click(Form4.window, 108, Form4.actions[2]);
    EXPECT_FALSE(GetWindowLongPtrW(target, GWL_EXSTYLE) & WS_EX_TOPMOST);
    Click(Form4.window, 109, Form4.actions[3]);
    EXPECT_FALSE(IsWindowEnabled(target));
    Click(Form4.window, 110, Form4.actions[4]);
    EXPECT_TRUE(IsWindowEnabled(target));
    GetWindowRect(target, &before);
    Click(Form4.window, 111, Form4.actions[5]);
    test::PumpMessages(100);
    GetWindowRect(target, &r);
    EXPECT_TRUE(EqualRect(&r, &before));
    Click(Form4.window, 112, Form4.actions[6]);
    EXPECT_EQ(processes_.back().WaitExit(10000), 0u);
    EXPECT_EQ(listbox::ListCount(Form4.list), 0);

    // A line whose window went away meanwhile: told over the main window.
    listbox::AddItem(Form4.list, L"gone", reinterpret_cast<LPARAM>(target));
    listbox::SetListIndex(Form4.list, 0);
    Click(Form4.window, 107, Form4.actions[1]);
    ExpectBox(catcher, L"窗口已被销毁，请刷新列表后再操作！", Form1.window);
}

constexpr const wchar_t* kStandinClass = L"QlnStandinSketchUp";

struct Line {
    std::wstring text;
    HWND window;
    bool operator==(const Line&) const = default;
};
void PrintTo(const Line& line, std::ostream* os) {
    *os << testing::PrintToString(line.text) << " @" << line.window;
}

// The window page against two stand-in SketchUps at once, one of them with an untitled and a
// hidden window.
class WindowPageTest : public PagesTest {
protected:
    // A stand-in started as `exeName` from a folder of its own; waits until it shows
    // `visibleWindows` windows and answers them, the main window first.
    std::vector<HWND> StartSketchUp(const wchar_t* folder, const wchar_t* exeName, const std::wstring& args,
                                    size_t visibleWindows) {
        const std::wstring dir = test::ScratchRoot() + L"\\" + folder;
        test::MakeDirs(dir);
        const std::wstring exe = dir + L"\\" + exeName;
        CopyFileW(QLN_STANDIN_WINPATH, exe.c_str(), FALSE);
        processes_.push_back(test::StartProcess(exe, args));
        const DWORD pid = processes_.back().info.dwProcessId;
        std::vector<HWND> shown;
        const DWORD start = GetTickCount();
        do {
            shown.clear();
            for (HWND w : test::TopLevelWindows(pid, true))
                if (test::ClassOf(w) == kStandinClass) shown.push_back(w);
            if (shown.size() == visibleWindows) break;
            Sleep(20);
        } while (GetTickCount() - start < 10000);
        EXPECT_EQ(shown.size(), visibleWindows);
        // The main window is the one that does not carry the extra windows' titles.
        std::stable_partition(shown.begin(), shown.end(), [](HWND w) { return !test::WindowText(w).empty(); });
        return shown;
    }

    std::vector<Line> Lines() {
        std::vector<Line> lines;
        for (int i = 0; i < listbox::ListCount(Form4.list); ++i)
            lines.push_back({listbox::ItemText(Form4.list, i), reinterpret_cast<HWND>(listbox::ItemData(Form4.list, i))});
        return lines;
    }
    // The lines a user must see: the given windows in the order the desktop lists its windows.
    static std::vector<Line> InDesktopOrder(const std::map<HWND, std::wstring>& titles) {
        std::pair<const std::map<HWND, std::wstring>*, std::vector<Line>> state{&titles, {}};
        EnumDesktopWindows(
            nullptr,
            [](HWND w, LPARAM p) -> BOOL {
                auto* s = reinterpret_cast<decltype(state)*>(p);
                if (auto it = s->first->find(w); it != s->first->end()) s->second.push_back({it->second, w});
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&state));
        return state.second;
    }

    void Press(HWND button) { Click(Form4.window, GetDlgCtrlID(button), button); }
    void Choose(int line) { Select(Form4.window, Form4.list, form4_ids::kList1, line); }
    // The text the list's tooltip shows once the mouse is over the list; empty for none.
    std::wstring ListTip() {
        SendMessageW(Form4.list, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        HWND tip = GetControlObject(Form4.list)->toolTipWindow;
        if (!tip) return L"";
        wchar_t text[512] = {};
        TOOLINFOW tool = {};
        tool.cbSize = sizeof(tool);
        tool.hwnd = Form4.list;
        tool.lpszText = text;
        SendMessageW(tip, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
        return text[0] ? std::wstring(text) : L"(a tooltip without text)";
    }
    int LineOf(HWND window) {
        const std::vector<Line> lines = Lines();
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].window == window) return static_cast<int>(i);
        return -1;
    }
    static POINT TopLeft(HWND w) {
        RECT r = {};
        GetWindowRect(w, &r);
        return {r.left, r.top};
    }
};

TEST_F(WindowPageTest, TwoSketchUpsTheirVisibleWindowsAndActionsOnTheChosenOne) {
    const std::vector<HWND> first =
        StartSketchUp(L"first", L"SketchUp.exe", L"--title \"甲 - SketchUp\" --untitled --hidden", 2);
    const std::vector<HWND> second = StartSketchUp(L"second", L"sketchup.EXE", L"--title \"乙 - SketchUp\"", 1);
    ASSERT_EQ(first.size(), 2u);
    ASSERT_EQ(second.size(), 1u);
    HWND firstMain = first[0], untitled = first[1], secondMain = second[0];
    HWND hidden = FindWindowW(kStandinClass, L"隐藏的窗口");
    ASSERT_NE(hidden, nullptr);
    ASSERT_FALSE(IsWindowVisible(hidden));

    ASSERT_NE(BuildForm1(nullptr, 0, 0), nullptr);
    test::PumpMessages(100);
    // The page comes (and loads) with its tab's first selection.
    ASSERT_NE(EnsurePage(2), nullptr);
    // Loaded with both processes running: every visible window of both, desktop order, no
    // grouping by process, the hidden one left out, the untitled one as an empty line.
    const std::vector<Line> expected =
        InDesktopOrder({{firstMain, L"甲 - SketchUp"}, {untitled, L""}, {secondMain, L"乙 - SketchUp"}});
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(windowless::Caption(Form4.window, form4_ids::kFrame1), L"选择操作窗口");
    EXPECT_EQ(listbox::ListIndex(Form4.list), 0);

    // The tooltip says the selected line, also the one a rebuild selects; an empty line leaves
    // the list without one.
    EXPECT_EQ(ListTip(), expected[0].text);
    for (int i = 0; i < static_cast<int>(expected.size()); ++i) {
        Choose(i);
        EXPECT_EQ(ListTip(), expected[i].text) << "line " << i;
    }
    Choose(LineOf(secondMain));
    EXPECT_EQ(ListTip(), L"乙 - SketchUp");
    Choose(-1);
    EXPECT_EQ(ListTip(), L"");

    // Each action reaches the selected line's window and no other.
    Choose(LineOf(secondMain));
    Press(Form4.actions[3]);
    EXPECT_FALSE(IsWindowEnabled(secondMain));
    EXPECT_TRUE(IsWindowEnabled(firstMain));
    EXPECT_TRUE(IsWindowEnabled(untitled));
    Press(Form4.actions[4]);
    EXPECT_TRUE(IsWindowEnabled(secondMain));

    const POINT firstAt = TopLeft(firstMain), secondAt = TopLeft(secondMain);
    Choose(LineOf(untitled));
    Press(Form4.actions[0]);
    test::PumpMessages(50);
    EXPECT_EQ(TopLeft(untitled).x, 0);
    EXPECT_EQ(TopLeft(untitled).y, 0);
    EXPECT_EQ(TopLeft(firstMain).x, firstAt.x);
    EXPECT_EQ(TopLeft(firstMain).y, firstAt.y);
    EXPECT_EQ(TopLeft(secondMain).x, secondAt.x);
    EXPECT_EQ(TopLeft(secondMain).y, secondAt.y);
    Press(Form4.actions[1]);
    EXPECT_TRUE(GetWindowLongPtrW(untitled, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongPtrW(firstMain, GWL_EXSTYLE) & WS_EX_TOPMOST);
    Press(Form4.actions[2]);

    // Closing the first SketchUp's main window ends that process; the rebuilt list keeps the
    // second's window only.
    Choose(LineOf(firstMain));
    Press(Form4.actions[6]);
    EXPECT_EQ(processes_[0].WaitExit(10000), 0u);
    test::PumpMessages(50);
    Press(Form4.refresh);
    EXPECT_EQ(Lines(), (std::vector<Line>{{L"乙 - SketchUp", secondMain}}));
    EXPECT_EQ(ListTip(), L"乙 - SketchUp");

    // A SketchUp with hidden windows only: there is a process to act on, but no line.
    ShowWindow(secondMain, SW_HIDE);
    Press(Form4.refresh);
    EXPECT_EQ(windowless::Caption(Form4.window, form4_ids::kFrame1), L"选择操作窗口");
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(ListTip(), L"");
}

// Built after the main window's first paint, not on the first click of its tab: the page lists the
// windows of that moment, and one opened later only once refreshed.
TEST_F(WindowPageTest, BuiltAfterTheFirstPaintWithTheWindowsOfThatMoment) {
    const HWND early = StartSketchUp(L"early", L"SketchUp.exe", L"--title \"早 - SketchUp\"", 1).at(0);
    ASSERT_NE(BuildForm1(nullptr, 0, 0), nullptr);
    EXPECT_EQ(Form4.window, nullptr);  // not in the first frame's way
    ASSERT_TRUE(test::PumpUntil([] { return Form3.window && Form4.window; }, 5000));
    const HWND late = StartSketchUp(L"late", L"SketchUp.exe", L"--title \"晚 - SketchUp\"", 1).at(0);
    test::PumpMessages(100);
    EXPECT_EQ(Lines(), (std::vector<Line>{{L"早 - SketchUp", early}}));
    Press(Form4.refresh);
    EXPECT_EQ(Lines().size(), 2u);
    EXPECT_GE(LineOf(late), 0);
}

}  // namespace
}  // namespace qln
