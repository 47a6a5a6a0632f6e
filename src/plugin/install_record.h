// The install record: what one installation of the plugin package wrote into a Plugins folder,
// so that the installer can later tell whether those files are still intact, remove exactly
// them, and skip a download when the server's package has not changed. Portable: the text
// format alone (the Win32 side lives in install_record_store.h).
//
// Format, UTF-8, one record a line, each ended by "\n" (a "\r" before it is tolerated):
//   QLN-INSTALL-RECORD 1
//   time <local time yyyy-mm-dd hh:mm:ss>
//   source <the source as the install log writes it: an address without its secrets, or a path>
//   package <size, decimal> <SHA-256, 64 lower-case hex digits>
//   etag <value>                    optional: the server's ETag on the 200 that delivered it
//   last-modified <value>           optional: the server's Last-Modified on that 200
//   D <name>                        a folder the installation created (it did not exist before)
//   F <size> <SHA-256> <name>       a file the installation wrote, as it wrote it
//   END
// The D and F lines follow the header lines in any order. Names are relative to the Plugins
// folder, "\" separated, without a final separator, each one a name the installation itself
// would accept (member_names.h), so no name can lead outside the Plugins folder. The validator
// values hold printable ASCII only. Anything else, including text after END or a missing END,
// makes the whole text "no record".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qln {

// Where a package came from, as the installation records it: the source as the install log
// writes it, and the validators of the server's 200 (empty when it sent none, or for a local
// package).
struct InstallSource {
    std::wstring source;
    std::string etag;
    std::string lastModified;
};

struct RecordedFile {
    std::wstring name;
    std::uint64_t size = 0;
    std::string sha256;  // 64 lower-case hex digits
    bool operator==(const RecordedFile&) const = default;
};

struct InstallRecord {
    std::wstring time;
    std::wstring source;
    std::uint64_t packageSize = 0;
    std::string packageSha256;
    std::string etag;          // empty: none
    std::string lastModified;  // empty: none
    std::vector<std::wstring> folders;
    std::vector<RecordedFile> files;
    bool operator==(const InstallRecord&) const = default;
};

inline constexpr std::string_view kInstallRecordHeader = "QLN-INSTALL-RECORD 1";

// The record's text. Fields that would not survive the round trip (a validator with a control
// character, a name with a line break) are the caller's fault; ParseInstallRecord then refuses
// the whole text rather than reading something else.
std::string FormatInstallRecord(const InstallRecord& record);

// nullopt for anything that is not a complete record of this format.
std::optional<InstallRecord> ParseInstallRecord(std::string_view text);

// A validator as the record keeps it and a request may repeat it: 1 to 512 characters of
// printable ASCII (blanks and tabs allowed), never a line break.
bool IsValidatorValue(std::string_view value);

// The request header lines (each ended by CR LF) that ask the server for the package only when
// it differs from the one these validators describe; empty when neither is usable.
std::string ConditionalRequestHeaders(const InstallSource& validators);

// The validators to ask with when every one of `records` came from `source` (as the log writes
// it) with the same, usable validators; nullopt otherwise (no record, another source, validators
// that differ between versions, or none at all), and the package is then fetched unconditionally.
std::optional<InstallSource> SharedValidators(const std::vector<const InstallRecord*>& records, std::wstring_view source);

}  // namespace qln
