// A DLL that someone placed beside the installer under a system library's name: loaded at all,
// it leaves a mark in the file that QLN_PLANT_MARKER names (and then fails the load).
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t marker[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"QLN_PLANT_MARKER", marker, MAX_PATH)) {
        const HANDLE file = CreateFileW(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, "loaded\n", 7, &written, nullptr);
        CloseHandle(file);
    }
    return FALSE;
}
