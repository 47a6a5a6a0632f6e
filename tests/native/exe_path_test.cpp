#include <gtest/gtest.h>

#include "app/exe_path.h"

namespace qln {
namespace {

TEST(ExePathTest, SplitsAtTheLastSeparatorOfAnyKind) {
    auto parts = SplitExePath(L"C:\\Tools\\setup.exe");
    EXPECT_EQ(parts.folder, L"C:\\Tools\\");
    EXPECT_EQ(parts.name, L"setup.exe");

    parts = SplitExePath(L"C:/a\\b/x.exe");
    EXPECT_EQ(parts.folder, L"C:/a\\b/");
    EXPECT_EQ(parts.name, L"x.exe");

    parts = SplitExePath(L"C:setup.exe");
    EXPECT_EQ(parts.folder, L"C:");
    EXPECT_EQ(parts.name, L"setup.exe");

    parts = SplitExePath(L"setup.exe");
    EXPECT_EQ(parts.folder, L"");
    EXPECT_EQ(parts.name, L"setup.exe");

    parts = SplitExePath(L"C:\\Tools\\");
    EXPECT_EQ(parts.folder, L"C:\\Tools\\");
    EXPECT_EQ(parts.name, L"");
}

TEST(ExePathTest, FixedFieldsCutToCapacityMinusOneAndStayTerminated) {
    wchar_t field[5];
    std::wmemset(field, L'#', 5);
    CopyToFixedField(field, L"abcdefgh");
    EXPECT_STREQ(field, L"abcd");

    CopyToFixedField(field, L"ab");
    EXPECT_STREQ(field, L"ab");

    CopyToFixedField(field, L"");
    EXPECT_STREQ(field, L"");

    wchar_t untouched = L'#';
    CopyToFixedField(&untouched, 0, L"abc");
    EXPECT_EQ(untouched, L'#');
}

}  // namespace
}  // namespace qln
