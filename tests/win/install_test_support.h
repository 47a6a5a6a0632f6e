// Helpers of the installation tests: a whole folder tree taken down (every file's bytes, dates
// and attributes) to compare before and after, and commands of the host run from the test
// (to hold a file with chattr or mount a small disk).
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace qln::test {

struct TreeEntry {
    bool folder = false;
    DWORD attributes = 0;
    std::string bytes;          // files only
    ULONGLONG lastWrite = 0;    // files only: folders change their dates as entries come and go
    ULONGLONG created = 0;      // files only
    bool operator==(const TreeEntry&) const = default;
};
using Tree = std::map<std::wstring, TreeEntry>;  // relative path -> entry

Tree Snapshot(const std::wstring& root);

// What differs between two trees, one line a path; empty when they are equal.
std::string TreeDifference(const Tree& before, const Tree& after);

// Names directly inside a folder.
std::wstring ListFolder(const std::wstring& folder);

// Runs `command` with the host's /bin/sh and waits up to `milliseconds` for it to end; its exit
// code, or -1 when it did not end (or start). Use single quotes inside `command`.
int RunUnix(const std::string& command, DWORD milliseconds = 30000);

// The host's path of a Windows path as 8-bit text, for RunUnix.
std::string UnixPath8(const std::wstring& dosPath);

}  // namespace qln::test
