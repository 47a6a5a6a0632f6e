// The control object: what every form and control of the framework carries beside what
// Windows keeps for it. Windowed controls and forms find theirs through the window property
// "tarn_Control_Ptr"; windowless labels and frames (and window-less components) exist only as
// objects chained from their form's object.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "forms/layout/color_value.h"
#include "forms/layout/layout_rules.h"

namespace qln {

inline constexpr const wchar_t* kControlPtrProp = L"tarn_Control_Ptr";
inline constexpr const wchar_t* kOldWndProcProp = L"OLDWNDPROC";
inline constexpr UINT_PTR kDeferredRepaintTimer = 357897;
inline constexpr UINT kDeferredRepaintMs = 25;

enum class ControlKindTag : std::uint8_t { Window, Form, Label, Frame, Component };

// Flag bits of a control object.
enum : std::uint64_t {
    kFlagEnabled = 1u << 0,
    kFlagVisible = 1u << 1,
    kFlagMnemonic = 1u << 2,
    kFlagEllipsis = 1u << 3,
};

struct ControlObject;

// A custom control (the button group) sees its control's messages first; a non-zero result is
// final. `destroy` frees the control's own data when its window goes.
struct CustomControlHooks {
    LRESULT (*handle)(HWND window, UINT message, WPARAM wParam, LPARAM lParam, ControlObject* object) = nullptr;
    void (*destroy)(HWND window, ControlObject* object) = nullptr;
};

struct ControlObject {
    // One object per window, holding handles it frees: a copy would free them twice.
    ControlObject() = default;
    ControlObject(const ControlObject&) = delete;
    ControlObject& operator=(const ControlObject&) = delete;

    HWND owner = nullptr;   // parent window; for windowless controls the form's window
    HWND window = nullptr;  // own window; for windowless controls and components the form's window
    ControlKindTag kind = ControlKindTag::Window;
    std::wstring name;
    std::int32_t index = -1;
    std::int32_t id = 0;
    HWND lastFocus = nullptr;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    std::wstring caption;

    // Type-specific lists: status bar panel widths (logical) and tab page windows.
    std::vector<std::int32_t> panelWidths;
    std::vector<HWND> tabPages;

    // Type area: button group item list, label escapement (tenths of a degree) and font width
    // (logical), frame line colour (0xAABBGGRR).
    void* typeData = nullptr;
    std::int32_t escapement = 0;
    std::int32_t fontWidth = 0;
    std::uint32_t lineColor = 0xFF000000;

    std::array<std::int64_t, 100> userData = {};
    std::uint64_t flags = 0;
    std::int32_t transparency = 0;
    std::uint32_t transparentKey = kColorInherit;
    std::int32_t cursorCode = 0;
    std::uint32_t foreColor = kColorInherit;
    std::uint32_t backColor = kColorInherit;
    HBRUSH brush = nullptr;  // owned
    std::wstring fontSpec;
    std::wstring tag;
    std::wstring toolTip;
    std::int32_t toolTipBalloon = 0;
    HWND toolTipWindow = nullptr;  // owned
    bool toolTipDeferred = false;  // builder's tooltip: its window is made when the mouse first comes
    HCURSOR cursor = nullptr;      // owned
    AnchorData layout;             // design rectangle and anchors, logical pixels
    ControlObject* next = nullptr;

    // Frames: the controls inside, computed once after the form's controls exist.
    bool frameListsComputed = false;
    std::vector<int> frameWindowIds;
    std::vector<int> frameWindowlessIds;

    CustomControlHooks hooks;

    // Bits 12–15, 16–23 and 24–31 of the flags.
    int FlagField(int shift, int bits) const { return static_cast<int>((flags >> shift) & ((1u << bits) - 1)); }
    void SetFlagField(int shift, int bits, int value) {
        const std::uint64_t mask = static_cast<std::uint64_t>((1u << bits) - 1) << shift;
        flags = (flags & ~mask) | ((static_cast<std::uint64_t>(value) << shift) & mask);
    }
    bool Flag(std::uint64_t bit) const { return (flags & bit) != 0; }
    void SetFlag(std::uint64_t bit, bool on) { flags = on ? (flags | bit) : (flags & ~bit); }
};

ControlObject* GetControlObject(HWND window);

// Attaches a new object to a window (forms and windowed controls) and returns it.
ControlObject* AttachControlObject(HWND window, ControlKindTag kind, const wchar_t* name, int id, int index = -1);

// Adds a windowless object (label, frame, component) to the end of the form's chain.
ControlObject* AddWindowlessObject(HWND form, ControlKindTag kind, const wchar_t* name, int id);

// The chain walk: the form's own object, then its windowless objects, by control id.
ControlObject* FindControlObject(HWND window, int id);

// Releases what an object owns (brush, tooltip window, cursor, icons) and frees it.
void FreeControlObject(ControlObject* object);

}  // namespace qln
