// A planted fault for tests/wine/planted_leftover.sh. With QLN_PLANT_LEFTOVER set, this program
// gains one test, PlantedLeftover.LeavesWhatAFailingTestLeaves, that leaves behind what a test
// failing half-way can leave: a stand-in SketchUp and the installer running (the installer
// holding the single-instance mutex), a SketchUp version in the registry and a file in its
// Plugins folder, all started or written carelessly, with nothing to undo them.
//   QLN_PLANT_LEFTOVER=fail  the test fails by assertion: its end is reached, where the leftover
//                            guard (leftovers.cpp) ends and removes it all and blames this test
//   QLN_PLANT_LEFTOVER=exit  the test process ends on the spot, so nothing of the test's end
//                            runs: the start of the next test clears it
// Without the variable the test does not exist, so the suite never lists it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "discovery/discovery.h"
#include "test_support.h"

namespace qln {
namespace {

class PlantedLeftover : public ::testing::Test {
public:
    explicit PlantedLeftover(bool exitAtOnce) : exitAtOnce_(exitAtOnce) {}

    void TestBody() override {
        const std::wstring folder = test::ScratchRoot() + L"\\planted\\";
        test::MakeDirs(folder);
        ASSERT_TRUE(CopyFileW(QLN_STANDIN_WINPATH, (folder + L"SketchUp.exe").c_str(), FALSE));
        test::SeedVersionKey(L"SketchUp 2021", folder);
        const std::wstring plugins = GetPluginsDir(L"SketchUp 2021", PluginsKind::PerUser);
        test::MakeDirs(plugins);
        test::WriteTextFile(plugins + L"\\planted.rb", "# left behind by the planted fault\n");
        // Started as a careless test would: the handles dropped at once.
        for (const std::wstring& exe : {folder + L"SketchUp.exe", std::wstring(QLN_EXE_WINPATH)}) {
            std::wstring commandLine = L"\"" + exe + L"\"";
            STARTUPINFOW startup = {};
            startup.cb = sizeof(startup);
            PROCESS_INFORMATION info = {};
            ASSERT_TRUE(CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                       &startup, &info));
            CloseHandle(info.hThread);
            CloseHandle(info.hProcess);
            ASSERT_NE(test::WaitForWindow(info.dwProcessId, nullptr, 15000), nullptr);
        }
        ASSERT_TRUE(IsSketchUpRunning());
        if (exitAtOnce_) {
            std::printf("planted fault: the test process ends here, leaving it all behind\n");
            std::fflush(stdout);
            TerminateProcess(GetCurrentProcess(), 3);
        }
        FAIL() << "planted fault (QLN_PLANT_LEFTOVER=fail): the test fails half-way, leaving it all behind";
    }

private:
    bool exitAtOnce_;
};

const bool kPlanted = [] {
    const char* mode = std::getenv("QLN_PLANT_LEFTOVER");
    if (!mode || !*mode) return false;
    const bool exitAtOnce = std::string(mode) == "exit";
    ::testing::RegisterTest("PlantedLeftover", "LeavesWhatAFailingTestLeaves", nullptr, nullptr, __FILE__, __LINE__,
                            [exitAtOnce]() -> ::testing::Test* { return new PlantedLeftover(exitAtOnce); });
    return true;
}();

}  // namespace
}  // namespace qln
