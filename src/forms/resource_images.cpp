#include "forms/resource_images.h"

namespace qln {

HICON LoadButtonIcon(const char* name) {
    if (!name || !name[0]) return nullptr;
    return static_cast<HICON>(LoadImageA(GetModuleHandleW(nullptr), name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
}

HICON LoadPanelIcon(const char* name) {
    if (!name || !name[0]) return nullptr;
    return static_cast<HICON>(LoadImageA(GetModuleHandleW(nullptr), name, IMAGE_ICON, 0, 0, 0));
}

}  // namespace qln
