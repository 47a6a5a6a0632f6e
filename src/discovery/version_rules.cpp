#include "discovery/version_rules.h"

#include <cwctype>

namespace qln {

namespace {

std::wstring Concat(std::initializer_list<std::wstring_view> parts) {
    std::size_t total = 0;
    for (auto p : parts) total += p.size();
    std::wstring out;
    out.reserve(total);
    for (auto p : parts) out.append(p);
    return out;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

bool IsVersionKeyName(std::wstring_view name) {
    return name.find(L"SketchUp") != std::wstring_view::npos;
}

bool HasNonAsciiChar(std::wstring_view text) {
    for (wchar_t c : text) {
        if (static_cast<unsigned long>(c) > 128) return true;
    }
    return false;
}

int VersionYear(std::wstring_view entry) {
    std::wstring_view tail = entry.size() > 4 ? entry.substr(entry.size() - 4) : entry;
    std::size_t i = 0;
    while (i < tail.size() && (tail[i] == L' ' || tail[i] == L'\t')) ++i;
    int year = 0;
    for (; i < tail.size() && tail[i] >= L'0' && tail[i] <= L'9'; ++i) year = year * 10 + (tail[i] - L'0');
    return year;
}

bool IsSketchUpExeName(std::wstring_view exeName) {
    static constexpr std::wstring_view kUpper = L"SKETCHUP.EXE";
    if (exeName.size() != kUpper.size()) return false;
    for (std::size_t i = 0; i < kUpper.size(); ++i) {
        if (static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(exeName[i]))) != kUpper[i]) return false;
    }
    return true;
}

std::wstring ScanRoot(std::wstring_view envValue) { return Concat({envValue, L"\\SketchUp\\"}); }

std::wstring JoinPath(std::wstring_view folder, std::wstring_view name) {
    if (folder.empty()) return std::wstring(name);
    while (!name.empty() && IsSeparator(name.front())) name.remove_prefix(1);
    if (IsSeparator(folder.back())) return Concat({folder, name});
    return Concat({folder, L"\\", name});
}

std::wstring WithoutTrailingSeparators(std::wstring_view path) {
    std::size_t end = path.size();
    while (end > 0 && IsSeparator(path[end - 1])) --end;
    // "C:" alone would name the drive's current folder, not its root.
    if (end == 2 && path[1] == L':' && path.size() > 2) ++end;
    return std::wstring(path.substr(0, end));
}

std::wstring ProgramFolder(std::wstring_view installLocation, bool programInSubfolder) {
    return programInSubfolder ? JoinPath(installLocation, L"SketchUp\\") : std::wstring(installLocation);
}

std::wstring PerUserPluginsDir(std::wstring_view appData, std::wstring_view entry) {
    return Concat({appData, L"\\SketchUp\\", entry, L"\\SketchUp\\Plugins"});
}

std::wstring AllUsersPluginsDir(std::wstring_view allUsersProfile, std::wstring_view entry) {
    return Concat({allUsersProfile, L"\\SketchUp\\", entry, L"\\SketchUp\\Plugins"});
}

ConfigPaths MakeConfigPaths(int kind, std::wstring_view profileOrAppData, std::wstring_view entry) {
    ConfigPaths p;
    if (kind == 1) {
        p.folder = Concat({profileOrAppData, L"\\AppData\\Local\\SketchUp\\", entry, L"\\SketchUp"});
        p.preferencesFile = p.folder + L"\\PrivatePreferences.json_file";
    } else {
        p.folder = Concat({profileOrAppData, L"\\SketchUp\\", entry, L"\\SketchUp"});
        p.preferencesFile = p.folder + L"\\SharedPreferences.json_file";
    }
    return p;
}

}  // namespace qln
