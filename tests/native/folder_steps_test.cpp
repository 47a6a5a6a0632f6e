// The folders made on the way to an installation's target: which they are, and where the walk
// refuses to start.
#include <gtest/gtest.h>

#include "plugin/folder_steps.h"

namespace qln {
namespace {

using Steps = std::vector<std::wstring>;

TEST(FolderStepsTest, EveryFolderBelowTheRootTopDown) {
    const std::pair<std::wstring_view, Steps> cases[] = {
        {L"C:\\ProgramData\\SketchUp\\SketchUp 2023\\SketchUp\\Plugins",
         {L"C:\\ProgramData", L"C:\\ProgramData\\SketchUp", L"C:\\ProgramData\\SketchUp\\SketchUp 2023",
          L"C:\\ProgramData\\SketchUp\\SketchUp 2023\\SketchUp",
          L"C:\\ProgramData\\SketchUp\\SketchUp 2023\\SketchUp\\Plugins"}},
        {L"c:\\a\\", {L"c:\\a"}},
        {L"C:/a/b", {L"C:/a", L"C:/a\\b"}},
        {L"\\\\server\\share\\a\\b", {L"\\\\server\\share\\a", L"\\\\server\\share\\a\\b"}},
        {L"\\\\?\\C:\\a\\b", {L"\\\\?\\C:\\a", L"\\\\?\\C:\\a\\b"}},
        {L"\\\\?\\UNC\\server\\share\\a", {L"\\\\?\\UNC\\server\\share\\a"}},
        {L"D:\\用户\\张三", {L"D:\\用户", L"D:\\用户\\张三"}},
    };
    for (const auto& [path, steps] : cases) EXPECT_EQ(FolderSteps(path), steps) << path.size();
}

TEST(FolderStepsTest, NothingForARootOrAPathThatIsNotFullOrReadsAsAnother) {
    for (std::wstring_view path : {L"", L"C:\\", L"C:", L"C:a\\b", L"a\\b", L"\\a\\b", L"\\\\server\\share",
                                   L"\\\\server\\share\\", L"\\\\server", L"\\\\\\share\\a", L"\\\\?\\", L"\\\\?\\UNC\\s",
                                   L"C:\\a\\..\\Windows", L"C:\\a\\.\\b", L"C:\\a\\\\b", L"1:\\a"})
        EXPECT_TRUE(FolderSteps(path).empty()) << path.size();
}

}  // namespace
}  // namespace qln
