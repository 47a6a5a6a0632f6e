#include "plugin/recorded_files.h"

#include <memory>

#include "base/sha256.h"
#include "plugin/install/install_fs.h"

namespace qln {

namespace {

using install::Extended;

constexpr DWORD kDigestBuffer = 64 * 1024;

bool IsMissingError(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// The walk from the Plugins folder down to `name`: Missing, Foreign or Opened (the way is clear).
RecordedEntry WalkTo(const std::wstring& fullPluginsDir, const std::wstring& name, bool includingName) {
    const std::wstring base = Extended(fullPluginsDir);
    for (std::size_t at = name.find(L'\\'); ; at = name.find(L'\\', at + 1)) {
        const bool last = at == std::wstring::npos;
        if (last && !includingName) return RecordedEntry::Opened;
        const DWORD attributes = GetFileAttributesW((base + L"\\" + name.substr(0, at)).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return RecordedEntry::Missing;
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return RecordedEntry::Foreign;
        if (last) return RecordedEntry::Opened;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return RecordedEntry::Missing;
    }
}

}  // namespace

std::wstring FullPluginsDir(const std::wstring& pluginsDir) { return install::FullTarget(pluginsDir); }

std::wstring RecordedPath(const std::wstring& fullPluginsDir, const std::wstring& name) {
    return Extended(fullPluginsDir) + L"\\" + name;
}

std::optional<FileDigest> DigestOpenFile(HANDLE file) {
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kDigestBuffer]);
    if (!buffer) return std::nullopt;
    Sha256 hash;
    FileDigest digest;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, buffer.get(), kDigestBuffer, &read, nullptr)) return std::nullopt;
        if (read == 0) break;
        hash.Update(buffer.get(), read);
        digest.size += read;
    }
    digest.sha256 = Sha256::Hex(hash.Final());
    return digest;
}

std::optional<FileDigest> DigestFile(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return std::nullopt;
    return DigestOpenFile(file.get());
}

bool NoLinkOnTheWay(const std::wstring& fullPluginsDir, const std::wstring& name, bool includingName) {
    return WalkTo(fullPluginsDir, name, includingName) != RecordedEntry::Foreign;
}

OpenedRecordedFile OpenRecordedFile(const std::wstring& fullPluginsDir, const std::wstring& name, DWORD access,
                                    DWORD share) {
    OpenedRecordedFile opened;
    opened.state = WalkTo(fullPluginsDir, name, true);
    if (opened.state != RecordedEntry::Opened) return opened;
    opened.handle.reset(CreateFileW(RecordedPath(fullPluginsDir, name).c_str(), access, share, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!opened.handle) {
        opened.error = GetLastError();
        opened.state = IsMissingError(opened.error) ? RecordedEntry::Missing : RecordedEntry::Failed;
        // A folder in the file's place answers "access denied" to a plain open.
        const DWORD there = GetFileAttributesW(RecordedPath(fullPluginsDir, name).c_str());
        if (there != INVALID_FILE_ATTRIBUTES && (there & FILE_ATTRIBUTE_DIRECTORY)) opened.state = RecordedEntry::Foreign;
        return opened;
    }
    // What was opened, not what the name showed a moment before.
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(opened.handle.get(), &info)) {
        opened.error = GetLastError();
        opened.state = RecordedEntry::Failed;
        opened.handle.reset();
        return opened;
    }
    opened.attributes = info.dwFileAttributes;
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) {
        opened.state = RecordedEntry::Foreign;
        opened.handle.reset();
    }
    return opened;
}

RecordedFileState CheckRecordedFile(const std::wstring& fullPluginsDir, const RecordedFile& file) {
    const OpenedRecordedFile opened =
        OpenRecordedFile(fullPluginsDir, file.name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (opened.state == RecordedEntry::Missing) return RecordedFileState::Missing;
    if (opened.state != RecordedEntry::Opened) return RecordedFileState::Changed;
    const std::optional<FileDigest> digest = DigestOpenFile(opened.handle.get());
    if (!digest || digest->size != file.size || digest->sha256 != file.sha256) return RecordedFileState::Changed;
    return RecordedFileState::Intact;
}

}  // namespace qln
