// Finding another process's windows from outside, as the tests that drive the installer and
// the demo's driver (tests/tools/demo_driver.cpp) both do. Header-only and free of the test
// framework, so that a plain program can use it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qln::test {

inline std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// WM_GETTEXT with a time limit: a hung window cannot stall its reader.
inline std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &copied);
    return text;
}

// The top-level windows of a process, optionally only the visible ones.
inline std::vector<HWND> TopLevelWindows(DWORD pid, bool visibleOnly) {
    struct Search {
        DWORD pid;
        bool visibleOnly;
        std::vector<HWND> windows;
    } search{pid, visibleOnly, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->pid && (!s->visibleOnly || IsWindowVisible(window))) s->windows.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

// A visible top-level window of the process (of the class, when one is named), waiting up to
// `milliseconds`; with the process's handle the wait ends as soon as the process does.
inline HWND WaitForWindow(DWORD pid, const wchar_t* className, DWORD milliseconds, HANDLE process = nullptr) {
    const DWORD start = GetTickCount();
    do {
        for (HWND window : TopLevelWindows(pid, true))
            if (!className || ClassOf(window) == className) return window;
        if (process ? WaitForSingleObject(process, 20) == WAIT_OBJECT_0 : (Sleep(20), false)) return nullptr;
    } while (GetTickCount() - start < milliseconds);
    return nullptr;
}

// The first descendant window of the class, at any depth.
inline HWND FindChildOfClass(HWND parent, const wchar_t* className) {
    struct Search {
        const wchar_t* cls;
        HWND found;
    } search{className, nullptr};
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (ClassOf(window) != s->cls) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Every line of a list box; LB_GETTEXT carries the text across processes.
inline std::vector<std::wstring> ListLines(HWND list) {
    std::vector<std::wstring> lines;
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring line(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
        lines.push_back(line.c_str());
    }
    return lines;
}

}  // namespace qln::test
