// The form engine: a form builder initialises a FormContext, creates the form window and its
// controls from type keywords (sizes in logical pixels at 96 DPI, scaled per form), attaches
// control objects, posts FM_LOADED and shows the form modeless or in a modal loop.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "forms/engine/control_object.h"
#include "forms/layout/layout_rules.h"

namespace qln {

// Posted by every form builder before it shows its form; the load handler runs on it.
inline constexpr UINT FM_LOADED = 0x1000;
inline constexpr WPARAM kFormLoadedParam = 4096;

struct FormContext {
    HWND Window = nullptr;
    HINSTANCE Instance = nullptr;
    HFONT Font = nullptr;  // owned
    HACCEL Accelerators = nullptr;  // owned
    int Dpi = kLogicalDpi;
    float ScaleX = 1.0f;
    float ScaleY = 1.0f;
    ATOM ClassAtom = 0;
    wchar_t ClassName[260] = {};
    int FontSize = 0;
    wchar_t FontFace[32] = {};
    std::vector<void*> ownedList;  // owned by the form's own code; released with the context
    void* ownedBlock = nullptr;    // heap block, freed with free()
};

void InitFormContext(FormContext* ctx, const wchar_t* className);
void SetFormDpi(FormContext* ctx, double dpi);

ATOM RegisterFormClass(const wchar_t* className, HINSTANCE instance, WNDPROC windowProc);
HWND CreateFormWindow(FormContext* ctx, HWND parent, const wchar_t* caption, WNDPROC formProc, int width, int height,
                      DWORD style, DWORD exStyle);
HWND CreateControl(FormContext* ctx, const wchar_t* typeKeyword, HWND parent, int id, const wchar_t* caption, int x,
                   int y, int width, int height, DWORD style, DWORD exStyle, WNDPROC subclassProc);
bool MoveControlScaled(FormContext* ctx, HWND window, int x, int y, int width, int height);

// modal = -1 runs the modal loop until the form is gone; anything else shows and returns.
HWND ShowForm(FormContext* ctx, int modal, HWND window, HWND owner, int showCmd, int mdi);
void ReleaseFormContext(FormContext* ctx);
FormContext* GetFormContext(HWND form);

HWND CreateToolTip(HWND control, const wchar_t* text, bool balloon, int x, int y, int width, int height);

LRESULT CALLBACK DefaultFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// What every form's window procedure does after its own cases. `onLoad` runs on FM_LOADED.
using FormLoadHandler = void (*)(HWND form, LPARAM lParam);
LRESULT StandardFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, FormLoadHandler onLoad);

// The subclass procedure of every control made by CreateControl.
LRESULT CALLBACK StandardControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Arms the 25 ms deferred repaint of a form, so that a burst of changes paints once.
void ScheduleRepaint(HWND form);

}  // namespace qln
