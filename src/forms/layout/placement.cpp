#include "forms/layout/placement.h"

#include <string>

#include "forms/layout/placement_rules.h"

namespace qln {

namespace {

// A missing file or section name would make the profile functions work on win.ini or on every
// section at once (a null key even deletes the section): refuse them.
bool UsableTarget(HWND form, const wchar_t* iniFile, const wchar_t* section) {
    return IsWindow(form) && iniFile && *iniFile && section && *section;
}

bool ReadPlacement(HWND form, WINDOWPLACEMENT& wp) {
    wp = {};
    wp.length = sizeof(WINDOWPLACEMENT);
    return GetWindowPlacement(form, &wp) != FALSE;
}

PlacementState StateOf(HWND form, const WINDOWPLACEMENT& wp) {
    PlacementState s;
    s.rect = {wp.rcNormalPosition.left, wp.rcNormalPosition.top, wp.rcNormalPosition.right,
              wp.rcNormalPosition.bottom};
    s.flags = wp.flags;
    s.showCmd = wp.showCmd;
    s.topMost = (GetWindowLongPtrW(form, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    return s;
}

void StoreState(const PlacementState& s, WINDOWPLACEMENT& wp) {
    wp.rcNormalPosition = {s.rect.left, s.rect.top, s.rect.right, s.rect.bottom};
    wp.flags = s.flags;
    wp.showCmd = s.showCmd;
}

}  // namespace

static_assert(sizeof(WINDOWPLACEMENT) == 44);

bool SavePlacement(HWND form, const wchar_t* iniFile, const wchar_t* section) {
    if (!UsableTarget(form, iniFile, section)) return false;
    WINDOWPLACEMENT wp;
    ReadPlacement(form, wp);
    BOOL written = FALSE;
    for (const PlacementEntry& entry : PlacementEntries(StateOf(form, wp))) {
        const std::wstring key(entry.key);
        written = WritePrivateProfileStringW(section, key.c_str(), entry.value.c_str(), iniFile);
    }
    return written != FALSE;
}

bool LoadPlacement(HWND form, const wchar_t* iniFile, const wchar_t* section) {
    if (!UsableTarget(form, iniFile, section)) return false;
    WINDOWPLACEMENT wp;
    ReadPlacement(form, wp);

    const PlacementLookup lookup = [&](std::wstring_view key) -> std::optional<std::wstring> {
        wchar_t buffer[260] = {};
        const std::wstring name(key);
        const DWORD length = GetPrivateProfileStringW(section, name.c_str(), L"", buffer, 260, iniFile);
        if (length == 0) return std::nullopt;
        return std::wstring(buffer, length);
    };
    const LoadedPlacement loaded = ApplyPlacementKeys(StateOf(form, wp), lookup);

    if (loaded.topMost) {
        SetWindowPos(form, *loaded.topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    StoreState(loaded.state, wp);
    SetWindowPlacement(form, &wp);

    RECT work = {};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    PlacementState fitted = loaded.state;
    fitted.rect = FitIntoWorkArea(loaded.state.rect, work.right, work.bottom);
    StoreState(fitted, wp);
    return SetWindowPlacement(form, &wp) != FALSE;
}

}  // namespace qln
