// The installer's demo build run from outside on machines as users have them: a SketchUp that
// was installed but never started (its install location written with or without the trailing
// backslash its setup leaves, none of the folders its first start makes), a command line with an
// argument the installer does not know, and a close while a local package is being installed.
#include <gtest/gtest.h>

#include "discovery/discovery.h"
#include "leftovers.h"
#include "plugin/plugin_page.h"
#include "test_support.h"
#include "zip_writer.h"

namespace qln {
namespace {

constexpr DWORD kWait = 20000;
constexpr int kCommand2 = 105, kProgramFolderButton = 109;
const std::string kLoaderRb = "require 'qln_demo/main'\n";

struct NeverStarted {
    const wchar_t* entry;
    const wchar_t* location;  // as the registry holds it
    const wchar_t* program;   // written out by hand: one separator before the file name
};
const NeverStarted kVersions[] = {
    {L"SketchUp 2022", L"C:\\qln-tests\\SU 2022\\", L"C:\\qln-tests\\SU 2022\\SketchUp.exe"},
    {L"SketchUp 2023", L"C:\\qln-tests\\SU 2023", L"C:\\qln-tests\\SU 2023\\SketchUp.exe"},
};

std::wstring Quote(const std::wstring& text) { return L"\"" + text + L"\""; }

class FirstRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ResetDiscoveryWorld();
        for (const NeverStarted& v : kVersions) {
            test::MakeDirs(v.location);
            CopyFileW(QLN_STANDIN_WINPATH, v.program, FALSE);
            test::SeedVersionKey(v.entry, v.location);
        }
        package_ = test::ScratchRoot() + L"\\qln.rbz";
        test::WriteBytes(package_, test::BuildZip({test::Folder("qln_demo/"), test::File("qln_demo/main.rb", "puts 1\n"),
                                                   test::File("qln_demo.rb", kLoaderRb)}));
        log_ = test::ScratchRoot() + L"\\first.log";
    }
    void TearDown() override {
        if (main_ && IsWindow(main_)) PostMessageW(main_, WM_CLOSE, 0, 0);
        if (window_.Started()) window_.WaitExit(kWait);
        window_.Kill();
        test::EndLeftoverProcesses();
        test::ResetDiscoveryWorld();
    }

    void OpenWindow(const std::wstring& args) {
        window_ = test::StartProcess(QLN_DEMO_EXE_WINPATH, args);
        ASSERT_TRUE(window_.Started());
        main_ = test::WaitForWindow(window_.info.dwProcessId, L"Quorlen插件安装器_Form1", kWait);
        ASSERT_NE(main_, nullptr);
    }
    // A page of the main window, waiting for it (the later pages come after the first paint).
    HWND Page(const wchar_t* form) {
        HWND tabs = FindWindowExW(main_, nullptr, L"SysTabControl32", nullptr);
        HWND page = nullptr;
        for (const DWORD start = GetTickCount(); !page && GetTickCount() - start < kWait; Sleep(20))
            page = FindWindowExW(tabs, nullptr, form, nullptr);
        return page;
    }
    // A click on one of a page's buttons, as its window would send it.
    static void Click(HWND page, int id) {
        PostMessageW(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
    }
    // The next message box of the window's process (a dialog with the box's text), once the one
    // before has gone.
    HWND NextBox() {
        for (const DWORD start = GetTickCount(); GetTickCount() - start < kWait; Sleep(20))
            for (HWND w : test::TopLevelWindows(window_.info.dwProcessId, true))
                if (test::ClassOf(w) == L"#32770" && !test::WindowText(GetDlgItem(w, 0xFFFF)).empty()) return w;
        return nullptr;
    }
    static void Answer(HWND box, int button) {
        PostMessageW(box, WM_COMMAND, button, 0);
        for (const DWORD start = GetTickCount(); IsWindow(box) && GetTickCount() - start < kWait;) Sleep(20);
    }

    test::Process window_;
    HWND main_ = nullptr;
    std::wstring package_, log_;
};

TEST_F(FirstRunTest, ThePagesListItAndEveryPathBelowItHasOneSeparator) {
    ASSERT_NO_FATAL_FAILURE(OpenWindow(L""));
    HWND plugins = Page(L"Quorlen插件安装器_Form2"), utilities = Page(L"Quorlen插件安装器_Form3");
    ASSERT_NE(plugins, nullptr);
    ASSERT_NE(utilities, nullptr);
    HWND list = GetDlgItem(plugins, form2_ids::kList1);
    EXPECT_EQ(test::ListLines(list), (std::vector<std::wstring>{kVersions[0].entry, kVersions[1].entry}));

    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(kVersions[i].location)));
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
        SendMessageW(plugins, WM_COMMAND, MAKEWPARAM(form2_ids::kList1, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        {
            test::StartedProcessWatch watch;
            Click(plugins, kCommand2);
            const std::wstring started = watch.Next(L"SketchUp.exe", kWait);
            EXPECT_NE(started.find(kVersions[i].program), std::wstring::npos) << testing::PrintToString(started);
        }
        {
            test::StartedProcessWatch watch;
            Click(utilities, kProgramFolderButton);
            const std::wstring explorer = watch.Next(L"explorer.exe", kWait);
            EXPECT_NE(explorer.find(L"/select," + std::wstring(kVersions[i].program)), std::wstring::npos)
                << testing::PrintToString(explorer);
        }
    }
    test::CloseExplorerWindows(kWait);
}

