#include "gui_objects.h"

namespace qln::test {

namespace {

bool Implemented(DWORD count) { return count != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED; }

struct WindowTally {
    DWORD process;
    int count;
};

BOOL CALLBACK CountChild(HWND, LPARAM param) {
    ++reinterpret_cast<WindowTally*>(param)->count;
    return TRUE;
}

void CountTree(HWND window, WindowTally& tally) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != tally.process) return;
    ++tally.count;
    EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&tally));
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM param) {
    CountTree(window, *reinterpret_cast<WindowTally*>(param));
    return TRUE;
}

}  // namespace

// Wine's per-process GDI handle table: the PEB's GdiSharedHandleTable (offset 0xF8), 0x10000
// entries of 24 bytes, a non-zero type byte at offset 14 marking a live object.
int GdiObjectCount() {
    SetLastError(0);
    const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (Implemented(count)) return static_cast<int>(count);
    using QueryProcess = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<QueryProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    struct {
        void* reserved1;
        unsigned char* peb;
        void* reserved2[4];
    } basic = {};  // PROCESS_BASIC_INFORMATION
    if (!query || query(GetCurrentProcess(), 0, &basic, sizeof(basic), nullptr) != 0 || !basic.peb) return -1;
    auto* table = *reinterpret_cast<unsigned char**>(basic.peb + 0xF8);
    if (!table) return -1;
    int live = 0;
    for (int i = 0; i < 0x10000; ++i)
        if (table[i * 24 + 14] != 0) ++live;
    return live;
}

int UserObjectCount() {
    SetLastError(0);
    const DWORD count = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (Implemented(count)) return static_cast<int>(count);
    WindowTally tally{GetCurrentProcessId(), 0};
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&tally));
    for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
         w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr))
        CountTree(w, tally);
    return tally.count;
}

}  // namespace qln::test
