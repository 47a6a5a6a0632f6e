#include "plugin/install_journal.h"

#include <cstdio>

namespace qln {

namespace {

constexpr std::string_view kHeader = "QLN-INSTALL-JOURNAL 1";
constexpr std::string_view kEnd = "END";
constexpr std::string_view kCommit = "COMMIT";

void AppendCodePoint(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendWide(std::wstring& out, std::uint32_t cp) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(cp);
}

bool ParseUnsigned(std::string_view text, int base, std::uint32_t& value) {
    if (text.empty() || text.size() > 10) return false;
    std::uint64_t v = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return false;
        v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    }
    if (v > 0xFFFFFFFFu) return false;
    value = static_cast<std::uint32_t>(v);
    return true;
}

// "<field> <rest>": the field and the rest after one space.
bool SplitField(std::string_view& line, std::string_view& field) {
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos) return false;
    field = line.substr(0, space);
    line.remove_prefix(space + 1);
    return true;
}

// A carried entry lies below a folder exchanged earlier in the journal, into the same slot: its
// undo finds its place in the old folder from that.
bool CarryFollowsItsSwap(const std::vector<JournalEntry>& entries, const JournalEntry& carry) {
    for (const JournalEntry& entry : entries)
        if (entry.kind == JournalEntry::Kind::Swap && entry.backup == carry.backup)
            return carry.name.size() > entry.name.size() + 1 && carry.name[entry.name.size()] == L'\\' &&
                   carry.name.compare(0, entry.name.size(), entry.name) == 0;
    return false;
}

bool ParseEntry(std::string_view line, JournalEntry& entry) {
    std::string_view kind, field;
    if (!SplitField(line, kind)) return false;
    if (kind == "D") {
        entry.kind = JournalEntry::Kind::Folder;
        std::uint32_t existed = 0;
        if (!SplitField(line, field) || !ParseUnsigned(field, 10, existed) || existed > 1) return false;
        entry.existed = existed == 1;
        if (!SplitField(line, field) || field.size() != 8 || !ParseUnsigned(field, 16, entry.attributes)) return false;
    } else if (kind == "F" || kind == "S" || kind == "C") {
        entry.kind = kind == "F" ? JournalEntry::Kind::File
                   : kind == "S" ? JournalEntry::Kind::Swap
                                 : JournalEntry::Kind::Carry;
        if (!SplitField(line, field) || !ParseUnsigned(field, 10, entry.backup)) return false;
        if (entry.kind == JournalEntry::Kind::Swap &&
            (!SplitField(line, field) || field.size() != 8 || !ParseUnsigned(field, 16, entry.attributes)))
            return false;
    } else {
        return false;
    }
    return !line.empty() && DecodeJournalName(line, entry.name);
}

}  // namespace

std::string EncodeJournalName(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t cp = static_cast<std::uint32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
                const auto low = static_cast<std::uint32_t>(text[i + 1]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        if (cp > 0x10FFFF) cp = 0xFFFD;
        AppendCodePoint(out, cp);
    }
    return out;
}

bool DecodeJournalName(std::string_view bytes, std::wstring& text) {
    text.clear();
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length;
        std::uint32_t cp;
        if (lead < 0x80) length = 1, cp = lead;
        else if ((lead & 0xE0) == 0xC0) length = 2, cp = lead & 0x1F;
        else if ((lead & 0xF0) == 0xE0) length = 3, cp = lead & 0x0F;
        else if ((lead & 0xF8) == 0xF0) length = 4, cp = lead & 0x07;
        else return false;
        if (i + length > bytes.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            cp = cp << 6 | (next & 0x3F);
        }
        static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kSmallest[length] || cp > 0x10FFFF) return false;  // over-long or out of range
        AppendWide(text, cp);
        i += length;
    }
    return true;
}

std::string FormatJournalPlan(const std::vector<JournalEntry>& entries) {
    std::string text(kHeader);
    text += '\n';
    char field[32];
    for (const JournalEntry& entry : entries) {
        if (entry.kind == JournalEntry::Kind::Folder) {
            std::snprintf(field, sizeof(field), "D %d %08X ", entry.existed ? 1 : 0, static_cast<unsigned>(entry.attributes));
        } else {
            const char kind = entry.kind == JournalEntry::Kind::Swap    ? 'S'
                            : entry.kind == JournalEntry::Kind::Carry ? 'C'
                                                                      : 'F';
            std::snprintf(field, sizeof(field), "%c %u ", kind, static_cast<unsigned>(entry.backup));
            text += field;
            if (entry.kind == JournalEntry::Kind::Swap)
                std::snprintf(field, sizeof(field), "%08X ", static_cast<unsigned>(entry.attributes));
            else
                field[0] = '\0';
        }
        text += field;
        text += EncodeJournalName(entry.name);
        text += '\n';
    }
    text += kEnd;
    text += '\n';
    return text;
}

Journal ParseJournal(std::string_view text) {
    Journal journal;
    bool header = false, ended = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) break;  // a line cut short: not written completely
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (!header) {
            if (line != kHeader) return {};
            header = true;
        } else if (!ended) {
            if (line == kEnd) {
                ended = true;
                journal.state = JournalState::Planned;
                continue;
            }
            JournalEntry entry;
            if (!ParseEntry(line, entry)) return {};
            if (entry.kind == JournalEntry::Kind::Carry && !CarryFollowsItsSwap(journal.entries, entry)) return {};
            journal.entries.push_back(std::move(entry));
        } else if (line == kCommit) {
            journal.state = JournalState::Committed;
        } else {
            return {};
        }
    }
    if (!header) {
        // An empty or cut header: the plan was never written, so no move was made.
        const bool cut = text.size() <= kHeader.size() && kHeader.substr(0, text.size()) == text;
        journal.state = cut ? JournalState::Incomplete : JournalState::Unreadable;
        return journal;
    }
    if (!ended) journal.state = JournalState::Incomplete;
    return journal;
}

}  // namespace qln
