// The main window's geometry at the prefix's DPI: its size, the tab control above the status bar
// and the pages filling the tab control's display area one pixel below its top.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "forms/screen.h"
#include "message_boxes.h"
#include "pages/utilities_page.h"
#include "plugin/plugin_page.h"

namespace qln {
namespace {

void ExpectPagesFillTheTabs() {
    RECT area;
    GetWindowRect(Form1.tabControl, &area);
    SendMessageW(Form1.tabControl, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    MapWindowPoints(nullptr, Form1.tabControl, reinterpret_cast<POINT*>(&area), 2);
    for (HWND page : {Form2.window, Form3.window}) {
        RECT r;
        GetWindowRect(page, &r);
        MapWindowPoints(nullptr, Form1.tabControl, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, area.left);
        EXPECT_EQ(r.top, area.top + 1);
        EXPECT_EQ(r.right - r.left, area.right - area.left);
        EXPECT_EQ(r.bottom - r.top, area.bottom - area.top);
    }
    RECT client, tab, bar;
    GetClientRect(Form1.window, &client);
    GetWindowRect(Form1.tabControl, &tab);
    GetWindowRect(Form1.status, &bar);
    EXPECT_EQ(tab.right - tab.left, client.right);
    EXPECT_EQ(tab.bottom - tab.top, client.bottom - (bar.bottom - bar.top));
}

TEST(MainWindowGeometryTest, SizeFollowsTheDpiAndPagesFillTheTabControl) {
    HWND form = BuildForm1(nullptr, 0, 0);
    ASSERT_NE(form, nullptr);
    test::PumpMessages(100);
    RECT r;
    GetWindowRect(form, &r);
    if (ScreenLogPixelsX() == 144) {
        EXPECT_EQ(r.right - r.left, 645);
        EXPECT_EQ(r.bottom - r.top, 480);
    } else {
        EXPECT_EQ(r.right - r.left, 430);
        EXPECT_EQ(r.bottom - r.top, 320);
    }
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(r.left, work.left + ((work.right - work.left) - (r.right - r.left)) / 2);
    ExpectPagesFillTheTabs();

    ShowWindow(form, SW_MINIMIZE);
    test::PumpMessages(50);
    ShowWindow(form, SW_RESTORE);
    test::PumpMessages(50);
    ExpectPagesFillTheTabs();
    DestroyWindow(form);
    test::PumpMessages(50);
}

}  // namespace
}  // namespace qln
