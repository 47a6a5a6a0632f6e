#include "forms/button_group/button_group_paint.h"

#include <algorithm>
#include <vector>

#include "forms/button_group/button_group_internal.h"
#include "forms/draw/canvas.h"
#include "forms/draw/vector_draw.h"
#include "forms/layout/color.h"
#include "forms/layout/font_spec.h"
#include "forms/layout/layout_rules.h"

namespace qln::button_group_detail {

namespace {

// DrawTextW: centred on one line, no prefixes, word ellipsis.
constexpr UINT kItemTextFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_WORD_ELLIPSIS;

struct GroupPaint {
    Canvas& canvas;
    const ButtonGroup& g;
    FontSpec font;
    COLORREF back;
    COLORREF fore;
    bool enabled;

    HDC Dc() const { return canvas.memoryDc.get(); }
    void UseItemFont() {
        SetGdiFont(canvas, font.face.c_str(), static_cast<float>(font.points), font.bold, font.italic, font.underline,
                   font.strikeout);
    }

    // The item's shape: a GDI rectangle with square corners, else a GDI+ rounded rectangle.
    void Shape(const LayoutItem& at, int radius, bool filled, COLORREF fill, bool outlined, COLORREF outline) {
        const float x = static_cast<float>(at.x), y = static_cast<float>(at.y);
        const float w = static_cast<float>(at.w), h = static_cast<float>(at.h);
        // GdiRectangle reads an empty size as "the whole canvas".
        if (at.w <= 0 || at.h <= 0) return;
        if (radius < 1) {
            SetGdiPen(canvas, outlined ? 1.0f : 0.0f, outlined ? outline : kNoColor);
            SetGdiBrush(canvas, filled ? fill : kNoColor);
            GdiRectangle(canvas, x, y, w, h);
            return;
        }
        SetPen(canvas, outlined ? 1.0f : 0.0f, ArgbOf(outline, 255));
        SetBrush(canvas, filled ? ArgbOf(fill, 255) : 0);
        const float r = static_cast<float>(radius);
        RoundRect(canvas, x, y, w - 1, h, r, r, kAllCorners);
    }

    void Separator(const LayoutItem& at) {
        SetBrush(canvas, 0);
        SetPen(canvas, 1.0f, ArgbOf(fore, SeparatorAlpha(enabled)));
        NewPath(canvas, kFillAlternate);
        AddLine(canvas, at.lineX1, at.lineY1, at.lineX2, at.lineY2);
        FillPath(canvas);
    }

