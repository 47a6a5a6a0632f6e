#include "forms/form_engine.h"

#include <string>
#include <vector>

namespace qln {

namespace {

// Every class registered under an explicit name, so that a second request for the same name
// and module answers with the first atom. Lives until the process ends.
struct RegisteredClass {
    std::wstring name;
    HINSTANCE instance;
    ATOM atom;
};
std::vector<RegisteredClass> g_registeredClasses;
unsigned g_registrationCount = 0;

}  // namespace

ATOM RegisterFormClass(const wchar_t* className, HINSTANCE instance, WNDPROC windowProc) {
    const bool explicitName = className && className[0];
    std::wstring name;
    if (explicitName) {
        name = className;
        for (const auto& entry : g_registeredClasses)
            if (entry.instance == instance && entry.name == name) return entry.atom;
    } else {
        name = L"TarnWindowClass:" + std::to_wstring(g_registrationCount);
    }

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = windowProc ? windowProc : DefaultFormProc;
    wc.cbWndExtra = 8;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name.c_str();
    const ATOM atom = RegisterClassExW(&wc);
    if (!atom) return 0;
    if (explicitName) g_registeredClasses.push_back({std::move(name), instance, atom});
    ++g_registrationCount;
    return atom;
}

LRESULT CALLBACK DefaultFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_COMMAND:
        if (wParam == IDCANCEL) {
            SendMessageW(window, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            SendMessageW(window, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace qln
