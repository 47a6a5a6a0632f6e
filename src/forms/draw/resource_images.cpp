#include "forms/draw/resource_images.h"

// GDI+ needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>
#include <gdiplus.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "forms/engine/control_object.h"

namespace qln {

namespace {

namespace gp = Gdiplus::DllExports;

bool StartsWith(std::string_view name, std::string_view prefix) { return name.substr(0, prefix.size()) == prefix; }

bool IsIconGroupName(std::string_view name) { return StartsWith(name, "ICON_") || name == "AAAAA_APPICON"; }
bool IsBitmapName(std::string_view name) { return StartsWith(name, "BITMAP_"); }

// A bitmap that serves as its own mask: where it is black the icon is clear.
HICON IconFromBitmap(HINSTANCE instance, const char* name) {
    auto bitmap = static_cast<HBITMAP>(LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    if (!bitmap) return nullptr;
    ICONINFO info = {TRUE, 0, 0, bitmap, bitmap};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(bitmap);
    return icon;
}

// The edge of the first image listed in an icon group; 0 when the group is missing.
int FirstImageSize(HINSTANCE instance, const char* name) {
    HRSRC info = FindResourceA(instance, name, reinterpret_cast<LPCSTR>(RT_GROUP_ICON));
    if (!info) return 0;
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(instance, info)));
    constexpr DWORD kHeader = 6, kEntry = 14;
    if (!bytes || SizeofResource(instance, info) < kHeader + kEntry) return 0;
    const int width = bytes[kHeader];
    return width == 0 ? 256 : width;
}

HICON IconGroupAtOwnSize(HINSTANCE instance, const char* name) {
    const int size = FirstImageSize(instance, name);
    if (size == 0) return nullptr;
    return static_cast<HICON>(LoadImageA(instance, name, IMAGE_ICON, size, size, 0));
}

// GDI+ for the length of one decoding; the process may run its own session besides.
class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;  // version 1
        started_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (started_) Gdiplus::GdiplusShutdown(token_);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool Started() const { return started_; }

private:
    ULONG_PTR token_ = 0;
    bool started_ = false;
};

// "#n" is the numeric resource n (read as a decimal number, rounded); null when n cannot be
// a resource id.
LPCSTR RawDataName(const char* name, bool& valid) {
    valid = true;
    if (name[0] != '#') return name;
    const double number = std::nearbyint(std::strtod(name + 1, nullptr));
    valid = number >= 1 && number <= 0xFFFF;
    return valid ? MAKEINTRESOURCEA(static_cast<WORD>(number)) : nullptr;
}

HICON DecodeIcon(IStream* stream) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gp::GdipCreateBitmapFromStream(stream, &bitmap) != Gdiplus::Ok || !bitmap) return nullptr;
    UINT width = 0, height = 0;
    gp::GdipGetImageWidth(bitmap, &width);
    gp::GdipGetImageHeight(bitmap, &height);
    HICON icon = nullptr;
    if (width == 0 || height == 0 || gp::GdipCreateHICONFromBitmap(bitmap, &icon) != Gdiplus::Ok) icon = nullptr;
    gp::GdipDisposeImage(bitmap);
    return icon;
}

}  // namespace

// The resources travel in the executable itself, never in a DLL of ours.
HINSTANCE ProgramInstance() { return GetModuleHandleW(nullptr); }

HICON LoadEncodedImageIcon(HINSTANCE instance, const char* name) {
    if (!name || !name[0]) return nullptr;
    GdiplusSession session;
    if (!session.Started()) return nullptr;
    bool valid = false;
    LPCSTR resourceName = RawDataName(name, valid);
    if (!valid) return nullptr;
    HRSRC info = FindResourceA(instance, resourceName, reinterpret_cast<LPCSTR>(RT_RCDATA));
    const DWORD size = info ? SizeofResource(instance, info) : 0;
    const void* bytes = size ? LockResource(LoadResource(instance, info)) : nullptr;
    if (!bytes) return nullptr;

    // The stream reads from a block of our own: resource memory is not a global handle.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return nullptr;
    HICON icon = nullptr;
    if (void* target = GlobalLock(block)) {
        std::memcpy(target, bytes, size);
        GlobalUnlock(block);
        IStream* stream = nullptr;
        if (SUCCEEDED(CreateStreamOnHGlobal(block, FALSE, &stream)) && stream) {
            icon = DecodeIcon(stream);
            stream->Release();
        }
    }
    GlobalFree(block);
    return icon;
}

HICON LoadResourceIcon(HINSTANCE instance, const char* name) {
    if (!name || !name[0]) return nullptr;
    if (IsBitmapName(name)) return IconFromBitmap(instance, name);
    if (IsIconGroupName(name)) return LoadIconA(instance, name);
    return LoadEncodedImageIcon(instance, name);
}

HICON LoadNamedIcon(const char* name) {
    if (!name) return nullptr;
    if (const char* bar = std::strchr(name, '|')) name = bar + 1;
    if (!name[0]) return nullptr;
    HINSTANCE instance = ProgramInstance();
    if (IsBitmapName(name)) return IconFromBitmap(instance, name);
    if (IsIconGroupName(name)) return IconGroupAtOwnSize(instance, name);
    return LoadEncodedImageIcon(instance, name);
}

HICON LoadButtonIcon(const char* name) {
    if (!name || !name[0]) return nullptr;
    HINSTANCE instance = ProgramInstance();
    if (!IsIconGroupName(name)) return LoadEncodedImageIcon(instance, name);
    return static_cast<HICON>(LoadImageA(instance, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
}

HICON LoadPanelIcon(const char* name) {
    if (!name || !name[0]) return nullptr;
    HINSTANCE instance = ProgramInstance();
    if (IsBitmapName(name)) return IconFromBitmap(instance, name);
    if (IsIconGroupName(name)) return IconGroupAtOwnSize(instance, name);
    return LoadEncodedImageIcon(instance, name);
}

void SetButtonImage(HWND button, const char* name) {
    ControlObject* object = GetControlObject(button);
    if (!object) return;
    HICON icon = LoadButtonIcon(name);
    const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    const bool alone = icon && GetWindowTextLengthW(button) == 0;
    SetWindowLongPtrW(button, GWL_STYLE, alone ? (style | BS_ICON) : (style & ~BS_ICON));
    SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
    // The button only borrows its image: the object keeps it, the one before can go now.
    if (object->bigIcon && object->bigIcon != icon) DestroyIcon(object->bigIcon);
    object->bigIcon = icon;
    InvalidateRect(button, nullptr, TRUE);
}

}  // namespace qln
