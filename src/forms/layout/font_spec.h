// Font spec strings: "face,size,bold,italic,underline,strikeout", e.g. "Microsoft YaHei,9,0".
// No Windows here.
#pragma once

#include <string>
#include <string_view>

namespace qln {

struct FontSpec {
    std::wstring face;  // at most 31 characters; "SimSun" when empty
    int points = 9;     // 9 when empty, not a number, or 0
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
};

FontSpec ParseFontSpec(std::wstring_view spec);

// MulDiv as Windows defines it: a × b / c rounded half away from zero, -1 when c is 0.
int MulDivRounded(int a, int b, int c);

// Height of a font of `points` at `dpi` (-1 = the screen's LOGPIXELSX `lx`) on a screen of
// vertical resolution `ly`: points are first converted by dpi / ly with integer division.
// Returns the LOGFONT height and the points after that step (they choose the quality).
struct FontHeight {
    int height;
    int points;
};
FontHeight FontHeightForPoints(int points, int dpi, int lx, int ly);

}  // namespace qln
