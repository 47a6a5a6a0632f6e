// File-system helpers that every step of the installation shares: extended paths, attributes,
// names compared as Windows compares them, and removal that never follows a link.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "plugin/file_handle.h"

namespace qln::install {

// Paths in their extended form, so that the staging and backup folders, which sit deeper than
// the target, are not held to MAX_PATH.
std::wstring Extended(const std::wstring& full);

// The target as a full path without a final separator; empty for a drive or share root, which
// has no folder beside it.
std::wstring FullTarget(const std::wstring& pluginsDir);

inline DWORD Attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }
inline bool Exists(const std::wstring& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }
inline bool IsFolderAttr(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
inline bool IsFileAttr(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
inline bool IsLinkAttr(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// "a\b\c" -> "a\b"; "" for a name without a folder.
std::wstring ParentOf(const std::wstring& name);

// Names compare as Windows compares them: without regard to case.
std::wstring Key(std::wstring name);

// Whether `name` (relative, "\" separated) or any folder above it below `root` is a reparse
// point: a link planted there would carry a step somewhere else.
bool CrossesLink(const std::wstring& root, const std::wstring& name);

// Removes a file or a whole folder; never follows a reparse point (a link is removed itself, or
// left where the system would only reach what it points to). Each folder is held while what it
// holds is removed, so that nobody who may write below it can swap a folder of it for a link
// half-way. True when it is gone.
bool RemoveTree(const std::wstring& path);

// Handles held on the folders from a root down to a folder below it, opened without delete
// sharing: while they are held none of them can be renamed or replaced, so a name below them
// reaches what was checked. The root itself is held as it is reached (the target may be a link
// its owner made); every folder below it must be a folder and no link.
class PinnedFolders {
public:
    // `folder`: relative, "\" separated, "" for the root alone. False with nothing more held when
    // a step is a link, no folder, or cannot be held.
    bool Pin(const std::wstring& root, const std::wstring& folder);

private:
    std::vector<FileHandle> held_;
};

// A file that this process wrote, read whole (at most `limit` bytes); never through a link.
bool ReadWholeFile(const std::wstring& path, std::string& bytes, std::uint64_t limit = 64ull << 20);

}  // namespace qln::install