    void Item(const ButtonGroupItem& item, const LayoutItem& at, bool hot) {
        auto own = [](std::int32_t value, COLORREF group) { return value != -1 ? static_cast<COLORREF>(value) : group; };
        const int border = item.BorderStyle != -1 ? item.BorderStyle : g.BorderStyle;
        const int radius = item.Radius != -1 ? item.Radius : g.Radius;
        LookInput in;
        in.kind = item.Kind;
        in.windowEnabled = enabled;
        in.hot = hot;
        in.pressed = g.Pressed != 0;
        in.borderStyle = border;
        in.itemBack = item.BackColor;
        in.itemFore = item.ForeColor;
        in.groupFore = fore;
        in.downBack = own(item.DownBackColor, g.DownBackColor);
        in.downFore = own(item.DownForeColor, g.DownForeColor);
        in.hoverBack = own(item.HoverBackColor, g.HoverBackColor);
        const ItemLook look = ResolveItemLook(in);

        if (look.fill || look.outline) Shape(at, radius, look.fill, look.fillColor, look.outline, look.outlineColor);
        if (look.secondFill) Shape(at, radius, true, look.secondFillColor, false, 0);
        if (look.underline && at.w > 0) {
            SetPen(canvas, 0.0f, 0);
            SetBrush(canvas, ArgbOf(look.underlineColor, 255));
            const float h = static_cast<float>(at.h);
            const float r = std::min(0.075f * h, static_cast<float>(radius));
            RoundRect(canvas, static_cast<float>(at.x), at.y + 0.9f * h, static_cast<float>(at.w - 1), 0.15f * h, r, r,
                      kAllCorners);
        }

        const int p = look.pressedOffset ? 1 : 0;
        const int x0 = PictureLeft(at, g.IconSize);
        int textLeft = at.x;
        if (item.Icon) {
            const float fx = canvas.dpiFactorX, fy = canvas.dpiFactorY;
            DrawIconEx(Dc(), RoundHalfEven((x0 + p + 3) * static_cast<double>(fx)),
                       RoundHalfEven((at.y + p + 2) * static_cast<double>(fy)), item.Icon,
                       RoundHalfEven(g.IconSize * static_cast<double>(fx)),
                       RoundHalfEven(g.IconSize * static_cast<double>(fy)), 0, nullptr, DI_NORMAL);
            if (look.disabled) {
                SetPen(canvas, 0.0f, 0);
                SetBrush(canvas, ArgbOf(back, 220));
                ShapeRect(canvas, static_cast<float>(at.x), static_cast<float>(at.y),
                          static_cast<float>(g.IconSize + 6), static_cast<float>(g.IconSize + 4));
            }
            textLeft = x0 + g.IconSize;
        } else if (!item.Vector.empty()) {
            const std::wstring_view palette = look.palette == VectorPalette::Disabled ? DisabledPalette(back)
                                              : look.palette == VectorPalette::Down
                                                  ? std::wstring_view(g.VectorDownColors)
                                                  : std::wstring_view(g.VectorColors);
            const float size = static_cast<float>(g.IconSize);
            DrawVector(canvas, static_cast<float>(x0 + p), (at.h - size) * 0.5f + static_cast<float>(p + at.y), size,
                       size, item.Vector, palette);
            UseItemFont();
            textLeft = x0 + g.IconSize;
        }

        if (!item.Text.empty()) {
            SetTextColor(Dc(), look.textColor);
            GdiDrawText(canvas, static_cast<float>(textLeft + p + 2), static_cast<float>(at.y + p),
                        static_cast<float>(at.captionWidth), static_cast<float>(at.h), item.Text, kItemTextFormat);
            SetTextColor(Dc(), fore);
        }

        if (item.BadgeColor != -1) {
            const int k = RoundHalfEven(0.3 * std::min(at.w, at.h));
            SetPen(canvas, 0.0f, 0);
            SetBrush(canvas, ArgbOf(static_cast<COLORREF>(item.BadgeColor), 200));
            ShapeEllipse(canvas, static_cast<float>(at.x + at.w - k), static_cast<float>(at.y), static_cast<float>(k),
                         static_cast<float>(k));
        }
    }
};

}  // namespace

void PaintGroup(HWND window, ControlObject* o, ButtonGroup& g) {
    const COLORREF back = ResolveColor(o->backColor, GetSysColor(COLOR_BTNFACE));
    const COLORREF fore = ResolveColor(o->foreColor, GetSysColor(COLOR_BTNTEXT));
    Canvas canvas;
    BeginCanvas(canvas, window, back);
    if (!Head(o) || !canvas.memoryDc) {
        EndCanvas(canvas);
        return;
    }
    RECT client = {};
    GetClientRect(window, &client);
    const int W = GroupLogicalExtent(client.right, canvas.dpiFactorX);
    const int H = GroupLogicalExtent(client.bottom, canvas.dpiFactorY);

    GroupPaint paint{canvas, g, ParseFontSpec(o->fontSpec), back, fore, IsWindowEnabled(window) != FALSE};
    paint.UseItemFont();
    SetTextColor(paint.Dc(), fore);
    SetBkMode(paint.Dc(), TRANSPARENT);

    std::vector<ButtonGroupItem*> items;
    std::vector<LayoutItem> layout;
    for (ButtonGroupItem* it = Head(o); it; it = it->next) {
        LayoutItem at;
        at.kind = it->Kind;
        at.align = it->Align;
        at.width = it->ItemWidth;
        at.height = it->ItemHeight;
        at.hasPicture = it->Icon || !it->Vector.empty();
        at.hasText = !it->Text.empty();
        at.textWidth = at.hasText ? TextWidth(canvas, it->Text) : 0;
        at.x = it->X;
        at.y = it->Y;
        at.w = it->Width;
        at.h = it->Height;
        items.push_back(it);
        layout.push_back(at);
    }
    const GroupGeometry geometry{g.IconSize, g.Vertical != 0, g.ItemWidth, g.ItemHeight, g.Spacing};
    LayoutGroup(geometry, W, H, layout);

    for (std::size_t i = 0; i < items.size(); ++i) {
        ButtonGroupItem& item = *items[i];
        const LayoutItem& at = layout[i];
        item.X = at.x;
        item.Y = at.y;
        item.Width = at.w;
        item.Height = at.h;
        if (!at.drawn) continue;
        if (at.separator) {
            paint.Separator(at);
            continue;
        }
        paint.Item(item, at, g.HotItem == static_cast<int>(i + 1));
    }
    EndCanvas(canvas);
}

}  // namespace qln::button_group_detail
