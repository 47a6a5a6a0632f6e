// Reading a plugin package (a zip archive) through minizip: the archive opened by its wide path,
// the list of its members checked before anything is written, and one member's data streamed
// into an open file. Shared by the staged installation and the in-place ExtractArchive.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/owned.h"
#include "unzip.h"

namespace qln {

inline constexpr unsigned kMemberDataBuffer = 8192;

namespace archive_detail {
inline void CloseArchive(unzFile archive) { unzClose(archive); }
}  // namespace archive_detail

using ArchiveHandle = Owned<unzFile, archive_detail::CloseArchive>;

// The archive, opened with minizip over Win32 file functions on a wide path (so a package path
// need not fit the ANSI code page). Empty when the file is missing or holds no zip directory.
ArchiveHandle OpenArchive(const std::wstring& path);

// One member as the first pass found it acceptable.
struct Member {
    std::wstring name;  // as the file functions see it; a folder member keeps its final separator
    bool directory = false;
    tm_unz date = {};
    DWORD attributes = 0;
    ZPOS64_T size = 0;
};

// First pass over the central directory: every member must be one we can write where its name
// says (member_names.h), unencrypted and stored or deflated, before anything is written.
// `targetChars` is the length of the target folder with its final separator. False on the
// first member that is not; the archive's current member is then unspecified.
bool ListMembers(unzFile archive, std::size_t targetChars, std::vector<Member>& members);

// The member's date taken as local time, in UTC; false for a date that names no moment.
bool MemberWriteTime(const tm_unz& date, FILETIME& utc);

// What streaming one member came to.
enum class MemberData { Complete, Damaged, WriteFailed };

// Streams the archive's current member (opened here, closed here) into `output` through
// `buffer` (kMemberDataBuffer bytes). Complete only when the data reached the member's stated
// size, passed its checksum and every byte was written; `writeError` holds GetLastError() of a
// failed write.
MemberData StreamMember(unzFile archive, HANDLE output, const Member& member, char* buffer, DWORD& writeError);

// minizip takes an end record found at offset 0 for "no end record", so it cannot open an
// archive without members (22 bytes, plus an optional comment). This recognises that one.
bool IsArchiveWithoutMembers(const std::wstring& path);

}  // namespace qln
