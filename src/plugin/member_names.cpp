#include "plugin/member_names.h"

namespace qln {

namespace {

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

wchar_t Upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool EqualsUpper(std::wstring_view text, std::wstring_view upper) {
    if (text.size() != upper.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (Upper(text[i]) != upper[i]) return false;
    return true;
}

// Windows maps a device name onto the device whatever follows the first dot, and ignores
// blanks before that dot ("nul .txt" is NUL too).
bool IsDeviceName(std::wstring_view component) {
    std::wstring_view base = component.substr(0, component.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
    for (std::wstring_view device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (EqualsUpper(base, device)) return true;
    if (base.size() != 4) return false;
    const bool numbered = EqualsUpper(base.substr(0, 3), L"COM") || EqualsUpper(base.substr(0, 3), L"LPT");
    const wchar_t digit = base[3];
    // Superscript one, two and three count as digits here.
    return numbered && ((digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
                        digit == L'\u00B3');
}

MemberNameFault CheckComponent(std::wstring_view component) {
    if (component.empty()) return MemberNameFault::EmptyComponent;
    if (component == L"..") return MemberNameFault::ParentStep;
    for (wchar_t c : component) {
        if (c < 0x20) return MemberNameFault::ControlChar;
        if (c == L':') return MemberNameFault::DriveOrStream;
        if (std::wstring_view(L"<>\"|?*").find(c) != std::wstring_view::npos) return MemberNameFault::ReservedChar;
    }
    if (component.back() == L'.' || component.back() == L' ') return MemberNameFault::TrailingDotOrBlank;
    if (IsDeviceName(component)) return MemberNameFault::DeviceName;
    if (component.size() > kMaxComponentChars) return MemberNameFault::ComponentTooLong;
    return MemberNameFault::None;
}

}  // namespace

bool IsDirectoryMember(std::wstring_view name) { return !name.empty() && IsSeparator(name.back()); }

MemberNameFault CheckMemberName(std::wstring_view name) {
    if (name.empty()) return MemberNameFault::Empty;
    if (IsSeparator(name.front())) return MemberNameFault::Rooted;
    // A folder's own separator ends the name; it does not open an empty component.
    if (IsDirectoryMember(name)) name.remove_suffix(1);
    std::size_t start = 0;
    for (;;) {
        std::size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        const MemberNameFault fault = CheckComponent(name.substr(start, end - start));
        if (fault != MemberNameFault::None) return fault;
        if (end == name.size()) return MemberNameFault::None;
        start = end + 1;
    }
}

MemberNameFault CheckMemberPath(std::size_t targetChars, std::wstring_view name) {
    const MemberNameFault fault = CheckMemberName(name);
    if (fault != MemberNameFault::None) return fault;
    if (IsDirectoryMember(name)) return targetChars + name.size() - 1 > kMaxFolderPathChars ? MemberNameFault::PathTooLong
                                                                                            : MemberNameFault::None;
    return targetChars + name.size() > kMaxFilePathChars ? MemberNameFault::PathTooLong : MemberNameFault::None;
}

bool CountsAsPresentFolder(unsigned attributes) { return (attributes & 0xFFu & ~0x10u) == 0; }

}  // namespace qln
