// A program for the session's check that its prefixes do not share a pointer
// (tests/wine/check_pointer_apart.sh). It shows a window, puts the pointer at the point it is
// given, says so by creating the "ready" file, waits until the "go" file exists (the check moves
// the pointer in another prefix meanwhile) and then prints where its pointer is: "x y".
//   pointer_probe <x> <y> [ready-file go-file]      (without the files it reports at once)
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: pointer_probe <x> <y> [ready-file go-file]\n");
        return 2;
    }
    // Wine moves the pointer only for a process with a window in the foreground.
    HWND window = CreateWindowExW(0, L"STATIC", L"pointer probe", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr,
                                  nullptr, nullptr, nullptr);
    SetForegroundWindow(window);
    Pump();
    // Until the window has really come to the front, Wine may drop the move: tried again until
    // the pointer is there (a few seconds at most).
    const POINT want = {std::atoi(argv[1]), std::atoi(argv[2])};
    POINT now = {};
    for (int tries = 0; !(now.x == want.x && now.y == want.y); ++tries) {
        if (tries == 150 || !SetCursorPos(want.x, want.y)) {
            std::fprintf(stderr, "pointer_probe: the pointer did not move\n");
            return 1;
        }
        Pump();
        if (GetCursorPos(&now) && now.x == want.x && now.y == want.y) break;
        Sleep(20);
        SetForegroundWindow(window);
        Pump();
    }
    if (argc == 5) {
        HANDLE ready = CreateFileA(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
        for (int waited = 0; GetFileAttributesA(argv[4]) == INVALID_FILE_ATTRIBUTES; waited += 20) {
            if (waited > 60000) return 1;
            Sleep(20);
            Pump();
        }
    }
    POINT where = {};
    GetCursorPos(&where);
    std::printf("%ld %ld\n", where.x, where.y);
    return 0;
}
