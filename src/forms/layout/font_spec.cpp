#include "forms/layout/font_spec.h"

#include <cstdint>
#include <cstdlib>

namespace qln {

namespace {

std::wstring_view Trim(std::wstring_view s) {
    while (!s.empty() && s.front() == L' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == L' ') s.remove_suffix(1);
    return s;
}

// A decimal integer as the C library reads it: optional sign, digits up to the first other
// character, 0 when there are none. Saturates instead of overflowing.
long long ReadInteger(std::wstring_view s) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) negative = s[i++] == L'-';
    long long value = 0;
    for (; i < s.size() && s[i] >= L'0' && s[i] <= L'9'; ++i) {
        if (value < 1'000'000'000'000LL) value = value * 10 + (s[i] - L'0');
    }
    return negative ? -value : value;
}

}  // namespace

FontSpec ParseFontSpec(std::wstring_view spec) {
    std::wstring_view fields[6];
    for (int i = 0; i < 6; ++i) {
        const std::size_t comma = spec.find(L',');
        fields[i] = Trim(spec.substr(0, comma));
        if (comma == std::wstring_view::npos) {
            spec = {};
        } else {
            spec.remove_prefix(comma + 1);
        }
    }
    FontSpec f;
    f.face = fields[0].empty() ? L"SimSun" : std::wstring(fields[0].substr(0, 31));
    const long long points = ReadInteger(fields[1]);
    f.points = (points == 0 || points > 100000 || points < -100000) ? 9 : static_cast<int>(points);
    f.bold = ReadInteger(fields[2]) != 0;
    f.italic = (ReadInteger(fields[3]) & 0xFF) != 0;
    f.underline = (ReadInteger(fields[4]) & 0xFF) != 0;
    f.strikeout = (ReadInteger(fields[5]) & 0xFF) != 0;
    return f;
}

int MulDivRounded(int a, int b, int c) {
    if (c == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t magnitude = (std::llabs(product) + std::llabs(static_cast<std::int64_t>(c)) / 2) /
                                   std::llabs(static_cast<std::int64_t>(c));
    return static_cast<int>(negative ? -magnitude : magnitude);
}

FontHeight FontHeightForPoints(int points, int dpi, int lx, int ly) {
    if (dpi == -1) dpi = lx;
    if (dpi > 0 && ly > 0) points = points * dpi / ly;
    return {-MulDivRounded(points, ly, 72), points};
}

}  // namespace qln
