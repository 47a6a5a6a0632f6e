// The moves of a staged installation and their undoing. The journal is written and flushed
// before the first move; each move is write-through; each undo judges from what is on disk how
// far its moves had come, so that a roll-back can run again after it was itself interrupted.
#pragma once

#include <cstdint>
#include <vector>

#include "plugin/file_handle.h"
#include "plugin/install/failure.h"
#include "plugin/install/plan.h"
#include "plugin/install_journal.h"

namespace qln::install {

class JournalFile {
public:
    Failure Write(const std::wstring& path, const std::vector<JournalEntry>& entries);
    Failure Commit() { return Append(std::string(kJournalCommitLine)); }
    void Close() { file_.reset(); }

private:
    Failure Append(const std::string& text);
    FileHandle file_;
};

// The journal of a plan: what each entry's undo needs, an entry for each of the plan's in its
// order, then one for each entry carried over.
std::vector<JournalEntry> JournalOf(const WorkArea& work, const Plan& plan);

// The moves, in the order of the plan; the first that fails stops them. A folder that cannot be
// set aside whole (a file in it held open, or kept by its rights) has its files moved one by one.
Failure MoveIntoPlace(const WorkArea& work, const Plan& plan, const std::vector<JournalEntry>& journal);

// How hard an undo tries: an installation's own roll-back waits a little for a scanner that has
// just opened a new file; the recovery at start-up never holds the start up for long.
struct UndoPatience {
    int attempts = 5;
    DWORD retryMs = 200;
    ULONGLONG deadline = 0;  // GetTickCount64() after which nothing more is tried; 0: none
};

// Undoes the entries from the last to the first; what came with a folder exchanged whole leaves
// with it. False with the first lasting failure; the other
// entries are undone all the same. A step that would go through a reparse point below the target
// is not made (and counts as failed).
bool UndoEntries(const WorkArea& work, const std::vector<JournalEntry>& entries, Failure& failure,
                 const UndoPatience& patience = {});

}  // namespace qln::install
