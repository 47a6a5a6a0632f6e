// The folders made on the way to an installation's target, and the paths no walk starts from.
#include <gtest/gtest.h>

#include "plugin/folder_steps.h"

namespace qln {
namespace {

TEST(FolderStepsTest, EveryFolderBelowTheRootTopDownOrNoneForAPathThatIsNotPlainlyFull) {
    using Steps = std::vector<std::wstring>;
    EXPECT_EQ(FolderSteps(L"C:\\ProgramData\\SketchUp\\Plugins\\"),
              (Steps{L"C:\\ProgramData", L"C:\\ProgramData\\SketchUp", L"C:\\ProgramData\\SketchUp\\Plugins"}));
    EXPECT_EQ(FolderSteps(L"\\\\server\\share\\a/b"), (Steps{L"\\\\server\\share\\a", L"\\\\server\\share\\a\\b"}));
    EXPECT_EQ(FolderSteps(L"\\\\?\\C:\\用户"), Steps{L"\\\\?\\C:\\用户"});
    for (std::wstring_view path : {L"", L"C:\\", L"C:a\\b", L"a\\b", L"\\a\\b", L"\\\\server\\share\\", L"\\\\\\share\\a",
                                   L"\\\\?\\", L"C:\\a\\..\\Windows", L"C:\\a\\.\\b", L"C:\\a\\\\b", L"1:\\a"})
        EXPECT_TRUE(FolderSteps(path).empty()) << path.size();
}

}  // namespace
}  // namespace qln
