// Start-up benchmark (bench/run_startup_bench.sh): the installer against a bare window program
// that carries the same manifest and against the installer's first view built by hand
// (bench/hand_built_window.cpp). Each run is timed from CreateProcess to the process's exit;
// in between the driver waits until the program's main window is shown (visible, and its thread
// answering messages: the loop runs, the first paint is done) and posts WM_CLOSE to it; the
// close is handled after whatever the program had queued for itself before. The programs run
// in rounds, each round in a different order, after one unmeasured warm-up round.
//   startup_bench <installer.exe> <bare.exe> <rounds> <hand-built.exe>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

LARGE_INTEGER Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

double Millis(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Program {
    const char* label;
    std::wstring path;
    const wchar_t* windowClass;
};

struct Timing {
    double shown = 0;   // CreateProcess to the main window shown
    double total = 0;   // CreateProcess to the process's exit
};

struct Search {
    DWORD process;
    const wchar_t* windowClass;
    HWND found;
};

BOOL CALLBACK FindMain(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->process) return TRUE;
    wchar_t name[128];
    if (!GetClassNameW(window, name, 128) || lstrcmpW(name, search->windowClass) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

bool RunOnce(const Program& program, Timing& timing) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    std::wstring command = L"\"" + program.path + L"\"";
    const LARGE_INTEGER start = Now();
    if (!CreateProcessW(program.path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        std::fprintf(stderr, "cannot start %ls (error %lu)\n", program.path.c_str(), GetLastError());
        return false;
    }
    Search search = {info.dwProcessId, program.windowClass, nullptr};
    bool ok = false;
    for (;;) {
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0) break;
        if (Millis(start, Now()) > 60000) break;
        if (!search.found || !IsWindow(search.found)) {
            search.found = nullptr;
            EnumWindows(FindMain, reinterpret_cast<LPARAM>(&search));
        }
        if (search.found && IsWindowVisible(search.found)) {
            // Shown: visible, and the program has reached its message loop (so the window and
            // everything in it has been painted once, which happens before the loop starts).
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored);
            timing.shown = Millis(start, Now());
            PostMessageW(search.found, WM_CLOSE, 0, 0);
            ok = true;
            break;
        }
        Sleep(2);
    }
    if (!ok) {
        std::fprintf(stderr, "%s: no main window of class %ls within 60 s\n", program.label, program.windowClass);
        TerminateProcess(info.hProcess, 1);
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    timing.total = Millis(start, Now());
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return ok;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: startup_bench <installer.exe> <bare.exe> <rounds> <hand-built.exe>\n");
        return 2;
    }
    const int rounds = std::max(1, _wtoi(argv[3]));
    enum { kInstaller, kBare, kHand, kCount };
    const Program programs[kCount] = {{"installer", argv[1], L"Quorlen插件安装器_Form1"},
                                      {"bare", argv[2], L"QlnBareWindow"},
                                      {"hand-built", argv[4], L"QlnHandBuiltWindow"}};

    Timing warm;
    for (const Program& program : programs)
        if (!RunOnce(program, warm)) return 1;
    std::vector<double> totals[kCount], shown[kCount];
    std::vector<double> ratios, handRatios, handBareRatios;
    std::printf("round  installer shown/exit ms   bare shown/exit ms   hand-built shown/exit ms   ratio\n");
    for (int round = 0; round < rounds; ++round) {
        Timing timings[kCount];
        // Each program takes each place in the order in turn, so none always runs first.
        for (int step = 0; step < kCount; ++step) {
            const int which = (step + round) % kCount;
            if (!RunOnce(programs[which], timings[which])) return 1;
        }
        const Timing &a = timings[kInstaller], &b = timings[kBare], &h = timings[kHand];
        std::printf("%5d   %8.1f %8.1f        %8.1f %8.1f          %8.1f %8.1f   %6.3f\n", round + 1, a.shown,
                    a.total, b.shown, b.total, h.shown, h.total, a.total / b.total);
        for (int i = 0; i < kCount; ++i) {
            totals[i].push_back(timings[i].total);
            shown[i].push_back(timings[i].shown);
        }
        ratios.push_back(a.total / b.total);
        handRatios.push_back(a.total / h.total);
        handBareRatios.push_back(h.total / b.total);
    }
    for (int i = 0; i < kCount; ++i)
        std::printf("median %-11s shown %.1f ms, exit %.1f ms\n", (std::string(programs[i].label) + ":").c_str(),
                    Median(shown[i]), Median(totals[i]));
    std::printf("ratio of medians %.3f\n", Median(totals[kInstaller]) / Median(totals[kBare]));
    std::printf("ratio hand-built / bare %.3f  (what the same windows cost by hand)\n", Median(handBareRatios));
    std::printf("ratio installer / hand-built %.3f  (what the installer's own code costs)\n", Median(handRatios));
    std::printf("ratio installer / bare %.3f  (median of %d rounds, start to exit; goal <= 1.2)\n", Median(ratios),
                rounds);
    std::fflush(stdout);
    return 0;
}
