// The real executable, started twice: the second copy says so and both end with exit code 0.
#include <gtest/gtest.h>

#include "test_support.h"

namespace qln {
namespace {

constexpr const wchar_t* kMainClass = L"Quorlen插件安装器_Form1";
constexpr DWORD kWait = 10000;

TEST(SingleInstanceTest, SecondStartIsRefusedWithAnUnownedMessageAndBothExitWithZero) {
    test::Process first = test::StartProcess(QLN_EXE_WINPATH);
    ASSERT_TRUE(first.Started());
    HWND main = test::WaitForWindow(first.info.dwProcessId, kMainClass, kWait);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(test::WindowText(main), L"Quorlen插件安装器");

    test::Process second = test::StartProcess(QLN_EXE_WINPATH);
    ASSERT_TRUE(second.Started());
    HWND box = test::WaitForWindow(second.info.dwProcessId, L"#32770", kWait);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
    EXPECT_EQ(test::WindowText(box), L"Quorlen插件安装器");
    EXPECT_EQ(test::WindowText(GetDlgItem(box, 0xFFFF)), L"Quorlen插件安装器已打开，请勿重复运行");
    // The message box is the only window the second copy ever shows.
    for (HWND window : test::TopLevelWindows(second.info.dwProcessId, true)) EXPECT_EQ(window, box);

    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(second.WaitExit(kWait), 0u);

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitExit(kWait), 0u);

    // The mutex went with the first process: a new start is the first instance again.
    test::Process third = test::StartProcess(QLN_EXE_WINPATH);
    HWND again = test::WaitForWindow(third.info.dwProcessId, kMainClass, kWait);
    ASSERT_NE(again, nullptr);
    PostMessageW(again, WM_CLOSE, 0, 0);
    EXPECT_EQ(third.WaitExit(kWait), 0u);
}

}  // namespace
}  // namespace qln
