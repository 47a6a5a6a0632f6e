// The real installer (its demo build) driven from outside when an update is interrupted: the
// main window closed during a download the server holds back, or during an installation; and a
// process killed in the middle of its moves, after which a new start of the installer restores
// the plugin as it was.
#include "test_server.h"

#include "discovery/discovery.h"
#include "install_test_support.h"
#include "message_boxes.h"
#include "plugin/package_install.h"
#include "test_support.h"
#include "zip_writer.h"

namespace qln {
namespace {

constexpr DWORD kWait = 15000;

std::string Package(int members, std::size_t size) {
    std::vector<test::ZipEntry> entries{test::Folder("qln_demo/")};
    for (int i = 0; i < members; ++i) {
        std::string data = "# part " + std::to_string(i) + "\n";
        while (data.size() < size) data += "puts 'part " + std::to_string(i) + "'\n";
        entries.push_back(test::File("qln_demo/part" + std::to_string(i) + ".rb", data, true));
    }
    entries.push_back(test::File("qln_demo.rb", "require 'qln_demo/part0'\n"));
    return test::BuildZip(entries);
}

class TrustEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ResetDiscoveryWorld();
        DeleteFileW(PackageFilePath().c_str());
        for (const wchar_t* entry : {L"SketchUp 2021", L"SketchUp 2023"}) {
            test::SeedVersion(entry, QLN_STANDIN_WINPATH, true);
        }
    }
    void TearDown() override {
        if (main_ && IsWindow(main_)) PostMessageW(main_, WM_CLOSE, 0, 0);
        if (installer_.Started()) installer_.WaitExit(kWait);
        installer_.Kill();
        test::ResetDiscoveryWorld();
        DeleteFileW(PackageFilePath().c_str());
    }

    void Serve(const std::string& package, const wchar_t* mode) {
        const std::wstring file = test::ScratchRoot() + L"\\served.rbz";
        test::WriteBytes(file, package);
        server_.Start(L"--http-port " + std::to_wstring(QLN_DEMO_PORT) + L" --package \"" + test::UnixPath(file) +
                      L"\" --update-mode " + mode);
    }

    void StartInstaller() {
        installer_ = test::StartProcess(QLN_DEMO_EXE_WINPATH);
        ASSERT_TRUE(installer_.Started());
        main_ = test::WaitForWindow(installer_.info.dwProcessId, L"Quorlen插件安装器_Form1", kWait);
        ASSERT_NE(main_, nullptr);
        plugin_ = test::FindChildOfClass(main_, L"Quorlen插件安装器_Form2");
        ASSERT_NE(plugin_, nullptr);
        const DWORD start = GetTickCount();
        while (SendMessageW(GetDlgItem(plugin_, 110), LB_GETCOUNT, 0, 0) < 2 && GetTickCount() - start < kWait) Sleep(20);
    }

    void ClickDownload() { PostMessageW(GetDlgItem(plugin_, 109), BM_CLICK, 0, 0); }

    std::wstring Plugins() const { return GetPluginsDir(L"SketchUp 2021", PluginsKind::Automatic); }

    test::TestServer server_;
    test::Process installer_;
    HWND main_ = nullptr, plugin_ = nullptr;
};

TEST_F(TrustEndToEndTest, ClosingDuringAHeldDownloadEndsTheProcessWithNoPackageFileLeft) {
    Serve(Package(50, 4000), L"hold");
    StartInstaller();
    ClickDownload();
    HWND bar = GetDlgItem(plugin_, 107);
    const DWORD start = GetTickCount();
    while (!IsWindowVisible(bar) && GetTickCount() - start < kWait) Sleep(20);
    ASSERT_TRUE(IsWindowVisible(bar));
    // Half the package has arrived and been written; the rest does not come.
    while (test::ReadBytes(PackageFilePath()).empty() && GetTickCount() - start < kWait) Sleep(20);
    EXPECT_FALSE(test::ReadBytes(PackageFilePath()).empty());
    const DWORD closing = GetTickCount();
    PostMessageW(main_, WM_CLOSE, 0, 0);
    EXPECT_EQ(installer_.WaitExit(5000), 0u) << "the process ends within a few seconds";
    EXPECT_LT(GetTickCount() - closing, 5000u);
    EXPECT_FALSE(FileExists(PackageFilePath()));
    EXPECT_FALSE(FileExists(Plugins()));
}

// A package large enough that its installation takes a while: the close arrives while the
// staging folder exists, and the process ends only after every member is in place and the
// result has been told.
TEST_F(TrustEndToEndTest, ClosingDuringAnInstallationEndsTheProcessOnlyAfterIt) {
    constexpr int kMembers = 600;
    Serve(Package(kMembers, 6000), L"ok");
    StartInstaller();
    ClickDownload();
    // The work area beside Plugins (its name is new for every run).
    const std::wstring folder = Plugins().substr(0, Plugins().rfind(L'\\'));
    auto working = [&] { return test::ListFolder(folder).find(L"Plugins.qln-install-") != std::wstring::npos; };
    const DWORD start = GetTickCount();
    while (!working() && GetTickCount() - start < 30000) Sleep(2);
    ASSERT_TRUE(working()) << "the installation was not seen running";
    PostMessageW(main_, WM_CLOSE, 0, 0);
    HWND result = test::WaitForWindow(installer_.info.dwProcessId, L"#32770", 30000);
    ASSERT_NE(result, nullptr);
    PostMessageW(result, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(installer_.WaitExit(30000), 0u);
    for (int i = 0; i < kMembers; ++i)
        ASSERT_TRUE(FileExists(Plugins() + L"\\qln_demo\\part" + std::to_wstring(i) + L".rb")) << i;
    EXPECT_TRUE(FileExists(Plugins() + L"\\qln_demo.rb"));
    EXPECT_FALSE(working());
}

// The installation's process is killed in the middle of its moves; the next start of the
// installer rolls them back before its window appears.
TEST_F(TrustEndToEndTest, KilledDuringTheMovesThenANewStartRestoresThePlugin) {
    const std::wstring package = test::ScratchRoot() + L"\\update.rbz";
    test::MakeDirs(Plugins());
    test::WriteBytes(package, Package(10, 500));
    ASSERT_EQ(InstallPackageFile(package, Plugins()).outcome, InstallOutcome::Succeeded);
    test::WriteTextFile(Plugins() + L"\\mine.rb", "the user's own");
    const test::Tree before = test::Snapshot(Plugins());

    test::WriteBytes(package, Package(12, 900));
    // Stopped after the plugin's folder was exchanged, before the loader.
    const std::wstring event = L"qln-e2e-kill-" + std::to_wstring(GetCurrentProcessId());
    HANDLE reached = CreateEventW(nullptr, TRUE, FALSE, event.c_str());
    test::Process helper = test::StartProcess(QLN_INSTALL_HELPER_WINPATH,
                                              L"\"" + package + L"\" \"" + Plugins() + L"\" 2 " + event);
    ASSERT_EQ(WaitForSingleObject(reached, 30000), WAIT_OBJECT_0);
    helper.Kill();
    CloseHandle(reached);
    ASSERT_NE(test::TreeDifference(before, test::Snapshot(Plugins())), "");

    StartInstaller();
    EXPECT_EQ(test::TreeDifference(before, test::Snapshot(Plugins())), "");
    EXPECT_EQ(test::ListFolder(Plugins().substr(0, Plugins().rfind(L'\\'))).find(L".qln-install"), std::wstring::npos);
}

}  // namespace
}  // namespace qln
