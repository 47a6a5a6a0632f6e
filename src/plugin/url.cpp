#include "plugin/url.h"

#include <cctype>
#include <climits>
#include <cstdlib>

namespace qln {

namespace {

std::string_view TrimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

bool StartsWithNoCase(std::string_view text, std::string_view lowerPrefix) {
    if (text.size() < lowerPrefix.size()) return false;
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i) {
        const char c = text[i];
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != lowerPrefix[i]) return false;
    }
    return true;
}

// Reads like atoi (leading white space, a sign, the digits up to the first non-digit, 0 when
// there are none) but saturates instead of overflowing on absurdly long digit runs.
int ReadDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) {
            value = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
            break;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

ParsedUrl ParseUrl(std::string_view url) {
    ParsedUrl parsed;
    std::string_view rest = TrimSpaces(url);
    if (StartsWithNoCase(rest, "http://")) {
        rest.remove_prefix(7);
        parsed.port = 80;
    } else if (StartsWithNoCase(rest, "https://")) {
        rest.remove_prefix(8);
        parsed.port = kHttpsPort;
    } else {
        parsed.port = kHttpsPort;
    }

    std::string_view host = rest;
    const auto slash = rest.find('/');
    if (slash != std::string_view::npos) {
        host = rest.substr(0, slash);
        parsed.path = std::string(TrimSpaces(rest.substr(slash + 1)));
    }
    host = TrimSpaces(host);

    const auto colon = host.find(':');
    if (colon != std::string_view::npos) {
        parsed.port = ReadDecimal(host.substr(colon + 1));
        host = host.substr(0, colon);
    }
    parsed.host = std::string(host);
    return parsed;
}

std::string AsciiOrQuestionMarks(std::wstring_view text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (static_cast<std::uint32_t>(c) < 0x80) {
            narrow += static_cast<char>(c);
        } else {
            narrow += '?';
            if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
        }
    }
    return narrow;
}

std::string NarrowText(std::wstring_view text) {
    // wcstombs works on terminated text and stops at the first zero, as the C library would.
    const std::wstring terminated(text);
    const std::size_t needed = std::wcstombs(nullptr, terminated.c_str(), 0);
    if (needed == static_cast<std::size_t>(-1)) return AsciiOrQuestionMarks(terminated.c_str());
    std::string narrow(needed, '\0');
    std::wcstombs(narrow.data(), terminated.c_str(), needed);
    return narrow;
}

std::wstring WidenText(std::string_view text) {
    const std::string terminated(text);
    const std::size_t needed = std::mbstowcs(nullptr, terminated.c_str(), 0);
    if (needed == static_cast<std::size_t>(-1)) {
        std::wstring wide;
        for (const char c : terminated) {
            if (c == '\0') break;
            wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
        }
        return wide;
    }
    std::wstring wide(needed, L'\0');
    std::mbstowcs(wide.data(), terminated.c_str(), needed);
    return wide;
}

std::string RangeHeaderLine(std::int32_t rangeStart, std::int32_t rangeExtent) {
    if (rangeStart == 0) return {};
    // 64-bit so that extreme arguments give odd text rather than signed overflow.
    const std::int64_t first = static_cast<std::int64_t>(rangeStart) - 1;
    std::string line = "Range: bytes=" + std::to_string(first) + "-";
    // The end is rangeStart + rangeExtent - 1 counted from 0, as callers of this component have
    // always sent it (start 1, extent 10 asks for bytes 0 to 10).
    if (rangeExtent != 0) line += std::to_string(static_cast<std::int64_t>(rangeStart) + rangeExtent - 1);
    line += "\r\n";
    return line;
}

}  // namespace qln
