// The framework's 32-bit colour values. A plain value carries a COLORREF (0x00BBGGRR) in its
// low 24 bits and, where GDI+ wants ARGB, an alpha in its top byte. A system colour reference
// has exactly 0x7F7F7F in its low 24 bits and a GetSysColor index in the top byte; index 25
// means "inherit": the caller's fallback applies. No Windows here: the system colour lookup is
// passed in, so the rules can be tested anywhere.
#pragma once

#include <cstdint>

namespace qln {

inline constexpr std::uint32_t kColorInherit = 0x197F7F7F;
inline constexpr std::uint32_t kColorBtnFace = 0x0F7F7F7F;
inline constexpr std::uint32_t kColorBtnText = 0x127F7F7F;
inline constexpr std::uint32_t kColorWindowText = 0x087F7F7F;
inline constexpr std::uint32_t kColorWindow = 0x057F7F7F;
inline constexpr std::uint32_t kColorBtnShadow = 0x107F7F7F;
inline constexpr int kInheritIndex = 25;

// The reference to system colour `index` (a GetSysColor index below 31).
constexpr std::uint32_t SystemColorValue(int index) { return (static_cast<std::uint32_t>(index) << 24) | 0x007F7F7Fu; }

using SysColorLookup = std::uint32_t (*)(int index);

constexpr bool IsSystemColorRef(std::uint32_t value) { return (value & 0x00FFFFFF) == 0x007F7F7F; }
constexpr int SystemColorIndex(std::uint32_t value) { return static_cast<int>(value >> 24); }
constexpr bool IsInherit(std::uint32_t value) {
    return IsSystemColorRef(value) && SystemColorIndex(value) == kInheritIndex;
}

// Red and blue bytes exchanged; green and the top byte stay.
constexpr std::uint32_t SwapRedBlue(std::uint32_t v) {
    return (v & 0xFF00FF00u) | ((v & 0xFFu) << 16) | ((v >> 16) & 0xFFu);
}

// COLORREF for GDI: inherit gives the fallback, indexes below 31 the system colour, any other
// reference 0x7F7F7F itself; a plain colour its low 24 bits.
std::uint32_t ResolveColorWith(std::uint32_t value, std::uint32_t fallback, SysColorLookup sysColor);

// ARGB for GDI+: inherit gives the fallback untouched; other references become the opaque
// system colour; then red and blue are exchanged.
std::uint32_t ColorToArgbWith(std::uint32_t value, std::uint32_t fallback, SysColorLookup sysColor);

}  // namespace qln
