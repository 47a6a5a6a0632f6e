// Which names of a plugin package's members may be unpacked, and where. Pure text work on the
// name as the file functions will see it: the package stores raw 8-bit names, which the caller
// converts to UTF-16 first (the ANSI code page, or UTF-8 when the member says so), so that a
// double-byte character whose second byte is 0x5C is never mistaken for a separator.
//
// A name is refused when it could leave the target folder (a "..", a leading separator, a drive
// or stream colon, UNC and "\\?\" prefixes) or when Windows could not create it exactly as named
// (device names, trailing dots and blanks, reserved characters, over-long paths).
#pragma once

#include <cstddef>
#include <string_view>

namespace qln {

// Bytes of a member name that are used; a longer name is cut to these.
inline constexpr std::size_t kMemberNameLimit = 512;

// What the 8-bit file functions accept without long-path support, in UTF-16 units and without
// the terminator: MAX_PATH for files; for folders MAX_PATH less room for an 8.3 name.
inline constexpr std::size_t kMaxFilePathChars = 259;
inline constexpr std::size_t kMaxFolderPathChars = 247;
inline constexpr std::size_t kMaxComponentChars = 255;

enum class MemberNameFault {
    None,
    Empty,               // nothing to create
    Rooted,              // leading "\" or "/": the drive root, UNC and "\\?\" forms
    DriveOrStream,       // ":" anywhere: a drive ("C:x") or an alternate data stream ("a:s")
    ParentStep,          // a ".." component
    EmptyComponent,      // "a//b": not the name Windows would create
    DeviceName,          // CON, PRN, AUX, NUL, COM0-9, LPT0-9 (with any extension), CONIN$, CONOUT$
    TrailingDotOrBlank,  // Windows strips them, so "." and "x." are refused too
    ReservedChar,        // < > " | ? *
    ControlChar,         // U+0001 to U+001F
    ComponentTooLong,    // more than kMaxComponentChars
    PathTooLong,         // target + name beyond what the file functions accept
};

// A name ending in "/" or "\" names a folder; every other name a file.
bool IsDirectoryMember(std::wstring_view name);

// The first fault of `name` alone, or None.
MemberNameFault CheckMemberName(std::wstring_view name);

// CheckMemberName, then the length of the whole output path: `targetChars` is the length of the
// target folder including its final separator.
MemberNameFault CheckMemberPath(std::size_t targetChars, std::wstring_view name);

// The target folder's existence test on the attributes of the entry that the search found: it
// counts as present only when, within the low eight bits, no bit but the directory bit (0x10)
// is set. A folder marked read-only, hidden, system or archive counts as absent.
bool CountsAsPresentFolder(unsigned attributes);

}  // namespace qln