// SketchUp reads its plugins from the folders its first start would have made: an installation
// before that start makes every one of them.
TEST_F(FirstRunTest, UnattendedRunsMakeTheFoldersAboveThePluginsFolder) {
    struct Run {
        const wchar_t* extra;
        const wchar_t* root;
    };
    for (const Run& run : {Run{L"", L"APPDATA"}, Run{L" /allusers", L"ALLUSERSPROFILE"}}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(run.root)));
        const std::wstring root = GetEnvText(run.root) + L"\\SketchUp";
        ASSERT_FALSE(test::IsDirectory(root));
        test::Process installer = test::StartProcess(
            QLN_DEMO_EXE_WINPATH, L"/quiet /version:2023 /package:" + Quote(package_) + L" /log:" + Quote(log_) + run.extra);
        EXPECT_EQ(installer.WaitExit(kWait), 0u) << test::ReadBytes(log_);
        EXPECT_EQ(test::ReadBytes(root + L"\\SketchUp 2023\\SketchUp\\Plugins\\qln_demo.rb"), kLoaderRb);
        EXPECT_FALSE(test::IsDirectory(root + L"\\SketchUp 2022"));
    }
}

TEST_F(FirstRunTest, AnArgumentItDoesNotKnowOpensTheWindowAndIsLogged) {
    ASSERT_NO_FATAL_FAILURE(OpenWindow(L"/S /log:" + Quote(log_)));
    const std::string log = test::ReadBytes(log_);
    EXPECT_NE(log.find(" window\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("  result: ignored-arguments - "), std::string::npos) << log;
    EXPECT_NE(log.find("/S\r\n"), std::string::npos) << log;
    PostMessageW(main_, WM_CLOSE, 0, 0);
    EXPECT_EQ(window_.WaitExit(kWait), 0u);
}

// The user confirms a large package and closes the window at once: the window waits for the
// installation, tells its result in a box of its own, and only then goes, with its process.
TEST_F(FirstRunTest, ACloseDuringALocalInstallationShowsItsResultThenEnds) {
    std::vector<test::ZipEntry> entries{test::Folder("qln_big/")};
    for (int i = 0; i < 2000; ++i) entries.push_back(test::File("qln_big/m" + std::to_string(i) + ".rb", "x\n"));
    entries.push_back(test::File("qln_big.rb", kLoaderRb));
    const std::wstring big = test::ScratchRoot() + L"\\big.rbz";
    test::WriteBytes(big, test::BuildZip(entries));
    ASSERT_NO_FATAL_FAILURE(OpenWindow(Quote(big)));
    HWND question = NextBox();
    ASSERT_NE(question, nullptr);
    Answer(question, IDYES);
    PostMessageW(main_, WM_CLOSE, 0, 0);

    HWND result = NextBox();
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(IsWindow(main_)) << "the window waits for the installation's result";
    EXPECT_EQ(GetWindow(result, GW_OWNER), main_);
    EXPECT_EQ(test::WindowText(GetDlgItem(result, 0xFFFF)), L"安装成功！");
    Answer(result, IDOK);
    EXPECT_EQ(window_.WaitExit(kWait), 0u);
    EXPECT_FALSE(IsWindow(main_));
    EXPECT_EQ(test::ReadBytes(GetPluginsDir(kVersions[0].entry, PluginsKind::Automatic) + L"\\qln_big.rb"), kLoaderRb);
}

}  // namespace
}  // namespace qln
