// The real installer (its demo build, which fetches from QLN_DEMO_UPDATE_HOST) driven from outside
// through window messages, as a user's clicks would: versions listed, the plugin downloaded from
// a loopback server and installed, and the stand-in SketchUp's window managed.
#include "test_server.h"

#include <commctrl.h>

#include "discovery/discovery.h"
#include "leftovers.h"
#include "message_boxes.h"
#include "pages/window_page.h"
#include "plugin/plugin_page.h"
#include "test_support.h"
#include "zip_writer.h"

namespace qln {
namespace {

constexpr DWORD kWait = 15000;

// The installer's next message box: its text, owner checked, answered with OK.
std::wstring AnswerBox(DWORD pid, HWND expectedOwner) {
    HWND box = test::WaitForWindow(pid, L"#32770", 30000);
    if (!box) return L"<no message box>";
    EXPECT_EQ(GetWindow(box, GW_OWNER), expectedOwner);
    EXPECT_EQ(test::WindowText(box), L"Quorlen插件安装器");
    const std::wstring text = test::WindowText(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    const DWORD start = GetTickCount();
    while (IsWindow(box) && GetTickCount() - start < kWait) Sleep(20);
    return text;
}

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ResetDiscoveryWorld();
        for (const wchar_t* entry : {L"SketchUp 2021", L"SketchUp 2023"}) {
            test::SeedVersion(entry, QLN_STANDIN_WINPATH, true);
        }
        const std::wstring package = test::ScratchRoot() + L"\\served.rbz";
        test::WriteBytes(package, test::BuildZip({test::Folder("qln_demo/"),
                                                  test::File("qln_demo/main.rb", "puts 'demo'\n", true),
                                                  test::File("qln_demo.rb", "require 'qln_demo/main'\n")}));
        server_.Start(L"--http-port " + std::to_wstring(QLN_DEMO_PORT) + L" --package \"" + test::UnixPath(package) + L"\"");
    }
    void TearDown() override {
        if (main_ && IsWindow(main_)) PostMessageW(main_, WM_CLOSE, 0, 0);
        if (installer_.Started()) {
            EXPECT_EQ(installer_.WaitExit(kWait), 0u);
        }
        installer_.Kill();
        sketchup_.Kill();
        // A stand-in the installer started before the test could take its handle, Explorers.
        test::EndLeftoverProcesses();
        test::ResetLeftoverState();
    }

    void StartInstaller(const std::vector<std::pair<std::wstring, std::wstring>>& env = {}) {
        installer_ = test::StartProcess(QLN_DEMO_EXE_WINPATH, L"", env);
        ASSERT_TRUE(installer_.Started());
        main_ = test::WaitForWindow(installer_.info.dwProcessId, L"Quorlen插件安装器_Form1", kWait);
        ASSERT_NE(main_, nullptr);
        plugin_ = test::FindChildOfClass(main_, L"Quorlen插件安装器_Form2");
        ASSERT_NE(plugin_, nullptr);
        // The load handlers have filled the lists once the list holds its lines.
        const DWORD start = GetTickCount();
        while (SendMessageW(GetDlgItem(plugin_, form2_ids::kList1), LB_GETCOUNT, 0, 0) < 2 && GetTickCount() - start < kWait) Sleep(20);
    }

    void InstallAndCheck(PluginsKind expectedKind) {
        EXPECT_EQ(test::ListLines(GetDlgItem(plugin_, form2_ids::kList1)), (std::vector<std::wstring>{L"SketchUp 2021", L"SketchUp 2023"}));
        PostMessageW(GetDlgItem(plugin_, form2_ids::kCommand1), BM_CLICK, 0, 0);
        EXPECT_EQ(AnswerBox(installer_.info.dwProcessId, main_), L"安装成功！");
        // Every byte arrived: the installer's own bar reads 100 (per cent).
        EXPECT_EQ(SendMessageW(GetDlgItem(plugin_, form2_ids::kProgress1), PBM_GETPOS, 0, 0), 100);
        const std::wstring plugins = GetPluginsDir(L"SketchUp 2021", expectedKind);
        EXPECT_EQ(test::ReadBytes(plugins + L"\\qln_demo\\main.rb"), "puts 'demo'\n");
        EXPECT_EQ(test::ReadBytes(plugins + L"\\qln_demo.rb"), "require 'qln_demo/main'\n");
        const test::ReceivedRequest request = server_.Next();
        EXPECT_EQ(request.requestLine, "GET /update/qln_plugin.rbz HTTP/1.1");
    }

