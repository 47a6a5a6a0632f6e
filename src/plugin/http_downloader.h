// The download component: one HTTP(S) resource fetched through WinInet, reported to its form by
// plain function-pointer events. The record holds settings and handlers only; every transfer
// takes a copy of them when it starts and lives entirely in its own thread (or, for the
// synchronous operations, in the caller's call), so the record may change or be freed while
// transfers run.
//
// Events of one transfer, each raised on the thread that runs it:
//   Headers (when the raw headers could be read), DownloadBegin, FileDownload per chunk,
//   DownloadComplete
// or, when the transfer never reached its body (its texts did not fit the request block, no
// worker could be started, or opening, connecting, opening the request or sending failed, a
// refused server certificate included), DownloadFailed alone with the error it ended with, so
// that a caller that stays busy until the end of a transfer always learns of that end and why.
// A transfer raises exactly one of DownloadComplete and DownloadFailed.
// The HTTP status is never examined: an error page is a body like any other; the caller judges
// the status from the Headers event.
//
// TLS (port 443) verifies the server's certificate fully: its name and dates are no longer
// ignored, and a redirect from HTTPS to plain HTTP ends the transfer.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace qln {

// WinInet's own status callback, installed on each transfer's session handle.
using InternetStatusHandler = INTERNET_STATUS_CALLBACK;
// The raw response headers, CR LF separated and zero-terminated; valid during the call only.
using HeadersHandler = void (*)(HINTERNET session, std::uint64_t context, const char* headers,
                                std::uint32_t length);
// The announced body length is 0 when the response carried no usable Content-Length.
using DownloadBeginHandler = void (*)(HINTERNET session, std::uint64_t context, std::uint32_t announced);
// `received` includes this chunk. The chunk is valid during the call only. A non-zero result
// stops the transfer; the chunk is then not collected.
using FileDownloadHandler = std::int32_t (*)(HINTERNET session, std::uint64_t context, const std::uint8_t* chunk,
                                             std::uint32_t length, std::uint32_t received,
                                             std::uint32_t announced);
// The body collected in memory (null when nothing was collected); valid during the call only.
using DownloadCompleteHandler = void (*)(HINTERNET session, std::uint64_t context, const std::uint8_t* body,
                                         std::uint32_t length);
// The transfer ended before its body; no other event came or will come from it. `error` is the
// WinInet or Win32 error it ended with (ERROR_INTERNET_SEC_CERT_CN_INVALID, ERROR_INTERNET_
// CANNOT_CONNECT, ERROR_NOT_ENOUGH_MEMORY, ...; never 0). Raised on the caller's thread, before
// the start operation returns, when the request was refused or no worker could be started.
using DownloadFailedHandler = void (*)(std::uint64_t context, std::uint32_t error);

// Any of the handlers above, as AssignEvent stores and returns them.
using EventHandler = void (*)();
template <class Handler>
EventHandler AsEventHandler(Handler handler) {
    return reinterpret_cast<EventHandler>(handler);
}
template <class Handler>
Handler FromEventHandler(EventHandler handler) {
    return reinterpret_cast<Handler>(handler);
}

// The four operations share one transfer and differ in verb, request body, flags and thread.
enum class TransferKind : std::uint8_t { StartGet, StartPost, Get, Post };

inline constexpr std::int32_t kDefaultChunkSize = 4096;
inline constexpr std::size_t kHttpVersionField = 30;  // bytes, terminator included

class HttpDownloader {
public:
    // `name` is one of "InternetStatus", "Headers", "DownloadBegin", "FileDownload",
    // "DownloadComplete", "DownloadFailed" in any letter case. Stores `handler` (null clears)
    // and returns the one it replaces; any other name changes nothing and returns null.
    EventHandler AssignEvent(std::wstring_view name, EventHandler handler);

