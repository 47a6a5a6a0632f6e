#include "forms/layout/screen.h"

#include <string>
#include <vector>

#include "forms/layout/font_spec.h"
#include "forms/layout/layout_rules.h"

namespace qln {

namespace {

struct ScreenMetrics {
    int logPixelsX = kLogicalDpi;
    int logPixelsY = kLogicalDpi;
    float factorX = 1.0f;
    float factorY = 1.0f;
};

// Read on first use and kept: properties convert on every set, the screen does not change DPI
// under a running process in this program.
const ScreenMetrics& Metrics() {
    static const ScreenMetrics metrics = [] {
        ScreenMetrics m;
        HDC screen = GetDC(nullptr);
        if (screen) {
            m.logPixelsX = GetDeviceCaps(screen, LOGPIXELSX);
            m.logPixelsY = GetDeviceCaps(screen, LOGPIXELSY);
            ReleaseDC(nullptr, screen);
        }
        m.factorX = DpiScale(m.logPixelsX);
        m.factorY = DpiScale(m.logPixelsY);
        return m;
    }();
    return metrics;
}

struct CachedFont {
    std::wstring spec;
    HFONT font;
};
std::vector<CachedFont> g_fontCache;

}  // namespace

float ScreenFactorX() { return Metrics().factorX; }
float ScreenFactorY() { return Metrics().factorY; }
int ScreenLogPixelsX() { return Metrics().logPixelsX; }
int ScreenLogPixelsY() { return Metrics().logPixelsY; }

float ScaleXReal(float x) { return x * ScreenFactorX(); }
float ScaleYReal(float y) { return y * ScreenFactorY(); }
float UnscaleXReal(float x) { return x / ScreenFactorX(); }
float UnscaleYReal(float y) { return y / ScreenFactorY(); }
int ScaleXInt(int n) { return ScaleFloor(n, ScreenFactorX()); }
int UnscaleXInt(int n) { return UnscaleFloor(n, ScreenFactorX()); }

HFONT CreateFontPoints(const wchar_t* face, int points, int dpi, int weight, bool italic, bool underline,
                       bool strikeout) {
    const FontHeight h = FontHeightForPoints(points, dpi, ScreenLogPixelsX(), ScreenLogPixelsY());
    LOGFONTW lf = {};
    lf.lfHeight = h.height;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    lf.lfUnderline = underline;
    lf.lfStrikeOut = strikeout;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = h.points > 23 ? ANTIALIASED_QUALITY : DEFAULT_QUALITY;
    if (face) lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

HFONT CreateFontFromSpec(std::wstring_view spec) {
    for (const auto& entry : g_fontCache)
        if (entry.spec == spec) return entry.font;
    const FontSpec f = ParseFontSpec(spec);
    HFONT font = CreateFontPoints(f.face.c_str(), f.points, -1, f.bold ? FW_BOLD : FW_NORMAL, f.italic, f.underline,
                                  f.strikeout);
    if (font) g_fontCache.push_back({std::wstring(spec), font});
    return font;
}

}  // namespace qln