    test::TestServer server_;
    test::Process installer_;
    test::Process sketchup_;
    HWND main_ = nullptr, plugin_ = nullptr, windows_ = nullptr;
};

// Run once as the prefix's own user and once with $USER set to a Chinese name (the runner
// registers both); the installer and this test see the same user name.
TEST_F(EndToEndTest, DownloadsAndInstallsForTheLoggedOnUser) {
    const bool chinese = HasNonAsciiChar(GetCurrentUserName());
    StartInstaller();
    InstallAndCheck(chinese ? PluginsKind::AllUsers : PluginsKind::PerUser);
    const PluginsKind other = chinese ? PluginsKind::PerUser : PluginsKind::AllUsers;
    EXPECT_FALSE(FileExists(GetPluginsDir(L"SketchUp 2021", other) + L"\\qln_demo.rb"));
}

TEST_F(EndToEndTest, ASecondStartIsRefused) {
    StartInstaller();
    test::Process second = test::StartProcess(QLN_DEMO_EXE_WINPATH);
    EXPECT_EQ(AnswerBox(second.info.dwProcessId, nullptr), L"Quorlen插件安装器已打开，请勿重复运行");
    EXPECT_EQ(second.WaitExit(kWait), 0u);
    EXPECT_TRUE(IsWindow(main_));
}

TEST_F(EndToEndTest, WindowPageManagesTheStandInSketchUp) {
    StartInstaller();
    // Start the stand-in through the installer's own launch button.
    PostMessageW(GetDlgItem(plugin_, form2_ids::kCommand2), BM_CLICK, 0, 0);
    HWND target = nullptr;
    const DWORD start = GetTickCount();
    while (!target && GetTickCount() - start < kWait) {
        target = FindWindowW(L"QlnStandinSketchUp", nullptr);
        Sleep(20);
    }
    ASSERT_NE(target, nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(target, &pid);
    sketchup_.info.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, pid);

    // The user clicks the third tab.
    HWND tab = test::FindChildOfClass(main_, L"SysTabControl32");
    // Tabs are 80 x 22 logical pixels from the left edge: the third starts past 160.
    RECT tabRect;
    GetClientRect(tab, &tabRect);
    const LPARAM third = MAKELPARAM(tabRect.right * 200 / 400, 10);
    SendMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, third);
    SendMessageW(tab, WM_LBUTTONUP, 0, third);
    // The page under that tab comes with its first selection, already loaded.
    windows_ = test::FindChildOfClass(main_, L"Quorlen插件安装器_Form4");
    ASSERT_NE(windows_, nullptr);
    EXPECT_TRUE(IsWindowVisible(windows_));
    EXPECT_FALSE(IsWindowVisible(plugin_));

    HWND list = GetDlgItem(windows_, form4_ids::kList1);
    auto click = [&](int id) { SendMessageW(GetDlgItem(windows_, id), BM_CLICK, 0, 0); };
    click(103);  // refresh
    ASSERT_EQ(test::ListLines(list), std::vector<std::wstring>{L"无标题 - SketchUp"});

    RECT before, r;
    GetWindowRect(target, &before);
    click(104);
    GetWindowRect(target, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, before.right - before.left);
    click(107);
    EXPECT_TRUE(GetWindowLongPtrW(target, GWL_EXSTYLE) & WS_EX_TOPMOST);
    click(108);
    EXPECT_FALSE(GetWindowLongPtrW(target, GWL_EXSTYLE) & WS_EX_TOPMOST);
    click(109);
    EXPECT_FALSE(IsWindowEnabled(target));
    click(110);
    EXPECT_TRUE(IsWindowEnabled(target));
    SetWindowPos(target, nullptr, 150, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    GetWindowRect(target, &before);
    click(111);
    GetWindowRect(target, &r);
    EXPECT_TRUE(EqualRect(&r, &before));
    click(112);
    EXPECT_EQ(sketchup_.WaitExit(kWait), 0u);
    EXPECT_TRUE(test::ListLines(list).empty());
}

}  // namespace
}  // namespace qln
