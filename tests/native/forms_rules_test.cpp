// The platform-independent rules of the form framework: rounding, anchors, status bar parts,
// font specs, colour values and the control keyword table.
#include <gtest/gtest.h>

#include "forms/engine/control_keywords.h"
#include "forms/layout/color_value.h"
#include "forms/layout/font_spec.h"
#include "forms/layout/layout_rules.h"

namespace qln {
namespace {

TEST(LayoutRulesTest, ScalingRoundsHalvesToEven) {
    EXPECT_EQ(RoundHalfEven(358.5), 358);
    EXPECT_EQ(RoundHalfEven(359.5), 360);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(ScaleRounded(416, 1.5f), 624);
    EXPECT_EQ(ScaleRounded(239, 1.5f), 358);
    EXPECT_EQ(ScaleRounded(430, 1.5f), 645);
    EXPECT_EQ(ScaleRounded(320, 1.5f), 480);
    EXPECT_EQ(ScaleRounded(7, 1.25f), 9);  // 8.75
}

TEST(LayoutRulesTest, FrameCaptionBoxRoundsHalvesToEven) {
    // The frames of the pages at (11, 15) with corner 3 and border 1: at 144 DPI the top edge
    // 22.5 is 22 (the nearest even), not 23; at 120 DPI a top of 10 (12.5) is 12.
    EXPECT_EQ(FrameCaptionDeviceBox(11, 15, 200, 184, 3, 1, 1.5f, 1.5f), (DeviceBox{24, 22, 294, 298}));
    EXPECT_EQ(FrameCaptionDeviceBox(11, 15, 200, 184, 3, 1, 1.0f, 1.0f), (DeviceBox{16, 15, 196, 199}));
    EXPECT_EQ(FrameCaptionDeviceBox(11, 10, 200, 184, 3, 1, 1.25f, 1.25f), (DeviceBox{20, 12, 245, 242}));
    EXPECT_EQ(FrameCaptionDeviceBox(224, 15, 180, 210, 3, 1, 2.0f, 2.0f), (DeviceBox{458, 30, 778, 450}));
}

TEST(LayoutRulesTest, IntegerConversionsFloor) {
    EXPECT_EQ(ScaleFloor(7, 1.25f), 8);
    EXPECT_EQ(UnscaleFloor(10, 1.25f), 8);
    EXPECT_EQ(UnscaleFloor(-1, 1.5f), -1);
    EXPECT_EQ(UnscaleFloor(15, 1.5f), 10);
}

TEST(LayoutRulesTest, AnchorRuleTable) {
    AnchorData a;
    a.designLeft = 10;
    a.designTop = 20;
    a.anchorRight = 10;
    a.anchorBottom = 10;
    a.anchorCenterX = -5;
    a.anchorCenterY = 3;
    const int W = 301, H = 201, w = 50, h = 30;
    auto at = [&](int kind) {
        a.anchor = kind;
        return ComputeAnchorRect(a, W, H, w, h);
    };
    EXPECT_EQ(at(0), (LogicalRect{10, 20, 50, 30}));
    EXPECT_EQ(at(1), (LogicalRect{10, 20, 281, 30}));
    EXPECT_EQ(at(2), (LogicalRect{241, 20, 50, 30}));
    EXPECT_EQ(at(3), (LogicalRect{145, 20, 50, 30}));  // 301 / 2 = 150
    EXPECT_EQ(at(4), (LogicalRect{10, 20, 50, 171}));
    EXPECT_EQ(at(5), (LogicalRect{10, 20, 281, 171}));
    EXPECT_EQ(at(6), (LogicalRect{241, 20, 50, 171}));
    EXPECT_EQ(at(7), (LogicalRect{10, 161, 50, 30}));
    EXPECT_EQ(at(8), (LogicalRect{10, 161, 281, 30}));
    EXPECT_EQ(at(9), (LogicalRect{241, 161, 50, 30}));
    EXPECT_EQ(at(10), (LogicalRect{145, 161, 50, 30}));
    EXPECT_EQ(at(11), (LogicalRect{10, 103, 50, 30}));
    EXPECT_EQ(at(12), (LogicalRect{241, 103, 50, 30}));
    EXPECT_EQ(at(13), (LogicalRect{145, 103, 50, 30}));
    EXPECT_EQ(at(14), (LogicalRect{0, 0, 0, 0}));
    EXPECT_EQ(at(-1), (LogicalRect{0, 0, 0, 0}));

    // Stretching never goes below zero when the client shrinks past the margins.
    a.anchor = 5;
    EXPECT_EQ(ComputeAnchorRect(a, 5, 5, w, h), (LogicalRect{10, 20, 0, 0}));
}

TEST(LayoutRulesTest, StatusBarPartsShareTheRest) {
    EXPECT_EQ(StatusBarPartEdges({55, 110, 65, 0}, 400, 1.0f), (std::vector<int>{55, 165, 230, 400}));
    // 82.5 and 97.5 round to the even neighbours 82 and 98.
    EXPECT_EQ(StatusBarPartEdges({55, 110, 65, 0}, 600, 1.5f), (std::vector<int>{82, 247, 345, 600}));
    EXPECT_EQ(StatusBarPartEdges({0, 100, 0}, 400, 1.0f), (std::vector<int>{133, 233, 400}));
    EXPECT_EQ(StatusBarPartEdges({}, 400, 1.0f), std::vector<int>{});
}

TEST(FontSpecTest, FieldsDefaultsAndTrimming) {
    FontSpec f = ParseFontSpec(L"Microsoft YaHei,9,0");
    EXPECT_EQ(f.face, L"Microsoft YaHei");
    EXPECT_EQ(f.points, 9);
    EXPECT_FALSE(f.bold);

    f = ParseFontSpec(L"Arial,30,1,1");
    EXPECT_TRUE(f.bold);
    EXPECT_TRUE(f.italic);
    EXPECT_FALSE(f.underline);

    f = ParseFontSpec(L"");
    EXPECT_EQ(f.face, L"SimSun");
    EXPECT_EQ(f.points, 9);
    EXPECT_EQ(ParseFontSpec(L",12").points, 12);
    EXPECT_EQ(ParseFontSpec(L",12").face, L"SimSun");
    EXPECT_EQ(ParseFontSpec(L"Tahoma,abc").points, 9);
    EXPECT_EQ(ParseFontSpec(L"Tahoma,0").points, 9);
    EXPECT_EQ(ParseFontSpec(L"  Tahoma  , 11 ").face, L"Tahoma");
    EXPECT_EQ(ParseFontSpec(L"  Tahoma  , 11 ").points, 11);

    // Flags read their low eight bits; text after a sixth comma is ignored.
    f = ParseFontSpec(L"A,9,0,256,257,1,1,1");
    EXPECT_FALSE(f.italic);
    EXPECT_TRUE(f.underline);
    EXPECT_TRUE(f.strikeout);
    EXPECT_EQ(ParseFontSpec(std::wstring(40, L'x')).face.size(), 31u);
}

TEST(FontSpecTest, HeightFollowsDpiAndScreenResolution) {
    EXPECT_EQ(FontHeightForPoints(9, -1, 96, 96).height, -12);
    EXPECT_EQ(FontHeightForPoints(9, -1, 144, 144).height, -18);
    EXPECT_EQ(FontHeightForPoints(9, 144, 96, 96).height, -17);  // 13 points after the integer step
    EXPECT_EQ(FontHeightForPoints(30, -1, 96, 96).points, 30);
    EXPECT_EQ(FontHeightForPoints(9, 120, 96, 96).points, 11);  // integer division first
    EXPECT_EQ(MulDivRounded(7, 96, 72), 9);    // 9.33
    EXPECT_EQ(MulDivRounded(-3, 1, 2), -2);    // halves away from zero
    EXPECT_EQ(MulDivRounded(1, 1, 0), -1);
}

std::uint32_t FakeSysColor(int index) { return 0x00102030u + static_cast<std::uint32_t>(index); }

TEST(ColorValueTest, ResolveAndArgb) {
    EXPECT_EQ(ResolveColorWith(kColorInherit, 0xABCDEF, FakeSysColor), 0xABCDEFu);
    EXPECT_EQ(ResolveColorWith(kColorBtnFace, 0, FakeSysColor), FakeSysColor(15));
    EXPECT_EQ(ResolveColorWith(0x1F7F7F7F, 0, FakeSysColor), 0x7F7F7Fu);  // index 31
    EXPECT_EQ(ResolveColorWith(0x11223344, 0, FakeSysColor), 0x223344u);

    EXPECT_EQ(ColorToArgbWith(0x00FF0000, 0, FakeSysColor), 0x000000FFu);
    EXPECT_EQ(ColorToArgbWith(0x80112233, 0, FakeSysColor), 0x80332211u);
    EXPECT_EQ(ColorToArgbWith(kColorInherit, 0x12345678, FakeSysColor), 0x12345678u);
    EXPECT_EQ(ColorToArgbWith(kColorBtnFace, 0, FakeSysColor), 0xFF3F2010u);  // opaque, swapped
    EXPECT_TRUE(IsInherit(kColorInherit));
    EXPECT_FALSE(IsInherit(kColorBtnFace));
}

TEST(ControlKeywordsTest, TableMatchesInAnyCaseAndFallsBackToTheKeyword) {
    const ControlKind progress = LookupControlKeyword(L"ProgressBar");
    EXPECT_EQ(progress.className, L"msctls_progress32");
    EXPECT_EQ(progress.setup, ControlSetup::Progress);
    EXPECT_FALSE(progress.formFont);

    const ControlKind group = LookupControlKeyword(L"noxbungroup");
    EXPECT_EQ(group.className, L"noxbungroup");
    EXPECT_TRUE(group.formFont);

    EXPECT_EQ(LookupControlKeyword(L"listbox").className, L"listbox");  // the caller's keyword
    EXPECT_EQ(LookupControlKeyword(L"listbox").setup, ControlSetup::ListBox);
    EXPECT_EQ(LookupControlKeyword(L"Button").className, L"Button");
    EXPECT_EQ(LookupControlKeyword(L"option").className, L"Button");
    EXPECT_EQ(LookupControlKeyword(L"label").className, L"Static");
    EXPECT_FALSE(LookupControlKeyword(L"FRAME").formFont);
    EXPECT_EQ(LookupControlKeyword(L"tab").setup, ControlSetup::Tab);
    EXPECT_EQ(LookupControlKeyword(L"StatusBar").className, L"msctls_statusbar32");
    EXPECT_EQ(LookupControlKeyword(L"IconLabel").setup, ControlSetup::IconImage);
    EXPECT_TRUE(LookupControlKeyword(L"IconLabel").imageIsLabel);
    EXPECT_FALSE(LookupControlKeyword(L"IconButton").imageIsLabel);
    EXPECT_EQ(LookupControlKeyword(L"slider").setup, ControlSetup::None);
    EXPECT_EQ(LookupControlKeyword(L"RichEdit").className, L"RichEdit50W");
}

}  // namespace
}  // namespace qln
