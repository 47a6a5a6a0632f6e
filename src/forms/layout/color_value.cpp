#include "forms/layout/color_value.h"

namespace qln {

std::uint32_t ResolveColorWith(std::uint32_t value, std::uint32_t fallback, SysColorLookup sysColor) {
    if (!IsSystemColorRef(value)) return value & 0x00FFFFFF;
    const int index = SystemColorIndex(value);
    if (index == kInheritIndex) return fallback;
    return index < 31 ? sysColor(index) : 0x7F7F7F;
}

std::uint32_t ColorToArgbWith(std::uint32_t value, std::uint32_t fallback, SysColorLookup sysColor) {
    if (IsSystemColorRef(value)) {
        const int index = SystemColorIndex(value);
        if (index == kInheritIndex) return fallback;
        value = (index < 31 ? (sysColor(index) & 0x00FFFFFF) : 0x7F7F7F) | 0xFF000000u;
    }
    return SwapRedBlue(value);
}

}  // namespace qln
