// The journal of one staged installation: the plan of every move it is about to make in the
// target folder, written and flushed before the first move, and a commit line appended after
// the last. A start that finds a journal without its commit line rolls the moves back (each
// step is undone by looking at what is on disk, so an undo that is itself interrupted can run
// again); with the commit line it only cleans up. Portable: the text format alone.
//
// Format, UTF-8, one record a line:
//   QLN-INSTALL-JOURNAL 1
//   D <existed 0|1> <attributes, 8 hex digits> <name>   a folder member
//   F <backup slot, decimal> <name>                     a file member
//   S <slot> <attributes, 8 hex digits> <name>          a folder of the package the target has,
//                                                        exchanged whole: the one there to the
//                                                        slot, the staged one in its place
//   C <backup slot, decimal> <name>                     an entry of that folder the package does
//                                                        not name, carried from the slot into the
//                                                        new folder (after the S line of its slot,
//                                                        whose name begins its own)
// (An S folder that could not be set aside stays, its files moved one by one: its attributes
// are then put back as a D line's are.)
//   END                                                  the plan is complete: moves may begin
//   COMMIT                                               every move was made
// Names are relative to the target folder, "\" separated, without a final separator; member
// names never hold control characters (member_names.h), so a line break cannot occur in one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qln {

struct JournalEntry {
    enum class Kind : std::uint8_t { Folder, File, Swap, Carry };
    Kind kind = Kind::File;
    std::wstring name;
    bool existed = false;         // folder: it was there before the installation
    std::uint32_t attributes = 0; // folder that existed, swap: its attributes before
    std::uint32_t backup = 0;     // file, swap, carry: the slot of the previous version
};

enum class JournalState : std::uint8_t {
    Unreadable,  // not a journal of this format: touch nothing
    Incomplete,  // the plan ends before END: no move was made yet
    Planned,     // moves may have been made: roll them back
    Committed,   // every move was made: clean up only
};

struct Journal {
    JournalState state = JournalState::Unreadable;
    std::vector<JournalEntry> entries;
};

// The plan, header to END, ready to be written in one piece.
std::string FormatJournalPlan(const std::vector<JournalEntry>& entries);
inline constexpr std::string_view kJournalCommitLine = "COMMIT\n";

Journal ParseJournal(std::string_view text);

// The journal's names in UTF-8; unpaired surrogates survive the round trip (as WTF-8 does),
// bytes that are no UTF-8 make DecodeJournalName fail.
std::string EncodeJournalName(std::wstring_view text);
bool DecodeJournalName(std::string_view bytes, std::wstring& text);

}  // namespace qln
