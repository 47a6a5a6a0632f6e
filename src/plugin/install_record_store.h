// Where the install record of a Plugins folder lives, and how it is read and written. The record
// of <dir>\Plugins is <dir>\Plugins.qln-record: beside the folder, where SketchUp never loads it,
// on the same volume as the installation's work folder.
//
// A record is taken as ours only when it is a plain file (no link) owned by this account, the
// administrators or the system: one that a less privileged account could have placed there
// names nothing this program will check or remove.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "plugin/install_journal.h"
#include "plugin/install_record.h"

namespace qln {

inline constexpr const wchar_t* kInstallRecordSuffix = L".qln-record";

// The record's path for `pluginsDir` (a final separator is optional); empty when the folder has
// no folder above it.
std::wstring InstallRecordPath(const std::wstring& pluginsDir);

// The record of `pluginsDir`. Missing, unreadable, a reparse point, not ours or malformed all
// mean "not installed by this program": nullopt, never an error.
std::optional<InstallRecord> ReadInstallRecord(const std::wstring& pluginsDir);

// Writes the record: a new file of a unique name in the same folder, flushed, then moved over
// the old record in one step. Refuses to replace a reparse point. False when it was not written.
bool SaveInstallRecord(const std::wstring& pluginsDir, const InstallRecord& record);

// Deletes the record (never through a link). True when no record is left.
bool DeleteInstallRecord(const std::wstring& pluginsDir);

// The record of an installation that has just placed `placed` (its journal's entries: the
// package's folders, with whether each existed, and its files) into `pluginsDir` from the
// package file `packagePath`: the package and every placed file hashed as they are now. What an
// earlier recorded installation made and this one did not replace stays recorded: the folders
// it created, and its files that are still intact.
InstallRecord MakeInstallRecord(const std::wstring& pluginsDir, const std::wstring& packagePath,
                                const std::vector<JournalEntry>& placed, const InstallSource& source);

// MakeInstallRecord, then SaveInstallRecord, for an installation whose `source` names where the
// package came from; one that names none (a test's or a benchmark's own call) keeps no record. A
// record that cannot be made or written leaves the installation as it is (it then counts as not
// installed by this program).
bool RecordInstallation(const std::wstring& pluginsDir, const std::wstring& packagePath,
                        const std::vector<JournalEntry>& placed, const InstallSource& source);

}  // namespace qln
