// Times the installer's staged installation (InstallPackageFile: unpacking and verifying into a
// staging folder, then the moves into place) against the in-place ExtractArchive it replaced
// and against minizip's example extractor miniunz (built from the same minizip sources), on one
// package, each into a fresh folder, rotating which goes first.
//   extract_bench <package.zip> <miniunz.exe> <work folder> [rounds]
// miniunz runs as a process of its own, so its start-up is measured too (a run without
// arguments, which only prints its banner) and reported beside the raw times. A last pair of
// lines times an update over an installed copy (every file replaced), staged against in-place:
// to the result, and until the old copy is removed too.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "plugin/package_install.h"

namespace {

double Now() {
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

// Files and bytes below a folder, to see that both sides unpacked the same.
void Tally(const std::string& path, long long& files, long long& bytes) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Tally(path + "\\" + name, files, bytes);
        } else {
            ++files;
            bytes += static_cast<long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

// Runs a program with its output thrown away; seconds from start to exit, or -1.
double RunTimed(const std::string& commandLine) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    const double start = Now();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(nul);
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    const double seconds = Now() - start;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(nul);
    return seconds;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: extract_bench <package.zip> <miniunz.exe> <work folder> [rounds]\n");
        return 2;
    }
    const std::string package = argv[1], miniunz = argv[2], work = argv[3];
    const int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;
    const std::string ours = work + "\\ours", theirs = work + "\\miniunz";
    // The staged installation works beside its target: the target is a Plugins folder in a
    // folder of its own, as SketchUp's is.
    const std::string stagedParent = work + "\\staged", staged = stagedParent + "\\Plugins";
    const std::wstring packageW = qln::AnsiToWide(package), stagedW = qln::AnsiToWide(staged);

    std::vector<double> oursTimes, stagedTimes, theirTimes, startTimes;
    for (int round = 0; round < rounds; ++round) {
        RemoveTree(ours);
        RemoveTree(stagedParent);
        RemoveTree(theirs);
        CreateDirectoryA(ours.c_str(), nullptr);
        CreateDirectoryA(stagedParent.c_str(), nullptr);
        CreateDirectoryA(staged.c_str(), nullptr);
        CreateDirectoryA(theirs.c_str(), nullptr);
        for (int side = 0; side < 3; ++side) {
            switch ((side + round) % 3) {
            case 0: {
                const double start = Now();
                const bool ok = qln::ExtractArchive(package, ours);
                oursTimes.push_back(Now() - start);
                if (!ok) std::printf("round %d: ExtractArchive failed\n", round);
                break;
            }
            case 1: {
                const double start = Now();
                const qln::InstallReport report = qln::InstallPackageFile(packageW, stagedW);
                stagedTimes.push_back(Now() - start);
                if (report.outcome != qln::InstallOutcome::Succeeded)
                    std::printf("round %d: InstallPackageFile: %s\n", round, qln::InstallOutcomeName(report.outcome));
                break;
            }
            default:
                theirTimes.push_back(RunTimed("\"" + miniunz + "\" -x -o \"" + package + "\" -d \"" + theirs + "\""));
            }
        }
        startTimes.push_back(RunTimed("\"" + miniunz + "\""));
        std::printf("round %d: ExtractArchive (in place) %.3f s, InstallPackageFile (staged) %.3f s, miniunz %.3f s "
                    "(start-up %.3f s)\n",
                    round, oursTimes.back(), stagedTimes.back(), theirTimes.back(), startTimes.back());
    }

    long long oursFiles = 0, oursBytes = 0, stagedFiles = 0, stagedBytes = 0, theirFiles = 0, theirBytes = 0;
    Tally(ours, oursFiles, oursBytes);
    Tally(staged, stagedFiles, stagedBytes);
    Tally(theirs, theirFiles, theirBytes);
    const bool same = oursFiles == theirFiles && oursBytes == theirBytes && stagedFiles == theirFiles &&
                      stagedBytes == theirBytes;
    std::printf("unpacked: in place %lld files %lld bytes, staged %lld files %lld bytes, miniunz %lld files %lld "
                "bytes%s\n",
                oursFiles, oursBytes, stagedFiles, stagedBytes, theirFiles, theirBytes, same ? "" : "  MISMATCH");
    long long leftFiles = 0, leftBytes = 0;
    Tally(stagedParent, leftFiles, leftBytes);
    if (leftFiles != stagedFiles) std::printf("staged: %lld files left beside the target\n", leftFiles - stagedFiles);

