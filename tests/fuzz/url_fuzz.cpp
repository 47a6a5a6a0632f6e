// libFuzzer target over the URL parser and the request texts of the download component. Any
// input is a URL; the parts are checked against a parse done here another way,
// and the text helpers against their contracts. A fault aborts; libFuzzer keeps the input.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "plugin/url.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

bool HasPrefixNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

// atoi's reading, saturated at the ends of int: white space as isspace in the C locale.
int Atoi(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        v = v * 10 + (s[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) return v > static_cast<long long>(INT_MAX) ? INT_MIN : static_cast<int>(-v);
    return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string url(reinterpret_cast<const char*>(data), size);
    const qln::ParsedUrl parsed = qln::ParseUrl(url);

    // The same split, written out step by step.
    std::string_view rest = Trim(url);
    int port = 443;
    if (HasPrefixNoCase(rest, "http://")) {
        rest.remove_prefix(7);
        port = 80;
    } else if (HasPrefixNoCase(rest, "https://")) {
        rest.remove_prefix(8);
    }
    const std::size_t slash = rest.find('/');
    std::string_view host = Trim(rest.substr(0, slash));
    const std::string_view path = slash == std::string_view::npos ? std::string_view() : Trim(rest.substr(slash + 1));
    const std::size_t colon = host.find(':');
    if (colon != std::string_view::npos) {
        port = Atoi(host.substr(colon + 1));
        host = host.substr(0, colon);
    }
    Require(parsed.host == host);
    Require(parsed.path == path);
    Require(parsed.port == port);
    Require(parsed.host.find('/') == std::string::npos && parsed.host.find(':') == std::string::npos);

    // The 8-bit forms of wide text: ASCII kept, one "?" for every other character.
    std::wstring wide;
    for (std::size_t i = 0; i + 1 < size; i += 2) wide += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    const std::string marked = qln::AsciiOrQuestionMarks(wide);
    Require(marked.size() <= wide.size());
    for (const char c : marked) Require(static_cast<unsigned char>(c) < 0x80);
    // In the C locale the conversion of pure ASCII without zeros is the text itself.
    std::string ascii;
    for (const std::uint8_t b : std::string_view(url)) ascii += static_cast<char>(b == 0 ? 'x' : (b & 0x7F) | 0x01);
    Require(qln::WidenText(ascii).size() == ascii.size());
    Require(qln::NarrowText(qln::WidenText(ascii)) == ascii);
    (void)qln::NarrowText(wide);
    (void)qln::WidenText(url);

    // The Range line for any two 32-bit numbers (UndefinedBehaviorSanitizer watches the sums).
    if (size >= 8) {
        std::int32_t start = 0, extent = 0;
        std::memcpy(&start, data, 4);
        std::memcpy(&extent, data + 4, 4);
        const std::string line = qln::RangeHeaderLine(start, extent);
        Require(start == 0 ? line.empty() : (line.rfind("Range: bytes=", 0) == 0 && line.size() >= 17));
    }
    return 0;
}
