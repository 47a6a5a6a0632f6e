#include "plugin/install_log_format.h"

namespace qln {

namespace {

void AppendCodePoint(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Field(std::wstring_view text) {
    std::string utf8 = ToUtf8(text);
    for (char& c : utf8)
        if (c == '\r' || c == '\n') c = ' ';
    return utf8;
}

}  // namespace

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t cp = static_cast<std::uint32_t>(text[i]);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
            const std::uint32_t low = static_cast<std::uint32_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
                AppendCodePoint(out, cp);
                continue;
            }
        }
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
        AppendCodePoint(out, cp);
    }
    return out;
}

std::wstring RedactUrl(std::wstring_view url) {
    const std::size_t schemeEnd = url.find(L"://");
    if (schemeEnd == std::wstring_view::npos) return std::wstring(url.substr(0, url.find_first_of(L"?#")));
    const std::size_t authorityStart = schemeEnd + 3;
    std::size_t authorityEnd = url.find_first_of(L"/?#", authorityStart);
    if (authorityEnd == std::wstring_view::npos) authorityEnd = url.size();
    std::wstring_view authority = url.substr(authorityStart, authorityEnd - authorityStart);
    // The last '@' ends the user part: a password may hold '@' itself.
    const std::size_t at = authority.rfind(L'@');
    if (at != std::wstring_view::npos) authority.remove_prefix(at + 1);
    std::wstring_view rest = url.substr(authorityEnd);
    const std::size_t secretStart = rest.find_first_of(L"?#");
    std::wstring redacted(url.substr(0, authorityStart));
    redacted += authority;
    redacted += rest.substr(0, secretStart);
    if (secretStart != std::wstring_view::npos) redacted += L"?…";
    return redacted;
}

std::wstring SourceAsLogged(std::wstring_view source) {
    return source.find(L"://") != std::wstring_view::npos ? RedactUrl(source) : std::wstring(source);
}

std::string FormatInstallLogEntry(const InstallLogEntry& entry) {
    std::string text = "[" + Field(entry.time) + "] Quorlen插件安装器 " + Field(entry.programVersion) + " " +
                       Field(entry.mode) + "\r\n";
    if (!entry.source.empty()) {
        text += "  source: " + Field(SourceAsLogged(entry.source));
        if (entry.httpStatus != 0) text += " (HTTP " + std::to_string(entry.httpStatus) + ")";
        text += "\r\n";
    }
    text += "  size: " + std::to_string(entry.packageBytes) + " bytes\r\n";
    if (!entry.target.empty()) text += "  target: " + Field(entry.target) + "\r\n";
    text += "  members written: " + std::to_string(entry.membersWritten) + "\r\n";
    text += "  result: " + entry.result + " - " + Field(entry.reason) + "\r\n";
    return text;
}

bool LooksLikeInstallLog(std::string_view head) {
    static constexpr std::string_view kShape = "[0000-00-00 00:00:00] ";
    if (head.size() > kShape.size()) head = head.substr(0, kShape.size());
    for (std::size_t i = 0; i < head.size(); ++i) {
        const bool digit = head[i] >= '0' && head[i] <= '9';
        if (kShape[i] == '0' ? !digit : head[i] != kShape[i]) return false;
    }
    return true;
}

std::string BoundInstallLog(std::string log, std::size_t limit) {
    std::size_t cut = 0;
    while (log.size() - cut > limit) {
        // The next entry's start after the current cut.
        std::size_t next = log.find("\n[", cut);
        if (next == std::string::npos) break;
        cut = next + 1;
    }
    log.erase(0, cut);
    return log;
}

}  // namespace qln