    const double oursBest = *std::min_element(oursTimes.begin(), oursTimes.end());
    const double stagedBest = *std::min_element(stagedTimes.begin(), stagedTimes.end());
    const double theirBest = *std::min_element(theirTimes.begin(), theirTimes.end());
    const double startBest = *std::min_element(startTimes.begin(), startTimes.end());
    std::printf("best:   ExtractArchive %.3f s, InstallPackageFile %.3f s, miniunz %.3f s, miniunz start-up %.3f s\n",
                oursBest, stagedBest, theirBest, startBest);
    std::printf("median: ExtractArchive %.3f s, InstallPackageFile %.3f s, miniunz %.3f s\n", Median(oursTimes),
                Median(stagedTimes), Median(theirTimes));
    std::printf("ratio staged / in place (best): %.3f (goal <= 1.3); median: %.3f\n", stagedBest / oursBest,
                Median(stagedTimes) / Median(oursTimes));
    std::printf("ratio staged / miniunz (best): %.3f; without miniunz's start-up: %.3f\n", stagedBest / theirBest,
                stagedBest / (theirBest - startBest));
    std::printf("ratio ExtractArchive / miniunz (best): %.3f; without miniunz's start-up: %.3f\n",
                oursBest / theirBest, oursBest / (theirBest - startBest));

    // An update: the same package over the copy each road has just installed, rotating which
    // goes first, as above (what one side leaves unwritten, the other's flushes would pay for).
    // The staged side runs as the window runs it: the result comes once the new copy is in
    // place, and the old one is removed afterwards; both times are shown.
    qln::RemoveOldCopiesLater(true);
    std::vector<double> oursUpdates, stagedUpdates, stagedUpdatesRemoved;
    for (int round = 0; round < rounds; ++round) {
        for (int side = 0; side < 2; ++side) {
            const double start = Now();
            if ((side + round) % 2 == 0) {
                qln::ExtractArchive(package, ours);
                oursUpdates.push_back(Now() - start);
                continue;
            }
            const qln::InstallReport report = qln::InstallPackageFile(packageW, stagedW);
            stagedUpdates.push_back(Now() - start);
            qln::WaitForOldCopiesRemoved();
            stagedUpdatesRemoved.push_back(Now() - start);
            if (report.outcome != qln::InstallOutcome::Succeeded)
                std::printf("update %d: InstallPackageFile: %s\n", round, qln::InstallOutcomeName(report.outcome));
        }
        std::printf("update %d: ExtractArchive (in place) %.3f s, InstallPackageFile (staged) %.3f s, old copy removed "
                    "at %.3f s\n",
                    round, oursUpdates.back(), stagedUpdates.back(), stagedUpdatesRemoved.back());
    }
    const double oursUpdate = *std::min_element(oursUpdates.begin(), oursUpdates.end());
    const double stagedUpdate = *std::min_element(stagedUpdates.begin(), stagedUpdates.end());
    const double stagedRemoved = *std::min_element(stagedUpdatesRemoved.begin(), stagedUpdatesRemoved.end());
    std::printf("ratio update over an installed copy, old copy removed, staged / in place (best): %.3f (InstallPackageFile "
                "%.3f s)\n",
                stagedRemoved / oursUpdate, stagedRemoved);
    std::printf("ratio update over an installed copy, staged / in place (best): %.3f (ExtractArchive %.3f s, "
                "InstallPackageFile %.3f s)\n",
                stagedUpdate / oursUpdate, oursUpdate, stagedUpdate);
    RemoveTree(ours);
    RemoveTree(stagedParent);
    RemoveTree(theirs);
    return 0;
}
