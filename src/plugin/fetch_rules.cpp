#include "plugin/fetch_rules.h"

namespace qln {

int StatusCodeOfHeaders(std::string_view raw) {
    // "HTTP/x.y SP code": the three digits after the first blank.
    if (raw.substr(0, 5) != "HTTP/") return 0;
    const std::size_t blank = raw.find(' ');
    if (blank == std::string_view::npos || raw.size() < blank + 4) return 0;
    int code = 0;
    for (std::size_t i = blank + 1; i < blank + 4; ++i) {
        if (raw[i] < '0' || raw[i] > '9') return 0;
        code = code * 10 + (raw[i] - '0');
    }
    if (raw.size() > blank + 4 && raw[blank + 4] != ' ' && raw[blank + 4] != '\r') return 0;
    return code;
}

InstallOutcome OutcomeOfInternetError(std::uint32_t error) {
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
    case 12179:  // ERROR_INTERNET_SEC_CERT_WEAK_SIGNATURE
        return InstallOutcome::CertificateRefused;
    default:
        return InstallOutcome::DownloadFailed;
    }
}

}  // namespace qln

namespace qln {

bool LooksLikePackageStart(const unsigned char* bytes, std::size_t length) {
    if (length < 4 || bytes[0] != 'P' || bytes[1] != 'K') return false;
    return (bytes[2] == 3 && bytes[3] == 4) || (bytes[2] == 5 && bytes[3] == 6);
}

}  // namespace qln
