// Start-up benchmark (bench/run_startup_bench.sh): the installer against a bare window program
// that carries the same manifest. Each run is timed from CreateProcess to the process's exit;
// in between the driver waits until the program's main window is shown (visible, and its thread
// answering messages: the loop runs, the first paint is done) and posts WM_CLOSE to it; the
// close is handled after whatever the program had queued for itself before. Pairs run alternately, the order inside a pair
// switching each time, after one unmeasured warm-up pair.
//   startup_bench <installer.exe> <bare.exe> [pairs] [installer class] [bare class]
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
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_bench <installer.exe> <bare.exe> [pairs] [installer class] [bare class]\n");
        return 2;
    }
    const int pairs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 10;
    const Program installer = {"installer", argv[1], argc > 4 ? argv[4] : L"Quorlen插件安装器_Form1"};
    const Program bare = {"bare", argv[2], argc > 5 ? argv[5] : L"QlnBareWindow"};

    Timing warm;
    if (!RunOnce(bare, warm) || !RunOnce(installer, warm)) return 1;
    std::vector<double> installerTotals, bareTotals, installerShown, bareShown, ratios;
    std::printf("pair   installer shown/exit ms   bare shown/exit ms   ratio\n");
    for (int pair = 0; pair < pairs; ++pair) {
        Timing a, b;
        const bool ok = pair % 2 ? RunOnce(bare, b) && RunOnce(installer, a) : RunOnce(installer, a) && RunOnce(bare, b);
        if (!ok) return 1;
        installerTotals.push_back(a.total);
        installerShown.push_back(a.shown);
        bareTotals.push_back(b.total);
        bareShown.push_back(b.shown);
        ratios.push_back(a.total / b.total);
        std::printf("%4d   %8.1f %8.1f        %8.1f %8.1f   %6.3f\n", pair + 1, a.shown, a.total, b.shown, b.total,
                    a.total / b.total);
    }
    std::printf("median installer: shown %.1f ms, exit %.1f ms\n", Median(installerShown), Median(installerTotals));
    std::printf("median bare:      shown %.1f ms, exit %.1f ms\n", Median(bareShown), Median(bareTotals));
    std::printf("ratio of medians %.3f\n", Median(installerTotals) / Median(bareTotals));
    std::printf("ratio installer / bare %.3f  (median of %d pairs, start to exit; goal <= 1.2)\n", Median(ratios),
                pairs);
    std::fflush(stdout);
    return 0;
}
