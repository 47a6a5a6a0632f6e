#include "zip_writer.h"

#include <windows.h>
#include <zlib.h>

namespace qln::test {

namespace {

void Put16(std::string& out, unsigned v) { out += char(v & 0xFF), out += char(v >> 8 & 0xFF); }
void Put32(std::string& out, std::uint32_t v) { Put16(out, v & 0xFFFF), Put16(out, v >> 16); }

std::string RawDeflate(const std::string& data) {
    z_stream stream = {};
    deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, data.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// The fields shared by the local header (from "version needed") and the central one.
void PutCommon(std::string& out, const ZipEntry& e, std::uint32_t crc, std::size_t packed) {
    Put16(out, 20);
    Put16(out, (e.encryptedFlag ? 0x0001 : 0) | (e.utf8Name ? 0x0800 : 0));
    Put16(out, e.method ? e.method : e.deflate ? 8 : 0);
    Put16(out, e.hour << 11 | e.minute << 5 | e.second / 2);
    Put16(out, (e.year - 1980) << 9 | e.month << 5 | e.day);
    Put32(out, crc);
    Put32(out, static_cast<std::uint32_t>(packed));
    Put32(out, static_cast<std::uint32_t>(e.data.size()));
    Put16(out, static_cast<unsigned>(e.name.size()));
    Put16(out, 0);
}

}  // namespace

ZipEntry Folder(const std::string& name) {
    ZipEntry e;
    e.name = name;
    e.externalAttributes = FILE_ATTRIBUTE_DIRECTORY;
    return e;
}

ZipEntry File(const std::string& name, const std::string& data, bool deflate) {
    ZipEntry e;
    e.name = name;
    e.data = data;
    e.deflate = deflate;
    return e;
}

std::string BuildZip(const std::vector<ZipEntry>& entries) {
    std::string zip, central;
    for (const ZipEntry& e : entries) {
        const std::uint32_t crc = e.crc.value_or(
            static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), e.data.size())));
        std::string packed = e.deflate ? RawDeflate(e.data) : e.data;
        if (e.cutCompressedTo) packed.resize(*e.cutCompressedTo);
        const std::uint32_t offset = static_cast<std::uint32_t>(zip.size());
        Put32(zip, 0x04034b50);
        PutCommon(zip, e, crc, packed.size());
        zip += e.name + packed;
        Put32(central, 0x02014b50);
        Put16(central, 20);  // made by MS-DOS: the external attributes are Windows attributes
        PutCommon(central, e, crc, packed.size());
        Put16(central, 0), Put16(central, 0), Put16(central, 0);
        Put32(central, e.externalAttributes);
        Put32(central, offset);
        central += e.name;
    }
    const std::uint32_t centralOffset = static_cast<std::uint32_t>(zip.size());
    zip += central;
    Put32(zip, 0x06054b50), Put16(zip, 0), Put16(zip, 0);
    Put16(zip, static_cast<unsigned>(entries.size())), Put16(zip, static_cast<unsigned>(entries.size()));
    Put32(zip, static_cast<std::uint32_t>(central.size())), Put32(zip, centralOffset), Put16(zip, 0);
    return zip;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ReadBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

}  // namespace qln::test
