#include "app/dll_search.h"

#include <windows.h>
#include <delayimp.h>

#include <string>

namespace qln {

namespace {

// The delay-import helper would load a library by its bare name, which the loader looks for
// beside the executable first; it gets the library from the system folder instead.
FARPROC WINAPI LoadFromSystemFolder(unsigned notice, PDelayLoadInfo info) {
    if (notice != dliNotePreLoadLibrary || !info || !info->szDll) return nullptr;
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path(system, length);
    path += L'\\';
    for (const char* c = info->szDll; *c; ++c) path += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return reinterpret_cast<FARPROC>(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

}  // namespace

void LimitDllSearch() {
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    // Missing on Windows 7 without its update: the loads above still go by full path.
    if (const auto set = reinterpret_cast<SetDirectories>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")))
        set(LOAD_LIBRARY_SEARCH_SYSTEM32);
    else
        SetDllDirectoryW(L"");  // at least the current folder leaves the search
}

}  // namespace qln

extern "C" PfnDliHook __pfnDliNotifyHook2 = qln::LoadFromSystemFolder;
