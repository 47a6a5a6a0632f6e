// The folders made above an installation's target: whatever is missing, top down, but nothing
// below a link or a file that stands on the way.
#include <gtest/gtest.h>

#include "install_test_support.h"
#include "plugin/target_folders.h"
#include "test_support.h"

namespace qln {
namespace {

class TargetFoldersTest : public ::testing::Test {
protected:
    void SetUp() override { test::ResetDiscoveryWorld(); }
    void TearDown() override {
        test::RunUnix("rm -f " + test::UnixPath8(Linked()));
        test::ResetDiscoveryWorld();
    }
    static std::wstring In(const wchar_t* name) { return test::ScratchRoot() + L"\\" + name; }
    static std::wstring Linked() { return In(L"linked"); }
};

TEST_F(TargetFoldersTest, MakesWhatIsMissingButNothingBelowALinkOrAFile) {
    EXPECT_TRUE(MakeMissingFolders(In(L"a\\SketchUp 2023\\SketchUp\\Plugins")));
    EXPECT_TRUE(test::IsDirectory(In(L"a\\SketchUp 2023\\SketchUp\\Plugins")));
    EXPECT_TRUE(MakeMissingFolders(In(L"a\\SketchUp 2023\\SketchUp\\Plugins")));

    // A link someone else made in a folder every user may write to would lead anywhere.
    test::MakeDirs(In(L"elsewhere"));
    ASSERT_EQ(test::RunUnix("ln -s " + test::UnixPath8(In(L"elsewhere")) + " " + test::UnixPath8(Linked())), 0);
    EXPECT_FALSE(MakeMissingFolders(Linked() + L"\\SketchUp 2023\\SketchUp\\Plugins"));
    EXPECT_FALSE(test::IsDirectory(In(L"elsewhere\\SketchUp 2023")));

    test::WriteTextFile(In(L"file"));
    EXPECT_FALSE(MakeMissingFolders(In(L"file\\Plugins")));
    EXPECT_FALSE(MakeMissingFolders(L"relative\\Plugins"));
    EXPECT_FALSE(test::IsDirectory(L"relative"));
}

}  // namespace
}  // namespace qln
