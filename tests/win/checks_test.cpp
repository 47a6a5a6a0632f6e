// Version paths chosen by the user name, configuration paths, and running-SketchUp detection
// with real processes.
#include <gtest/gtest.h>

#include "discovery/discovery.h"
#include "test_support.h"

namespace qln {
namespace {

using test::UserName;

TEST(VersionPathsTest, AutomaticPluginsFolderFollowsTheUserName) {
    const std::wstring perUser = GetEnvText(L"APPDATA") + L"\\SketchUp\\SketchUp 2021\\SketchUp\\Plugins";
    const std::wstring allUsers = GetEnvText(L"ALLUSERSPROFILE") + L"\\SketchUp\\SketchUp 2021\\SketchUp\\Plugins";
    {
        UserName user(L"Administrator");
        EXPECT_EQ(GetCurrentUserName(), L"Administrator");
        EXPECT_EQ(GetPluginsDir(L"SketchUp 2021", PluginsKind::Automatic), perUser);
    }
    {
        UserName user(L"张三");
        EXPECT_EQ(GetCurrentUserName(), L"张三");
        EXPECT_EQ(GetPluginsDir(L"SketchUp 2021", PluginsKind::Automatic), allUsers);
        EXPECT_EQ(GetPluginsDir(L"SketchUp 2021", PluginsKind::PerUser), perUser);
        EXPECT_EQ(GetPluginsDir(L"SketchUp 2021", PluginsKind::AllUsers), allUsers);
    }
    {
        UserName user(L"ann\u0080");
        EXPECT_EQ(GetPluginsDir(L"SketchUp 2021", PluginsKind::Automatic), perUser);
    }
    {
        UserName user(L"Ren\u00e9");
        EXPECT_EQ(GetPluginsDir(L"SketchUp 2021", PluginsKind::Automatic), allUsers);
    }
}

TEST(VersionPathsTest, ConfigurationPathsComeFromProfileAndAppData) {
    const ConfigPaths local = GetConfigPaths(L"SketchUp 2021", 1);
    EXPECT_EQ(local.folder, GetEnvText(L"USERPROFILE") + L"\\AppData\\Local\\SketchUp\\SketchUp 2021\\SketchUp");
    EXPECT_EQ(local.preferencesFile, local.folder + L"\\PrivatePreferences.json_file");
    const ConfigPaths roaming = GetConfigPaths(L"SketchUp 2021", 2);
    EXPECT_EQ(roaming.folder, GetEnvText(L"APPDATA") + L"\\SketchUp\\SketchUp 2021\\SketchUp");
    EXPECT_EQ(roaming.preferencesFile, roaming.folder + L"\\SharedPreferences.json_file");
}

TEST(VersionPathsTest, UnsetVariablesGiveShorterPaths) {
    const std::wstring saved = GetEnvText(L"APPDATA");
    SetEnvironmentVariableW(L"APPDATA", nullptr);
    EXPECT_EQ(GetPluginsDir(L"SketchUp 2021", PluginsKind::PerUser), L"\\SketchUp\\SketchUp 2021\\SketchUp\\Plugins");
    SetEnvironmentVariableW(L"APPDATA", saved.c_str());
}

class RunningSketchUpTest : public ::testing::TestWithParam<std::pair<const wchar_t*, bool>> {
protected:
    // The process ends with its handle (test::Process); the copies go with the scratch root.
    void TearDown() override { test::ResetDiscoveryWorld(); }
};

TEST_P(RunningSketchUpTest, DetectsTheProgramByNameInAnyCase) {
    const auto [exeName, counts] = GetParam();
    const std::wstring folder = test::ScratchRoot() + L"\\running";
    test::RemoveTree(folder);
    test::MakeDirs(folder);
    const std::wstring exe = folder + L"\\" + exeName;
    ASSERT_TRUE(CopyFileW(QLN_STANDIN_WINPATH, exe.c_str(), FALSE));

    ASSERT_FALSE(IsSketchUpRunning());
    test::Process process = test::StartProcess(exe);
    ASSERT_TRUE(process.Started());
    ASSERT_NE(test::WaitForWindow(process.info.dwProcessId, nullptr, 5000), nullptr);
    EXPECT_EQ(IsSketchUpRunning(), counts);
    process.Kill();
    EXPECT_FALSE(IsSketchUpRunning());
}

INSTANTIATE_TEST_SUITE_P(Names, RunningSketchUpTest,
                         ::testing::Values(std::pair{L"SketchUp.exe", true}, std::pair{L"sketchup.exe", true},
                                           std::pair{L"SKETCHUP.EXE", true}, std::pair{L"SketchUpViewer.exe", false}),
                         [](const auto& info) {
                             std::string name;
                             for (const wchar_t* p = info.param.first; *p; ++p)
                                 if (iswalnum(*p)) name += static_cast<char>(*p);
                             return name;
                         });

}  // namespace
}  // namespace qln
