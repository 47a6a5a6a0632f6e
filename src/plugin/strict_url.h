// The strict reading of a package address that an administrator types on a command line: only
// https, a host made of name characters, an optional port that must be a number from 1 to 65535,
// no user name or password. The lenient ParseUrl of the download component stays as it is for
// the page; this one refuses whatever that one would guess at.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qln {

enum class StrictUrlFault : std::uint8_t {
    None,
    NotHttps,        // another scheme, or none
    NoHost,
    BadHost,         // a character that is not a letter, digit, '-' or '.'
    EmptyPort,       // "host:" with nothing after the colon
    BadPort,         // not all digits, 0, or above 65535
    UserInfo,        // "user:password@host": a secret that would end up in logs
    BadCharacter,    // blanks, control or non-ASCII characters anywhere
};

struct StrictUrl {
    std::string host;
    std::uint16_t port = 443;
    std::string path;  // with its leading '/', "/" for none; query kept
};

StrictUrlFault ParseStrictHttpsUrl(std::wstring_view url, StrictUrl& parsed);

// The sentence for an administrator who typed a refused address (the system's voice).
const wchar_t* StrictUrlFaultMessage(StrictUrlFault fault);

}  // namespace qln
