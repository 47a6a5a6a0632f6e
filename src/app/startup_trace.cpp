// The instrumented build's trace: every mark is kept with its time, and the list is written at
// the last mark, appended to the file named by QLN_STARTUP_TRACE_FILE or else to standard error.
// The first line is the time from the process's creation to the first mark: the loader, the
// libraries' own start and the runtime's.
#include "app/startup_trace.h"

#include <windows.h>

#include <cstdio>

namespace qln {

namespace {

struct Mark {
    const char* what;
    LONGLONG counter;
};
Mark g_marks[256];
int g_count = 0;
FILETIME g_created;
FILETIME g_first;

ULONGLONG Ticks(const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

}  // namespace

void TraceStartup(const char* what) {
    if (g_count == 0) {
        FILETIME exited, kernel, user;
        GetProcessTimes(GetCurrentProcess(), &g_created, &exited, &kernel, &user);
        GetSystemTimePreciseAsFileTime(&g_first);
    }
    if (g_count >= 256) return;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    g_marks[g_count++] = {what, now.QuadPart};
}

void WriteStartupTrace() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    char path[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("QLN_STARTUP_TRACE_FILE", path, MAX_PATH);
    FILE* file = n > 0 && n < MAX_PATH ? std::fopen(path, "a") : nullptr;
    FILE* out = file ? file : stderr;
    const double before = (static_cast<double>(Ticks(g_first)) - static_cast<double>(Ticks(g_created))) / 1e4;
    std::fprintf(out, "%9.2f ms  process created -> %s\n", before, g_count ? g_marks[0].what : "?");
    for (int i = 1; i < g_count; ++i) {
        const double ms = 1000.0 * static_cast<double>(g_marks[i].counter - g_marks[i - 1].counter) /
                          static_cast<double>(frequency.QuadPart);
        std::fprintf(out, "%9.2f ms  %s -> %s\n", ms, g_marks[i - 1].what, g_marks[i].what);
    }
    std::fprintf(out, "--\n");
    if (file) std::fclose(file);
}

}  // namespace qln
