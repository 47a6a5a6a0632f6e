#include "plugin/package_install.h"

#include <direct.h>
#include <io.h>
#include <shellapi.h>

#include <array>
#include <cstring>
#include <vector>

#include "discovery/discovery.h"
#include "plugin/member_names.h"
#include "ui/app_look.h"
#include "unzip.h"

namespace qln {

std::atomic<std::uint8_t> DownloadBusy{0};
static_assert(sizeof(DownloadBusy) == 1 && std::atomic<std::uint8_t>::is_always_lock_free,
              "the busy flag must stay one lock-free byte");

namespace {

constexpr std::size_t kTempFolderBuffer = 2048;
constexpr std::size_t kShellPathField = 3001;  // path, its terminator and the list's terminator
constexpr unsigned kDataBufferSize = 8192;
constexpr uLong kFlagEncrypted = 0x0001;
constexpr uLong kFlagUtf8Name = 0x0800;

std::atomic<PluginPageView*> g_pageView{nullptr};
std::atomic<InstallReportHook> g_reportHook{nullptr};

class ArchiveHandle {
public:
    explicit ArchiveHandle(const std::string& path) : archive_(unzOpen64(path.c_str())) {}
    ~ArchiveHandle() {
        if (archive_) unzClose(archive_);
    }
    ArchiveHandle(const ArchiveHandle&) = delete;
    ArchiveHandle& operator=(const ArchiveHandle&) = delete;
    unzFile get() const { return archive_; }

private:
    unzFile archive_;
};

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// One member as the first pass found it acceptable.
struct Member {
    std::wstring name;  // as the file functions see it
    bool directory = false;
    tm_unz date = {};
    DWORD attributes = 0;
    ZPOS64_T size = 0;
};

// The raw name converted as the 8-bit file functions would convert it, or as UTF-8 when the
// member's flag says so. Bytes that are not text in that encoding cannot be created as named.
bool DecodeMemberName(const char* raw, bool utf8, std::wstring& name) {
    name.clear();
    const int length = static_cast<int>(std::strlen(raw));
    if (length == 0) return true;
    const UINT codePage = utf8 ? CP_UTF8 : CP_ACP;
    const DWORD flags = MB_ERR_INVALID_CHARS | (utf8 ? 0 : MB_PRECOMPOSED);
    const int units = MultiByteToWideChar(codePage, flags, raw, length, nullptr, 0);
    if (units <= 0) return false;
    name.resize(static_cast<std::size_t>(units));
    return MultiByteToWideChar(codePage, flags, raw, length, name.data(), units) == units;
}

// The member's date taken as local time, in UTC; false for a date that names no moment (a zero
// DOS date gives month -1).
bool MemberWriteTime(const tm_unz& date, FILETIME& utc) {
    for (int field : {date.tm_year, date.tm_mon, date.tm_mday, date.tm_hour, date.tm_min, date.tm_sec})
        if (field < 0 || field > 0xFFFF) return false;
    SYSTEMTIME time = {};
    time.wYear = static_cast<WORD>(date.tm_year);
    time.wMonth = static_cast<WORD>(date.tm_mon + 1);
    time.wDay = static_cast<WORD>(date.tm_mday);
    time.wHour = static_cast<WORD>(date.tm_hour);
    time.wMinute = static_cast<WORD>(date.tm_min);
    time.wSecond = static_cast<WORD>(date.tm_sec);
    FILETIME local;
    return SystemTimeToFileTime(&time, &local) && LocalFileTimeToFileTime(&local, &utc);
}

// First pass over the central directory: every member must be one we can write where its name
// says, before anything is written.
bool PlanMembers(unzFile archive, ZPOS64_T count, std::size_t targetChars, std::vector<Member>& members) {
    char raw[kMemberNameLimit + 1];
    for (ZPOS64_T i = 0; i < count; ++i) {
        if (i > 0 && unzGoToNextFile(archive) != UNZ_OK) return false;
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(archive, &info, raw, kMemberNameLimit, nullptr, 0, nullptr, 0) != UNZ_OK)
            return false;
        // A name that fills the buffer comes back unterminated: only its first 512 bytes count.
        raw[kMemberNameLimit] = '\0';
        if (info.flag & kFlagEncrypted) return false;
        if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) return false;
        Member member;
        if (!DecodeMemberName(raw, (info.flag & kFlagUtf8Name) != 0, member.name)) return false;
        if (CheckMemberPath(targetChars, member.name) != MemberNameFault::None) return false;
        member.directory = IsDirectoryMember(member.name);
        member.date = info.tmu_date;
        member.attributes = static_cast<DWORD>(info.external_fa);
        member.size = info.uncompressed_size;
        members.push_back(std::move(member));
    }
    return true;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Streams the open member into a new output file. The date is set after the data: a write
// after SetFileTime refreshes the stamp on file systems that keep no "set explicitly" mark.
bool WriteMemberData(unzFile archive, const std::wstring& path, const Member& member, char* buffer) {
    // CREATE_ALWAYS is refused over such files on Windows, but not everywhere (a root-run Wine
    // replaces them); decide here so that the outcome does not depend on the file system.
    const DWORD existing = GetFileAttributesW(path.c_str());
    constexpr DWORD kKept =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & kKept)) return false;

    FileHandle output(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (output.get() == INVALID_HANDLE_VALUE) return false;
    ZPOS64_T total = 0;
    for (;;) {
        const int read = unzReadCurrentFile(archive, buffer, kDataBufferSize);
        if (read < 0) return false;
        if (read == 0) break;
        DWORD written = 0;
        if (!WriteFile(output.get(), buffer, static_cast<DWORD>(read), &written, nullptr) ||
            written != static_cast<DWORD>(read))
            return false;
        total += static_cast<ZPOS64_T>(read);
    }
    // The checksum is tested only for a member read to its stated size: data that ends early
    // must be caught here.
    if (total != member.size) return false;
    FILETIME stamp;
    if (MemberWriteTime(member.date, stamp)) SetFileTime(output.get(), nullptr, nullptr, &stamp);
    return true;
}

