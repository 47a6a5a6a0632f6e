#include "forms/button_group/button_group_layout.h"

#include <algorithm>

#include "forms/layout/layout_rules.h"

namespace qln {

namespace {

constexpr std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) { return r | (g << 8) | (b << 16); }
constexpr std::uint32_t kWhite = Rgb(255, 255, 255);
constexpr std::uint32_t kBlack = 0;

constexpr std::uint32_t SysColorRef(int index) { return (static_cast<std::uint32_t>(index) << 24) | 0x7F7F7Fu; }

}  // namespace

std::wstring CutText(std::wstring_view text, std::size_t limit) {
    return std::wstring(text.substr(0, std::min(text.size(), limit)));
}

int GroupLogicalExtent(int devicePixels, float factor) {
    if (factor <= 0.0f) factor = 1.0f;
    return RoundHalfEven(devicePixels / static_cast<double>(factor) + 1.0);
}

int DeviceToLogical(int devicePixels, float factor) {
    if (factor <= 0.0f) factor = 1.0f;
    return RoundHalfEven(devicePixels / static_cast<double>(factor));
}

void LayoutGroup(const GroupGeometry& g, int W, int H, std::span<LayoutItem> items) {
    int nearCursor = g.spacing;
    int farCursor = (g.vertical ? H : W) - g.spacing;
    int room = W;  // only a row uses it up
    const int defaultWidth = (g.vertical && g.itemWidth == -1) ? W - 6 : g.itemWidth;
    const int defaultHeight = g.itemHeight == -1 ? g.iconSize + 2 : g.itemHeight;
    auto advance = [&](bool far, int amount) {
        if (far)
            farCursor -= amount;
        else
            nearCursor += amount;
    };

    for (LayoutItem& it : items) {
        it.drawn = false;
        it.separator = false;
        it.captionWidth = 0;
        int w = std::min(it.width == -1 ? defaultWidth : it.width, W);
        const int h = std::min(it.height == -1 ? defaultHeight : it.height, H);
        if (g.vertical) {
            w = std::min(w, W - 5);
            it.x = std::max(0, RoundHalfEven((W - w) * 0.5));
            it.w = w;
        } else {
            it.y = std::max(0, RoundHalfEven((H - h) * 0.5 - 1));
        }
        it.h = h;

        if (g.iconSize >= room || it.kind >= 30) {
            (g.vertical ? it.h : it.w) = 0;
            continue;
        }
        const bool far = it.align != 0;

        if (KindUnits(it.kind) == kItemSeparator) {
            const int take = g.spacing + 1;
            it.separator = true;
            it.drawn = true;
            if (g.vertical) {
                const float lineY = static_cast<float>(far ? farCursor : nearCursor + 1);
                it.lineX1 = static_cast<float>(it.x + 3);
                it.lineX2 = static_cast<float>(it.x + w - 3);
                it.lineY1 = it.lineY2 = lineY;
            } else {
                const float lineX = static_cast<float>(far ? farCursor - 1 : nearCursor);
                it.lineX1 = it.lineX2 = lineX;
                it.lineY1 = static_cast<float>(it.y + 3);
                it.lineY2 = static_cast<float>(it.y + h - 3);
                room -= take;
            }
            advance(far, take);
            it.w = 0;
            continue;
        }

        // Caption room beside a picture: centred text of width g + 8 when it fits (D > 1).
        auto besidePicture = [&](int width, int textRoom) {
            const int d = RoundHalfEven((width - g.iconSize - textRoom - 4) * 0.5);
            return d > 1 ? width - g.iconSize - 2 * d - 4 : width - g.iconSize - 8;
        };
        int captionWidth = 0;
        if (g.vertical) {
            captionWidth = w - 4;
            if (it.hasPicture) captionWidth = it.hasText ? besidePicture(w, it.textWidth + 8) : 0;
            if (!far) it.y = nearCursor;
            advance(far, h);
            if (far) it.y = farCursor;
        } else {
            const int n = it.hasText ? std::min(room - 2 * g.spacing, it.textWidth + 8) : 0;
            const bool automatic = w == -1;
            if (it.hasPicture) {
                it.w = automatic ? n + g.iconSize + 4 : w;
                captionWidth = (!automatic && n != 0) ? besidePicture(w, n) : n;
            } else {
                it.w = automatic ? n : w;
                captionWidth = automatic ? n - 4 : w - 4;
            }
            if (!far) it.x = nearCursor;
            advance(far, it.w);
            if (far) it.x = farCursor;
            room -= g.spacing + it.w;
        }
        it.captionWidth = std::max(captionWidth, 0);
        it.drawn = true;
        advance(far, g.spacing);
    }
}

int PictureLeft(const LayoutItem& item, int iconSize) {
    return RoundHalfEven((item.w - iconSize - item.captionWidth - 4) * 0.5 + item.x);
}

int HitTestItems(std::span<const HitBox> items, int x, int y) {
    int position = 0;
    for (const HitBox& it : items) {
        ++position;
        if (it.kind >= 30 || KindUnits(it.kind) == kItemSeparator || !it.showsSomething) continue;
        // An item without room was left out of the last layout: its rectangle is a line at best.
        if (it.w <= 0 || it.h <= 0) continue;
        if (x >= it.x && x <= it.x + it.w && y >= it.y && y <= it.y + it.h) return position;
    }
    return 0;
}

