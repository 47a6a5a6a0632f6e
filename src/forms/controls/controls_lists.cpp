#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "forms/draw/resource_images.h"
#include "forms/engine/control_object.h"
#include "forms/layout/layout_rules.h"
#include "forms/layout/screen.h"

namespace qln {

namespace {

ControlObject* Obj(HWND w) { return GetControlObject(w); }

LRESULT Send(HWND w, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return Obj(w) ? SendMessageW(w, message, wParam, lParam) : 0;
}

LPARAM Text(const std::wstring& s) { return reinterpret_cast<LPARAM>(s.c_str()); }

}  // namespace

namespace listbox {

int AddItem(HWND w, const std::wstring& text) { return static_cast<int>(Send(w, LB_ADDSTRING, 0, Text(text))); }
int AddItem(HWND w, const std::wstring& text, LPARAM data) {
    const int index = AddItem(w, text);
    if (index >= 0) Send(w, LB_SETITEMDATA, static_cast<WPARAM>(index), data);
    return index;
}
int InsertItem(HWND w, int index, const std::wstring& text) {
    return static_cast<int>(Send(w, LB_INSERTSTRING, static_cast<WPARAM>(index), Text(text)));
}
void RemoveItem(HWND w, int index) { Send(w, LB_DELETESTRING, static_cast<WPARAM>(index)); }
void Clear(HWND w) { Send(w, LB_RESETCONTENT); }
int FindItem(HWND w, const std::wstring& text, int start) {
    return static_cast<int>(Send(w, LB_FINDSTRING, static_cast<WPARAM>(start), Text(text)));
}
int FindItemExact(HWND w, const std::wstring& text, int start) {
    return static_cast<int>(Send(w, LB_FINDSTRINGEXACT, static_cast<WPARAM>(start), Text(text)));
}
std::wstring ItemText(HWND w, int index) {
    const LRESULT length = Send(w, LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT got = Send(w, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}
void SetItemText(HWND w, int index, const std::wstring& text) {
    if (!Obj(w)) return;
    const LRESULT selection = Send(w, LB_GETCURSEL);
    const LRESULT data = Send(w, LB_GETITEMDATA, static_cast<WPARAM>(index));
    Send(w, LB_DELETESTRING, static_cast<WPARAM>(index));
    Send(w, LB_INSERTSTRING, static_cast<WPARAM>(index), Text(text));
    Send(w, LB_SETITEMDATA, static_cast<WPARAM>(index), data);
    Send(w, LB_SETCURSEL, static_cast<WPARAM>(selection));
}
LPARAM ItemData(HWND w, int index) { return Send(w, LB_GETITEMDATA, static_cast<WPARAM>(index)); }
void SetItemData(HWND w, int index, LPARAM data) { Send(w, LB_SETITEMDATA, static_cast<WPARAM>(index), data); }
bool Selected(HWND w, int index) { return Send(w, LB_GETSEL, static_cast<WPARAM>(index)) > 0; }
void SetSelected(HWND w, int index, bool on) { Send(w, LB_SETSEL, on, index); }
int TopIndex(HWND w) { return static_cast<int>(Send(w, LB_GETTOPINDEX)); }
void SetTopIndex(HWND w, int index) { Send(w, LB_SETTOPINDEX, static_cast<WPARAM>(index)); }
int ListIndex(HWND w) { return Obj(w) ? static_cast<int>(Send(w, LB_GETCURSEL)) : -1; }
void SetListIndex(HWND w, int index) { Send(w, LB_SETCURSEL, static_cast<WPARAM>(index)); }
int ItemHeight(HWND w) { return static_cast<int>(Send(w, LB_GETITEMHEIGHT)); }
void SetItemHeight(HWND w, int height) { Send(w, LB_SETITEMHEIGHT, 0, height); }
std::wstring SelectedText(HWND w) {
    const int index = ListIndex(w);
    return index < 0 ? std::wstring() : ItemText(w, index);
}
int ListCount(HWND w) { return static_cast<int>(Send(w, LB_GETCOUNT)); }
int SelCount(HWND w) { return static_cast<int>(Send(w, LB_GETSELCOUNT)); }
int FindByData(HWND w, LPARAM data) {
    const int count = ListCount(w);
    for (int i = 0; i < count; ++i)
        if (ItemData(w, i) == data) return i;
    return -1;
}
void SetRedraw(HWND w, bool on) { Send(w, WM_SETREDRAW, on); }

}  // namespace listbox

namespace progress {

int Value(HWND w) { return static_cast<int>(Send(w, PBM_GETPOS)); }
void SetValue(HWND w, int value) { Send(w, PBM_SETPOS, static_cast<WPARAM>(value)); }
int Min(HWND w) { return static_cast<int>(Send(w, PBM_GETRANGE, TRUE)); }
int Max(HWND w) { return static_cast<int>(Send(w, PBM_GETRANGE, FALSE)); }
void SetMin(HWND w, int value) { Send(w, PBM_SETRANGE32, static_cast<WPARAM>(value), Max(w)); }
void SetMax(HWND w, int value) { Send(w, PBM_SETRANGE32, static_cast<WPARAM>(Min(w)), value); }
void SetStep(HWND w, int step) { Send(w, PBM_SETSTEP, static_cast<WPARAM>(step)); }
void MarqueeOn(HWND w, int intervalMs) {
    if (!Obj(w)) return;
    SetWindowLongPtrW(w, GWL_STYLE, GetWindowLongPtrW(w, GWL_STYLE) | PBS_MARQUEE);
    Send(w, PBM_SETMARQUEE, TRUE, intervalMs);
}
void MarqueeOff(HWND w) {
    if (!Obj(w)) return;
    SetWindowLongPtrW(w, GWL_STYLE, GetWindowLongPtrW(w, GWL_STYLE) & ~PBS_MARQUEE);
    Send(w, PBM_SETMARQUEE, FALSE, 0);
}

}  // namespace progress

namespace statusbar {

namespace {

struct PanelState {
    std::wstring text;
    int style;  // as AddPanel takes it: the drawing type (SBT_*) shifted right by 8
    std::wstring tip;
    HICON icon;
};

PanelState ReadPanel(HWND w, int index) {
    // The high word already holds the drawing type in place (SBT_POPOUT is 0x200); WritePanel
    // shifts the style back into place.
    const LRESULT info = Send(w, SB_GETTEXTLENGTHW, static_cast<WPARAM>(index));
    return {PanelText(w, index), HIWORD(info) >> 8, PanelTip(w, index), PanelIcon(w, index)};
}

void WritePanel(HWND w, int index, const PanelState& p) {
    Send(w, SB_SETICON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(p.icon));
    Send(w, SB_SETTEXTW, static_cast<WPARAM>(index) | static_cast<WPARAM>(p.style << 8),
         reinterpret_cast<LPARAM>(p.text.c_str()));
    Send(w, SB_SETTIPTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(p.tip.c_str()));
}

}  // namespace

void LayoutParts(HWND w) {
    ControlObject* o = Obj(w);
    if (!o) return;
    // The bar fits itself to its parent first; the parts then share its new width.
    SendMessageW(w, WM_SIZE, 0, 0);
    RECT client = {};
    GetClientRect(w, &client);
    std::vector<int> edges = StatusBarPartEdges(o->panelWidths, client.right, ScreenFactorX());
    if (edges.empty()) edges.push_back(-1);
    SendMessageW(w, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

int AddPanel(HWND w, const std::wstring& text, const std::wstring& tip, int style, int width, const char* iconName) {
    ControlObject* o = Obj(w);
    if (!o) return 0;
    if (static_cast<int>(o->panelWidths.size()) >= kMaxPanels) return static_cast<int>(o->panelWidths.size());
    o->panelWidths.push_back(width);
    LayoutParts(w);
    const int index = static_cast<int>(o->panelWidths.size()) - 1;
    WritePanel(w, index, {text, style, tip, LoadPanelIcon(iconName)});
    InvalidateRect(w, nullptr, TRUE);
    return index;
}

std::wstring PanelText(HWND w, int index) {
    const LRESULT info = Send(w, SB_GETTEXTLENGTHW, static_cast<WPARAM>(index));
    std::wstring text(static_cast<size_t>(LOWORD(info)) + 1, L'\0');
    Send(w, SB_GETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(info));
    return text;
}
void SetPanelText(HWND w, int index, const std::wstring& text) {
    if (!Obj(w)) return;
    const LRESULT info = Send(w, SB_GETTEXTLENGTHW, static_cast<WPARAM>(index));
    Send(w, SB_SETTEXTW, static_cast<WPARAM>(index) | (HIWORD(info) & 0xFF00), reinterpret_cast<LPARAM>(text.c_str()));
}
HICON PanelIcon(HWND w, int index) { return reinterpret_cast<HICON>(Send(w, SB_GETICON, static_cast<WPARAM>(index))); }
void SetPanelIcon(HWND w, int index, HICON icon) {
    HICON old = PanelIcon(w, index);
    Send(w, SB_SETICON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(icon));
    if (old && old != icon) DestroyIcon(old);
}
std::wstring PanelTip(HWND w, int index) {
    wchar_t tip[1024] = {};
    Send(w, SB_GETTIPTEXTW, MAKEWPARAM(index, 1024), reinterpret_cast<LPARAM>(tip));
    return tip;
}
void SetPanelTip(HWND w, int index, const std::wstring& tip) {
    Send(w, SB_SETTIPTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(tip.c_str()));
}
int PanelCount(HWND w) { return static_cast<int>(Send(w, SB_GETPARTS, 0, 0)); }

void RemovePanel(HWND w, int index) {
    ControlObject* o = Obj(w);
    if (!o || index < 0 || index >= static_cast<int>(o->panelWidths.size())) return;
    std::vector<PanelState> panels;
    for (int i = 0; i < static_cast<int>(o->panelWidths.size()); ++i) panels.push_back(ReadPanel(w, i));
    if (panels[static_cast<size_t>(index)].icon) DestroyIcon(panels[static_cast<size_t>(index)].icon);
    panels.erase(panels.begin() + index);
    o->panelWidths.erase(o->panelWidths.begin() + index);
    LayoutParts(w);
    for (int i = 0; i < static_cast<int>(panels.size()); ++i) WritePanel(w, i, panels[static_cast<size_t>(i)]);
}

void ClearIcons(HWND w) {
    const int count = PanelCount(w);
    for (int i = 0; i < count; ++i) SetPanelIcon(w, i, nullptr);
}
void SetBackColor(HWND w, COLORREF colour) { Send(w, SB_SETBKCOLOR, 0, static_cast<LPARAM>(colour)); }
void SetMinHeight(HWND w, int height) {
    Send(w, SB_SETMINHEIGHT, static_cast<WPARAM>(height));
    Send(w, WM_SIZE);
}

}  // namespace statusbar

namespace tabs {

namespace {

TCITEMW Item(UINT mask) {
    TCITEMW item = {};
    item.mask = mask;
    return item;
}

}  // namespace

int AddTab(HWND w, const std::wstring& caption) {
    TCITEMW item = Item(TCIF_TEXT);
    item.pszText = const_cast<wchar_t*>(caption.c_str());
    return static_cast<int>(Send(w, TCM_INSERTITEMW, static_cast<WPARAM>(Count(w)), reinterpret_cast<LPARAM>(&item)));
}
std::wstring Caption(HWND w, int index) {
    wchar_t text[260] = {};
    TCITEMW item = Item(TCIF_TEXT);
    item.pszText = text;
    item.cchTextMax = 260;
    Send(w, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return text;
}
void SetCaption(HWND w, int index, const std::wstring& caption) {
    TCITEMW item = Item(TCIF_TEXT);
    item.pszText = const_cast<wchar_t*>(caption.c_str());
    Send(w, TCM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}
int Image(HWND w, int index) {
    TCITEMW item = Item(TCIF_IMAGE);
    Send(w, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}
void SetImage(HWND w, int index, int image) {
    TCITEMW item = Item(TCIF_IMAGE);
    item.iImage = image;
    Send(w, TCM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}
LPARAM Data(HWND w, int index) {
    TCITEMW item = Item(TCIF_PARAM);
    Send(w, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}
void SetData(HWND w, int index, LPARAM data) {
    TCITEMW item = Item(TCIF_PARAM);
    item.lParam = data;
    Send(w, TCM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}
void SetPadding(HWND w, int x, int y) {
    Send(w, TCM_SETPADDING, 0, MAKELPARAM(RoundHalfEven(x * static_cast<double>(ScreenFactorX())),
                                          RoundHalfEven(y * static_cast<double>(ScreenFactorY()))));
}
void SetItemSize(HWND w, int width, int height) {
    Send(w, TCM_SETITEMSIZE, 0, MAKELPARAM(RoundHalfEven(width * static_cast<double>(ScreenFactorX())),
                                           RoundHalfEven(height * static_cast<double>(ScreenFactorY()))));
}
int Selection(HWND w) { return Obj(w) ? static_cast<int>(Send(w, TCM_GETCURSEL)) : -1; }
void SetSelection(HWND w, int index) {
    if (!Obj(w)) return;
    if (HWND old = Page(w, Selection(w))) ShowWindow(old, SW_HIDE);
    Send(w, TCM_SETCURSEL, static_cast<WPARAM>(index));
    if (HWND page = Page(w, index)) ShowWindow(page, SW_SHOW);
}
int Focus(HWND w) { return static_cast<int>(Send(w, TCM_GETCURFOCUS)); }
void SetFocusTab(HWND w, int index) { Send(w, TCM_SETCURFOCUS, static_cast<WPARAM>(index)); }
HIMAGELIST ImageList(HWND w) { return reinterpret_cast<HIMAGELIST>(Send(w, TCM_GETIMAGELIST)); }
void SetImageList(HWND w, HIMAGELIST list) { Send(w, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list)); }
int Count(HWND w) { return static_cast<int>(Send(w, TCM_GETITEMCOUNT)); }
HWND Page(HWND w, int index) {
    const ControlObject* o = Obj(w);
    if (!o || index < 0 || index >= static_cast<int>(o->tabPages.size())) return nullptr;
    return o->tabPages[static_cast<size_t>(index)];
}
void SetPage(HWND w, int index, HWND page) {
    ControlObject* o = Obj(w);
    if (!o || index < 0 || index >= Count(w)) return;
    if (o->tabPages.size() <= static_cast<size_t>(index)) o->tabPages.resize(static_cast<size_t>(index) + 1, nullptr);
    o->tabPages[static_cast<size_t>(index)] = page;
}
void DeleteTab(HWND w, int index) {
    ControlObject* o = Obj(w);
    if (!o) return;
    Send(w, TCM_DELETEITEM, static_cast<WPARAM>(index));
    if (index >= 0 && static_cast<size_t>(index) < o->tabPages.size())
        o->tabPages.erase(o->tabPages.begin() + index);
}
void DeleteAll(HWND w) {
    ControlObject* o = Obj(w);
    if (!o) return;
    Send(w, TCM_DELETEALLITEMS);
    o->tabPages.clear();
}
void ResizePages(HWND w) {
    ControlObject* o = Obj(w);
    if (!o) return;
    RECT area = {};
    GetWindowRect(w, &area);
    SendMessageW(w, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&area), 2);
    for (HWND page : o->tabPages)
        if (page)
            SetWindowPos(page, nullptr, area.left, area.top + 1, area.right - area.left, area.bottom - area.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace tabs

}  // namespace qln
