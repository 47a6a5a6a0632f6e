// The plugin page's download road when something goes wrong, with the real page built in this
// process and a loopback server: what the server answers decides (only 200 is the package), the
// main window's close cancels a download and waits for an installation, and the version list
// can change at any time without the worker ever reading it.
#include "test_server.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "app/main_form.h"
#include "discovery/discovery.h"
#include "forms/controls/controls_window.h"
#include "forms/controls/windowless.h"
#include "install_test_hooks.h"
#include "install_test_support.h"
#include "message_boxes.h"
#include "plugin/package_install.h"
#include "plugin/plugin_page.h"
#include "test_support.h"
#include "zip_writer.h"

namespace qln {
namespace {

using test::CaughtBox;
using test::MessageBoxCatcher;

constexpr int kCommand1 = 109, kLabel1 = 104;

class TrustPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ResetDiscoveryWorld();
        DeleteFileW(PackageFilePath().c_str());
    }
    void TearDown() override {
        test::SetInstallHook({});
        if (Form1.window) DestroyWindow(Form1.window);
        test::PumpMessages(50);
        test::ResetDiscoveryWorld();
        DeleteFileW(PackageFilePath().c_str());
        DownloadBusy.store(0);
    }

    void SeedVersion(const std::wstring& entry, bool allUsersToo = false) {
        test::SeedVersion(entry, nullptr, allUsersToo);
    }

    HWND Build() {
        HWND form = BuildForm1(nullptr, 0, 0);
        test::PumpMessages(100);
        return form;
    }

    void Click() {
        SendMessageW(Form2.window, WM_COMMAND, MAKEWPARAM(kCommand1, BN_CLICKED),
                     reinterpret_cast<LPARAM>(Form2.command1));
    }

    static std::string Package(int members = 3) {
        std::vector<test::ZipEntry> entries{test::Folder("qln_demo/")};
        for (int i = 0; i < members; ++i)
            entries.push_back(test::File("qln_demo/part" + std::to_string(i) + ".rb", "puts " + std::to_string(i) + "\n"));
        entries.push_back(test::File("qln_demo.rb", "require 'qln_demo/part0'\n"));
        return test::BuildZip(entries);
    }

    void StartServer(test::TestServer& server, const char* mode, const std::string& package = Package()) {
        const std::wstring file = test::ScratchRoot() + L"\\served.rbz";
        test::WriteBytes(file, package);
        server.Start(L"--package \"" + test::UnixPath(file) + L"\" --update-mode " +
                     std::wstring(mode, mode + strlen(mode)));
        SetUpdateServerHost(L"127.0.0.1:" + std::to_wstring(server.Port()));
    }

    bool WaitIdle() { return test::PumpUntil([] { return DownloadBusy.load() == 0; }, 30000); }

    std::wstring Plugins(const wchar_t* entry) { return GetPluginsDir(entry, PluginsKind::PerUser); }
};

struct ServerCase {
    const char* mode;
    const wchar_t* sentence;
    bool packageKept;
};

void PrintTo(const ServerCase& c, std::ostream* out) { *out << c.mode; }

class ServerAnswerTest : public TrustPagesTest, public ::testing::WithParamInterface<ServerCase> {};

// Whatever the server answers that is not the package, nothing is unpacked and the page says
// what happened; the page is idle again afterwards.
TEST_P(ServerAnswerTest, OnlyTheRealPackageIsInstalled) {
    const ServerCase c = GetParam();
    SeedVersion(L"SketchUp 2021");
    ASSERT_NE(Build(), nullptr);
    test::TestServer server;
    StartServer(server, c.mode);
    MessageBoxCatcher catcher;
    Click();
    CaughtBox box;
    ASSERT_TRUE(catcher.Next(box, 30000));
    EXPECT_EQ(box.text, c.sentence);
    ASSERT_TRUE(WaitIdle());
    test::PumpMessages(50);
    EXPECT_EQ(windowless::Caption(Form2.window, kLabel1), L"");
    EXPECT_FALSE(IsWindowVisible(Form2.progress1));
    const bool installed = FileExists(Plugins(L"SketchUp 2021") + L"\\qln_demo.rb");
    EXPECT_EQ(installed, std::wstring(c.sentence) == L"安装成功！");
    EXPECT_EQ(FileExists(PackageFilePath()), c.packageKept);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ServerAnswerTest,
    ::testing::Values(ServerCase{"ok", L"安装成功！", false},
                      ServerCase{"chunked", L"安装成功！", false},
                      ServerCase{"partial", L"下载失败，更新服务器暂时无法提供插件，请稍后重试！", true},
                      ServerCase{"404", L"下载失败，更新服务器暂时无法提供插件，请稍后重试！", true},
                      ServerCase{"broken", L"下载失败，请检查网络连接后重试！", true},
                      ServerCase{"huge", L"下载失败，更新服务器提供的插件包大小异常，请稍后重试！", false}),
    [](const auto& info) { return std::string("mode_") + info.param.mode; });

