// The utilities and window pages come after the main window's first paint, loaded as they would
// have been at the start, without a click on their tabs.
#include <gtest/gtest.h>

#include "app/main_form.h"
#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "message_boxes.h"
#include "pages/utilities_page.h"
#include "pages/window_page.h"
#include "test_support.h"

namespace qln {
namespace {

class LaterPagesTest : public ::testing::Test {
protected:
    void SetUp() override { test::ResetDiscoveryWorld(); }
    void TearDown() override {
        if (Form1.window) DestroyWindow(Form1.window);
        test::PumpMessages(50);
        for (auto& p : sketchUps_) p.Kill();
        test::ResetDiscoveryWorld();
    }

    // A stand-in SketchUp whose one window carries `title`; answers that window.
    HWND StartSketchUp(const wchar_t* folder, const std::wstring& title) {
        const std::wstring dir = test::ScratchRoot() + L"\\" + folder;
        test::MakeDirs(dir);
        CopyFileW(QLN_STANDIN_WINPATH, (dir + L"\\SketchUp.exe").c_str(), FALSE);
        sketchUps_.push_back(test::StartProcess(dir + L"\\SketchUp.exe", L"--title \"" + title + L"\""));
        return test::WaitForWindow(sketchUps_.back().info.dwProcessId, nullptr, 10000);
    }

    static std::vector<std::wstring> WindowLines() {
        std::vector<std::wstring> lines;
        for (int i = 0; i < listbox::ListCount(Form4.list); ++i) lines.push_back(listbox::ItemText(Form4.list, i));
        return lines;
    }

    std::vector<test::Process> sketchUps_;
};

TEST_F(LaterPagesTest, BuiltAfterTheFirstPaintWithTheWindowsOfThatMoment) {
    test::SeedVersion(L"SketchUp 2021", nullptr, false);
    ASSERT_NE(StartSketchUp(L"early", L"甲 - SketchUp"), nullptr);

    ASSERT_NE(BuildForm1(nullptr, 0, 0), nullptr);
    // Not in the first frame's way: nothing of them exists when the window has just been built.
    EXPECT_EQ(Form3.window, nullptr);
    EXPECT_EQ(Form4.window, nullptr);
    ASSERT_TRUE(test::PumpUntil([] { return Form3.window && Form4.window; }, 5000));
    EXPECT_EQ(listbox::ListCount(Form3.list), 1);
    EXPECT_EQ(WindowLines(), std::vector<std::wstring>{L"甲 - SketchUp"});

    // A SketchUp started afterwards is not on the page the user then opens, until refreshed.
    ASSERT_NE(StartSketchUp(L"late", L"乙 - SketchUp"), nullptr);
    test::PumpMessages(100);
    NMHDR changed = {Form1.tabControl, 102, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(Form1.tabControl, TCM_SETCURSEL, 2, 0);
    SendMessageW(Form1.window, WM_NOTIFY, 102, reinterpret_cast<LPARAM>(&changed));
    EXPECT_TRUE(IsWindowVisible(Form4.window));
    EXPECT_EQ(WindowLines(), std::vector<std::wstring>{L"甲 - SketchUp"});
    SendMessageW(Form4.window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Form4.refresh), BN_CLICKED),
                 reinterpret_cast<LPARAM>(Form4.refresh));
    std::vector<std::wstring> lines = WindowLines();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"乙 - SketchUp", L"甲 - SketchUp"}));
}

}  // namespace
}  // namespace qln
