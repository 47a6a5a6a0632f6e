#include "plugin/uninstall.h"

#include <windows.h>

#include <algorithm>

#include "plugin/install_record_store.h"
#include "plugin/recorded_files.h"
#include "plugin/transfer_rules.h"

namespace qln {

namespace {

void Fail(UninstallReport& report, DWORD error, const std::wstring& name) {
    if (report.outcome == UninstallOutcome::Incomplete) return;  // the first failure is the one told
    report.outcome = UninstallOutcome::Incomplete;
    report.failure = ClassifyFileError(error);
    report.systemError = error;
    report.detail = name;
}

// Checked and deleted through one handle that keeps writers out, so the bytes compared are the
// bytes removed.
void RemoveFile(const std::wstring& full, const RecordedFile& file, UninstallReport& report) {
    const OpenedRecordedFile opened =
        OpenRecordedFile(full, file.name, GENERIC_READ | DELETE | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ);
    switch (opened.state) {
    case RecordedEntry::Missing: report.missing.push_back(file.name); return;
    case RecordedEntry::Foreign: report.keptChanged.push_back(file.name); return;
    case RecordedEntry::Failed: Fail(report, opened.error, file.name); return;
    case RecordedEntry::Opened: break;
    }
    const std::optional<FileDigest> digest = DigestOpenFile(opened.handle.get());
    if (!digest) return Fail(report, GetLastError(), file.name);
    if (digest->size != file.size || digest->sha256 != file.sha256) {
        report.keptChanged.push_back(file.name);
        return;
    }
    // A read-only file refuses to be deleted; the attribute goes with the file.
    if (opened.attributes & FILE_ATTRIBUTE_READONLY) {
        FILE_BASIC_INFO basic = {};
        const DWORD rest = opened.attributes & ~FILE_ATTRIBUTE_READONLY;
        basic.FileAttributes = rest == 0 ? FILE_ATTRIBUTE_NORMAL : rest;
        if (!SetFileInformationByHandle(opened.handle.get(), FileBasicInfo, &basic, sizeof(basic)))
            return Fail(report, GetLastError(), file.name);
    }
    FILE_DISPOSITION_INFO dispose = {TRUE};
    if (!SetFileInformationByHandle(opened.handle.get(), FileDispositionInfo, &dispose, sizeof(dispose)))
        return Fail(report, GetLastError(), file.name);
    report.removed.push_back(file.name);
}

// A created folder, once empty; one that still holds something (the user's files, a changed
// file that was kept) stays. A link in its place is never removed: on some systems removing
// it removes the folder it points to.
void RemoveFolder(const std::wstring& full, const std::wstring& name, UninstallReport& report) {
    if (!NoLinkOnTheWay(full, name, true)) {
        report.keptFolders.push_back(name);
        return;
    }
    const std::wstring path = RecordedPath(full, name);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (RemoveDirectoryW(path.c_str())) return;
    const DWORD error = GetLastError();
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes);
    if (error == ERROR_DIR_NOT_EMPTY) {
        report.keptFolders.push_back(name);
        return;
    }
    Fail(report, error, name);
}

std::size_t Depth(const std::wstring& name) { return static_cast<std::size_t>(std::count(name.begin(), name.end(), L'\\')); }

}  // namespace

UninstallReport UninstallRecorded(const std::wstring& pluginsDir) {
    UninstallReport report;
    const std::optional<InstallRecord> record = ReadInstallRecord(pluginsDir);
    const std::wstring full = FullPluginsDir(pluginsDir);
    if (!record || full.empty()) return report;
    report.outcome = UninstallOutcome::Removed;
    for (const RecordedFile& file : record->files) RemoveFile(full, file, report);
    // The deepest first, so that a folder is empty of the package's folders when its turn comes.
    std::size_t deepest = 0;
    for (const std::wstring& folder : record->folders) deepest = std::max(deepest, Depth(folder));
    for (std::size_t depth = deepest + 1; depth-- > 0;)
        for (const std::wstring& folder : record->folders)
            if (Depth(folder) == depth) RemoveFolder(full, folder, report);
    // The record goes last: without it nothing would be left to finish an interrupted removal.
    if (report.outcome == UninstallOutcome::Removed && !DeleteInstallRecord(pluginsDir))
        Fail(report, GetLastError(), InstallRecordPath(pluginsDir));
    return report;
}

}  // namespace qln
