// The button group's rules that need no window: where each item goes in a row or a column,
// which item a point hits, how an item looks in each state, and the style presets. The
// control (button_group.h) measures its texts, runs these rules and draws what they say.
// Everything here is in logical pixels; colours are COLORREF values (0x00BBGGRR), -1 = none.
// No Windows here.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qln {

// Kind: the units digit says what an item is, the tens digit in which state it is.
inline constexpr int kItemPush = 0;
inline constexpr int kItemToggle = 1;
inline constexpr int kItemStatic = 2;
inline constexpr int kItemSeparator = 3;
inline constexpr int kStateNormal = 0;
inline constexpr int kStateDown = 1;
inline constexpr int kStateDisabled = 2;
inline constexpr int kStateHidden = 3;

constexpr int KindUnits(int kind) { return kind % 10; }
constexpr int KindTens(int kind) { return kind / 10; }

// A toggle flips between up (1) and down (11); every other kind stays.
constexpr int ToggledKind(int kind) { return kind == 1 ? 11 : (kind == 11 ? 1 : kind); }

// Only items below this kind tell their parent about a click.
inline constexpr int kFirstSilentKind = 20;

inline constexpr std::size_t kMaxItemText = 128;
inline constexpr std::size_t kMaxItemToolTip = 1024;

// The text cut to at most `limit` characters.
std::wstring CutText(std::wstring_view text, std::size_t limit);

// Logical extent of the client area as the paint counts it: round(device ÷ factor + 1).
int GroupLogicalExtent(int devicePixels, float factor);

// A device coordinate as the hit test sees it: round(device ÷ factor).
int DeviceToLogical(int devicePixels, float factor);

struct GroupGeometry {
    int iconSize = 16;
    bool vertical = false;
    int itemWidth = -1;   // -1: automatic
    int itemHeight = -1;  // -1: iconSize + 2
    int spacing = 0;
};

// One item as the layout sees it, and what the layout writes back. The rectangle keeps its
// previous values where the rules leave it alone (the far side of a skipped item).
struct LayoutItem {
    // In.
    int kind = 0;
    int align = 0;         // 0: packed from the near end, else from the far end
    int width = -1;        // own width, -1: the group's
    int height = -1;       // own height, -1: the group's
    bool hasPicture = false;  // icon or vector
    int textWidth = 0;     // measured caption width, 0 for no caption
    bool hasText = false;
    // In and out: the laid-out rectangle.
    int x = 0, y = 0, w = 0, h = 0;
    // Out.
    bool drawn = false;      // false: takes no room, nothing is drawn
    bool separator = false;  // drawn as the line below, not as an item
    float lineX1 = 0, lineY1 = 0, lineX2 = 0, lineY2 = 0;
    int captionWidth = 0;    // room for the caption beside the picture
};

// Lays out the items in list order in a client area of W × H logical pixels.
void LayoutGroup(const GroupGeometry& group, int W, int H, std::span<LayoutItem> items);

// Left edge of an item's picture cell: round((w − iconSize − captionWidth − 4) × 0.5 + x).
int PictureLeft(const LayoutItem& item, int iconSize);

// Hit test over the last layout: the 1-based position of the first item that can be hit and
// contains the logical point (edges included), 0 for none. An item can be hit when its kind is
// below 30, it is no separator, it shows something and it takes room.
struct HitBox {
    int kind = 0;
    bool showsSomething = false;  // icon, vector or text
    int x = 0, y = 0, w = 0, h = 0;
};
int HitTestItems(std::span<const HitBox> items, int x, int y);

// How an item looks. Colour inputs are the effective ones (the item's own, else the group's),
// except `itemBack` and `itemFore`, the item's own or -1.
struct LookInput {
    int kind = 0;
    bool windowEnabled = true;
    bool hot = false;
    bool pressed = false;  // the group's pressed flag, meaningful for the hot item
    int borderStyle = 0;
    std::int32_t itemBack = -1;
    std::int32_t itemFore = -1;
    std::uint32_t groupFore = 0;
    std::uint32_t downBack = 0;
    std::uint32_t downFore = 0;
    std::uint32_t hoverBack = 0;
};

enum class VectorPalette { Normal, Down, Disabled };

struct ItemLook {
    bool disabled = false;
    bool fill = false;  // the item shape, filled with fillColor
    std::uint32_t fillColor = 0;
    bool outline = false;  // the item shape, outlined in outlineColor (with or without fill)
    std::uint32_t outlineColor = 0;
    bool secondFill = false;  // the shape once more over the first, without outline
    std::uint32_t secondFillColor = 0;
    bool underline = false;
    std::uint32_t underlineColor = 0;
    std::uint32_t textColor = 0;
    VectorPalette palette = VectorPalette::Normal;
    bool pressedOffset = false;  // picture and caption one pixel down and right
};
ItemLook ResolveItemLook(const LookInput& in);

// Per channel a × weightA + b × (1 − weightA), rounded and capped at 255.
std::uint32_t BlendColor(std::uint32_t a, std::uint32_t b, double weightA);

// COLORREF to ARGB with the given alpha.
constexpr std::uint32_t ArgbOf(std::uint32_t colorref, std::uint32_t alpha) {
    return (alpha << 24) | ((colorref & 0xFFu) << 16) | (colorref & 0xFF00u) | ((colorref >> 16) & 0xFFu);
}

// Vector palette of disabled items: translucent black on light backs, white on dark ones.
std::wstring_view DisabledPalette(std::uint32_t backColor);

// Alpha of the separator lines.
constexpr std::uint32_t SeparatorAlpha(bool windowEnabled) { return windowEnabled ? 120 : 20; }

// Style presets. Colours of the group preset may be system colour references (color_value.h);
// the control resolves them.
struct GroupStylePreset {
    std::uint32_t foreColor, hoverBackColor, downBackColor, downForeColor;
};
// Themes 0–5; false for any other.
bool GroupPreset(int theme, GroupStylePreset& out);

struct ItemStylePreset {
    std::int32_t foreColor, backColor, downBackColor, downForeColor, hoverBackColor;
    std::int32_t borderStyle;
};
ItemStylePreset ItemPreset(int theme, bool outlined);

}  // namespace qln
