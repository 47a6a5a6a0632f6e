// The plan of one installation: the package's members as entries to move, in the order of their
// first member, with every check against the target that can be made before anything is
// written.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "plugin/install/failure.h"
#include "plugin/install/work_area.h"
#include "plugin/package_reader.h"

namespace qln::install {

// A member of the package as it will be moved: duplicates of a name (compared without regard to
// case) are one entry, whose staged content is the last of them. Folders that the package only
// implies (a member "a/b.rb" without an "a/" member, as many zip writers make them) are entries
// of their own, placed before their first member.
struct PlannedEntry {
    std::wstring name;  // "\" separated, no final separator
    bool folder = false;
    DWORD attributes = 0;
    // A folder the target does not have, whose own folder it has: moved into place whole, with
    // everything staged below it, by one rename.
    bool wholeFolder = false;
    // A folder directly in the target that the target has: the one there is set aside whole and
    // the staged one moved in, each by one rename, rather than every file of it twice.
    bool swap = false;
};

// An entry of an exchanged folder (or of a folder below it) that the package does not name: the
// user's own, carried over from the folder set aside into the new one.
struct CarriedEntry {
    std::wstring name;
    std::size_t swap = 0;  // the exchanged folder's entry
};

struct Plan {
    std::vector<PlannedEntry> entries;
    std::vector<std::size_t> entryOfMember;  // for each member of the archive
    std::vector<CarriedEntry> carries;       // in the order of their folders' entries
};

// Fails with PathBlocked when a name is taken by the other kind of entry, when a folder of the
// package stands in the target as a reparse point (a link would carry the installation
// elsewhere), or when a name reaches an existing file or folder through its 8.3 alias; with
// DamagedPackage when a name is both a file and a folder of the package. A folder whose own
// entries include a link or a name no package could have is not exchanged: its files are moved
// one by one, and what the package does not name never moves.
Failure MakePlan(const std::vector<Member>& members, const WorkArea& work, Plan& plan);

}  // namespace qln::install
