// What the installer takes from the update server, and how a transfer or a file operation that
// failed is told to the user. Portable (numbers and text only), so that the page's download and
// the unattended road judge alike, and the rules are tested natively.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "plugin/install_outcome.h"

namespace qln {

// The largest package the installer accepts; a larger announced length fails the download
// before anything is reserved or written.
inline constexpr std::uint64_t kMaxPackageBytes = 256ull * 1024 * 1024;

// What the page needs of the raw response headers (the status line first, lines ended by
// CR LF, as WinInet's HTTP_QUERY_RAW_HEADERS_CRLF gives them).
struct ResponseHead {
    bool statusRead = false;     // the first line is "HTTP/<version> <three digits>[ reason]"
    std::uint32_t status = 0;
    std::optional<std::uint64_t> contentLength;  // saturates at the largest value; never wraps
    bool contentLengthInvalid = false;           // not a decimal number, or two that disagree
    // The validators of the answer, kept only when usable again in a request (install_record.h):
    // empty when absent, repeated or unusable.
    std::string etag;
    std::string lastModified;
};
ResponseHead ParseResponseHead(std::string_view rawHeaders);

// Before the body. Succeeded: the body may be taken as the package, or, for a 304 to a request
// that was asked conditionally (`conditionalAsked`), the package the request described is
// still current and no body follows. ServerError: no readable status, a status other than 200
// (or 206 when a range was asked, 304 when asked conditionally), or an unreadable length.
// PackageTooLarge: an announced length above `cap`.
InstallOutcome JudgeResponseHead(const ResponseHead& head, bool rangeAsked, std::uint64_t cap = kMaxPackageBytes,
                                 bool conditionalAsked = false);

// The answer to a conditional request that says the package did not change.
inline bool IsNotModified(const ResponseHead& head, bool conditionalAsked) {
    return conditionalAsked && head.statusRead && head.status == 304;
}

// While the body arrives: Succeeded when `chunk` more bytes after `received` stay within `cap`,
// PackageTooLarge otherwise. Computed without overflow for any values.
InstallOutcome JudgeNextChunk(std::uint64_t received, std::uint64_t chunk, std::uint64_t cap = kMaxPackageBytes);

// After the body ended: DownloadFailed when fewer bytes than announced arrived, ServerError when
// more did, PackageTooLarge above `cap`, Succeeded otherwise. With no announced length any
// count up to `cap` is complete.
InstallOutcome JudgeReceivedBody(std::optional<std::uint64_t> announced, std::uint64_t received,
                                 std::uint64_t cap = kMaxPackageBytes);

// The progress bar's position for `received` of `announced` bytes: the percentage rounded to the
// nearest integer, ties to even, at most 100; 0 (below the bar's range of 1 to 100, so the bar
// shows its minimum) when nothing was announced. No overflow for any values.
int ProgressPosition(std::uint64_t received, std::uint64_t announced);

// A transfer that ended before its body, by the WinInet (or Win32) error it ended with:
// CertificateRefused for the certificate errors, ServerError for a redirect from HTTPS to plain
// HTTP, DownloadFailed for everything else.
InstallOutcome ClassifyTransferError(std::uint32_t error);

// A file operation of the installation that failed, by its Win32 error: DiskFull, FileInUse,
// PathBlocked (a name taken by the other kind of entry), or AccessDenied (also for errors not
// listed, as administrator rights are what most often helps then).
InstallOutcome ClassifyFileError(std::uint32_t error);

}  // namespace qln
