// The main window built and destroyed many times, and its pages painted many times, without the
// process holding more GDI or USER objects afterwards; and pictures of the three pages at the
// prefix's DPI, for people to look at (scripts/screenshots.sh copies them into docs/screenshots).
#include <windows.h>
#include <commctrl.h>
#include <objidl.h>  // before GDI+, which needs what WIN32_LEAN_AND_MEAN leaves out
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/main_form.h"
#include "forms/button_group/button_group.h"
#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "forms/engine/form_engine.h"
#include "gui_objects.h"
#include "message_boxes.h"
#include "pages/utilities_page.h"
#include "pages/window_page.h"
#include "plugin/plugin_page.h"
#include "test_support.h"

namespace qln {
namespace {

class MainWindowSoakTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The soak is long: it runs at the lowest and the highest DPI of the session.
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        const bool screenshots = testing::UnitTest::GetInstance()->current_test_info()->name() ==
                                 std::string("ScreenshotsOfTheThreePages");
        if (!screenshots && dpi != 96 && dpi != 192) GTEST_SKIP() << "soak runs at 96 and 192 DPI";
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
        ASSERT_NE(RegisterFormClass(kButtonGroupClass, GetModuleHandleW(nullptr), nullptr), 0);
        test::ResetDiscoveryWorld();
        // Two versions in the lists, so that the pages have something to draw.
        for (const wchar_t* entry : {L"SketchUp 2021", L"SketchUp 2023"}) {
            const std::wstring location = test::ScratchRoot() + L"\\" + entry + L"\\";
            test::MakeDirs(location);
            test::SeedVersionKey(entry, location);
            test::MakeDirs(test::PerUserScanRoot() + L"\\" + entry + L"\\SketchUp");
        }
    }
    void TearDown() override {
        if (!token_) return;
        if (Form1.window) DestroyWindow(Form1.window);
        test::PumpMessages(50);
        test::ResetDiscoveryWorld();
        Gdiplus::GdiplusShutdown(token_);
    }

    static void BuildAndDestroy() {
        HWND form = BuildForm1(nullptr, 0, 0);
        ASSERT_NE(form, nullptr);
        EnsureAllPages();
        test::PumpMessages(0);
        DestroyWindow(form);
        test::PumpMessages(0);
    }

private:
    ULONG_PTR token_ = 0;
};

TEST_F(MainWindowSoakTest, TwoHundredWindowsLeaveNothingBehind) {
    // The first window fills the process-wide caches (fonts, classes) that live on.
    BuildAndDestroy();
    const int gdi = test::GdiObjectCount(), user = test::UserObjectCount();
    ASSERT_GT(gdi, 0);
    for (int i = 0; i < 200; ++i) {
        ASSERT_NO_FATAL_FAILURE(BuildAndDestroy()) << "window " << i;
    }
    EXPECT_EQ(test::GdiObjectCount(), gdi);
    EXPECT_EQ(test::UserObjectCount(), user);
}

TEST_F(MainWindowSoakTest, AThousandPaintsOfEachPageLeaveNothingBehind) {
    HWND form = BuildForm1(nullptr, 0, 0);
    ASSERT_NE(form, nullptr);
    EnsureAllPages();
    test::PumpMessages(100);
    HWND pages[] = {Form2.window, Form3.window, Form4.window};
    for (int tab = 0; tab < 3; ++tab) {
        SCOPED_TRACE(testing::Message() << "page " << tab);
        tabs::SetSelection(Form1.tabControl, tab);
        HWND page = pages[tab];
        ASSERT_TRUE(IsWindowVisible(page));
        auto paint = [&] {
            RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        };
        // A page shown for the first time may still get windows of the system's own (IME and
        // the like): they come with the first paints, never with later ones.
        for (int i = 0; i < 10; ++i) paint();
        test::PumpMessages(200);
        const int gdi = test::GdiObjectCount(), user = test::UserObjectCount();
        for (int i = 0; i < 1000; ++i) paint();
        test::PumpMessages(0);
        EXPECT_EQ(test::GdiObjectCount(), gdi);
        EXPECT_EQ(test::UserObjectCount(), user);
    }
}

// PNG of a window as it shows on the screen, frame and caption included.
void SaveWindowPng(HWND window, const std::wstring& path) {
    RECT r = {};
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    ReleaseDC(nullptr, screen);
    Gdiplus::GpBitmap* image = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) == Gdiplus::Ok) {
        const CLSID png = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
        Gdiplus::DllExports::GdipSaveImageToFile(image, path.c_str(), &png, nullptr);
        Gdiplus::DllExports::GdipDisposeImage(image);
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
}

// <build>/screenshots/main_<dpi>_<page>.png for each of the three pages, with two versions
// listed and a stand-in SketchUp window on the window page.
TEST_F(MainWindowSoakTest, ScreenshotsOfTheThreePages) {
    const std::wstring folder = test::ScratchRoot() + L"\\run";
    test::MakeDirs(folder);
    CopyFileW(QLN_STANDIN_WINPATH, (folder + L"\\SketchUp.exe").c_str(), FALSE);
    test::Process standin = test::StartProcess(folder + L"\\SketchUp.exe");
    HWND sketchUp = test::WaitForWindow(standin.info.dwProcessId, L"QlnStandinSketchUp", 10000);
    ASSERT_NE(sketchUp, nullptr);
    SetWindowPos(sketchUp, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);

    HWND form = BuildForm1(nullptr, 0, 0);
    ASSERT_NE(form, nullptr);
    EnsureAllPages();
    test::PumpMessages(200);
    SetWindowPos(form, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    CreateDirectoryW(QLN_SCREENSHOT_DIR, nullptr);
    HDC screen = GetDC(nullptr);
    const std::wstring dpi = std::to_wstring(GetDeviceCaps(screen, LOGPIXELSX));
    ReleaseDC(nullptr, screen);
    const wchar_t* names[] = {L"plugins", L"utilities", L"windows"};
    for (int tab = 0; tab < 3; ++tab) {
        tabs::SetSelection(Form1.tabControl, tab);
        RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        test::PumpMessages(200);
        const std::wstring path = std::wstring(QLN_SCREENSHOT_DIR) + L"\\main_" + dpi + L"_" + names[tab] + L".png";
        DeleteFileW(path.c_str());
        SaveWindowPng(form, path);
        EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << names[tab];
    }
    DestroyWindow(form);
    test::PumpMessages(50);
    standin.Kill();
}

}  // namespace
}  // namespace qln
