#include "forms/layout/color.h"

namespace qln {

namespace {
std::uint32_t SystemColor(int index) { return GetSysColor(index); }
}  // namespace

COLORREF ResolveColor(std::uint32_t value, COLORREF fallback) { return ResolveColorWith(value, fallback, SystemColor); }

std::uint32_t ColorToArgb(std::uint32_t value, std::uint32_t fallback) {
    return ColorToArgbWith(value, fallback, SystemColor);
}

}  // namespace qln
