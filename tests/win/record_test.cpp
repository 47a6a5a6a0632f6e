// What the installer remembers of an installation: the install record beside the Plugins folder,
// "/verify" against it, "/uninstall" by it, and the conditional request that spares a download
// when nothing changed. The demo build runs unattended, as a deployment tool runs it.
#include <windows.h>
#include <bcrypt.h>

#include <cstdio>

#include "test_server.h"

#include "discovery/discovery.h"
#include "plugin/plugin_page.h"
#include "plugin/record_actions.h"
#include "test_support.h"
#include "window_search.h"
#include "zip_writer.h"

namespace qln {
namespace {

constexpr DWORD kWait = 20000;
const std::string kMainRb = "puts 'demo'\n";
const std::string kLoaderRb = "require 'qln_demo/main'\n";

// SHA-256 by the system's own provider, not by the installer's code.
std::string SystemSha256(const std::string& bytes) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    unsigned char digest[32] = {};
    EXPECT_EQ(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0), 0);
    EXPECT_EQ(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0), 0);
    BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())), static_cast<ULONG>(bytes.size()), 0);
    BCryptFinishHash(hash, digest, sizeof(digest), 0);
    BCryptDestroyHash(hash);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    std::string hex;
    char two[3];
    for (unsigned char byte : digest) {
        std::snprintf(two, sizeof(two), "%02x", byte);
        hex += two;
    }
    return hex;
}

// The file's identity on its volume: a file moved in anew has another one.
ULONGLONG FileIndex(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION info = {};
    GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    return static_cast<ULONGLONG>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
}

class RecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ResetDiscoveryWorld();
        test::SeedVersion(L"SketchUp 2021", QLN_STANDIN_WINPATH, true);
        package_ = test::ScratchRoot() + L"\\qln_plugin.rbz";
        test::WriteBytes(package_, test::BuildZip({test::Folder("qln_demo/"), test::File("qln_demo/main.rb", kMainRb, true),
                                                   test::File("qln_demo.rb", kLoaderRb)}));
        log_ = test::ScratchRoot() + L"\\record.log";
        plugins_ = GetPluginsDir(L"SketchUp 2021", PluginsKind::AllUsers);
    }
    void TearDown() override { test::ResetDiscoveryWorld(); }

    DWORD Run(const std::wstring& args) {
        test::Process run = test::StartProcess(QLN_DEMO_EXE_WINPATH, L"/quiet /allusers /log:\"" + log_ + L"\" " + args);
        EXPECT_TRUE(run.Started());
        return run.WaitExit(kWait);
    }
    DWORD Install() { return Run(L"/package:\"" + package_ + L"\""); }
    // The log's entries since the last call.
    std::string NewLog() {
        const std::string log = test::ReadBytes(log_);
        const std::string fresh = log.substr(std::min(seen_, log.size()));
        seen_ = log.size();
        return fresh;
    }
    std::wstring In(const wchar_t* name) const { return plugins_ + L"\\" + name; }
    std::wstring RecordPath() const { return plugins_ + L".qln-record"; }

    std::wstring package_, log_, plugins_;
    std::size_t seen_ = 0;
};

