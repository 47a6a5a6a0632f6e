#include "plugin/package_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "plugin/file_handle.h"
#include "plugin/install/package_limits.h"
#include "plugin/member_names.h"

namespace qln {

namespace {

constexpr uLong kFlagEncrypted = 0x0001;
constexpr uLong kFlagUtf8Name = 0x0800;

// minizip's file functions over a Win32 handle: read-only, which is all unzip needs. minizip
// reads a header a field at a time (two or four bytes a call), so reads go through a buffer of
// their own: one system call for many headers rather than dozens for each.
struct ZipStream {
    static constexpr DWORD kBuffer = 64 * 1024;
    HANDLE file = INVALID_HANDLE_VALUE;
    bool failed = false;
    ZPOS64_T size = 0;
    ZPOS64_T position = 0;
    ZPOS64_T bufferStart = 0;
    DWORD buffered = 0;
    unsigned char buffer[kBuffer];

    // Reads at `at` into `into`; the number of bytes read.
    DWORD ReadAt(ZPOS64_T at, void* into, DWORD count) {
        OVERLAPPED where = {};
        where.Offset = static_cast<DWORD>(at);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD read = 0;
        if (!ReadFile(file, into, count, &read, &where) && GetLastError() != ERROR_HANDLE_EOF) failed = true;
        return read;
    }
};

voidpf ZCALLBACK OpenWide(voidpf, const void* path, int mode) {
    if (!path || (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    const HANDLE file = CreateFileW(static_cast<const wchar_t*>(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER size;
    auto* stream = GetFileSizeEx(file, &size) ? new (std::nothrow) ZipStream : nullptr;
    if (!stream) {
        CloseHandle(file);
        return nullptr;
    }
    stream->file = file;
    stream->size = static_cast<ZPOS64_T>(size.QuadPart);
    return stream;
}

uLong ZCALLBACK ReadStream(voidpf, voidpf stream, void* buffer, uLong size) {
    auto* s = static_cast<ZipStream*>(stream);
    auto* out = static_cast<unsigned char*>(buffer);
    uLong done = 0;
    while (done < size) {
        if (s->position >= s->bufferStart && s->position < s->bufferStart + s->buffered) {
            const auto offset = static_cast<DWORD>(s->position - s->bufferStart);
            const uLong take = std::min<uLong>(size - done, s->buffered - offset);
            std::memcpy(out + done, s->buffer + offset, take);
            done += take;
            s->position += take;
            continue;
        }
        if (size - done >= ZipStream::kBuffer) {  // a large read needs no copy
            const DWORD read = s->ReadAt(s->position, out + done, size - done);
            done += read;
            s->position += read;
            break;
        }
        s->bufferStart = s->position;
        s->buffered = s->ReadAt(s->position, s->buffer, ZipStream::kBuffer);
        if (s->buffered == 0) break;
    }
    return done;
}

uLong ZCALLBACK WriteStream(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellStream(voidpf, voidpf stream) { return static_cast<ZipStream*>(stream)->position; }

long ZCALLBACK SeekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* s = static_cast<ZipStream*>(stream);
    if (origin == ZLIB_FILEFUNC_SEEK_CUR) s->position += offset;
    else if (origin == ZLIB_FILEFUNC_SEEK_END) s->position = s->size + offset;
    else s->position = offset;
    return 0;
}

int ZCALLBACK CloseStream(voidpf, voidpf stream) {
    auto* s = static_cast<ZipStream*>(stream);
    CloseHandle(s->file);
    delete s;
    return 0;
}

int ZCALLBACK StreamError(voidpf, voidpf stream) { return static_cast<ZipStream*>(stream)->failed ? 1 : 0; }

// The raw name converted as the 8-bit file functions would convert it, or as UTF-8 when the
// member's flag says so. Bytes that are not text in that encoding cannot be created as named.
bool DecodeMemberName(const char* raw, bool utf8, std::wstring& name) {
    name.clear();
    const int length = static_cast<int>(std::strlen(raw));
    if (length == 0) return true;
    const UINT codePage = utf8 ? CP_UTF8 : CP_ACP;
    const DWORD flags = MB_ERR_INVALID_CHARS | (utf8 ? 0 : MB_PRECOMPOSED);
    const int units = MultiByteToWideChar(codePage, flags, raw, length, nullptr, 0);
    if (units <= 0) return false;
    name.resize(static_cast<std::size_t>(units));
    return MultiByteToWideChar(codePage, flags, raw, length, name.data(), units) == units;
}

}  // namespace

ArchiveHandle OpenArchive(const std::wstring& path) {
    zlib_filefunc64_def functions = {OpenWide,   ReadStream,  WriteStream, TellStream,
                                     SeekStream, CloseStream, StreamError, nullptr};
    return ArchiveHandle(unzOpen2_64(path.c_str(), &functions));
}

bool ListMembers(unzFile archive, std::size_t targetChars, std::vector<Member>& members) {
    unz_global_info64 global;
    if (unzGetGlobalInfo64(archive, &global) != UNZ_OK) return false;
    if (!WithinPackageLimits(global.number_entry, 0)) return false;
    ZPOS64_T unpacked = 0;
    char raw[kMemberNameLimit + 1];
    for (ZPOS64_T i = 0; i < global.number_entry; ++i) {
        if (i > 0 && unzGoToNextFile(archive) != UNZ_OK) return false;
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(archive, &info, raw, kMemberNameLimit, nullptr, 0, nullptr, 0) != UNZ_OK)
            return false;
        // A name that fills the buffer comes back unterminated: only its first 512 bytes count.
        raw[kMemberNameLimit] = '\0';
        if (info.flag & kFlagEncrypted) return false;
        if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) return false;
        Member member;
        if (!DecodeMemberName(raw, (info.flag & kFlagUtf8Name) != 0, member.name)) return false;
        if (CheckMemberPath(targetChars, member.name) != MemberNameFault::None) return false;
        member.directory = IsDirectoryMember(member.name);
        member.date = info.tmu_date;
        member.attributes = static_cast<DWORD>(info.external_fa);
        member.size = info.uncompressed_size;
        // The sizes are what streaming holds each member to, so their sum bounds the output.
        if (member.size > kMaxUnpackedBytes || (unpacked += member.size) > kMaxUnpackedBytes) return false;
        members.push_back(std::move(member));
    }
    return true;
}

bool MemberWriteTime(const tm_unz& date, FILETIME& utc) {
    for (int field : {date.tm_year, date.tm_mon, date.tm_mday, date.tm_hour, date.tm_min, date.tm_sec})
        if (field < 0 || field > 0xFFFF) return false;
    SYSTEMTIME time = {};
    time.wYear = static_cast<WORD>(date.tm_year);
    time.wMonth = static_cast<WORD>(date.tm_mon + 1);
    time.wDay = static_cast<WORD>(date.tm_mday);
    time.wHour = static_cast<WORD>(date.tm_hour);
    time.wMinute = static_cast<WORD>(date.tm_min);
    time.wSecond = static_cast<WORD>(date.tm_sec);
    FILETIME local;
    return SystemTimeToFileTime(&time, &local) && LocalFileTimeToFileTime(&local, &utc);
}

MemberData StreamMember(unzFile archive, HANDLE output, const Member& member, char* buffer, DWORD& writeError) {
    writeError = 0;
    if (unzOpenCurrentFile(archive) != UNZ_OK) return MemberData::Damaged;
    MemberData result = MemberData::Complete;
    ZPOS64_T total = 0;
    for (;;) {
        const int read = unzReadCurrentFile(archive, buffer, kMemberDataBuffer);
        if (read < 0) {
            result = MemberData::Damaged;
            break;
        }
        if (read == 0) break;
        // More data than the directory states: a bomb, never unpacked past what was promised.
        if (total + static_cast<ZPOS64_T>(read) > member.size) {
            result = MemberData::Damaged;
            break;
        }
        DWORD written = 0;
        if (!WriteFile(output, buffer, static_cast<DWORD>(read), &written, nullptr) ||
            written != static_cast<DWORD>(read)) {
            writeError = GetLastError();
            if (writeError == ERROR_SUCCESS) writeError = ERROR_HANDLE_DISK_FULL;  // a short write
            result = MemberData::WriteFailed;
            break;
        }
        total += static_cast<ZPOS64_T>(read);
    }
    // Always close the member; a checksum mismatch shows only here, and only for a member read
    // to its end: data that ends early must be caught by its size.
    const bool checked = unzCloseCurrentFile(archive) == UNZ_OK;
    if (result == MemberData::Complete && (!checked || total != member.size)) result = MemberData::Damaged;
    return result;
}

bool IsArchiveWithoutMembers(const std::wstring& path) {
    constexpr DWORD kEndRecord = 22;
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart < kEndRecord ||
        size.QuadPart > kEndRecord + 0xFFFF)
        return false;
    unsigned char record[kEndRecord];
    DWORD read = 0;
    if (!ReadFile(file.get(), record, kEndRecord, &read, nullptr) || read != kEndRecord) return false;
    auto u16 = [&](int at) { return static_cast<unsigned>(record[at] | record[at + 1] << 8); };
    static constexpr unsigned char kSignature[] = {0x50, 0x4B, 0x05, 0x06};
    // Disk numbers, both entry counts, central directory size and offset: all zero.
    for (int at = 4; at < 20; ++at)
        if (record[at] != 0) return false;
    return std::memcmp(record, kSignature, sizeof(kSignature)) == 0 && kEndRecord + u16(20) == size.QuadPart;
}

}  // namespace qln
