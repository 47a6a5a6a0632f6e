// How much a plugin package may unpack to. A real plugin has hundreds of files and a few tens of
// megabytes; a package far beyond that is a zip bomb or not a plugin, and is refused from its
// central directory before anything is staged, so that it cannot fill the volume first.
// Portable: no Windows types.
#pragma once

#include <cstdint>

namespace qln {

inline constexpr std::uint64_t kMaxPackageMembers = 20000;
inline constexpr std::uint64_t kMaxUnpackedBytes = 1ull << 30;  // 1 GiB in all

// Whether a package of `members` members whose sizes add up to `unpackedBytes` may be unpacked.
constexpr bool WithinPackageLimits(std::uint64_t members, std::uint64_t unpackedBytes) {
    return members <= kMaxPackageMembers && unpackedBytes <= kMaxUnpackedBytes;
}

}  // namespace qln