bool UnpackMember(unzFile archive, const std::wstring& path, const Member& member, char* buffer) {
    if (member.directory) {
        CreateDirectoryW(path.c_str(), nullptr);  // one level; an existing folder is fine
        if (!IsFolder(path)) return false;
    }
    if (unzOpenCurrentFile(archive) != UNZ_OK) return false;
    const bool written = member.directory || WriteMemberData(archive, path, member, buffer);
    // Always close the member; a checksum mismatch shows only here.
    const bool checked = unzCloseCurrentFile(archive) == UNZ_OK;
    if (!written || !checked) return false;
    // By path, after the output is closed, so that a read-only bit cannot get in the way.
    SetFileAttributesW(path.c_str(), member.attributes);
    return true;
}

// minizip takes an end record found at offset 0 for "no end record", so it cannot open an
// archive without members (22 bytes, plus an optional comment). Recognise that one here.
bool IsArchiveWithoutMembers(const std::string& path) {
    constexpr DWORD kEndRecord = 22;
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size;
    if (file.get() == INVALID_HANDLE_VALUE || !GetFileSizeEx(file.get(), &size) || size.QuadPart < kEndRecord ||
        size.QuadPart > kEndRecord + 0xFFFF)
        return false;
    unsigned char record[kEndRecord];
    DWORD read = 0;
    if (!ReadFile(file.get(), record, kEndRecord, &read, nullptr) || read != kEndRecord) return false;
    auto u16 = [&](int at) { return static_cast<unsigned>(record[at] | record[at + 1] << 8); };
    static constexpr unsigned char kSignature[] = {0x50, 0x4B, 0x05, 0x06};
    // Disk numbers, both entry counts, central directory size and offset: all zero.
    for (int at = 4; at < 20; ++at)
        if (record[at] != 0) return false;
    return std::memcmp(record, kSignature, sizeof(kSignature)) == 0 && kEndRecord + u16(20) == size.QuadPart;
}

// The target folder of the version now selected on the page, as 8-bit text; empty when no line
// is selected or the path has characters the code page cannot hold ("?" would be a wildcard).
std::string CurrentTarget(PluginPageView& view) {
    const std::wstring entry = view.SelectedVersion();
    if (entry.empty()) return {};
    bool lossy = false;
    std::string target = WideToAnsi(GetPluginsDir(entry, PluginsKind::Automatic), &lossy);
    return lossy ? std::string() : target;
}

bool TargetCountsAsPresent(const std::string& target) {
    __finddata64_t found;
    const intptr_t search = _findfirst64(target.c_str(), &found);
    if (search == -1) return false;
    _findclose(search);
    return CountsAsPresentFolder(found.attrib);
}

