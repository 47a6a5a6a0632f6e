#include "forms/controls/windowless_paint.h"

#include <cmath>

#include "forms/controls/windowless.h"
#include "forms/draw/canvas.h"
#include "forms/engine/control_object.h"
#include "forms/layout/color.h"
#include "forms/layout/font_spec.h"
#include "forms/layout/layout_rules.h"

namespace qln {

namespace {

constexpr int kBorderShift = 12, kBorderBits = 4;
constexpr int kCodeShift = 16, kCodeBits = 8;
constexpr int kStyleShift = 24, kStyleBits = 8;
constexpr int kAutoSize = 9;

// The label and frame font: the font string's size scaled by the DPI factor first, then turned into a
// height at 96 DPI; large sizes are smoothed.
HFONT MakeWindowlessFont(const ControlObject& o, float factor) {
    const FontSpec spec = ParseFontSpec(o.fontSpec);
    const int scaledPoints = RoundHalfEven(spec.points * static_cast<double>(factor));
    LOGFONTW lf = {};
    lf.lfHeight = -scaledPoints * kLogicalDpi / 72;
    lf.lfWidth = static_cast<LONG>(o.fontWidth * factor);
    lf.lfEscapement = o.escapement;
    lf.lfWeight = spec.bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = spec.italic;
    lf.lfUnderline = spec.underline;
    lf.lfStrikeOut = spec.strikeout;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    lf.lfQuality = spec.points > 16 ? ANTIALIASED_QUALITY : DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, spec.face.c_str(), LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

// Stored windowless colours are 0xAABBGGRR: as ARGB for GDI+, 0 (nothing) when inherited.
std::uint32_t AsArgb(std::uint32_t stored) { return IsInherit(stored) ? 0 : ColorToArgb(stored, 0); }

UINT LabelFormat(int code) {
    static const UINT kHorizontal[3] = {DT_LEFT, DT_CENTER, DT_RIGHT};
    if (code >= kAutoSize) return DT_LEFT | DT_TOP;
    const UINT h = kHorizontal[code % 3];
    if (code < 3) return h | DT_TOP | DT_WORDBREAK;
    if (code < 6) return h | DT_VCENTER | DT_SINGLELINE;
    return h | DT_BOTTOM | DT_SINGLELINE;
}

// Selects a font made for one paint into the DC and, on leaving, selects the old one back before
// the font is deleted (a font still selected into a DC must not be deleted).
class SelectedFont {
public:
    SelectedFont(HDC dc, HFONT font) : dc_(dc), font_(font), old_(font ? SelectObject(dc, font) : nullptr) {}
    ~SelectedFont() {
        if (old_) SelectObject(dc_, old_);
    }
    SelectedFont(const SelectedFont&) = delete;
    SelectedFont& operator=(const SelectedFont&) = delete;

private:
    HDC dc_;
    OwnedGdi<HFONT> font_;
    HGDIOBJ old_;
};

void PaintLabel(Canvas& c, ControlObject& o) {
    HDC dc = c.memoryDc.get();
    SelectedFont font(dc, MakeWindowlessFont(o, c.dpiFactorX));
    AnchorData& r = o.layout;
    if (o.FlagField(kCodeShift, kCodeBits) >= kAutoSize) {
        RECT measure = {0, 0, 10000, 10000};
        DrawTextW(dc, o.caption.c_str(), -1, &measure, DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX);
        r.designWidth = UnscaleFloor(measure.right, c.dpiFactorX);
        r.designHeight = UnscaleFloor(measure.bottom, c.dpiFactorY);
    }
    SetBrush(c, AsArgb(o.backColor));
    SetPen(c, o.FlagField(kStyleShift, kStyleBits) == 1 ? 1.0f : 0.0f,
           IsInherit(o.foreColor) ? 0xFF000000u | SwapRedBlue(GetSysColor(COLOR_BTNTEXT)) : AsArgb(o.foreColor));
    ShapeRect(c, r.designLeft, r.designTop, r.designWidth, r.designHeight);
    if (!IsInherit(o.foreColor)) SetTextColor(dc, ResolveColor(o.foreColor, 0));
    UINT format = DT_EXPANDTABS | LabelFormat(o.FlagField(kCodeShift, kCodeBits));
    if (!o.Flag(kFlagMnemonic)) format |= DT_NOPREFIX;
    if (o.Flag(kFlagEllipsis)) format |= DT_WORD_ELLIPSIS;
    GdiDrawText(c, r.designLeft, r.designTop, r.designWidth, r.designHeight, o.caption, format);
}

void PaintFrame(Canvas& c, ControlObject& o, COLORREF formColour) {
    HDC dc = c.memoryDc.get();
    SelectedFont font(dc, MakeWindowlessFont(o, c.dpiFactorX));
    const AnchorData& r = o.layout;
    const int corner = o.FlagField(kCodeShift, kCodeBits);
    const int border = o.FlagField(kBorderShift, kBorderBits);
    const int align = o.FlagField(kStyleShift, kStyleBits);

    SetTextColor(dc, ResolveColor(o.foreColor, GetSysColor(COLOR_WINDOWTEXT)));
    const COLORREF captionBack = ResolveColor(o.backColor, formColour);
    const std::wstring caption = L" " + o.caption + L" ";
    const UINT prefix = o.Flag(kFlagMnemonic) ? 0 : DT_NOPREFIX;

    // Caption height, measured in device pixels where it will be drawn; rounded like every
    // logical coordinate, halves to even (15 at 144 DPI is 22, not 23).
    const float fx = c.dpiFactorX, fy = c.dpiFactorY;
    const DeviceBox box =
        FrameCaptionDeviceBox(r.designLeft, r.designTop, r.designWidth, r.designHeight, corner, border, fx, fy);
    const RECT place = {box.left, box.top, box.right, box.bottom};
    RECT measured = place;
    DrawTextW(dc, caption.c_str(), -1, &measured, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | prefix);
    const float captionHeight = (measured.bottom - measured.top) / fy;

    SetBrush(c, AsArgb(o.backColor));
    SetPen(c, static_cast<float>(border), AsArgb(o.lineColor));
    const float top = r.designTop + captionHeight / 2;
    RoundRect(c, r.designLeft, top, r.designWidth, r.designHeight - captionHeight / 2, 2.0f * corner, 2.0f * corner,
              corner > 0 ? kAllCorners : 0);

    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, captionBack);
    UINT format = DT_SINGLELINE | DT_EXPANDTABS | prefix;
    format |= align == 1 ? DT_CENTER : (align == 2 ? DT_RIGHT : DT_LEFT);
    if (align == 1 || align == 2) {
        RECT box = place;
        DrawTextW(dc, caption.c_str(), -1, &box, format);
    } else {
        DrawTextW(dc, caption.c_str(), -1, &measured, format);
    }
    SetBkMode(dc, TRANSPARENT);
}

}  // namespace

void PaintForm(HWND form) {
    ControlObject* head = GetControlObject(form);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF back = head ? ResolveColor(head->backColor, face) : face;
    Canvas canvas;
    BeginCanvas(canvas, form, back);
    if (canvas.memoryDc && head) {
        // The last created is painted first, so the first created ends on top.
        std::vector<ControlObject*> windowless;
        for (ControlObject* o = head->next; o; o = o->next)
            if (o->kind == ControlKindTag::Label || o->kind == ControlKindTag::Frame) windowless.push_back(o);
        for (auto it = windowless.rbegin(); it != windowless.rend(); ++it) {
            ControlObject& o = **it;
            if (!o.Flag(kFlagVisible)) continue;
            if (o.kind == ControlKindTag::Label)
                PaintLabel(canvas, o);
            else
                PaintFrame(canvas, o, back);
        }
    }
    EndCanvas(canvas);
}

}  // namespace qln
