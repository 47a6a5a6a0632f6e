// The files an install record names, reached without trusting the way to them: every folder
// between the Plugins folder and the file is looked at first, and one that is a reparse point
// (a junction, a symbolic link, a mount point) ends the walk, as the installation never made
// one. The file itself is opened without following a link, and read or deleted through that one
// handle, so what is checked is what is removed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "plugin/file_handle.h"
#include "plugin/install_record.h"

namespace qln {

// The Plugins folder as a full path without a final separator; empty when it has none.
std::wstring FullPluginsDir(const std::wstring& pluginsDir);

// The size and SHA-256 of what `file` holds from its current position on.
struct FileDigest {
    std::uint64_t size = 0;
    std::string sha256;
};
std::optional<FileDigest> DigestOpenFile(HANDLE file);
std::optional<FileDigest> DigestFile(const std::wstring& path);

enum class RecordedEntry : std::uint8_t {
    Opened,   // the handle is the file
    Missing,  // the name, or a folder above it, is not there (or a file stands where a folder was)
    Foreign,  // a link on the way or at the name, or a folder where a file was: not what was installed
    Failed,   // it could not be opened (`error`)
};

struct OpenedRecordedFile {
    RecordedEntry state = RecordedEntry::Failed;
    FileHandle handle;
    DWORD attributes = 0;
    DWORD error = 0;
};

// Opens `name` (relative, "\" separated, as the record keeps it) below `fullPluginsDir` with
// `access` and `share`.
OpenedRecordedFile OpenRecordedFile(const std::wstring& fullPluginsDir, const std::wstring& name, DWORD access,
                                    DWORD share);

// The folders between the Plugins folder and `name`, and `name` itself when `includingName`:
// true when none is a reparse point (a missing one ends the walk and counts as no link).
bool NoLinkOnTheWay(const std::wstring& fullPluginsDir, const std::wstring& name, bool includingName);

// The extended ("\\?\") path of a recorded name.
std::wstring RecordedPath(const std::wstring& fullPluginsDir, const std::wstring& name);

// Intact: there, no link, same size and SHA-256 as recorded.
enum class RecordedFileState : std::uint8_t { Intact, Missing, Changed };
RecordedFileState CheckRecordedFile(const std::wstring& fullPluginsDir, const RecordedFile& file);

}  // namespace qln
