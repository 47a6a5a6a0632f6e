// Colour values resolved against the running system's colours.
#pragma once

#include <windows.h>

#include <cstdint>

#include "forms/layout/color_value.h"

namespace qln {

COLORREF ResolveColor(std::uint32_t value, COLORREF fallback);
std::uint32_t ColorToArgb(std::uint32_t value, std::uint32_t fallback);

}  // namespace qln
