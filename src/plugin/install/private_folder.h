// Folders that only the installing account, Administrators and SYSTEM may change. The
// installation keeps its work and its temporary files in such folders, because it may run as an
// administrator or the system account in folders that any standard user can write
// (C:\ProgramData, C:\Windows\Temp): what a less privileged account made there is never taken
// as ours.
#pragma once

#include <windows.h>

#include <string>

namespace qln::install {

// Makes a new folder named `prefix` + a random suffix inside `parent`, never an existing one,
// with an explicit protected DACL: full control to the installing account, Administrators and
// SYSTEM, inherited by what is made inside, nothing for anyone else. The folder is checked after
// creation (IsPrivateFolder). Returns its path, or empty with `error` set.
std::wstring CreatePrivateFolder(const std::wstring& parent, const std::wstring& prefix, DWORD& error);

// Whether `path` is a folder as CreatePrivateFolder makes it: no reparse point, owned by the
// installing account, Administrators or SYSTEM, a protected DACL that lets no one else write.
bool IsPrivateFolder(const std::wstring& path);

// Whether the owner of `file` (opened with READ_CONTROL) is the installing account,
// Administrators or SYSTEM: what it holds was written by no one with fewer rights.
bool HasTrustedOwner(HANDLE file);

// What left a private folder takes the permissions of the folder it now stands in (inherited
// from there), so that a plugin moved into an all-users folder stays readable by every user.
void AdoptParentPermissions(const std::wstring& path);

}  // namespace qln::install