TEST_F(RecordTest, InstallRecordsWhatItWroteAndVerifyNamesWhatChanged) {
    ASSERT_EQ(Install(), 0u);
    const std::string record = test::ReadBytes(RecordPath());
    const std::string package = test::ReadBytes(package_);
    EXPECT_EQ(record.rfind("QLN-INSTALL-RECORD 1\ntime ", 0), 0u) << record;
    for (const std::string& line :
         {"\npackage " + std::to_string(package.size()) + " " + SystemSha256(package) + "\n", std::string("\nD qln_demo\n"),
          "\nF 12 " + SystemSha256(kMainRb) + " qln_demo\\main.rb\n",
          "\nF 24 " + SystemSha256(kLoaderRb) + " qln_demo.rb\n"})
        EXPECT_NE(record.find(line), std::string::npos) << line << "\n" << record;
    EXPECT_EQ(Run(L"/verify"), 0u);
    EXPECT_NE(NewLog().find("  result: intact - "), std::string::npos);

    // The same length, other bytes: only the hash can tell.
    test::WriteBytes(In(L"qln_demo.rb"), std::string(kLoaderRb.size(), 'x'));
    SetFileAttributesW(In(L"qln_demo\\main.rb").c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(In(L"qln_demo\\main.rb").c_str());
    EXPECT_EQ(Run(L"/verify"), 41u);
    const std::string log = NewLog();
    EXPECT_NE(log.find("  result: files-changed - "), std::string::npos) << log;
    EXPECT_NE(log.find("qln_demo\\main.rb"), std::string::npos) << log;
    EXPECT_NE(log.find("qln_demo.rb"), std::string::npos) << log;

    // A record cut short is no record.
    test::WriteBytes(RecordPath(), record.substr(0, record.size() - 4));
    EXPECT_EQ(Run(L"/verify"), 40u);
}

TEST_F(RecordTest, UninstallLeavesOnlyWhatTheUserChangedOrAdded) {
    test::MakeDirs(plugins_);
    test::WriteTextFile(In(L"user.rb"), "mine");
    ASSERT_EQ(Install(), 0u);
    test::WriteTextFile(In(L"qln_demo\\notes.txt"), "added later");
    test::WriteTextFile(In(L"qln_demo.rb"), "changed by the user");
    EXPECT_EQ(Run(L"/uninstall"), 0u);
    EXPECT_FALSE(FileExists(In(L"qln_demo\\main.rb")));
    EXPECT_EQ(test::ReadBytes(In(L"qln_demo.rb")), "changed by the user");
    EXPECT_EQ(test::ReadBytes(In(L"qln_demo\\notes.txt")), "added later");
    EXPECT_EQ(test::ReadBytes(In(L"user.rb")), "mine");
    EXPECT_FALSE(FileExists(RecordPath()));
    const std::string log = NewLog();
    EXPECT_NE(log.find("  result: uninstalled - "), std::string::npos) << log;
    EXPECT_NE(log.find("qln_demo.rb"), std::string::npos) << log;

    EXPECT_EQ(Run(L"/uninstall"), 40u);
    EXPECT_NE(NewLog().find("  result: not-installed - "), std::string::npos);

    // The folder the package made goes once nothing of the user's is inside, also after a
    // reinstallation that found it there (the earlier record tells it was the package's).
    DeleteFileW(In(L"qln_demo\\notes.txt").c_str());
    ASSERT_TRUE(RemoveDirectoryW(In(L"qln_demo").c_str()));
    ASSERT_EQ(Install(), 0u);
    ASSERT_EQ(Install(), 0u);
    EXPECT_EQ(Run(L"/uninstall"), 0u);
    EXPECT_FALSE(test::IsDirectory(In(L"qln_demo")));
    EXPECT_EQ(test::ReadBytes(In(L"user.rb")), "mine");
}

// An update that rolls back (a file of the plugin held open by another program) leaves the
// record of the installation that is still in place, which still verifies.
TEST_F(RecordTest, ARolledBackUpdateKeepsThePreviousRecord) {
    ASSERT_EQ(Install(), 0u);
    const std::string before = test::ReadBytes(RecordPath());
    test::WriteBytes(package_, test::BuildZip({test::Folder("qln_demo/"), test::File("qln_demo/main.rb", "puts 'v2'\n"),
                                               test::File("qln_demo.rb", "require 'qln_demo/main' # v2\n")}));
    HANDLE held = CreateFileW(In(L"qln_demo.rb").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Install(), 31u);
    CloseHandle(held);
    EXPECT_EQ(test::ReadBytes(In(L"qln_demo\\main.rb")), kMainRb);
    EXPECT_EQ(test::ReadBytes(RecordPath()), before);
    EXPECT_EQ(Run(L"/verify"), 0u);
}

// All or nothing: with one recorded file held by another program, nothing is removed and the
// record stays; once it is let go, the removal goes through.
TEST_F(RecordTest, AnUninstallThatCannotTakeEveryFileTakesNone) {
    ASSERT_EQ(Install(), 0u);
    HANDLE held = CreateFileW(In(L"qln_demo.rb").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Run(L"/uninstall"), 31u);
    CloseHandle(held);
    EXPECT_EQ(test::ReadBytes(In(L"qln_demo\\main.rb")), kMainRb);
    EXPECT_TRUE(FileExists(RecordPath()));
    EXPECT_EQ(Run(L"/uninstall"), 0u);
    EXPECT_FALSE(FileExists(In(L"qln_demo\\main.rb")));
    EXPECT_FALSE(FileExists(RecordPath()));
}

// Runs a host program (Wine gives no handle to wait on) until `done` holds.
template <class Done>
bool RunOnHost(const wchar_t* program, const std::wstring& args, Done done) {
    test::Process host = test::StartProcess(program, args);
    for (int i = 0; i < 200 && !done(); ++i) Sleep(25);
    return done();
}

// A recorded folder swapped for a link to a folder holding the same files: nothing is removed
// through the link, and the link itself stays.
TEST_F(RecordTest, UninstallNeverReachesThroughALink) {
    ASSERT_EQ(Install(), 0u);
    const std::wstring elsewhere = test::ScratchRoot() + L"\\elsewhere";
    ASSERT_TRUE(MoveFileW(In(L"qln_demo").c_str(), elsewhere.c_str()));
    const std::wstring link = L"\"" + test::UnixPath(In(L"qln_demo")) + L"\"";
    auto linked = [&] { return GetFileAttributesW(In(L"qln_demo").c_str()) != INVALID_FILE_ATTRIBUTES; };
    ASSERT_TRUE(RunOnHost(L"Z:\\bin\\ln", L"-s \"" + test::UnixPath(elsewhere) + L"\" " + link, linked));
    ASSERT_TRUE(GetFileAttributesW(In(L"qln_demo").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(Run(L"/verify"), 41u);
    EXPECT_EQ(Run(L"/uninstall"), 0u);
    EXPECT_EQ(test::ReadBytes(elsewhere + L"\\main.rb"), kMainRb);
    EXPECT_TRUE(linked());
    EXPECT_FALSE(FileExists(In(L"qln_demo.rb")));
    EXPECT_TRUE(RunOnHost(L"Z:\\bin\\rm", link, [&] { return !linked(); }));
}

TEST_F(RecordTest, UnchangedPackageIsNeitherDownloadedNorWrittenAgain) {
    test::TestServer server;
    server.Start(L"--http-port " + std::to_wstring(QLN_DEMO_PORT) + L" --update-mode conditional --package \"" +
                 test::UnixPath(package_) + L"\"");
    ASSERT_EQ(Run(L""), 0u);
    EXPECT_FALSE(server.Next().Has("if-none-match"));
    const ULONGLONG loader = FileIndex(In(L"qln_demo.rb"));

    EXPECT_EQ(Run(L""), 0u);
    const test::ReceivedRequest conditional = server.Next();
    EXPECT_EQ(conditional.Header("if-none-match").rfind("\"qln-", 0), 0u) << conditional.Header("if-none-match");
    EXPECT_EQ(conditional.Header("if-modified-since"), "Tue, 03 Mar 2026 10:00:00 GMT");
    std::string log = NewLog();
    EXPECT_NE(log.find("(HTTP 304)\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("  result: up-to-date - "), std::string::npos) << log;
    EXPECT_EQ(FileIndex(In(L"qln_demo.rb")), loader) << "rewritten although current";

    // A file gone: the package is asked for without condition, and installed.
    SetFileAttributesW(In(L"qln_demo\\main.rb").c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(In(L"qln_demo\\main.rb").c_str());
    EXPECT_EQ(Run(L""), 0u);
    EXPECT_FALSE(server.Next().Has("if-none-match"));
    EXPECT_EQ(test::ReadBytes(In(L"qln_demo\\main.rb")), kMainRb);
    log = NewLog();
    EXPECT_NE(log.find("(HTTP 200)\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("  result: succeeded - "), std::string::npos) << log;
}

// A run under a service account shares its temporary folder with others: a file someone left
// there under the package file's old fixed name is neither written nor deleted.
TEST_F(RecordTest, DownloadTakesNoFileItFindsInTheTemporaryFolder) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring prepared = std::wstring(temp) + L"qln_plugin.tmp";
    test::WriteBytes(prepared, "someone else's");
    test::TestServer server;
    server.Start(L"--http-port " + std::to_wstring(QLN_DEMO_PORT) + L" --package \"" + test::UnixPath(package_) + L"\"");
    EXPECT_EQ(Run(L""), 0u);
    EXPECT_EQ(test::ReadBytes(In(L"qln_demo.rb")), kLoaderRb);
    EXPECT_EQ(test::ReadBytes(prepared), "someone else's");
    DeleteFileW(prepared.c_str());
}

// The install button's two menu entries act on the version selected on the page.
TEST_F(RecordTest, PageChecksAndUninstallsTheSelectedVersion) {
    const std::wstring plugins = GetPluginsDir(L"SketchUp 2021", PluginsKind::Automatic);
    ASSERT_EQ(test::StartProcess(QLN_DEMO_EXE_WINPATH, L"/quiet /package:\"" + package_ + L"\"").WaitExit(kWait), 0u);
    test::WriteBytes(plugins + L"\\qln_demo.rb", "changed");
    test::Process window = test::StartProcess(QLN_DEMO_EXE_WINPATH);
    HWND main = test::WaitForWindow(window.info.dwProcessId, L"Quorlen插件安装器_Form1", kWait);
    ASSERT_NE(main, nullptr);
    HWND page = FindWindowExW(FindWindowExW(main, nullptr, L"SysTabControl32", nullptr), nullptr,
                              L"Quorlen插件安装器_Form2", nullptr);
    HWND list = GetDlgItem(page, form2_ids::kList1);
    for (int i = 0; i < 400 && SendMessageW(list, LB_GETCOUNT, 0, 0) < 1; ++i) Sleep(25);
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(form2_ids::kList1, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    // The next box of the window: its text, answered with `button`.
    auto answer = [&](int button) {
        HWND box = test::WaitForWindow(window.info.dwProcessId, L"#32770", kWait);
        const std::wstring text = box ? test::WindowText(GetDlgItem(box, 0xFFFF)) : L"<no box>";
        if (box) PostMessageW(box, WM_COMMAND, button, 0);
        for (int i = 0; box && i < 400 && IsWindow(box); ++i) Sleep(25);
        return text;
    };
    PostMessageW(page, WM_COMMAND, kVerifyMenuId, 0);
    const std::wstring verified = answer(IDOK);
    EXPECT_NE(verified.find(L"已被改动的文件（1 个）：\n  qln_demo.rb"), std::wstring::npos);
    PostMessageW(page, WM_COMMAND, kUninstallMenuId, 0);
    EXPECT_NE(answer(IDYES).find(L"SketchUp 2021"), std::wstring::npos);
    EXPECT_NE(answer(IDOK).find(L"qln_demo.rb"), std::wstring::npos);
    EXPECT_FALSE(FileExists(plugins + L"\\qln_demo\\main.rb"));
    EXPECT_EQ(test::ReadBytes(plugins + L"\\qln_demo.rb"), "changed");
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(window.WaitExit(kWait), 0u);
}

}  // namespace
}  // namespace qln