// The server announces the package, sends half of it and holds the rest back: the bar stands at
// 50 (the page reads the length from the headers and counts what it took itself). Then the user
// closes the main window: the request is closed, the package file closed and deleted, and the
// window goes at once.
TEST_F(TrustPagesTest, ClosingDuringADownloadCancelsIt) {
    SeedVersion(L"SketchUp 2021");
    ASSERT_NE(Build(), nullptr);
    test::TestServer server;
    // Half of it is five whole 4096-byte reads of the page: Wine fills each read before handing
    // it over, so the count stops exactly at the half.
    StartServer(server, "hold", std::string(40960, 'p'));
    MessageBoxCatcher catcher;
    Click();
    const auto position = [] { return SendMessageW(Form2.progress1, PBM_GETPOS, 0, 0); };
    EXPECT_TRUE(test::PumpUntil([&] { return position() == 50; }, 15000)) << position();
    test::PumpMessages(200);
    EXPECT_EQ(position(), 50);
    EXPECT_TRUE(IsWindowVisible(Form2.progress1));
    HWND main = Form1.window;
    SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_FALSE(FileExists(PackageFilePath()));
    EXPECT_TRUE(catcher.NoneWithin(300));
    EXPECT_FALSE(FileExists(Plugins(L"SketchUp 2021") + L"\\qln_demo.rb"));
}

// The user closes the main window while the package is being moved into place: the window stays
// until the installation has finished and told its result, then goes by itself.
TEST_F(TrustPagesTest, ClosingDuringAnInstallationWaitsForItThenCloses) {
    SeedVersion(L"SketchUp 2021");
    ASSERT_NE(Build(), nullptr);
    test::TestServer server;
    StartServer(server, "ok", Package(20));
    std::atomic<bool> reached{false}, release{false};
    test::SetInstallHook([&](InstallStep step, std::size_t, const std::wstring&) -> std::uint32_t {
        if (step == InstallStep::MoveIn && !reached.exchange(true))
            while (!release) Sleep(5);
        return 0;
    });
    MessageBoxCatcher catcher;
    HWND main = Form1.window;
    Click();
    ASSERT_TRUE(test::PumpUntil([&] { return reached.load(); }, 15000));
    EXPECT_EQ(windowless::Caption(Form2.window, kLabel1), L"开始安装。。。");
    SendMessageW(main, WM_CLOSE, 0, 0);
    test::PumpMessages(200);
    EXPECT_TRUE(IsWindow(main)) << "the close waits for the installation";
    release = true;
    EXPECT_TRUE(test::PumpUntil([&] { return !IsWindow(main); }, 15000));
    CaughtBox result;
    ASSERT_TRUE(catcher.Next(result, 300));
    EXPECT_EQ(result.text, L"安装成功！");
    EXPECT_EQ(result.owner, main);
    EXPECT_EQ(DownloadBusy.load(), 0);
    EXPECT_TRUE(FileExists(Plugins(L"SketchUp 2021") + L"\\qln_demo\\part19.rb"));
    EXPECT_FALSE(FileExists(PackageFilePath()));
}

