// Icons made from the program's named resources (this test program carries the same
// resources as the installer), and buttons given pictures by name. GDI+ is deliberately not
// started here: the decoding must start it itself. Runs at 96 and 144 DPI.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>

#include "forms/controls/controls_lists.h"
#include "forms/controls/controls_window.h"
#include "forms/draw/resource_images.h"
#include "forms/engine/control_object.h"

namespace qln {
namespace {

struct IconSize {
    int width = 0, height = 0;
    bool operator==(const IconSize&) const = default;
};
void PrintTo(const IconSize& s, std::ostream* os) { *os << s.width << " x " << s.height; }

IconSize SizeOf(HICON icon) {
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info)) return {};
    BITMAP bitmap = {};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    const IconSize size{bitmap.bmWidth, info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2};
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return size;
}

IconSize SystemIconSize() { return {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)}; }

// The icon's colour pixels as 0xAARRGGBB, top row first.
std::vector<std::uint32_t> ArgbPixels(HICON icon, IconSize size) {
    std::vector<std::uint32_t> pixels(static_cast<size_t>(size.width * size.height));
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) return {};
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), size.width, -size.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, info.hbmColor, 0, static_cast<UINT>(size.height), pixels.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return pixels;
}

class ResourceIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* wanted = std::getenv("QLN_DPI")) dpi = std::atoi(wanted);
    }
    HINSTANCE instance = GetModuleHandleW(nullptr);
    int dpi = 96;
};

TEST_F(ResourceIconTest, IconGroupsComeAtTheSizeEachUseAsks) {
    // Button group items: the system icon size, made from the 72-pixel image.
    HICON help = LoadResourceIcon(instance, "ICON_HELP");
    EXPECT_EQ(SizeOf(help), SystemIconSize());
    if (dpi == 96) {
        EXPECT_EQ(SizeOf(help), (IconSize{32, 32}));
    }
    // Named icons and status bar panels: the first image's own size.
    EXPECT_EQ(SizeOf(LoadNamedIcon("ICON_HELP")), (IconSize{72, 72}));
    EXPECT_EQ(SizeOf(LoadNamedIcon("帮助|ICON_HELP")), (IconSize{72, 72}));
    EXPECT_EQ(SizeOf(LoadPanelIcon("AAAAA_APPICON")), (IconSize{128, 128}));
    // Buttons: the system's default icon size.
    EXPECT_EQ(SizeOf(LoadButtonIcon("ICON_SKETCHUP")), SystemIconSize());

    for (const char* none : {"", "帮助|", "BITMAP_NONE", "ICON_NONE", "NO_SUCH_IMAGE", "#0", "#abc", "#102", "#70000"})
        EXPECT_EQ(LoadResourceIcon(instance, none), nullptr) << none;
    EXPECT_EQ(LoadPanelIcon(""), nullptr);
}

TEST_F(ResourceIconTest, EncodedImagesKeepTheirOwnSizeAndAlpha) {
    for (const char* name : {"#101", "IMAGE_MARK", "#100.6"}) {
        HICON icon = LoadResourceIcon(instance, name);
        ASSERT_NE(icon, nullptr) << name;
        const IconSize size = SizeOf(icon);
        ASSERT_EQ(size, (IconSize{40, 24})) << name;
        const auto pixels = ArgbPixels(icon, size);
        ASSERT_EQ(pixels.size(), 40u * 24u);
        auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y * 40 + x)]; };
        EXPECT_EQ(at(0, 0) >> 24, 0u) << name;            // clear corner
        EXPECT_EQ(at(12, 12), 0xFF145ABEu) << name;        // opaque dot (20, 90, 190)
        EXPECT_NEAR(static_cast<int>(at(32, 12) >> 24), 128, 2) << name;  // half-clear pill
        DestroyIcon(icon);
    }
    EXPECT_EQ(SizeOf(LoadNamedIcon("标记|#101")), (IconSize{40, 24}));
    EXPECT_EQ(SizeOf(LoadPanelIcon("IMAGE_MARK")), (IconSize{40, 24}));
}

class ButtonImageTest : public ResourceIconTest {
protected:
    void SetUp() override {
        ResourceIconTest::SetUp();
        host = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, instance, nullptr);
        ASSERT_NE(host, nullptr);
        button = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 50, 50, host,
                                 nullptr, instance, nullptr);
        ASSERT_NE(button, nullptr);
        AttachControlObject(button, ControlKindTag::Window, L"Command1", 109);
    }
    void TearDown() override {
        FreeControlObject(GetControlObject(button));
        RemovePropW(button, kControlPtrProp);
        DestroyWindow(host);
    }
    bool IconStyle() const { return (GetWindowLongPtrW(button, GWL_STYLE) & BS_ICON) != 0; }
    HICON Image() const { return reinterpret_cast<HICON>(SendMessageW(button, BM_GETIMAGE, IMAGE_ICON, 0)); }

    HWND host = nullptr;
    HWND button = nullptr;
};

TEST_F(ButtonImageTest, IconAloneWithoutCaptionBesideItWithOneAndRemovedByAnEmptyName) {
    button::SetImage(button, "AAAAA_APPICON");
    EXPECT_TRUE(IconStyle());
    HICON first = Image();
    EXPECT_EQ(SizeOf(first), SystemIconSize());

    SetWindowTextW(button, L"下载");
    button::SetImage(button, "#101");
    EXPECT_FALSE(IconStyle());
    EXPECT_EQ(SizeOf(Image()), (IconSize{40, 24}));
    // The button only borrowed the first picture; it is gone with its replacement.
    ICONINFO info = {};
    EXPECT_FALSE(GetIconInfo(first, &info));

    SetWindowTextW(button, L"");
    button::SetImage(button, "ICON_SKETCHUP");
    EXPECT_TRUE(IconStyle());
    button::SetImage(button, "");
    EXPECT_FALSE(IconStyle());
    EXPECT_EQ(Image(), nullptr);

    // Names that give no icon also take the picture away; "BITMAP_" means nothing to buttons.
    button::SetImage(button, "ICON_SKETCHUP");
    button::SetImage(button, "BITMAP_NONE");
    EXPECT_FALSE(IconStyle());
    EXPECT_EQ(Image(), nullptr);
}

}  // namespace
}  // namespace qln
