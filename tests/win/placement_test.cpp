// Saving and restoring the placement of a real top-level window through an INI file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

#include "forms/layout/placement.h"

namespace qln {
namespace {

constexpr const wchar_t* kSection = L"Form1";

RECT WorkArea() {
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

WINDOWPLACEMENT PlacementOf(HWND window) {
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof(wp);
    GetWindowPlacement(window, &wp);
    return wp;
}

bool IsTopMost(HWND window) { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

::testing::AssertionResult NormalRectIs(HWND window, RECT expected) {
    const RECT r = PlacementOf(window).rcNormalPosition;
    if (EqualRect(&r, &expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "normal position (" << r.left << ", " << r.top << ", " << r.right << ", "
                                         << r.bottom << "), expected (" << expected.left << ", " << expected.top
                                         << ", " << expected.right << ", " << expected.bottom << ")";
}

class PlacementTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        iniFile_ = std::wstring(temp) + L"qln-placement-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                   std::wstring(info->name(), info->name() + std::strlen(info->name())) + L".ini";
        DeleteFileW(iniFile_.c_str());

        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QlnPlacementTestForm";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(0, wc.lpszClassName, L"placement", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 80, 400,
                                  300, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(window_);
    }
    void TearDown() override {
        if (window_) DestroyWindow(window_);
        // Drop the profile cache's copy of the file before deleting it.
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, iniFile_.c_str());
        DeleteFileW(iniFile_.c_str());
    }

    void Write(const wchar_t* key, const wchar_t* value) {
        ASSERT_TRUE(WritePrivateProfileStringW(kSection, key, value, iniFile_.c_str()));
    }
    std::wstring Read(const wchar_t* key) const {
        wchar_t buffer[64] = {};
        GetPrivateProfileStringW(kSection, key, L"<absent>", buffer, 64, iniFile_.c_str());
        return buffer;
    }
    void Place(RECT normal, UINT showCmd = SW_SHOWNORMAL) {
        WINDOWPLACEMENT wp = PlacementOf(window_);
        wp.rcNormalPosition = normal;
        wp.showCmd = showCmd;
        ASSERT_TRUE(SetWindowPlacement(window_, &wp));
    }

    std::wstring iniFile_;
    HWND window_ = nullptr;
};

TEST_F(PlacementTest, SaveWritesTheSevenKeysInOrder) {
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ASSERT_TRUE(SavePlacement(window_, iniFile_.c_str(), kSection));
    const WINDOWPLACEMENT wp = PlacementOf(window_);
    EXPECT_EQ(Read(L"Left"), std::to_wstring(wp.rcNormalPosition.left));
    EXPECT_EQ(Read(L"Right"), std::to_wstring(wp.rcNormalPosition.right));
    EXPECT_EQ(Read(L"Top"), std::to_wstring(wp.rcNormalPosition.top));
    EXPECT_EQ(Read(L"Bottom"), std::to_wstring(wp.rcNormalPosition.bottom));
    EXPECT_EQ(Read(L"Left"), L"100");
    EXPECT_EQ(Read(L"Bottom"), L"380");
    EXPECT_EQ(Read(L"TopMost"), L"-1");
    EXPECT_EQ(Read(L"flags"), std::to_wstring(wp.flags));
    EXPECT_EQ(Read(L"showCmd"), std::to_wstring(wp.showCmd));

    // In the file the keys follow one another in that order.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, iniFile_.c_str());
    wchar_t keys[512] = {};
    const DWORD length = GetPrivateProfileStringW(kSection, nullptr, L"", keys, 512, iniFile_.c_str());
    std::wstring listed;
    for (const wchar_t* k = keys; k < keys + length && *k; k += wcslen(k) + 1) listed += std::wstring(k) + L" ";
    EXPECT_EQ(listed, L"Left Right Top Bottom TopMost flags showCmd ");

    SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ASSERT_TRUE(SavePlacement(window_, iniFile_.c_str(), kSection));
    EXPECT_EQ(Read(L"TopMost"), L"0");
}

TEST_F(PlacementTest, MissingWindowOrTargetTouchesNothing) {
    HWND gone = window_;
    DestroyWindow(window_);
    window_ = nullptr;
    EXPECT_FALSE(SavePlacement(gone, iniFile_.c_str(), kSection));
    EXPECT_FALSE(LoadPlacement(gone, iniFile_.c_str(), kSection));
    EXPECT_FALSE(SavePlacement(nullptr, iniFile_.c_str(), kSection));
    EXPECT_EQ(GetFileAttributesW(iniFile_.c_str()), INVALID_FILE_ATTRIBUTES);

    // Without a file or a section name the profile functions would reach win.ini or whole
    // sections: refused.
    HWND live = CreateWindowExW(0, L"QlnPlacementTestForm", L"", WS_OVERLAPPEDWINDOW, 10, 10, 100, 100, nullptr,
                                nullptr, nullptr, nullptr);
    ASSERT_TRUE(live);
    EXPECT_FALSE(SavePlacement(live, nullptr, kSection));
    EXPECT_FALSE(SavePlacement(live, L"", kSection));
    EXPECT_FALSE(SavePlacement(live, iniFile_.c_str(), nullptr));
    EXPECT_FALSE(LoadPlacement(live, iniFile_.c_str(), L""));
    EXPECT_EQ(GetFileAttributesW(iniFile_.c_str()), INVALID_FILE_ATTRIBUTES);
    DestroyWindow(live);
}

TEST_F(PlacementTest, EmptySectionKeepsThePlacement) {
    Place({100, 80, 500, 380});
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Write(L"Other", L"1");  // the file exists, our section does not
    EXPECT_TRUE(LoadPlacement(window_, iniFile_.c_str(), kSection));
    EXPECT_TRUE(NormalRectIs(window_, {100, 80, 500, 380}));
    EXPECT_TRUE(IsTopMost(window_));

    // A missing file is an empty section too.
    const std::wstring missing = iniFile_ + L".none";
    EXPECT_TRUE(LoadPlacement(window_, missing.c_str(), kSection));
    EXPECT_TRUE(NormalRectIs(window_, {100, 80, 500, 380}));
}

TEST_F(PlacementTest, ZeroRightAndBottomBecomeTheDefaultSizeThenFit) {
    // A form not sized yet: a frameless window of no size at the origin (the system moves
    // windows that lie wholly off the screen, so this is how right and bottom edges of 0 occur).
    HWND unsized = CreateWindowExW(0, L"QlnPlacementTestForm", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                   nullptr);
    ASSERT_TRUE(unsized);
    ASSERT_TRUE(NormalRectIs(unsized, {0, 0, 0, 0}));
    EXPECT_TRUE(LoadPlacement(unsized, iniFile_.c_str(), kSection));
    EXPECT_TRUE(NormalRectIs(unsized, {0, 0, 750, 450}));

    // Only the missing edges are filled in; then the rectangle is fitted like any other.
    Write(L"Left", L"-300");
    Write(L"Top", L"-100");
    Write(L"Right", L"0");
    Write(L"Bottom", L"0");
    EXPECT_TRUE(LoadPlacement(unsized, iniFile_.c_str(), kSection));
    const RECT work = WorkArea();
    EXPECT_TRUE(NormalRectIs(unsized, {0, 0, std::min(1050L, work.right), 550}));
    DestroyWindow(unsized);
}

TEST_F(PlacementTest, WideRectangleIsCutToTheWorkArea) {
    const RECT work = WorkArea();
    Write(L"Left", L"200");
    Write(L"Right", std::to_wstring(work.right + 600).c_str());
    Write(L"Top", L"100");
    Write(L"Bottom", L"400");
    EXPECT_TRUE(LoadPlacement(window_, iniFile_.c_str(), kSection));
    EXPECT_TRUE(NormalRectIs(window_, {0, 100, work.right, 400}));

    Write(L"Left", L"10");
    Write(L"Right", L"300");
    Write(L"Top", L"-40");
    Write(L"Bottom", std::to_wstring(work.bottom + 1).c_str());
    EXPECT_TRUE(LoadPlacement(window_, iniFile_.c_str(), kSection));
    EXPECT_TRUE(NormalRectIs(window_, {10, 0, 300, work.bottom}));
}

TEST_F(PlacementTest, OffScreenRectangleIsMovedNotShrunk) {
    const RECT work = WorkArea();
    Write(L"Left", L"-150");
    Write(L"Right", L"250");
    Write(L"Top", L"-20");
    Write(L"Bottom", L"280");
    EXPECT_TRUE(LoadPlacement(window_, iniFile_.c_str(), kSection));
    EXPECT_TRUE(NormalRectIs(window_, {0, 0, 400, 300}));

    Write(L"Left", std::to_wstring(work.right - 100).c_str());
    Write(L"Right", std::to_wstring(work.right + 200).c_str());
    Write(L"Top", std::to_wstring(work.bottom - 50).c_str());
    Write(L"Bottom", std::to_wstring(work.bottom + 150.6).c_str());
    EXPECT_TRUE(LoadPlacement(window_, iniFile_.c_str(), kSection));
    EXPECT_TRUE(NormalRectIs(window_, {work.right - 300, work.bottom - 201, work.right, work.bottom}));
    RECT onScreen;
    GetWindowRect(window_, &onScreen);
    EXPECT_EQ(onScreen.right, work.right);
}

TEST_F(PlacementTest, AnyNonZeroTopMostMakesTheWindowTopMost) {
    for (const wchar_t* value : {L"-1", L"1", L"7", L"0.4"}) {
        SCOPED_TRACE(std::string(value, value + wcslen(value)));
        SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        Write(L"TopMost", value);
        EXPECT_TRUE(LoadPlacement(window_, iniFile_.c_str(), kSection));
        EXPECT_TRUE(IsTopMost(window_));
    }
    Write(L"TopMost", L"0");
    EXPECT_TRUE(LoadPlacement(window_, iniFile_.c_str(), kSection));
    EXPECT_FALSE(IsTopMost(window_));
}

TEST_F(PlacementTest, SavedPlacementComesBackAfterTheWindowMoved) {
    Place({120, 90, 620, 470}, SW_SHOWMAXIMIZED);
    ASSERT_TRUE(IsZoomed(window_));
    ASSERT_TRUE(SavePlacement(window_, iniFile_.c_str(), kSection));
    EXPECT_EQ(Read(L"showCmd"), std::to_wstring(SW_SHOWMAXIMIZED));

    Place({300, 200, 500, 300});
    ASSERT_FALSE(IsZoomed(window_));
    EXPECT_TRUE(LoadPlacement(window_, iniFile_.c_str(), kSection));
    EXPECT_TRUE(NormalRectIs(window_, {120, 90, 620, 470}));
    EXPECT_TRUE(IsZoomed(window_));

    ShowWindow(window_, SW_RESTORE);
    RECT r;
    GetWindowRect(window_, &r);
    EXPECT_EQ(r.left, 120);
    EXPECT_EQ(r.bottom, 470);
}

}  // namespace
}  // namespace qln
