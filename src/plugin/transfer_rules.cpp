#include "plugin/transfer_rules.h"

#include <cmath>
#include <limits>

#include "plugin/install_record.h"

namespace qln {

namespace {

constexpr std::uint64_t kSaturated = std::numeric_limits<std::uint64_t>::max();

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal number, saturating instead of wrapping; nullopt for anything but digits.
std::optional<std::uint64_t> ParseDecimal(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (!IsDigit(c)) return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        value = value > (kSaturated - digit) / 10 ? kSaturated : value * 10 + digit;
    }
    return value;
}

bool ParseStatusLine(std::string_view line, std::uint32_t& status) {
    constexpr std::string_view kPrefix = "HTTP/";
    if (line.size() < kPrefix.size() || !EqualsNoCase(line.substr(0, kPrefix.size()), kPrefix)) return false;
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos || line.size() < space + 4) return false;
    const std::string_view code = line.substr(space + 1, 3);
    if (!IsDigit(code[0]) || !IsDigit(code[1]) || !IsDigit(code[2])) return false;
    if (line.size() > space + 4 && line[space + 4] != ' ') return false;
    status = static_cast<std::uint32_t>((code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0'));
    return true;
}

}  // namespace

ResponseHead ParseResponseHead(std::string_view raw) {
    ResponseHead head;
    bool first = true;
    bool etagRepeated = false, lastModifiedRepeated = false;
    while (!raw.empty()) {
        std::size_t end = raw.find('\n');
        std::string_view line = raw.substr(0, end);
        raw = end == std::string_view::npos ? std::string_view() : raw.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (first) {
            first = false;
            head.statusRead = ParseStatusLine(line, head.status);
            continue;
        }
        if (line.empty()) break;  // the end of the header block
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view name = Trim(line.substr(0, colon));
        // A validator given twice is no validator: which one described the body is unknown.
        const bool isEtag = EqualsNoCase(name, "etag"), isLastModified = EqualsNoCase(name, "last-modified");
        if (isEtag || isLastModified) {
            const std::string_view value = Trim(line.substr(colon + 1));
            std::string& kept = isEtag ? head.etag : head.lastModified;
            bool& repeated = isEtag ? etagRepeated : lastModifiedRepeated;
            repeated = repeated || !kept.empty();
            if (!repeated && IsValidatorValue(value)) kept = value;
            continue;
        }
        if (!EqualsNoCase(name, "content-length")) continue;
        const std::optional<std::uint64_t> value = ParseDecimal(Trim(line.substr(colon + 1)));
        if (!value || (head.contentLength && *head.contentLength != *value))
            head.contentLengthInvalid = true;
        else
            head.contentLength = value;
    }
    if (head.contentLengthInvalid) head.contentLength.reset();
    if (etagRepeated) head.etag.clear();
    if (lastModifiedRepeated) head.lastModified.clear();
    return head;
}

InstallOutcome JudgeResponseHead(const ResponseHead& head, bool rangeAsked, std::uint64_t cap, bool conditionalAsked) {
    if (!head.statusRead) return InstallOutcome::ServerError;
    if (IsNotModified(head, conditionalAsked)) return InstallOutcome::Succeeded;
    const bool packageStatus = head.status == 200 || (rangeAsked && head.status == 206);
    if (!packageStatus || head.contentLengthInvalid) return InstallOutcome::ServerError;
    if (head.contentLength && *head.contentLength > cap) return InstallOutcome::PackageTooLarge;
    return InstallOutcome::Succeeded;
}

InstallOutcome JudgeNextChunk(std::uint64_t received, std::uint64_t chunk, std::uint64_t cap) {
    if (received > cap || chunk > cap - received) return InstallOutcome::PackageTooLarge;
    return InstallOutcome::Succeeded;
}

InstallOutcome JudgeReceivedBody(std::optional<std::uint64_t> announced, std::uint64_t received, std::uint64_t cap) {
    if (received > cap) return InstallOutcome::PackageTooLarge;
    if (announced && received < *announced) return InstallOutcome::DownloadFailed;
    if (announced && received > *announced) return InstallOutcome::ServerError;
    return InstallOutcome::Succeeded;
}

int ProgressPosition(std::uint64_t received, std::uint64_t announced) {
    if (announced == 0) return 0;
    if (received >= announced) return 100;
    // Both below 2^64: the quotient is below 1, so the product stays below 100.
    const double percent = static_cast<double>(received) / static_cast<double>(announced) * 100.0;
    const double rounded = std::nearbyint(percent);  // the default rounding mode: ties to even
    return rounded >= 100.0 ? 100 : rounded <= 0.0 ? 0 : static_cast<int>(rounded);
}

InstallOutcome ClassifyTransferError(std::uint32_t error) {
    switch (error) {
    case 12037:  // ERROR_INTERNET_SEC_CERT_DATE_INVALID
    case 12038:  // ERROR_INTERNET_SEC_CERT_CN_INVALID
    case 12044:  // ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED
    case 12045:  // ERROR_INTERNET_INVALID_CA
    case 12055:  // ERROR_INTERNET_SEC_CERT_ERRORS
    case 12056:  // ERROR_INTERNET_SEC_CERT_NO_REV
    case 12057:  // ERROR_INTERNET_SEC_CERT_REV_FAILED
    case 12169:  // ERROR_INTERNET_SEC_INVALID_CERT
    case 12170:  // ERROR_INTERNET_SEC_CERT_REVOKED
    case 12062:  // ERROR_INTERNET_SEC_CERT_WEAK_SIGNATURE
    case 12179:  // (reported for a weak signature by some WinInet versions)
        return InstallOutcome::CertificateRefused;
    case 12040:  // ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR
        return InstallOutcome::ServerError;
    default:
        return InstallOutcome::DownloadFailed;
    }
}

InstallOutcome ClassifyFileError(std::uint32_t error) {
    switch (error) {
    case 39:    // ERROR_HANDLE_DISK_FULL
    case 112:   // ERROR_DISK_FULL
    case 1295:  // ERROR_DISK_QUOTA_EXCEEDED
        return InstallOutcome::DiskFull;
    case 32:    // ERROR_SHARING_VIOLATION
    case 33:    // ERROR_LOCK_VIOLATION
    case 1224:  // ERROR_USER_MAPPED_FILE
        return InstallOutcome::FileInUse;
    case 80:    // ERROR_FILE_EXISTS
    case 183:   // ERROR_ALREADY_EXISTS
    case 267:   // ERROR_DIRECTORY
        return InstallOutcome::PathBlocked;
    default:    // ERROR_ACCESS_DENIED, ERROR_WRITE_PROTECT, ERROR_PRIVILEGE_NOT_HELD, ...
        return InstallOutcome::AccessDenied;
    }
}

}  // namespace qln
