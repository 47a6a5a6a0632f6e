#include "plugin/install_record.h"

#include <algorithm>
#include <initializer_list>

#include "plugin/install_journal.h"
#include "plugin/member_names.h"

namespace qln {

namespace {

constexpr std::size_t kValidatorLimit = 512;
constexpr std::string_view kEnd = "END";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool ParseSize(std::string_view text, std::uint64_t& value) {
    // Up to 19 digits always fit 64 bits; a leading zero only for 0 itself, so one size has one text.
    if (text.empty() || text.size() > 19 || (text.size() > 1 && text[0] == '0')) return false;
    value = 0;
    for (const char c : text) {
        if (!IsDigit(c)) return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
}

bool IsSha256Hex(std::string_view text) {
    return text.size() == 64 &&
           std::all_of(text.begin(), text.end(), [](char c) { return IsDigit(c) || (c >= 'a' && c <= 'f'); });
}

// "yyyy-mm-dd hh:mm:ss"
bool IsRecordTime(std::string_view text) {
    constexpr std::string_view kShape = "dddd-dd-dd dd:dd:dd";
    if (text.size() != kShape.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (kShape[i] == 'd' ? !IsDigit(text[i]) : text[i] != kShape[i]) return false;
    return true;
}

bool HasControlChar(std::wstring_view text) {
    return std::any_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x20 || c == 0x7F; });
}

// A recorded name: decodable, "\" separated, no final separator, and one the installation
// itself would have accepted.
bool DecodeName(std::string_view bytes, std::wstring& name) {
    if (!DecodeJournalName(bytes, name)) return false;
    if (name.find(L'/') != std::wstring::npos || IsDirectoryMember(name)) return false;
    return CheckMemberName(name) == MemberNameFault::None;
}

bool DecodeText(std::string_view bytes, std::wstring& text) {
    return !bytes.empty() && DecodeJournalName(bytes, text) && !HasControlChar(text);
}

wchar_t FoldAscii(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

std::wstring Folded(std::wstring name) {
    std::transform(name.begin(), name.end(), name.begin(), FoldAscii);
    return name;
}

// Splits off the text up to the next blank.
std::string_view TakeField(std::string_view& rest) {
    const std::size_t blank = rest.find(' ');
    const std::string_view field = rest.substr(0, blank);
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
    return field;
}

class Lines {
public:
    explicit Lines(std::string_view text) : rest_(text) {}
    // False at the end of the text, or for a last line without its "\n".
    bool Next(std::string_view& line) {
        const std::size_t end = rest_.find('\n');
        if (end == std::string_view::npos) return false;
        line = rest_.substr(0, end);
        rest_.remove_prefix(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return true;
    }
    bool AtEnd() const { return rest_.empty(); }

private:
    std::string_view rest_;
};

// "<keyword> <value>" with a non-empty value.
bool Keyed(std::string_view line, std::string_view keyword, std::string_view& value) {
    if (line.size() <= keyword.size() + 1 || line.substr(0, keyword.size()) != keyword || line[keyword.size()] != ' ')
        return false;
    value = line.substr(keyword.size() + 1);
    return true;
}

}  // namespace

bool IsValidatorValue(std::string_view value) {
    return !value.empty() && value.size() <= kValidatorLimit &&
           std::all_of(value.begin(), value.end(), [](char c) { return (c >= 0x20 && c < 0x7F) || c == '\t'; });
}

std::string FormatInstallRecord(const InstallRecord& record) {
    std::string text;
    // One line of fields separated by blanks.
    auto line = [&text](std::initializer_list<std::string_view> fields) {
        for (const std::string_view field : fields) {
            text += field;
            text += ' ';
        }
        text.back() = '\n';
    };
    line({kInstallRecordHeader});
    line({"time", EncodeJournalName(record.time)});
    line({"source", EncodeJournalName(record.source)});
    line({"package", std::to_string(record.packageSize), record.packageSha256});
    if (!record.etag.empty()) line({"etag", record.etag});
    if (!record.lastModified.empty()) line({"last-modified", record.lastModified});
    for (const std::wstring& folder : record.folders) line({"D", EncodeJournalName(folder)});
    for (const RecordedFile& file : record.files)
        line({"F", std::to_string(file.size), file.sha256, EncodeJournalName(file.name)});
    line({kEnd});
    return text;
}

std::optional<InstallRecord> ParseInstallRecord(std::string_view text) {
    Lines lines(text);
    std::string_view line, value;
    InstallRecord record;
    if (!lines.Next(line) || line != kInstallRecordHeader) return std::nullopt;
    if (!lines.Next(line) || !Keyed(line, "time", value) || !IsRecordTime(value) || !DecodeText(value, record.time))
        return std::nullopt;
    if (!lines.Next(line) || !Keyed(line, "source", value) || !DecodeText(value, record.source)) return std::nullopt;
    if (!lines.Next(line) || !Keyed(line, "package", value)) return std::nullopt;
    const std::string_view size = TakeField(value);
    if (!ParseSize(size, record.packageSize) || !IsSha256Hex(value)) return std::nullopt;
    record.packageSha256 = value;

    std::vector<std::wstring> seen;  // every name once, as Windows compares names
    bool ended = false;
    bool entries = false;
    while (!ended && lines.Next(line)) {
        if (line == kEnd) {
            ended = true;
        } else if (!entries && record.etag.empty() && Keyed(line, "etag", value)) {
            if (!IsValidatorValue(value) || !record.lastModified.empty()) return std::nullopt;
            record.etag = value;
        } else if (!entries && record.lastModified.empty() && Keyed(line, "last-modified", value)) {
            if (!IsValidatorValue(value)) return std::nullopt;
            record.lastModified = value;
        } else if (Keyed(line, "D", value)) {
            entries = true;
            std::wstring name;
            if (!DecodeName(value, name)) return std::nullopt;
            seen.push_back(Folded(name));
            record.folders.push_back(std::move(name));
        } else if (Keyed(line, "F", value)) {
            entries = true;
            RecordedFile file;
            if (!ParseSize(TakeField(value), file.size)) return std::nullopt;
            const std::string_view hash = TakeField(value);
            if (!IsSha256Hex(hash) || !DecodeName(value, file.name)) return std::nullopt;
            file.sha256 = hash;
            seen.push_back(Folded(file.name));
            record.files.push_back(std::move(file));
        } else {
            return std::nullopt;
        }
    }
    if (!ended || !lines.AtEnd()) return std::nullopt;
    std::sort(seen.begin(), seen.end());
    if (std::adjacent_find(seen.begin(), seen.end()) != seen.end()) return std::nullopt;
    return record;
}

std::string ConditionalRequestHeaders(const InstallSource& validators) {
    std::string headers;
    if (IsValidatorValue(validators.etag)) headers += "If-None-Match: " + validators.etag + "\r\n";
    if (IsValidatorValue(validators.lastModified)) headers += "If-Modified-Since: " + validators.lastModified + "\r\n";
    return headers;
}

std::optional<InstallSource> SharedValidators(const std::vector<const InstallRecord*>& records, std::wstring_view source) {
    if (records.empty() || !records.front()) return std::nullopt;
    const InstallRecord& first = *records.front();
    for (const InstallRecord* record : records) {
        if (!record || record->source != source || record->etag != first.etag ||
            record->lastModified != first.lastModified)
            return std::nullopt;
    }
    InstallSource shared{std::wstring(source), first.etag, first.lastModified};
    if (ConditionalRequestHeaders(shared).empty()) return std::nullopt;
    return shared;
}

}  // namespace qln
