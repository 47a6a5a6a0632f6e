// The button group's window-free rules: row and column layout, hit testing, the look of each
// state and the style presets.
#include <gtest/gtest.h>

#include <vector>

#include "forms/button_group/button_group_layout.h"

namespace qln {
namespace {

constexpr std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) { return r | (g << 8) | (b << 16); }

LayoutItem Picture(int kind = 0, int align = 0) {
    LayoutItem it;
    it.kind = kind;
    it.align = align;
    it.hasPicture = true;
    return it;
}

LayoutItem Captioned(int textWidth, bool picture) {
    LayoutItem it;
    it.hasPicture = picture;
    it.hasText = true;
    it.textWidth = textWidth;
    return it;
}

struct Box {
    int x, y, w, h;
    bool operator==(const Box&) const = default;
};
Box BoxOf(const LayoutItem& it) { return {it.x, it.y, it.w, it.h}; }
void PrintTo(const Box& b, std::ostream* os) { *os << "(" << b.x << ", " << b.y << ", " << b.w << " x " << b.h << ")"; }

TEST(ButtonGroupLayoutTest, HelpButtonOfThePluginPageSitsAtOneTwoWithItsIconAtSixFour) {
    // 36 device pixels are 37 logical ones for the layout, at 96 and at 144 DPI.
    EXPECT_EQ(GroupLogicalExtent(36, 1.0f), 37);
    EXPECT_EQ(GroupLogicalExtent(54, 1.5f), 37);
    EXPECT_EQ(GroupLogicalExtent(55, 1.5f), 38);

    std::vector<LayoutItem> items{Picture()};
    LayoutGroup({24, false, 32, 30, 1}, 37, 37, items);
    EXPECT_TRUE(items[0].drawn);
    EXPECT_EQ(BoxOf(items[0]), (Box{1, 2, 32, 30}));
    EXPECT_EQ(items[0].captionWidth, 0);
    // The icon goes 3 right and 2 down of the picture cell.
    EXPECT_EQ(PictureLeft(items[0], 24) + 3, 6);
    EXPECT_EQ(items[0].y + 2, 4);
}

TEST(ButtonGroupLayoutTest, RowPacksFromBothEndsWithSeparatorsTakingSpacingPlusOne) {
    std::vector<LayoutItem> items{Picture(), Picture(3), Picture(), Picture(0, 1), Picture(3, 1)};
    LayoutGroup({16, false, 24, -1, 2}, 200, 30, items);
    // Default height is the icon plus 2, centred one pixel high.
    EXPECT_EQ(BoxOf(items[0]), (Box{2, 5, 24, 18}));
    EXPECT_TRUE(items[1].separator);
    EXPECT_EQ(items[1].w, 0);
    EXPECT_FLOAT_EQ(items[1].lineX1, 28.0f);
    EXPECT_FLOAT_EQ(items[1].lineX2, 28.0f);
    EXPECT_FLOAT_EQ(items[1].lineY1, 8.0f);
    EXPECT_FLOAT_EQ(items[1].lineY2, 20.0f);
    EXPECT_EQ(BoxOf(items[2]), (Box{31, 5, 24, 18}));
    EXPECT_EQ(BoxOf(items[3]), (Box{174, 5, 24, 18}));
    EXPECT_TRUE(items[4].separator);
    EXPECT_FLOAT_EQ(items[4].lineX1, 171.0f);
}

TEST(ButtonGroupLayoutTest, RowWidthsFollowTheCaption) {
    // Automatic width: picture, caption + 8 and 4 pixels of margin; text alone is just the caption.
    std::vector<LayoutItem> items{Captioned(30, true), Captioned(30, false), Captioned(100, false)};
    LayoutGroup({16, false, -1, -1, 1}, 100, 20, items);
    EXPECT_EQ(BoxOf(items[0]).w, 58);
    EXPECT_EQ(items[0].captionWidth, 38);
    EXPECT_EQ(PictureLeft(items[0], 16), 1);
    EXPECT_EQ(items[1].x, 60);
    EXPECT_EQ(items[1].w, 38);
    EXPECT_EQ(items[1].captionWidth, 34);
    // Only the room left (100 − 1 − 58 − 1 − 38 = 2, less twice the spacing) is given out.
    EXPECT_EQ(items[2].w, 0);
    EXPECT_EQ(items[2].captionWidth, 0);

    // Fixed width: the picture and the caption centred together when there is room for them.
    std::vector<LayoutItem> fixed{Captioned(30, true), Captioned(30, true), Captioned(30, false)};
    fixed[0].width = 80;
    fixed[1].width = 60;
    LayoutGroup({16, false, 40, -1, 0}, 300, 20, fixed);
    EXPECT_EQ(fixed[0].captionWidth, 38);
    EXPECT_EQ(PictureLeft(fixed[0], 16), 11);
    EXPECT_EQ(fixed[1].captionWidth, 36);  // no room to centre: all that is left beside the icon
    EXPECT_EQ(fixed[2].w, 40);
    EXPECT_EQ(fixed[2].captionWidth, 36);
}

TEST(ButtonGroupLayoutTest, ItemsWithoutRoomOrHiddenAreLeftOut) {
    std::vector<LayoutItem> items{Picture(), Picture(31), Picture(), Picture()};
    items[3].x = 7;  // from an earlier paint
    LayoutGroup({16, false, 20, -1, 0}, 50, 20, items);
    EXPECT_EQ(BoxOf(items[0]), (Box{0, 0, 20, 18}));
    EXPECT_FALSE(items[1].drawn);
    EXPECT_EQ(items[1].w, 0);
    EXPECT_EQ(items[2].x, 20);  // the hidden item took no room
    // 10 pixels left: not more than the icon size.
    EXPECT_FALSE(items[3].drawn);
    EXPECT_EQ(BoxOf(items[3]), (Box{7, 0, 0, 18}));
}

TEST(ButtonGroupLayoutTest, ColumnStacksCentredItemsFromTopAndBottom) {
    std::vector<LayoutItem> items{Picture(), Picture(0, 1), Picture(3), Picture(3, 1), Captioned(10, true),
                                  Captioned(10, false), Picture(31)};
    LayoutGroup({16, true, -1, -1, 1}, 40, 200, items);
    EXPECT_EQ(BoxOf(items[0]), (Box{3, 1, 34, 18}));
    EXPECT_EQ(BoxOf(items[1]), (Box{3, 181, 34, 18}));
    EXPECT_FLOAT_EQ(items[2].lineY1, 21.0f);
    EXPECT_FLOAT_EQ(items[2].lineX1, 6.0f);
    EXPECT_FLOAT_EQ(items[2].lineX2, 34.0f);
    EXPECT_FLOAT_EQ(items[3].lineY1, 180.0f);
    EXPECT_EQ(items[4].y, 22);
    EXPECT_EQ(items[4].captionWidth, 10);  // 34 − 16 − 8: too narrow to centre
    EXPECT_EQ(items[5].captionWidth, 30);
    EXPECT_EQ(items[6].h, 0);

    // The room left only shrinks in a row: a narrow column takes every item.
    std::vector<LayoutItem> many(10, Picture());
    LayoutGroup({16, true, -1, -1, 0}, 20, 400, many);
    for (const LayoutItem& it : many) EXPECT_TRUE(it.drawn);
    EXPECT_EQ(many[9].y, 9 * 18);
}

TEST(ButtonGroupLayoutTest, HitTestTakesTheFirstItemThatCanBeHitEdgesIncluded) {
    const std::vector<HitBox> boxes{
        {31, true, 0, 0, 50, 50},   // hidden
        {3, true, 0, 0, 50, 50},    // separator
        {0, false, 0, 0, 50, 50},   // shows nothing
        {0, true, 10, 10, 0, 20},   // left out of the layout
        {21, true, 10, 10, 20, 20}, // disabled items can still be hit
        {0, true, 10, 10, 30, 30},
    };
    EXPECT_EQ(HitTestItems(boxes, 10, 10), 5);
    EXPECT_EQ(HitTestItems(boxes, 30, 30), 5);
    EXPECT_EQ(HitTestItems(boxes, 31, 30), 6);
    EXPECT_EQ(HitTestItems(boxes, 41, 10), 0);
    EXPECT_EQ(HitTestItems(boxes, 9, 20), 0);
    EXPECT_EQ(DeviceToLogical(53, 1.5f), 35);
    EXPECT_EQ(DeviceToLogical(3, 1.5f), 2);
}

LookInput Look(int kind, bool hot = false, bool pressed = false, int border = 0) {
    LookInput in;
    in.kind = kind;
    in.hot = hot;
    in.pressed = pressed;
    in.borderStyle = border;
    in.groupFore = Rgb(1, 1, 1);
    in.downBack = Rgb(30, 160, 215);
    in.downFore = Rgb(255, 255, 255);
    in.hoverBack = Rgb(153, 180, 209);
    return in;
}

TEST(ButtonGroupLayoutTest, LookOfTheIdleHotAndPressedStates) {
    ItemLook idle = ResolveItemLook(Look(0));
    EXPECT_FALSE(idle.fill || idle.outline || idle.underline || idle.secondFill);
    EXPECT_EQ(idle.textColor, Rgb(1, 1, 1));

    ItemLook outlined = ResolveItemLook(Look(0, false, false, 1));
    EXPECT_TRUE(outlined.outline);
    EXPECT_FALSE(outlined.fill);

    LookInput ownBack = Look(0);
    ownBack.itemBack = Rgb(9, 9, 9);
    ownBack.itemFore = Rgb(7, 7, 7);
    ItemLook own = ResolveItemLook(ownBack);
    EXPECT_TRUE(own.fill);
    EXPECT_EQ(own.fillColor, Rgb(9, 9, 9));
    EXPECT_EQ(own.textColor, Rgb(7, 7, 7));

    ItemLook hot = ResolveItemLook(Look(0, true, false, 1));
    EXPECT_TRUE(hot.fill && hot.outline);
    EXPECT_EQ(hot.fillColor, Rgb(153, 180, 209));
    EXPECT_EQ(hot.outlineColor, Rgb(1, 1, 1));
    EXPECT_FALSE(hot.pressedOffset);

    ItemLook pressed = ResolveItemLook(Look(0, true, true));
    EXPECT_EQ(pressed.fillColor, Rgb(30, 160, 215));
    EXPECT_EQ(pressed.textColor, Rgb(255, 255, 255));
    EXPECT_FALSE(pressed.outline);
    EXPECT_TRUE(pressed.pressedOffset);
    EXPECT_EQ(pressed.palette, VectorPalette::Down);
}

TEST(ButtonGroupLayoutTest, LookOfDownItems) {
    ItemLook down = ResolveItemLook(Look(11));
    EXPECT_TRUE(down.fill);
    EXPECT_EQ(down.fillColor, Rgb(30, 160, 215));
    EXPECT_EQ(down.textColor, Rgb(255, 255, 255));
    EXPECT_EQ(down.palette, VectorPalette::Down);

    ItemLook bar = ResolveItemLook(Look(11, false, false, 2));
    EXPECT_FALSE(bar.fill);
    EXPECT_TRUE(bar.underline);
    EXPECT_EQ(bar.underlineColor, Rgb(30, 160, 215));
    EXPECT_EQ(bar.textColor, Rgb(1, 1, 1));

    // Hovering a down item: the hover fill, then 80 % down back and 20 % down fore over it.
    ItemLook hotDown = ResolveItemLook(Look(10, true));
    EXPECT_EQ(hotDown.fillColor, Rgb(153, 180, 209));
    EXPECT_TRUE(hotDown.secondFill);
    EXPECT_EQ(hotDown.secondFillColor, Rgb(75, 179, 223));
    EXPECT_EQ(hotDown.textColor, Rgb(255, 255, 255));
    ItemLook hotBar = ResolveItemLook(Look(10, true, false, 2));
    EXPECT_TRUE(hotBar.underline);
    EXPECT_FALSE(hotBar.secondFill);
    EXPECT_EQ(hotBar.textColor, Rgb(1, 1, 1));
}

TEST(ButtonGroupLayoutTest, LookOfDisabledAndStaticItems) {
    for (const LookInput& in : {Look(21, true, true, 1), [] {
                                    LookInput off = Look(0, true);
                                    off.windowEnabled = false;
                                    return off;
                                }()}) {
        ItemLook look = ResolveItemLook(in);
        EXPECT_TRUE(look.disabled);
        EXPECT_FALSE(look.fill || look.outline);
        EXPECT_EQ(look.textColor, Rgb(153, 180, 209));
        EXPECT_EQ(look.palette, VectorPalette::Disabled);
    }
    LookInput label = Look(2, true, true, 1);
    label.itemBack = Rgb(200, 0, 0);
    ItemLook staticLook = ResolveItemLook(label);
    EXPECT_TRUE(staticLook.fill);
    EXPECT_FALSE(staticLook.outline);
    EXPECT_EQ(staticLook.fillColor, Rgb(200, 0, 0));
    EXPECT_EQ(staticLook.textColor, Rgb(1, 1, 1));

    EXPECT_EQ(DisabledPalette(Rgb(240, 240, 240)), L"32000000,63000000");
    EXPECT_EQ(DisabledPalette(Rgb(101, 0, 0)), L"32000000,63000000");
    EXPECT_EQ(DisabledPalette(Rgb(0, 101, 0)), L"32000000,63000000");
    EXPECT_EQ(DisabledPalette(Rgb(100, 100, 255)), L"32FFFFFF,64FFFFFF");
    EXPECT_EQ(ArgbOf(Rgb(0x11, 0x22, 0x33), 120), 0x78112233u);
}

TEST(ButtonGroupLayoutTest, StylePresetsAndKindRules) {
    GroupStylePreset group{};
    ASSERT_TRUE(GroupPreset(1, group));
    EXPECT_EQ(group.hoverBackColor, Rgb(209, 230, 255));
    ASSERT_TRUE(GroupPreset(0, group));
    EXPECT_EQ(group.downBackColor, 0x0D7F7F7Fu);  // COLOR_HIGHLIGHT, resolved by the control
    EXPECT_FALSE(GroupPreset(6, group));

    const ItemStylePreset outlined = ItemPreset(3, true);
    EXPECT_EQ(outlined.foreColor, static_cast<std::int32_t>(Rgb(94, 185, 94)));
    EXPECT_EQ(outlined.backColor, static_cast<std::int32_t>(Rgb(255, 255, 255)));
    EXPECT_EQ(outlined.hoverBackColor, static_cast<std::int32_t>(Rgb(232, 255, 232)));
    EXPECT_EQ(outlined.borderStyle, 1);
    const ItemStylePreset solid = ItemPreset(3, false);
    EXPECT_EQ(solid.backColor, static_cast<std::int32_t>(Rgb(94, 185, 94)));
    EXPECT_EQ(solid.downBackColor, static_cast<std::int32_t>(Rgb(1, 105, 1)));
    EXPECT_EQ(solid.borderStyle, 0);
    EXPECT_EQ(ItemPreset(0, false).backColor, static_cast<std::int32_t>(Rgb(230, 230, 230)));
    const ItemStylePreset unknown = ItemPreset(9, true);
    EXPECT_EQ(unknown.foreColor, -1);
    EXPECT_EQ(unknown.hoverBackColor, -1);
    EXPECT_EQ(unknown.borderStyle, 1);

    EXPECT_EQ(ToggledKind(1), 11);
    EXPECT_EQ(ToggledKind(11), 1);
    EXPECT_EQ(ToggledKind(0), 0);
    EXPECT_EQ(ToggledKind(21), 21);
    EXPECT_EQ(CutText(std::wstring(200, L'字'), kMaxItemText).size(), 128u);
    EXPECT_EQ(CutText(L"短", kMaxItemText), L"短");
}

}  // namespace
}  // namespace qln