// The version list is refilled again and again while the package downloads and installs: the
// worker never reads the list, so the installation lands in one version that was selected,
// whole, or is refused when none was; the page survives it all.
TEST_F(TrustPagesTest, TheScanToggleHammeredWhileTheInstallationReadsTheSelection) {
    // Two roots with different versions; one name long enough to be far longer than the other.
    SeedVersion(L"SketchUp 2021");
    const std::wstring longEntry = L"SketchUp " + std::wstring(150, L'长') + L" 2023";
    test::MakeDirs(test::AllUsersScanRoot() + L"\\" + longEntry + L"\\SketchUp");
    test::MakeDirs(test::AllUsersScanRoot() + L"\\SketchUp 2019\\SketchUp");
    ASSERT_NE(Build(), nullptr);
    test::TestServer server;
    StartServer(server, "slow", Package(40));
    MessageBoxCatcher catcher;
    Click();
    CaughtBox box;
    int toggles = 0;
    NMHDR toggle = {nullptr, 102, 0};
    while (!catcher.Next(box, 1)) {
        SendMessageW(Form2.window, WM_NOTIFY, 102, reinterpret_cast<LPARAM>(&toggle));
        ++toggles;
        ASSERT_LT(toggles, 100000);
    }
    ASSERT_TRUE(WaitIdle());
    EXPECT_GT(toggles, 50);
    int landed = 0;
    for (const std::wstring& root : {test::PerUserScanRoot(), test::AllUsersScanRoot()}) {
        for (const std::wstring& entry : {std::wstring(L"SketchUp 2021"), longEntry, std::wstring(L"SketchUp 2019")}) {
            const std::wstring plugins = root + L"\\" + entry + L"\\SketchUp\\Plugins";
            if (!FileExists(plugins + L"\\qln_demo.rb")) continue;
            ++landed;
            for (int i = 0; i < 40; ++i)
                EXPECT_TRUE(FileExists(plugins + L"\\qln_demo\\part" + std::to_wstring(i) + L".rb"));
        }
    }
    // Whole in one version, or nowhere.
    EXPECT_LE(landed, 1);
    if (box.text == L"安装成功！") {
        EXPECT_EQ(landed, 1);
    }
}

// A message of the page's crossing number from anywhere carries nothing the page would read: a
// pointer in it is never followed.
TEST_F(TrustPagesTest, ThePageTakesNoPointerFromAMessage) {
    SeedVersion(L"SketchUp 2021");
    ASSERT_NE(Build(), nullptr);
    for (UINT message : {WM_APP + 1u, WM_APP + 2u}) {
        SendMessageW(Form2.window, message, 0x1234, 0x8);  // an address no one may read
        PostMessageW(Form2.window, message, 0xdead, 0xbeef);
    }
    test::PumpMessages(100);
    EXPECT_TRUE(IsWindow(Form2.window));
    EXPECT_EQ(windowless::Caption(Form2.window, kLabel1), L"");
}

// A local package of many members installs beside the window, which answers within 200 ms all
// along, says what it does and moves its bar; closed meanwhile, it tells the result, then goes.
TEST_F(TrustPagesTest, ALocalPackageInstallsBesideTheWindowWhichWaitsForItBeforeClosing) {
    SeedVersion(L"SketchUp 2021");
    const std::wstring package = test::ScratchRoot() + L"\\big.rbz";
    test::WriteBytes(package, Package(2000));
    ASSERT_NE(Build(), nullptr);
    HWND main = Form1.window;
    std::atomic<bool> stop{false};
    std::atomic<DWORD> slowest{0};
    std::thread probe([&] {
        for (DWORD_PTR answer = 0; !stop && IsWindow(main); Sleep(20)) {
            const DWORD sent = GetTickCount();
            if (SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer))
                slowest = std::max<DWORD>(slowest, GetTickCount() - sent);
            else if (IsWindow(main))
                slowest = 5000;
        }
    });
    MessageBoxCatcher catcher(true);
    InstallLocalPackage(Form2.window, package);  // its question answered Yes
    SendMessageW(main, WM_CLOSE, 0, 0);
    CaughtBox result;
    ASSERT_TRUE(catcher.Next(result) && result.text.find(package) != std::wstring::npos);  // the question
    bool told = false, moved = false;
    for (const DWORD start = GetTickCount(); !catcher.Next(result, 20) && GetTickCount() - start < 60000;) {
        told = told || windowless::Caption(Form2.window, kLabel1) == L"开始安装。。。";
        const auto at = SendMessageW(Form2.progress1, PBM_GETPOS, 0, 0);
        moved = moved || (at > 1 && at < 100);
    }
    stop = true;
    probe.join();
    EXPECT_LT(slowest.load(), 200u);
    EXPECT_TRUE(told);
    EXPECT_TRUE(moved);
    EXPECT_EQ(result.text, L"安装成功！");
    EXPECT_EQ(result.owner, main);
    EXPECT_TRUE(test::PumpUntil([&] { return !IsWindow(main); }, 15000));
    EXPECT_EQ(test::ReadBytes(Plugins(L"SketchUp 2021") + L"\\qln_demo\\part1999.rb"), "puts 1999\n");
}

}  // namespace
}  // namespace qln
