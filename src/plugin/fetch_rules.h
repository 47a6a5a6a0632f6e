// What a finished or failed transfer means for a package download made without a window:
// the status line of the response, whether that status delivers the package, and which
// outcome a WinInet error stands for. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "plugin/install_outcome.h"

namespace qln {

// Packages above this announced or received size are refused rather than written to disk.
inline constexpr std::uint64_t kPackageSizeLimit = 256ull * 1024 * 1024;

// The code of the status line at the start of raw headers ("HTTP/1.1 200 OK"), 0 when there is
// none to read.
int StatusCodeOfHeaders(std::string_view rawHeaders);

// Request header lines a caller adds: empty, or whole lines of printable ASCII (tabs allowed),
// each ended by CR LF and none empty, so that no value can add a line of its own or end the
// header block.
bool AreHeaderLines(std::string_view lines);

// Only 200 carries the whole package: no range is asked for, and any other status (a redirect
// page, 404, 500) has a body that is not it.
inline bool IsPackageStatus(int status) { return status == 200; }

// The outcome of a transfer that never reached its body, from the WinInet error it ended with.
InstallOutcome OutcomeOfInternetError(std::uint32_t error);

}  // namespace qln

namespace qln {

// A package is a zip archive: its first bytes are a local file header, or, for an archive
// without members, the end record. Anything else (a web page, a renamed document) is refused
// before it is offered for installation.
bool LooksLikePackageStart(const unsigned char* bytes, std::size_t length);

}  // namespace qln
