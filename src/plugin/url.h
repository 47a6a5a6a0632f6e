// The text work of an HTTP request that needs no Windows: splitting a URL into host, path and
// port, the 8-bit form of the request's wide texts, and the Range line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qln {

inline constexpr int kHttpsPort = 443;

struct ParsedUrl {
    std::string host;  // case kept, may be empty
    std::string path;  // without its leading '/', query kept; empty for the root
    int port = 0;      // 80 for http://, 443 for https:// or no scheme, or the number after ':'
};

// Splits an 8-bit URL. Blanks are spaces only. The scheme is matched in any case and only
// picks the default port; the port alone later decides between TLS and plain HTTP.
ParsedUrl ParseUrl(std::string_view url);

// TLS is used on port 443 and nowhere else, whatever the URL's scheme said.
inline bool IsSecurePort(std::uint16_t port) { return port == kHttpsPort; }

// The C library's wide-to-multibyte conversion in the current locale; when that fails, ASCII
// kept and "?" for every other character (one "?" for a surrogate pair).
std::string NarrowText(std::wstring_view text);
std::string AsciiOrQuestionMarks(std::wstring_view text);

// The multibyte-to-wide conversion back, for reading 8-bit properties as wide text; bytes
// the locale cannot read come back one character each.
std::wstring WidenText(std::string_view text);

// "Range: bytes=first-[last]\r\n" for a range whose first byte is counted from 1, or empty when
// `rangeStart` is 0. An extent of 0 leaves the range open to the end of the body.
std::string RangeHeaderLine(std::int32_t rangeStart, std::int32_t rangeExtent);

}  // namespace qln
