#include "plugin/install_log.h"

#include <windows.h>

#include <cstdio>
#include <mutex>

#include "plugin/file_handle.h"
#include "plugin/member_names.h"

namespace qln {

namespace {

std::mutex g_logLock;  // the page's worker and the GUI thread may both log
std::wstring g_logPath;
std::wstring g_programVersion;

}  // namespace

std::wstring LocalTimeText() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[32];
    swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond);
    return text;
}

namespace {

bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return bytes.empty() ||
           (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size());
}

// A path that names a device, or a namespace where devices live, is never opened at all.
bool NamesDevice(const std::wstring& path) {
    if (path.rfind(L"\\\\.\\", 0) == 0 || path.rfind(L"\\\\?\\GLOBALROOT", 0) == 0) return true;
    // A colon past the drive names a stream of some other file.
    const std::wstring_view local = path.rfind(L"\\\\?\\", 0) == 0 ? std::wstring_view(path).substr(4) : path;
    if (local.find(L':', 2) != std::wstring_view::npos) return true;
    const std::size_t leaf = path.find_last_of(L"\\/:");
    return CheckMemberName(leaf == std::wstring::npos ? path : path.substr(leaf + 1)) == MemberNameFault::DeviceName;
}

// The log opened to add to, or empty: only a plain disk file reached without a link, with no
// second name (a hard link), holding nothing or a log of ours. `create` makes a missing one.
FileHandle OpenLog(const std::wstring& path, bool create) {
    if (path.empty() || NamesDevice(path)) return {};
    // Shared for reading, so that an administrator's viewer never blocks an installation.
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ | (create ? GENERIC_WRITE : 0), FILE_SHARE_READ, nullptr,
                                create ? OPEN_ALWAYS : OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        info.nNumberOfLinks > 1)
        return {};
    char head[64];
    DWORD read = 0;
    if (!ReadFile(file.get(), head, sizeof(head), &read, nullptr) || !LooksLikeInstallLog(std::string_view(head, read)))
        return {};
    return file;
}

bool Append(const std::wstring& path, const std::string& text) {
    FileHandle file = OpenLog(path, true);
    if (!file) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) return false;
    const std::uint64_t existing = static_cast<std::uint64_t>(size.QuadPart);
    if (existing + text.size() <= kInstallLogLimit) {
        LARGE_INTEGER end = {};
        return SetFilePointerEx(file.get(), end, nullptr, FILE_END) && WriteAll(file.get(), text);
    }
    // Over the bound: read what is there (a file grown far past it by someone else is read
    // from its tail only), drop the oldest entries and write the rest back in place.
    const std::uint64_t keep = existing < 2 * kInstallLogLimit ? existing : 2 * kInstallLogLimit;
    std::string log(static_cast<std::size_t>(keep), '\0');
    LARGE_INTEGER from;
    from.QuadPart = static_cast<LONGLONG>(existing - keep);
    DWORD read = 0;
    if (!SetFilePointerEx(file.get(), from, nullptr, FILE_BEGIN) ||
        !ReadFile(file.get(), log.data(), static_cast<DWORD>(log.size()), &read, nullptr))
        return false;
    log.resize(read);
    log = BoundInstallLog(log + text, kInstallLogLimit);
    LARGE_INTEGER start = {};
    return SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN) && WriteAll(file.get(), log) &&
           SetEndOfFile(file.get());
}

}  // namespace

bool IsUsableInstallLog(const std::wstring& path) {
    if (path.empty() || NamesDevice(path)) return false;
    // Nothing there: a new log (one whose folder is missing is simply not written).
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
        (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND))
        return true;
    return static_cast<bool>(OpenLog(path, false));
}

std::wstring DefaultInstallLogPath() {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) return L"qln_install.log";
    return std::wstring(temp) + L"qln_install.log";
}

void SetInstallLogPath(const std::wstring& path) {
    std::lock_guard<std::mutex> guard(g_logLock);
    g_logPath = path;
}

void SetInstallLogProgramVersion(const std::wstring& version) {
    std::lock_guard<std::mutex> guard(g_logLock);
    g_programVersion = version;
}

std::wstring InstallLogPath() {
    std::lock_guard<std::mutex> guard(g_logLock);
    return g_logPath.empty() ? DefaultInstallLogPath() : g_logPath;
}

bool AppendInstallLog(InstallLogEntry entry) noexcept {
    try {
        entry.time = LocalTimeText();
        {
            std::lock_guard<std::mutex> guard(g_logLock);
            entry.programVersion = g_programVersion;
        }
        const std::string text = FormatInstallLogEntry(entry);
        const std::wstring path = InstallLogPath();
        std::lock_guard<std::mutex> guard(g_logLock);
        return Append(path, text);
    } catch (...) {
        return false;
    }
}

}  // namespace qln
