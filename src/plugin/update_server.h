// The plugin update server's host name, chosen at build time (CMake cache QLN_UPDATE_HOST).
// A host:port other than 443 is fetched as plain HTTP, which is how demos and tests point the
// installer at a server on loopback.
#pragma once

#ifndef QLN_UPDATE_HOST
#define QLN_UPDATE_HOST L"update.quorlen.com"
#endif

namespace qln {
inline constexpr const wchar_t* kUpdateServerHost = QLN_UPDATE_HOST;
}  // namespace qln