    // Asynchronous: copy the request, start a detached worker, return at once. The caller's
    // strings may go as soon as these return, and so may the record itself. The request's
    // 8-bit texts (the URL, and again as host and path; referrer, user, password, version; a
    // POST body) must total at most 65275 bytes, as the request block addresses them with
    // 16-bit offsets; a larger request is refused.
    // `rangeStart` counts bytes from 1 (0: no Range line); `rangeExtent` 0 reads to the end.
    void StartGet(std::wstring_view url, std::uint64_t context, std::int32_t rangeStart, std::int32_t rangeExtent,
                  std::wstring_view referrer, std::wstring_view user, std::wstring_view password) const;
    void StartPost(std::wstring_view url, std::string_view body, std::uint64_t context, std::int32_t rangeStart,
                   std::int32_t rangeExtent, std::wstring_view referrer, std::wstring_view user,
                   std::wstring_view password) const;

    // Synchronous: the same transfer and events on the caller's thread; returns the collected
    // body, empty when the transfer never reached its body.
    std::string Get(std::wstring_view url, std::uint64_t context, std::int32_t rangeStart, std::int32_t rangeExtent,
                    std::wstring_view referrer, std::wstring_view user, std::wstring_view password) const;
    std::string Post(std::wstring_view url, std::string_view body, std::uint64_t context, std::int32_t rangeStart,
                     std::int32_t rangeExtent, std::wstring_view referrer, std::wstring_view user,
                     std::wstring_view password) const;

    HWND OwnerWindow() const { return ownerWindow_; }
    void SetOwnerWindow(HWND window) { ownerWindow_ = window; }
    std::int32_t ControlId() const { return controlId_; }
    void SetControlId(std::int32_t id) { controlId_ = id; }
    // Bytes asked for by each read of the body; 0 or less reads no body at all.
    std::int32_t ChunkSize() const { return chunkSize_; }
    void SetChunkSize(std::int32_t size) { chunkSize_ = size; }
    // Kept as 8-bit text of at most 29 characters; empty lets WinInet choose.
    std::wstring HttpVersion() const;
    void SetHttpVersion(std::wstring_view version);
    // TLS on every port, not only on 443: for addresses that said https themselves (an
    // administrator's mirror on another port must not fall back to plain HTTP). Off by default.
    bool SecureAlways() const { return secureAlways_; }
    void SetSecureAlways(bool secure) { secureAlways_ = secure; }
    // The most a transfer collects in memory (0: no limit). An announced length above it
    // reserves nothing, and a body that grows beyond it ends as a failed read does.
    std::uint64_t MaxBodyLength() const { return maxBodyLength_; }
    void SetMaxBodyLength(std::uint64_t bytes) { maxBodyLength_ = bytes; }
    // Header lines added to every request ("Name: value", each ended by CR LF; empty: none).
    // Anything else is refused (false) and no lines are added.
    bool SetRequestHeaders(std::string_view lines);

    // Ends every running transfer that was started with `context`: its request handle is closed
    // (which makes a read that waits for data return on Windows; Wine lets such a read run to
    // its own end) and no further FileDownload is raised; DownloadComplete (or DownloadFailed)
    // still ends it. Any thread.
    static void CancelTransfers(std::uint64_t context);

private:
    HWND ownerWindow_ = nullptr;
    std::int32_t controlId_ = 0;
    InternetStatusHandler onInternetStatus_ = nullptr;
    DownloadBeginHandler onDownloadBegin_ = nullptr;
    DownloadCompleteHandler onDownloadComplete_ = nullptr;
    FileDownloadHandler onFileDownload_ = nullptr;
    HeadersHandler onHeaders_ = nullptr;
    DownloadFailedHandler onDownloadFailed_ = nullptr;
    char httpVersion_[kHttpVersionField] = {};
    std::int32_t chunkSize_ = kDefaultChunkSize;
    bool secureAlways_ = false;
    std::uint64_t maxBodyLength_ = 0;
    std::string requestHeaders_;

    std::string Transfer(TransferKind kind, std::wstring_view url, std::string_view body, std::uint64_t context,
                         std::int32_t rangeStart, std::int32_t rangeExtent, std::wstring_view referrer,
                         std::wstring_view user, std::wstring_view password) const;
};

}  // namespace qln
