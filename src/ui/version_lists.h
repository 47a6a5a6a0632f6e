// What the plugin and utilities pages share about their version lists: filling, the checks
// before a button acts, and keeping the two selections in step.
#pragma once

#include <windows.h>

#include <string>

#include "discovery/discovery.h"

namespace qln {

// A page's List1 and windowless Frame1 as the discovery fills them.
class PageVersionList : public VersionList, public CaptionTarget {
public:
    PageVersionList(HWND page, HWND list, int frameId) : page_(page), list_(list), frameId_(frameId) {}
    void AddText(std::wstring_view text) override;
    void Clear() override;
    int Count() override;
    void SelectFirst() override;
    void SetCaption(std::wstring_view caption) override;

private:
    HWND page_;
    HWND list_;
    int frameId_;
};

void FillVersionList(HWND page, HWND list, int frameId);

// The first two checks of every version button: a non-empty list and a selected line.
// Tells the user (owner `page`) and returns false when one fails.
bool CheckVersionSelection(HWND page, HWND list, std::wstring& entry);

// The pages' version lists are kept in step by index: each page registers its List1 when it is
// built and withdraws it when the list goes (a window handle may be reused afterwards).
void RegisterVersionList(HWND list);
void WithdrawVersionList(HWND list);

// Selects in every other registered list the line with the index selected in `list` (no
// notification follows).
void MirrorSelection(HWND list);

}  // namespace qln
