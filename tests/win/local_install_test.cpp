// A local package installed through the window: the work runs beside the window, which keeps
// painting and answering, says what it is doing and moves its bar through the members.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "app/main_form.h"
#include "forms/controls/windowless.h"
#include "message_boxes.h"
#include "plugin/package_install.h"
#include "plugin/plugin_page.h"
#include "test_support.h"
#include "zip_writer.h"

namespace qln {
namespace {

constexpr int kMembers = 2000;

// Asks the window for an answer over and over from a thread of its own, keeping the slowest.
class AnswerProbe {
public:
    explicit AnswerProbe(HWND window)
        : thread_([this, window] {
              while (!stop_) {
                  LARGE_INTEGER before, after, frequency;
                  QueryPerformanceFrequency(&frequency);
                  QueryPerformanceCounter(&before);
                  DWORD_PTR result = 0;
                  const bool answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
                  QueryPerformanceCounter(&after);
                  const auto ms = static_cast<long>((after.QuadPart - before.QuadPart) * 1000 / frequency.QuadPart);
                  slowest_ = std::max<long>(slowest_, answered ? ms : 5000);
                  ++probes_;
                  Sleep(20);
              }
          }) {}
    ~AnswerProbe() { Stop(); }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    long Slowest() const { return slowest_; }
    int Probes() const { return probes_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<long> slowest_{0};
    std::atomic<int> probes_{0};
    std::thread thread_;
};

class LocalInstallTest : public ::testing::Test {
protected:
    void SetUp() override { test::ResetDiscoveryWorld(); }
    void TearDown() override {
        test::PumpUntil([] { return DownloadBusy.load() == 0; }, 30000);
        if (Form1.window) DestroyWindow(Form1.window);
        test::PumpMessages(50);
        test::ResetDiscoveryWorld();
        DownloadBusy.store(0);
    }
};

TEST_F(LocalInstallTest, TheWindowAnswersAndShowsTheWorkWhileThousandsOfMembersAreInstalled) {
    test::SeedVersion(L"SketchUp 2021", nullptr, false);
    std::vector<test::ZipEntry> entries{test::Folder("qln_big/")};
    for (int i = 0; i < kMembers; ++i)
        entries.push_back(test::File("qln_big/m" + std::to_string(i) + ".rb", "puts " + std::to_string(i) + "\n"));
    const std::wstring package = test::ScratchRoot() + L"\\big.rbz";
    test::WriteBytes(package, test::BuildZip(entries));
    ASSERT_NE(BuildForm1(nullptr, 0, 0), nullptr);
    test::PumpMessages(100);
    HWND main = Form1.window;

    test::MessageBoxCatcher catcher(true);
    AnswerProbe probe(main);
    // The confirmation is answered Yes; then the installation must leave this thread to the window.
    InstallLocalPackage(Form2.window, package);
    test::CaughtBox question, result;
    ASSERT_TRUE(catcher.Next(question));
    EXPECT_NE(question.text.find(package), std::wstring::npos);

    std::vector<int> positions;
    bool toldInstalling = false, caught = false;
    for (const DWORD start = GetTickCount(); !caught && GetTickCount() - start < 120000;) {
        positions.push_back(static_cast<int>(SendMessageW(Form2.progress1, PBM_GETPOS, 0, 0)));
        toldInstalling = toldInstalling || windowless::Caption(Form2.window, form2_ids::kLabel1) == L"开始安装。。。";
        caught = catcher.Next(result, 20);
    }
    probe.Stop();
    ASSERT_TRUE(caught);
    EXPECT_EQ(result.text, L"安装成功！");
    EXPECT_EQ(result.owner, main);
    EXPECT_TRUE(toldInstalling);
    EXPECT_LT(probe.Slowest(), 200) << "of " << probe.Probes() << " answers";
    EXPECT_TRUE(std::any_of(positions.begin(), positions.end(), [](int p) { return p > 1 && p < 100; }))
        << testing::PrintToString(positions);

    ASSERT_TRUE(test::PumpUntil([] { return DownloadBusy.load() == 0; }, 15000));
    test::PumpMessages(50);
    EXPECT_EQ(windowless::Caption(Form2.window, form2_ids::kLabel1), L"");
    EXPECT_FALSE(IsWindowVisible(Form2.progress1));
    const std::wstring plugins = GetPluginsDir(L"SketchUp 2021", PluginsKind::PerUser);
    EXPECT_EQ(test::ReadBytes(plugins + L"\\qln_big\\m" + std::to_wstring(kMembers - 1) + L".rb"),
              "puts " + std::to_string(kMembers - 1) + "\n");
}

}  // namespace
}  // namespace qln
