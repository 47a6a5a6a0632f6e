#include "plugin/install_log.h"

#include <windows.h>

#include <cstdio>
#include <mutex>

#include "plugin/file_handle.h"

namespace qln {

namespace {

std::mutex g_logLock;  // the page's worker and the GUI thread may both log
std::wstring g_logPath;
std::wstring g_programVersion;

std::wstring LocalTimeText() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[32];
    swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond);
    return text;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return bytes.empty() ||
           (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size());
}

bool Append(const std::wstring& path, const std::string& text) {
    // Shared for reading, so that an administrator's viewer never blocks an installation.
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
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
