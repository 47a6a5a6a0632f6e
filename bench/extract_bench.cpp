// Times ExtractArchive against minizip's example extractor miniunz (built from the same minizip
// sources) on one package, each into a fresh folder, alternating which goes first.
//   extract_bench <package.zip> <miniunz.exe> <work folder> [rounds]
// miniunz runs as a process of its own, so its start-up is measured too (a run without
// arguments, which only prints its banner) and reported beside the raw times.
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

    std::vector<double> oursTimes, theirTimes, startTimes;
    for (int round = 0; round < rounds; ++round) {
        RemoveTree(ours);
        RemoveTree(theirs);
        CreateDirectoryA(ours.c_str(), nullptr);
        CreateDirectoryA(theirs.c_str(), nullptr);
        for (int side = 0; side < 2; ++side) {
            if ((side + round) % 2 == 0) {
                const double start = Now();
                const bool ok = qln::ExtractArchive(package, ours);
                oursTimes.push_back(Now() - start);
                if (!ok) std::printf("round %d: ExtractArchive failed\n", round);
            } else {
                theirTimes.push_back(RunTimed("\"" + miniunz + "\" -x -o \"" + package + "\" -d \"" + theirs + "\""));
            }
        }
        startTimes.push_back(RunTimed("\"" + miniunz + "\""));
        std::printf("round %d: ExtractArchive %.3f s, miniunz %.3f s (start-up %.3f s)\n", round, oursTimes.back(),
                    theirTimes.back(), startTimes.back());
    }

    long long oursFiles = 0, oursBytes = 0, theirFiles = 0, theirBytes = 0;
    Tally(ours, oursFiles, oursBytes);
    Tally(theirs, theirFiles, theirBytes);
    std::printf("unpacked: ours %lld files %lld bytes, miniunz %lld files %lld bytes%s\n", oursFiles, oursBytes,
                theirFiles, theirBytes, oursFiles == theirFiles && oursBytes == theirBytes ? "" : "  MISMATCH");

    const double oursBest = *std::min_element(oursTimes.begin(), oursTimes.end());
    const double theirBest = *std::min_element(theirTimes.begin(), theirTimes.end());
    const double startBest = *std::min_element(startTimes.begin(), startTimes.end());
    std::printf("best:   ExtractArchive %.3f s, miniunz %.3f s, miniunz start-up %.3f s\n", oursBest, theirBest,
                startBest);
    std::printf("median: ExtractArchive %.3f s, miniunz %.3f s\n", Median(oursTimes), Median(theirTimes));
    std::printf("ratio ExtractArchive / miniunz (best): %.3f; without miniunz's start-up: %.3f (goal <= 1.1)\n",
                oursBest / theirBest, oursBest / (theirBest - startBest));
    RemoveTree(ours);
    RemoveTree(theirs);
    return 0;
}
