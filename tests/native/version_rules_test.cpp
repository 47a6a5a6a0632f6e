#include <gtest/gtest.h>

#include "discovery/version_rules.h"

namespace qln {
namespace {

TEST(VersionRulesTest, NonAsciiBoundIs128NotUnicodeAscii) {
    EXPECT_FALSE(HasNonAsciiChar(L""));
    EXPECT_FALSE(HasNonAsciiChar(L"Administrator"));
    EXPECT_FALSE(HasNonAsciiChar(L"ann\u0080"));
    EXPECT_TRUE(HasNonAsciiChar(L"Ren\u00e9"));
    EXPECT_TRUE(HasNonAsciiChar(L"张三"));
    EXPECT_TRUE(HasNonAsciiChar(std::wstring(L"a\u0081")));
}

TEST(VersionRulesTest, VersionYearReadsTheLastFourCharacters) {
    EXPECT_EQ(VersionYear(L"SketchUp 2021"), 2021);
    EXPECT_EQ(VersionYear(L"SketchUp 2017"), 2017);
    EXPECT_EQ(VersionYear(L"SketchUp Pro"), 0);
    EXPECT_EQ(VersionYear(L"SketchUp  17"), 17);    // blanks skipped
    EXPECT_EQ(VersionYear(L"SketchUp 20a1"), 20);   // digits up to the first non-digit
    EXPECT_EQ(VersionYear(L"SketchUp 2021 "), 21);  // the tail is "021 "
    EXPECT_EQ(VersionYear(L"21"), 21);              // shorter than four: the whole text
    EXPECT_EQ(VersionYear(L""), 0);
}

TEST(VersionRulesTest, RegistryNamesNeedSketchUpInExactCase) {
    EXPECT_TRUE(IsVersionKeyName(L"SketchUp 2021"));
    EXPECT_TRUE(IsVersionKeyName(L"My SketchUp"));
    EXPECT_FALSE(IsVersionKeyName(L"sketchup 2021"));
    EXPECT_FALSE(IsVersionKeyName(L"LayOut 2021"));
    EXPECT_FALSE(IsVersionKeyName(L"SketchUP 2021"));
}

TEST(VersionRulesTest, ExecutableNameMatchesWholeNameInAnyCase) {
    EXPECT_TRUE(IsSketchUpExeName(L"SketchUp.exe"));
    EXPECT_TRUE(IsSketchUpExeName(L"sketchup.exe"));
    EXPECT_TRUE(IsSketchUpExeName(L"SKETCHUP.EXE"));
    EXPECT_FALSE(IsSketchUpExeName(L"SketchUpViewer.exe"));
    EXPECT_FALSE(IsSketchUpExeName(L"SketchUp.exe "));
    EXPECT_FALSE(IsSketchUpExeName(L"SketchUp"));
}

TEST(VersionRulesTest, PathsAreJoinedWithoutNormalising) {
    EXPECT_EQ(PerUserPluginsDir(L"C:\\Users\\ann\\AppData\\Roaming", L"SketchUp 2021"),
              L"C:\\Users\\ann\\AppData\\Roaming\\SketchUp\\SketchUp 2021\\SketchUp\\Plugins");
    EXPECT_EQ(AllUsersPluginsDir(L"C:\\ProgramData", L"SketchUp 2021"),
              L"C:\\ProgramData\\SketchUp\\SketchUp 2021\\SketchUp\\Plugins");
    EXPECT_EQ(AllUsersPluginsDir(L"", L"SketchUp 2021"), L"\\SketchUp\\SketchUp 2021\\SketchUp\\Plugins");
    EXPECT_EQ(PerUserPluginsDir(L"C:\\x\\", L"SketchUp 2021"), L"C:\\x\\\\SketchUp\\SketchUp 2021\\SketchUp\\Plugins");

    const ConfigPaths local = MakeConfigPaths(1, L"C:\\Users\\ann", L"SketchUp 2021");
    EXPECT_EQ(local.folder, L"C:\\Users\\ann\\AppData\\Local\\SketchUp\\SketchUp 2021\\SketchUp");
    EXPECT_EQ(local.preferencesFile,
              L"C:\\Users\\ann\\AppData\\Local\\SketchUp\\SketchUp 2021\\SketchUp\\PrivatePreferences.json_file");
    const ConfigPaths roaming = MakeConfigPaths(2, L"C:\\R", L"SketchUp 2021");
    EXPECT_EQ(roaming.folder, L"C:\\R\\SketchUp\\SketchUp 2021\\SketchUp");
    EXPECT_EQ(roaming.preferencesFile, L"C:\\R\\SketchUp\\SketchUp 2021\\SketchUp\\SharedPreferences.json_file");

    EXPECT_EQ(ScanRoot(L"C:\\ProgramData"), L"C:\\ProgramData\\SketchUp\\");
    EXPECT_EQ(ScanRoot(L""), L"\\SketchUp\\");
    EXPECT_EQ(ProgramFolder(L"C:\\Apps\\SU\\", true), L"C:\\Apps\\SU\\SketchUp\\");
    EXPECT_EQ(ProgramFolder(L"C:\\Apps\\SU\\", false), L"C:\\Apps\\SU\\");
}

// SketchUp's setup writes an install location with a trailing backslash, other tools without.
TEST(VersionRulesTest, PathsBelowAnInstallLocationHaveOneSeparator) {
    for (std::wstring_view folder : {L"C:\\SU 2023\\", L"C:\\SU 2023"})
        EXPECT_EQ(JoinPath(folder, L"SketchUp.exe"), L"C:\\SU 2023\\SketchUp.exe");
    EXPECT_EQ(JoinPath(L"C:\\SU/", L"\\SketchUp.exe"), L"C:\\SU/SketchUp.exe");
    EXPECT_EQ(ProgramFolder(L"C:\\SU", true), L"C:\\SU\\SketchUp\\");
    const std::pair<std::wstring_view, std::wstring_view> trimmed[] = {
        {L"C:\\SU\\\\/", L"C:\\SU"}, {L"C:\\SU", L"C:\\SU"}, {L"C:\\\\", L"C:\\"}, {L"C:", L"C:"}, {L"\\", L""}};
    for (const auto& [path, expected] : trimmed) EXPECT_EQ(WithoutTrailingSeparators(path), expected) << path.size();
}

}  // namespace
}  // namespace qln
