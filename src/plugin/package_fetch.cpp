#include "plugin/package_fetch.h"

#include <windows.h>

#include "plugin/fetch_rules.h"
#include "plugin/file_handle.h"
#include "plugin/http_downloader.h"
#include "plugin/install/run_temp.h"
#include "plugin/package_install.h"
#include "plugin/transfer_rules.h"

namespace qln {

namespace {

constexpr std::int32_t kFetchChunk = 64 * 1024;

// One transfer's state, reached by every handler through the context value.
struct Fetch {
    HANDLE file = INVALID_HANDLE_VALUE;
    ResponseHead head;
    int status = 0;
    std::uint64_t announced = 0;
    std::uint64_t written = 0;
    bool conditional = false;
    bool notModified = false;
    bool began = false;
    bool refusedStatus = false;
    bool tooLarge = false;
    bool writeFailed = false;
    DWORD writeError = 0;
    bool failed = false;
    DWORD failError = 0;
};

Fetch& FetchOf(std::uint64_t context) { return *reinterpret_cast<Fetch*>(static_cast<std::uintptr_t>(context)); }

void OnHeaders(HINTERNET, std::uint64_t context, const char* headers, std::uint32_t length) {
    Fetch& fetch = FetchOf(context);
    fetch.head = ParseResponseHead(std::string_view(headers, length));
    fetch.status = StatusCodeOfHeaders(std::string_view(headers, length));
}

void OnBegin(HINTERNET, std::uint64_t context, std::uint32_t) {
    Fetch& fetch = FetchOf(context);
    fetch.began = true;
    // The length as the headers state it, in 64 bits: the event's 32-bit copy can wrap.
    fetch.announced = fetch.head.contentLength.value_or(0);
    const InstallOutcome verdict = JudgeResponseHead(fetch.head, false, kPackageSizeLimit, fetch.conditional);
    fetch.notModified = IsNotModified(fetch.head, fetch.conditional);
    fetch.refusedStatus = verdict == InstallOutcome::ServerError;
    fetch.tooLarge = verdict == InstallOutcome::PackageTooLarge;
}

std::int32_t OnChunk(HINTERNET, std::uint64_t context, const std::uint8_t* chunk, std::uint32_t length,
                     std::uint32_t, std::uint32_t) {
    Fetch& fetch = FetchOf(context);
    if (fetch.refusedStatus || fetch.tooLarge || fetch.notModified) return 1;
    if (JudgeNextChunk(fetch.written, length, kPackageSizeLimit) != InstallOutcome::Succeeded) {
        fetch.tooLarge = true;
        return 1;
    }
    DWORD done = 0;
    if (!WriteFile(fetch.file, chunk, length, &done, nullptr) || done != length) {
        fetch.writeFailed = true;
        fetch.writeError = GetLastError();
        return 1;
    }
    fetch.written += length;
    return 0;
}

void OnFailed(std::uint64_t context, std::uint32_t error) {
    Fetch& fetch = FetchOf(context);
    fetch.failed = true;
    fetch.failError = error;
}

InstallOutcome OutcomeOf(const Fetch& fetch) {
    if (fetch.failed || !fetch.began) return OutcomeOfInternetError(fetch.failError);
    if (fetch.refusedStatus) return InstallOutcome::ServerError;
    if (fetch.tooLarge) return InstallOutcome::PackageTooLarge;
    if (fetch.notModified) return InstallOutcome::Succeeded;  // no body to judge
    if (fetch.writeFailed)
        return fetch.writeError == ERROR_DISK_FULL || fetch.writeError == ERROR_HANDLE_DISK_FULL
                   ? InstallOutcome::DiskFull
                   : InstallOutcome::AccessDenied;
    // A connection cut short reads as the end of the body: only the announced length tells (a
    // download failure when less arrived).
    return JudgeReceivedBody(fetch.head.contentLength, fetch.written, kPackageSizeLimit);
}

}  // namespace

FetchResult FetchPackageToFile(const std::wstring& url, const std::wstring& file, bool secureAlways,
                               const InstallSource* validators) {
    FetchResult result;
    FileHandle output(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!output) {
        result.outcome = InstallOutcome::AccessDenied;
        return result;
    }
    Fetch fetch;
    fetch.file = output.get();
    HttpDownloader downloader;
    downloader.SetHttpVersion(L"HTTP/1.1");
    downloader.SetChunkSize(kFetchChunk);
    downloader.SetSecureAlways(secureAlways);
    downloader.SetMaxBodyLength(kPackageSizeLimit);
    if (validators) {
        const std::string headers = ConditionalRequestHeaders(*validators);
        fetch.conditional = !headers.empty() && downloader.SetRequestHeaders(headers);
    }
    downloader.AssignEvent(L"Headers", AsEventHandler(OnHeaders));
    downloader.AssignEvent(L"DownloadBegin", AsEventHandler(OnBegin));
    downloader.AssignEvent(L"FileDownload", AsEventHandler(OnChunk));
    downloader.AssignEvent(L"DownloadFailed", AsEventHandler(OnFailed));
    downloader.Get(url, reinterpret_cast<std::uintptr_t>(&fetch), 0, 0, L"", L"", L"");
    result.outcome = OutcomeOf(fetch);
    result.httpStatus = fetch.status;
    result.bytes = fetch.written;
    result.notModified = fetch.notModified && !fetch.failed;
    result.etag = fetch.head.etag;
    result.lastModified = fetch.head.lastModified;
    if (fetch.failed) result.error = fetch.failError;
    return result;
}

LocalPackageCheck CheckLocalPackage(const std::wstring& path, std::uint64_t* size) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return LocalPackageCheck::Unreadable;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return LocalPackageCheck::NotPackage;
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return LocalPackageCheck::Unreadable;
    LARGE_INTEGER length;
    if (size && GetFileSizeEx(file.get(), &length)) *size = static_cast<std::uint64_t>(length.QuadPart);
    unsigned char start[4] = {};
    DWORD read = 0;
    if (!ReadFile(file.get(), start, sizeof(start), &read, nullptr)) return LocalPackageCheck::Unreadable;
    return LooksLikePackageStart(start, read) ? LocalPackageCheck::Package : LocalPackageCheck::NotPackage;
}

std::wstring NewTempPackageFile() {
    // In this run's private folder, where no other account can have prepared a name.
    const std::wstring folder = RunTempFolder();
    wchar_t name[MAX_PATH + 1] = {};
    // With 0 for the number, the file is created (CREATE_NEW) under the first free name.
    if (folder.empty() || GetTempFileNameW(folder.c_str(), L"qln", 0, name) == 0) return {};
    return name;
}

InstallReport InstallLocalPackageFile(const std::wstring& packagePath, const std::wstring& pluginsDir) {
    bool lossy = false;
    WideToAnsi(packagePath, &lossy);
    if (!lossy) return InstallPackageFile(packagePath, pluginsDir, InstallSource{packagePath, {}, {}});
    const std::wstring copy = NewTempPackageFile();
    if (copy.empty() || !CopyFileW(packagePath.c_str(), copy.c_str(), FALSE)) {
        if (!copy.empty()) DeleteFileW(copy.c_str());
        InstallReport report;
        report.outcome = InstallOutcome::AccessDenied;
        report.detail = packagePath;
        return report;
    }
    InstallReport report = InstallPackageFile(copy, pluginsDir, InstallSource{packagePath, {}, {}});
    // The copy keeps a read-only attribute of the original, which would stop its deletion.
    SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(copy.c_str());
    return report;
}

}  // namespace qln
