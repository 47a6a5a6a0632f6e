// Writes zip archives for the tests, byte by byte, with exactly the names, dates, attributes,
// flags and compression each test chooses, including ones no well-behaved tool would write.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qln::test {

struct ZipEntry {
    std::string name;  // raw bytes, stored unchanged
    std::string data;
    bool deflate = false;
    std::uint16_t method = 0;  // overrides stored/deflated in the headers when non-zero
    int year = 2024, month = 1, day = 1, hour = 12, minute = 0, second = 0;  // local time, even seconds
    std::uint32_t externalAttributes = 0;
    bool encryptedFlag = false;  // flag bit 0 only: the data stay plain
    bool utf8Name = false;       // flag bit 11
    std::optional<std::uint32_t> crc;             // a wrong checksum, when set
    std::optional<std::size_t> cutCompressedTo;  // data that ends early, with consistent sizes
};

ZipEntry Folder(const std::string& name);
ZipEntry File(const std::string& name, const std::string& data, bool deflate = false);

std::string BuildZip(const std::vector<ZipEntry>& entries);
void WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);

}  // namespace qln::test
