#include "plugin/package_install.h"

#include <shellapi.h>

#include <array>
#include <cstring>
#include <vector>

#include "discovery/discovery.h"
#include "plugin/file_handle.h"
#include "plugin/install/run_temp.h"
#include "plugin/member_names.h"
#include "plugin/package_reader.h"
#include "ui/app_look.h"

namespace qln {

std::atomic<std::uint8_t> DownloadBusy{0};
static_assert(sizeof(DownloadBusy) == 1 && std::atomic<std::uint8_t>::is_always_lock_free,
              "the busy flag must stay one lock-free byte");

namespace {

constexpr std::size_t kTempFolderBuffer = 2048;
constexpr std::size_t kShellPathField = 3001;  // path, its terminator and the list's terminator

std::atomic<PluginPageView*> g_pageView{nullptr};
std::atomic<InstallReportHook> g_reportHook{nullptr};

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Writes the open member straight over the output path (the in-place road).
bool UnpackMember(unzFile archive, const std::wstring& path, const Member& member, char* buffer) {
    if (member.directory) {
        CreateDirectoryW(path.c_str(), nullptr);  // one level; an existing folder is fine
        if (!IsFolder(path)) return false;
        if (unzOpenCurrentFile(archive) != UNZ_OK) return false;
        const bool checked = unzCloseCurrentFile(archive) == UNZ_OK;
        SetFileAttributesW(path.c_str(), member.attributes);
        return checked;
    }
    // CREATE_ALWAYS is refused over such files on Windows, but not everywhere (a root-run Wine
    // replaces them); decide here so that the outcome does not depend on the file system.
    const DWORD existing = GetFileAttributesW(path.c_str());
    constexpr DWORD kKept =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & kKept)) return false;
    FileHandle output(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!output) return false;
    DWORD writeError = 0;
    if (StreamMember(archive, output.get(), member, buffer, writeError) != MemberData::Complete) return false;
    FILETIME stamp;
    if (MemberWriteTime(member.date, stamp)) SetFileTime(output.get(), nullptr, nullptr, &stamp);
    output.reset();
    // By path, after the output is closed, so that a read-only bit cannot get in the way.
    SetFileAttributesW(path.c_str(), member.attributes);
    return true;
}

}  // namespace

void SetPluginPageView(PluginPageView* view) { g_pageView.store(view); }

void SetInstallReportHook(InstallReportHook hook) { g_reportHook.store(hook); }

std::string GetTempFolderA() {
    char buffer[kTempFolderBuffer] = {};
    const DWORD length = GetTempPathA(kTempFolderBuffer, buffer);
    if (length == 0 || length >= kTempFolderBuffer) return {};
    return buffer;
}

std::wstring PackageFilePath() {
    const std::wstring folder = RunTempFolder();
    return folder.empty() ? std::wstring() : folder + L"\\" + AnsiToWide(kPackageFileName);
}

std::string PackageFilePathA() { return WideToAnsi(PackageFilePath()); }

std::wstring AnsiToWide(std::string_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text.data(), length, nullptr, 0);
    if (units <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text.data(), length, wide.data(), units);
    return wide;
}

std::string WideToAnsi(std::wstring_view text, bool* lossy) {
    if (lossy) *lossy = false;
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    // No best fit: a character the code page lacks becomes "?", never a look-alike.
    const int bytes =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        if (lossy) *lossy = true;
        return {};
    }
    std::string narrow(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, narrow.data(), bytes, nullptr,
                        &usedDefault);
    if (lossy) *lossy = usedDefault != FALSE;
    return narrow;
}

int ShellMoveFolder(const std::string& source, const std::string& destination, std::uint16_t flags) {
    if (source.size() > kShellPathField - 2 || destination.size() > kShellPathField - 2)
        return ERROR_FILENAME_EXCED_RANGE;
    // An inner zero would turn one path into a list of several.
    if (source.find('\0') != std::string::npos || destination.find('\0') != std::string::npos)
        return ERROR_INVALID_NAME;
    std::array<char, kShellPathField> from{};
    std::array<char, kShellPathField> to{};
    std::memcpy(from.data(), source.data(), source.size());
    std::memcpy(to.data(), destination.data(), destination.size());
    SHFILEOPSTRUCTA operation = {};
    operation.wFunc = FO_MOVE;
    operation.pFrom = from.data();
    operation.pTo = to.data();
    operation.fFlags = flags;
    return SHFileOperationA(&operation);
}

bool ExtractArchive(const std::string& archivePath, const std::string& targetFolder) {
    // Converted before the separator is dropped, so that a trailing double-byte character whose
    // second byte is 0x5C keeps that byte.
    std::wstring target = AnsiToWide(targetFolder);
    if (!target.empty() && (target.back() == L'\\' || target.back() == L'/')) target.pop_back();
    if (target.empty()) return false;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(target.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    target += L'\\';

    const std::wstring archivePathW = AnsiToWide(archivePath);
    const ArchiveHandle archive = OpenArchive(archivePathW);
    if (!archive.get()) return IsArchiveWithoutMembers(archivePathW);
    std::vector<Member> members;
    if (!ListMembers(archive.get(), target.size(), members)) return false;
    if (members.empty()) return true;

    if (unzGoToFirstFile(archive.get()) != UNZ_OK) return false;
    std::vector<char> buffer(kMemberDataBuffer);
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (i > 0 && unzGoToNextFile(archive.get()) != UNZ_OK) return false;
        if (!UnpackMember(archive.get(), target + members[i].name, members[i], buffer.data())) return false;
    }
    return true;
}

void TellInstallResult(PluginPageView& view, InstallOutcome outcome) {
    // A user who closed the window meanwhile has turned elsewhere: the box comes to the front.
    const UINT foreground = view.CloseRequested() ? MB_SETFOREGROUND : 0;
    MessageBoxW(view.OwnerWindow(), InstallOutcomeMessage(outcome), kAppTitle, MB_OK | foreground);
}

void InstallPackage(HINTERNET, std::uint64_t context, const std::uint8_t*, std::uint32_t) {
    PluginPageView* view = g_pageView.load();
    if (!view) {
        CloseHandle(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(context)));
        DownloadBusy.store(0);
        return;
    }
    // This runs on the download's worker thread: nothing may escape into the component.
    try {
        const TransferEnd end = view->EndTransfer(context);
        if (end.cancelled) return;
        InstallReport report;
        std::wstring target;
        report.outcome = end.verdict;
        if (end.verdict == InstallOutcome::Succeeded) {
            view->SetStatus(kInstallingText);
            // The version is read once, in one step on the page's thread: the target of this
            // installation cannot change under it.
            const std::wstring entry = view->SelectedVersion();
            if (entry.empty()) {
                report.outcome = InstallOutcome::NoTarget;
            } else {
                target = GetPluginsDir(entry, PluginsKind::Automatic);
                report = InstallPackageFile(PackageFilePath(), target, end.source);
            }
            if (report.outcome == InstallOutcome::Succeeded) DeleteFileW(PackageFilePath().c_str());
        } else if (!end.keepPackage) {
            DeleteFileW(PackageFilePath().c_str());
        }
        if (InstallReportHook hook = g_reportHook.load()) hook(report, target);
        TellInstallResult(*view, report.outcome);
    } catch (...) {
    }
    try {
        view->FinishInstall();
    } catch (...) {
        DownloadBusy.store(0);
    }
}

}  // namespace qln