// A target that counts as absent is made by moving a new empty folder there. The target is
// taken anew from the page at each step, as the selection may change meanwhile.
bool InstallSelectedVersion(PluginPageView& view) {
    const std::string tested = CurrentTarget(view);
    if (tested.empty()) return false;
    if (!TargetCountsAsPresent(tested)) {
        const std::string temp = GetTempFolderA();
        const std::string transit = temp + "Plugins";
        if (!temp.empty() && _mkdir(transit.c_str()) == 0) {
            const std::string destination = CurrentTarget(view);
            if (destination.empty()) {
                _rmdir(transit.c_str());
                return false;
            }
            ShellMoveFolder(transit, destination, FOF_SILENT | FOF_NOCONFIRMATION);
        }
    }
    const std::string target = CurrentTarget(view);
    return !target.empty() && ExtractArchive(PackageFilePathA(), target);
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

std::string PackageFilePathA() { return GetTempFolderA() + std::string(kPackageFileName); }

std::wstring PackageFilePath() { return AnsiToWide(PackageFilePathA()); }

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

    ArchiveHandle archive(archivePath);
    if (!archive.get()) return IsArchiveWithoutMembers(archivePath);
    unz_global_info64 global;
    if (unzGetGlobalInfo64(archive.get(), &global) != UNZ_OK) return false;

    std::vector<Member> members;
    if (!PlanMembers(archive.get(), global.number_entry, target.size(), members)) return false;
    if (members.empty()) return true;

    if (unzGoToFirstFile(archive.get()) != UNZ_OK) return false;
    std::vector<char> buffer(kDataBufferSize);
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (i > 0 && unzGoToNextFile(archive.get()) != UNZ_OK) return false;
        if (!UnpackMember(archive.get(), target + members[i].name, members[i], buffer.data())) return false;
    }
    return true;
}

InstallReport InstallPackageFile(const std::wstring& packagePath, const std::wstring& pluginsDir) {
    InstallReport report;
    bool lossy = false;
    const std::string package = WideToAnsi(packagePath, &lossy);
    bool targetLossy = false;
    const std::string target = WideToAnsi(pluginsDir, &targetLossy);
    if (target.empty() || targetLossy) {
        report.outcome = InstallOutcome::NoTarget;
        return report;
    }
    if (lossy) {
        report.outcome = InstallOutcome::DamagedPackage;
        return report;
    }
    if (!TargetCountsAsPresent(target)) {
        const std::string temp = GetTempFolderA();
        const std::string transit = temp + "Plugins";
        if (!temp.empty() && _mkdir(transit.c_str()) == 0)
            ShellMoveFolder(transit, target, FOF_SILENT | FOF_NOCONFIRMATION);
    }
    report.outcome = ExtractArchive(package, target) ? InstallOutcome::Succeeded : InstallOutcome::AccessDenied;
    return report;
}

void InstallPackage(HINTERNET, std::uint64_t context, const std::uint8_t*, std::uint32_t) {
    CloseHandle(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(context)));
    PluginPageView* view = g_pageView.load();
    if (!view) {
        DownloadBusy.store(0);
        return;
    }
    // This runs on the download's worker thread: nothing may escape into the component.
    bool installed = false;
    InstallReport report;
    std::wstring target;
    try {
        view->SetStatus(kInstallingText);
        WIN32_FILE_ATTRIBUTE_DATA package;
        if (GetFileAttributesExW(PackageFilePath().c_str(), GetFileExInfoStandard, &package))
            report.packageBytes = (static_cast<std::uint64_t>(package.nFileSizeHigh) << 32) | package.nFileSizeLow;
        installed = InstallSelectedVersion(*view);
        const std::wstring entry = view->SelectedVersion();
        if (!entry.empty()) target = GetPluginsDir(entry, PluginsKind::Automatic);
        if (installed) DeleteFileW(PackageFilePath().c_str());
    } catch (...) {
        installed = false;
    }
    report.outcome = installed ? InstallOutcome::Succeeded : InstallOutcome::AccessDenied;
    if (InstallReportHook hook = g_reportHook.load()) hook(report, target);
    MessageBoxW(view->OwnerWindow(), installed ? kInstallSucceededText : kInstallFailedText, kAppTitle, MB_OK);
    DownloadBusy.store(0);
    try {
        view->HideProgress();
        view->SetStatus(L"");
    } catch (...) {
    }
}

}  // namespace qln
