// Finding the installed SketchUp versions and the paths and checks derived from a version
// entry. The fills write through two small interfaces so that any list box or frame (the
// pages' control objects, or a bare list box in tests) can receive them.
#pragma once

#include <string>
#include <vector>
#include <string_view>

#include "discovery/version_rules.h"

namespace qln {

// What a fill needs of a version list.
class VersionList {
public:
    virtual void AddText(std::wstring_view text) = 0;
    virtual void Clear() = 0;
    virtual int Count() = 0;
    virtual void SelectFirst() = 0;

protected:
    ~VersionList() = default;
};

// What the registry fill needs of the page's version frame.
class CaptionTarget {
public:
    virtual void SetCaption(std::wstring_view caption) = 0;

protected:
    ~CaptionTarget() = default;
};

inline constexpr std::wstring_view kNoVersionCaption = L"请先安装草图大师";

// Directory-search existence test: files and folders count, wildcards act as wildcards, and a
// path ending in a backslash names nothing.
bool FileExists(const std::wstring& path);

// The value of an environment variable, empty when unset.
std::wstring GetEnvText(const wchar_t* name);

// The install folder of a version from HKLM "SOFTWARE\SketchUp\<entry>\InstallLocation",
// with "SketchUp\" added when the program sits in that subfolder; with `withExe` the program
// file itself, joined with exactly one separator whether or not the location ends in one.
// Empty when the key or a fitting text value is missing, or the value is empty.
std::wstring GetInstallDir(std::wstring_view entry, bool withExe);

// The existence test of an install folder: the folder with or without its trailing backslash
// (SketchUp's setup writes it with one, which a directory search alone would never find).
bool InstallFolderExists(const std::wstring& folder);

void FillVersionsFromRegistry(VersionList& list, CaptionTarget& frame);
void FillVersionsFromFolders(VersionList& list, int scanRootIndex);

// The versions FillVersionsFromRegistry finds (with its folder fallback), in the order the
// page's sorted list shows them; for the work without a window.
std::vector<std::wstring> FindVersions();

// Replaces the list by a folder scan, alternating the per-user and all-users roots.
void ToggleVersionScan(VersionList& list);

std::wstring GetPluginsDir(std::wstring_view entry, PluginsKind kind);
ConfigPaths GetConfigPaths(std::wstring_view entry, int kind);
bool IsSketchUpRunning();
std::wstring GetCurrentUserName();

}  // namespace qln
