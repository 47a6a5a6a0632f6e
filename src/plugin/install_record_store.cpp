#include "plugin/install_record_store.h"

#include <windows.h>

#include <algorithm>

#include "plugin/file_handle.h"
#include "plugin/install/install_fs.h"
#include "plugin/install/private_folder.h"
#include "plugin/install_log.h"
#include "plugin/install_log_format.h"
#include "plugin/recorded_files.h"

namespace qln {

namespace {

// A record is a few lines a file: anything larger is not one of ours.
constexpr DWORD kLargestRecord = 16 * 1024 * 1024;

bool IsReparsePoint(const std::wstring& path) { return install::IsLinkAttr(install::Attributes(path)); }

bool SameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

template <class List, class Name>
bool Lists(const List& list, const std::wstring& name, Name nameOf) {
    return std::any_of(list.begin(), list.end(), [&](const auto& item) { return SameName(nameOf(item), name); });
}

// What the previous record made that this installation did not make again: its folders (which
// now existed before, so the journal cannot tell they are ours) and its files still intact.
void KeepEarlierEntries(const std::wstring& full, const InstallRecord& earlier, InstallRecord& record) {
    const auto folderName = [](const std::wstring& name) -> const std::wstring& { return name; };
    const auto fileName = [](const RecordedFile& file) -> const std::wstring& { return file.name; };
    for (const std::wstring& folder : earlier.folders) {
        const DWORD there = install::Attributes(RecordedPath(full, folder));
        const bool isFolder = install::IsFolderAttr(there) && !install::IsLinkAttr(there);
        if (isFolder && !Lists(record.folders, folder, folderName)) record.folders.push_back(folder);
    }
    for (const RecordedFile& file : earlier.files) {
        if (Lists(record.files, file.name, fileName) || Lists(record.folders, file.name, folderName)) continue;
        if (CheckRecordedFile(full, file) == RecordedFileState::Intact) record.files.push_back(file);
    }
}

}  // namespace

std::wstring InstallRecordPath(const std::wstring& pluginsDir) {
    const std::wstring full = FullPluginsDir(pluginsDir);
    return full.empty() ? std::wstring() : full + kInstallRecordSuffix;
}

std::optional<InstallRecord> ReadInstallRecord(const std::wstring& pluginsDir) {
    const std::wstring path = InstallRecordPath(pluginsDir);
    if (path.empty()) return std::nullopt;
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) || IsReparsePoint(path) ||
        info.nFileSizeHigh != 0 || info.nFileSizeLow > kLargestRecord || !install::HasTrustedOwner(file.get()))
        return std::nullopt;
    std::string text(info.nFileSizeLow, '\0');
    DWORD read = 0;
    if (!text.empty() && (!ReadFile(file.get(), text.data(), info.nFileSizeLow, &read, nullptr) || read != text.size()))
        return std::nullopt;
    return ParseInstallRecord(text);
}

bool SaveInstallRecord(const std::wstring& pluginsDir, const InstallRecord& record) {
    const std::wstring path = InstallRecordPath(pluginsDir);
    if (path.empty() || IsReparsePoint(path)) return false;
    const std::string text = FormatInstallRecord(record);
    // A name no one else can have chosen beforehand; CREATE_NEW never opens what is there.
    const std::wstring fresh = path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                               std::to_wstring(GetTickCount64()) + L".new";
    FileHandle file(CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    const bool complete = WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                          written == text.size() && FlushFileBuffers(file.get());
    const bool closed = CloseHandle(file.release()) != FALSE;
    // Checked again right before the move: a link placed meanwhile is not written through either.
    if (complete && closed && !IsReparsePoint(path) &&
        MoveFileExW(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(fresh.c_str());
    return false;
}

bool DeleteInstallRecord(const std::wstring& pluginsDir) {
    const std::wstring path = InstallRecordPath(pluginsDir);
    if (path.empty()) return false;
    FileHandle file(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return GetLastError() == ERROR_FILE_NOT_FOUND;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.get(), &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    FILE_DISPOSITION_INFO dispose = {TRUE};
    return SetFileInformationByHandle(file.get(), FileDispositionInfo, &dispose, sizeof(dispose)) != FALSE;
}

InstallRecord MakeInstallRecord(const std::wstring& pluginsDir, const std::wstring& packagePath,
                                const std::vector<JournalEntry>& placed, const InstallSource& source) {
    const std::wstring full = FullPluginsDir(pluginsDir);
    InstallRecord record;
    record.time = LocalTimeText();
    record.source = SourceAsLogged(source.source);
    if (IsValidatorValue(source.etag)) record.etag = source.etag;
    if (IsValidatorValue(source.lastModified)) record.lastModified = source.lastModified;
    if (const std::optional<FileDigest> package = DigestFile(packagePath)) {
        record.packageSize = package->size;
        record.packageSha256 = package->sha256;
    }
    for (const JournalEntry& entry : placed) {
        if (entry.kind == JournalEntry::Kind::Folder) {
            if (!entry.existed) record.folders.push_back(entry.name);
            continue;
        }
        if (entry.kind != JournalEntry::Kind::File) continue;  // a folder exchanged whole, the user's own
        const OpenedRecordedFile opened = OpenRecordedFile(full, entry.name, GENERIC_READ, FILE_SHARE_READ);
        const std::optional<FileDigest> digest =
            opened.state == RecordedEntry::Opened ? DigestOpenFile(opened.handle.get()) : std::nullopt;
        if (digest) record.files.push_back({entry.name, digest->size, digest->sha256});
    }
    if (const std::optional<InstallRecord> earlier = ReadInstallRecord(pluginsDir))
        KeepEarlierEntries(full, *earlier, record);
    return record;
}

bool RecordInstallation(const std::wstring& pluginsDir, const std::wstring& packagePath,
                        const std::vector<JournalEntry>& placed, const InstallSource& source) {
    if (source.source.empty()) return false;
    try {
        const InstallRecord record = MakeInstallRecord(pluginsDir, packagePath, placed, source);
        // A package that could not be hashed gives no record: its "package" line would not parse.
        return !record.packageSha256.empty() && SaveInstallRecord(pluginsDir, record);
    } catch (...) {
        return false;
    }
}

}  // namespace qln
