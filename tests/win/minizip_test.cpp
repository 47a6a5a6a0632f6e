// The unzip side of minizip, cross-built against Debian's mingw zlib, opens a real archive.
#include <gtest/gtest.h>

#include <windows.h>
#include <zlib.h>

#include <string>

#include "unzip.h"

namespace {

void Put16(std::string& out, unsigned v) { out += char(v & 0xFF), out += char(v >> 8 & 0xFF); }
void Put32(std::string& out, unsigned long v) { Put16(out, v & 0xFFFF), Put16(out, v >> 16 & 0xFFFF); }

// A one-member archive with a stored (uncompressed) file, written byte by byte.
std::string StoredZip(const std::string& name, const std::string& data) {
    const unsigned long crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    std::string zip;
    Put32(zip, 0x04034b50); Put16(zip, 10); Put16(zip, 0); Put16(zip, 0);
    Put16(zip, 0); Put16(zip, 0x5821);  // 12:00, 2024-01-01
    Put32(zip, crc); Put32(zip, data.size()); Put32(zip, data.size());
    Put16(zip, name.size()); Put16(zip, 0);
    zip += name + data;
    const unsigned long central = zip.size();
    Put32(zip, 0x02014b50); Put16(zip, 20); Put16(zip, 10); Put16(zip, 0); Put16(zip, 0);
    Put16(zip, 0); Put16(zip, 0x5821);
    Put32(zip, crc); Put32(zip, data.size()); Put32(zip, data.size());
    Put16(zip, name.size()); Put16(zip, 0); Put16(zip, 0); Put16(zip, 0); Put16(zip, 0);
    Put32(zip, 0); Put32(zip, 0);
    zip += name;
    const unsigned long centralSize = zip.size() - central;
    Put32(zip, 0x06054b50); Put16(zip, 0); Put16(zip, 0); Put16(zip, 1); Put16(zip, 1);
    Put32(zip, centralSize); Put32(zip, central); Put16(zip, 0);
    return zip;
}

TEST(MinizipTest, OpensAndReadsAnArchiveThroughUnzOpen64) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "qln_minizip_probe.zip";
    const std::string zip = StoredZip("demo/main.rb", "puts 'hello'\n");
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(zip.data(), 1, zip.size(), f);
    fclose(f);

    unzFile archive = unzOpen64(path.c_str());
    ASSERT_NE(archive, nullptr);
    unz_global_info64 global = {};
    ASSERT_EQ(unzGetGlobalInfo64(archive, &global), UNZ_OK);
    EXPECT_EQ(global.number_entry, 1u);

    unz_file_info64 info = {};
    char name[512] = {};
    ASSERT_EQ(unzGetCurrentFileInfo64(archive, &info, name, sizeof(name), nullptr, 0, nullptr, 0), UNZ_OK);
    EXPECT_STREQ(name, "demo/main.rb");
    EXPECT_EQ(info.tmu_date.tm_year, 2024u);
    EXPECT_EQ(info.tmu_date.tm_mon, 0u);  // months count from 0

    ASSERT_EQ(unzOpenCurrentFile(archive), UNZ_OK);
    char buffer[64] = {};
    EXPECT_EQ(unzReadCurrentFile(archive, buffer, sizeof(buffer)), 13);
    EXPECT_STREQ(buffer, "puts 'hello'\n");
    EXPECT_EQ(unzCloseCurrentFile(archive), UNZ_OK);
    EXPECT_EQ(unzClose(archive), UNZ_OK);
    DeleteFileA(path.c_str());
}

}  // namespace