std::uint32_t BlendColor(std::uint32_t a, std::uint32_t b, double weightA) {
    std::uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const double mixed = ((a >> shift) & 0xFF) * weightA + ((b >> shift) & 0xFF) * (1.0 - weightA);
        out |= static_cast<std::uint32_t>(std::min(RoundHalfEven(mixed), 255)) << shift;
    }
    return out;
}

ItemLook ResolveItemLook(const LookInput& in) {
    ItemLook look;
    const int tens = KindTens(in.kind);
    const bool down = tens == kStateDown;
    const std::uint32_t itemText = in.itemFore != -1 ? static_cast<std::uint32_t>(in.itemFore) : in.groupFore;
    const bool outlined = in.borderStyle == 1;
    const bool pressedHere = in.hot && in.pressed;
    look.pressedOffset = pressedHere;
    look.textColor = itemText;
    look.palette = (down || pressedHere) ? VectorPalette::Down : VectorPalette::Normal;
    auto outline = [&] {
        look.outline = outlined;
        look.outlineColor = itemText;
    };
    auto fill = [&](std::uint32_t colour) {
        look.fill = true;
        look.fillColor = colour;
    };
    auto underline = [&] {
        look.underline = true;
        look.underlineColor = in.downBack;
    };

    if (tens == kStateDisabled || !in.windowEnabled) {
        look.disabled = true;
        look.textColor = in.hoverBack;
        look.palette = VectorPalette::Disabled;
    } else if (KindUnits(in.kind) == kItemStatic) {
        if (in.itemBack != -1) fill(static_cast<std::uint32_t>(in.itemBack));
    } else if (pressedHere) {
        outline();
        fill(in.downBack);
        look.textColor = in.downFore;
    } else if (in.hot) {
        outline();
        fill(in.hoverBack);
        if (down) {
            if (in.borderStyle == 2) {
                underline();
            } else {
                look.secondFill = true;
                look.secondFillColor = BlendColor(in.downBack, in.downFore, 0.8);
                look.textColor = in.downFore;
            }
        }
    } else if (down) {
        if (in.borderStyle == 2) {
            underline();
        } else {
            outline();
            fill(in.downBack);
            look.textColor = in.downFore;
        }
    } else if (outlined) {
        outline();
    } else if (in.itemBack != -1) {
        fill(static_cast<std::uint32_t>(in.itemBack));
    }
    return look;
}

std::wstring_view DisabledPalette(std::uint32_t backColor) {
    const std::uint32_t red = backColor & 0xFF, green = (backColor >> 8) & 0xFF;
    return (red > 100 || green > 100) ? L"32000000,63000000" : L"32FFFFFF,64FFFFFF";
}

bool GroupPreset(int theme, GroupStylePreset& out) {
    static constexpr GroupStylePreset kThemes[] = {
        {SysColorRef(18), SysColorRef(16), SysColorRef(13), SysColorRef(14)},  // button text, shadow, highlight
        {Rgb(90, 152, 222), Rgb(209, 230, 255), Rgb(90, 152, 222), kWhite},
        {Rgb(59, 180, 242), Rgb(209, 240, 255), Rgb(59, 180, 242), kWhite},
        {Rgb(95, 186, 95), Rgb(219, 255, 219), Rgb(95, 186, 95), kWhite},
        {Rgb(243, 123, 29), Rgb(252, 228, 210), Rgb(243, 123, 29), kWhite},
        {Rgb(221, 81, 76), Rgb(255, 225, 224), Rgb(221, 81, 76), kWhite},
    };
    if (theme < 0 || theme > 5) return false;
    out = kThemes[theme];
    return true;
}

ItemStylePreset ItemPreset(int theme, bool outlined) {
    struct Theme {
        std::uint32_t accent;      // fore and back colour, swapped by the outlined flag
        std::uint32_t darkDown;    // down back colour when not outlined
        std::uint32_t lightHover;  // hover colour when outlined
        std::uint32_t darkHover;   // hover colour when not outlined
    };
    static constexpr Theme kThemes[] = {
        {Rgb(90, 152, 222), Rgb(0, 86, 184), Rgb(219, 236, 255), Rgb(16, 112, 222)},
        {Rgb(59, 180, 242), Rgb(0, 123, 184), Rgb(213, 232, 242), Rgb(0, 161, 242)},
        {Rgb(94, 185, 94), Rgb(1, 105, 1), Rgb(232, 255, 232), Rgb(0, 186, 0)},
        {Rgb(243, 123, 29), Rgb(150, 65, 0), Rgb(250, 235, 223), Rgb(217, 94, 0)},
        {Rgb(221, 81, 76), Rgb(143, 5, 0), Rgb(252, 228, 227), Rgb(222, 10, 3)},
    };
    const std::int32_t border = outlined ? 1 : 0;
    auto c = [](std::uint32_t v) { return static_cast<std::int32_t>(v); };
    if (theme == 0) {
        return {c(kBlack), c(outlined ? kWhite : Rgb(230, 230, 230)), c(kBlack), c(kWhite), c(Rgb(178, 178, 178)),
                border};
    }
    if (theme >= 1 && theme <= 5) {
        const Theme& t = kThemes[theme - 1];
        return {c(outlined ? t.accent : kWhite), c(outlined ? kWhite : t.accent), c(outlined ? t.accent : t.darkDown),
                c(kWhite),                       c(outlined ? t.lightHover : t.darkHover), border};
    }
    return {-1, -1, -1, -1, -1, border};
}

}  // namespace qln
