// Reads the built executable's resources back: icon groups, version strings, manifest.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

constexpr WORD kChinesePrc = 2052;

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved, type, count;
};
#pragma pack(pop)

struct Image {
    int size;
    int bitCount;
};

class ResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExW(QLN_EXE_WINPATH, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override { FreeLibrary(module_); }

    std::string Bytes(LPCWSTR type, LPCWSTR name, WORD language) {
        HRSRC info = FindResourceExW(module_, type, name, language);
        if (!info) return {};
        const char* data = static_cast<const char*>(LockResource(LoadResource(module_, info)));
        return std::string(data, SizeofResource(module_, info));
    }

    std::vector<Image> IconGroup(const wchar_t* name) {
        const std::string group = Bytes(RT_GROUP_ICON, name, kChinesePrc);
        std::vector<Image> images;
        if (group.size() < sizeof(GroupIconHeader)) return images;
        const auto* header = reinterpret_cast<const GroupIconHeader*>(group.data());
        const auto* entries = reinterpret_cast<const GroupIconEntry*>(group.data() + sizeof(GroupIconHeader));
        for (int i = 0; i < header->count; ++i) {
            const int size = entries[i].width ? entries[i].width : 256;
            images.push_back({size, entries[i].bitCount});
            // Every image of the group must be present as an icon of the same language.
            EXPECT_FALSE(Bytes(RT_ICON, MAKEINTRESOURCEW(entries[i].id), kChinesePrc).empty());
        }
        return images;
    }

    HMODULE module_ = nullptr;
};

std::vector<int> Sizes(const std::vector<Image>& images) {
    std::vector<int> sizes;
    for (auto& image : images) sizes.push_back(image.size);
    return sizes;
}

TEST_F(ResourcesTest, IconGroupsCarryTheirSizesIn32BitColour) {
    const std::vector<int> fullSet{128, 64, 48, 32, 16};
    for (const wchar_t* name : {L"AAAAA_APPICON", L"ICON_SKETCHUP"}) {
        const auto images = IconGroup(name);
        EXPECT_EQ(Sizes(images), fullSet) << name;
        for (auto& image : images) EXPECT_EQ(image.bitCount, 32) << name;
    }
    const auto help = IconGroup(L"ICON_HELP");
    EXPECT_EQ(Sizes(help), std::vector<int>{72});
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].bitCount, 32);
}

TEST_F(ResourcesTest, IconGroupsLoadAtTheSizesTheFormsAsk) {
    for (int size : {48, 32, 16}) {
        HICON icon = static_cast<HICON>(LoadImageW(module_, L"AAAAA_APPICON", IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bitmap = {};
        GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

TEST_F(ResourcesTest, VersionStringsEqualTheApplicationInformation) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(QLN_EXE_WINPATH, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(QLN_EXE_WINPATH, 0, size, block.data()));

    auto text = [&](const wchar_t* key) {
        std::wstring path = std::wstring(L"\\StringFileInfo\\080404B0\\") + key;
        wchar_t* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
            return std::wstring(L"<missing>");
        return std::wstring(value);
    };
    EXPECT_EQ(text(L"Comments"), L"Velmora");
    EXPECT_EQ(text(L"ProductName"), L"Velmora");
    EXPECT_EQ(text(L"CompanyName"), L"");
    EXPECT_EQ(text(L"FileDescription"), L"");
    EXPECT_EQ(text(L"LegalTrademarks"), L"");
    EXPECT_EQ(text(L"FileVersion"), L"1.0");
    EXPECT_EQ(text(L"ProductVersion"), L"1.0");

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
}

TEST_F(ResourcesTest, ManifestAsksForCommonControls6DpiAwarenessAndAsInvoker) {
    const std::string manifest = Bytes(RT_MANIFEST, MAKEINTRESOURCEW(1), kChinesePrc);
    ASSERT_FALSE(manifest.empty());
    for (const char* needle :
         {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", "level=\"asInvoker\"",
          ">true</dpiAware>", ">PerMonitorV2</dpiAwareness>"})
        EXPECT_NE(manifest.find(needle), std::string::npos) << needle;
}

}  // namespace
