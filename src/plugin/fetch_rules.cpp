#include "plugin/fetch_rules.h"

#include "plugin/transfer_rules.h"

namespace qln {

bool AreHeaderLines(std::string_view lines) {
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const char c = lines[i];
        if (c == '\r') {
            if (i == lineStart || i + 1 >= lines.size() || lines[i + 1] != '\n') return false;
            lineStart = ++i + 1;
        } else if (!((c >= 0x20 && c < 0x7F) || c == '\t')) {
            return false;
        }
    }
    return lineStart == lines.size();
}

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

// One table for every road: the page's download and this one judge alike.
InstallOutcome OutcomeOfInternetError(std::uint32_t error) { return ClassifyTransferError(error); }

}  // namespace qln

namespace qln {

bool LooksLikePackageStart(const unsigned char* bytes, std::size_t length) {
    if (length < 4 || bytes[0] != 'P' || bytes[1] != 'K') return false;
    return (bytes[2] == 3 && bytes[3] == 4) || (bytes[2] == 5 && bytes[3] == 6);
}

}  // namespace qln
