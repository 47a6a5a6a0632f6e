// The rules of version entries and the paths derived from them. Pure text work, no Windows:
// the paths below environment folders are plain concatenations of their pieces, nothing is
// added, removed or normalised, and an unset environment variable arrives here as an empty text.
// Only the paths below an install location join with exactly one separator: SketchUp's setup
// writes that location with a trailing backslash, other tools without.
#pragma once

#include <string>
#include <string_view>

namespace qln {

// Registry subkeys are listed only when their name holds "SketchUp" in exactly that case.
bool IsVersionKeyName(std::wstring_view name);

// True at the first UTF-16 unit above 128 (U+0080 itself still counts as ASCII).
bool HasNonAsciiChar(std::wstring_view text);

// The last four characters of a version entry read as a decimal number: leading blanks
// skipped, digits up to the first non-digit, 0 when there are none.
int VersionYear(std::wstring_view entry);

// A snapshot's executable name, compared in upper case with the C library's mapping.
bool IsSketchUpExeName(std::wstring_view exeName);

// Scan roots for the folder scan: index 0 per-user (APPDATA), 1 all users (ALLUSERSPROFILE).
std::wstring ScanRoot(std::wstring_view envValue);
inline constexpr std::wstring_view kVersionFolderPattern = L"SketchUp *";

// `folder` and `name` with exactly one backslash between them, whether or not the folder ends
// in a separator; an empty folder gives `name` alone.
std::wstring JoinPath(std::wstring_view folder, std::wstring_view name);

// `path` without the separators at its end, so that a folder written either way names the same
// entry for a directory search; a drive root ("C:\") keeps its own.
std::wstring WithoutTrailingSeparators(std::wstring_view path);

// The program folder below an install location: the location itself, or its "SketchUp\"
// subfolder (ending in a backslash) when the program lives there.
std::wstring ProgramFolder(std::wstring_view installLocation, bool programInSubfolder);
inline constexpr std::wstring_view kSubfolderProgram = L"SketchUp\\SketchUp.exe";
inline constexpr std::wstring_view kProgramFile = L"SketchUp.exe";

enum class PluginsKind { Automatic = 0, PerUser = 1, AllUsers = 2 };

std::wstring PerUserPluginsDir(std::wstring_view appData, std::wstring_view entry);
std::wstring AllUsersPluginsDir(std::wstring_view allUsersProfile, std::wstring_view entry);

struct ConfigPaths {
    std::wstring folder;
    std::wstring preferencesFile;
};

// Kind 1: the local configuration folder below USERPROFILE; kind 2: the roaming one below
// APPDATA. `profileOrAppData` is the value of the variable that the kind reads.
ConfigPaths MakeConfigPaths(int kind, std::wstring_view profileOrAppData, std::wstring_view entry);

}  // namespace qln
