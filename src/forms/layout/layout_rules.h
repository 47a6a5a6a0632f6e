// Layout arithmetic of the form framework: logical pixels (96 per inch) to device pixels and
// back, the anchor rule table, and the status bar's part edges. No Windows here.
#pragma once

#include <cstdint>
#include <vector>

namespace qln {

// Logical pixels are pixels at 96 DPI: every scale factor is a DPI divided by this.
inline constexpr int kLogicalDpi = 96;

// The one way a DPI (a screen's LOGPIXELSX/Y, a form's Dpi, a paint's device) becomes a scale factor.
inline float DpiScale(int dpi) { return static_cast<float>(dpi / static_cast<double>(kLogicalDpi)); }

// The rounding rule of the framework: round(logical × factor) with halves to even (358.5 → 358, 359.5 → 360), as the form engine
// scales every rectangle of a form description.
int RoundHalfEven(double value);
inline int ScaleRounded(int logical, float factor) { return RoundHalfEven(static_cast<double>(logical) * factor); }

// The one prescribed exception to halves to even: the process-wide integer conversions and the
// windowless controls' design rectangles round down, floor(n × factor) and floor(n / factor).
int ScaleFloor(int n, float factor);
int UnscaleFloor(int n, float factor);

struct AnchorData {
    std::int32_t designLeft = 0, designTop = 0, designWidth = 0, designHeight = 0;
    std::int32_t anchor = 0, anchorRight = 0, anchorBottom = 0, anchorCenterX = 0, anchorCenterY = 0;
};

struct LogicalRect {
    int x, y, width, height;
    bool operator==(const LogicalRect&) const = default;
};

// Where an anchored control goes in a client area of W × H logical pixels, given its current
// logical size w × h. Kinds outside 0–13 give an empty rectangle at the origin.
LogicalRect ComputeAnchorRect(const AnchorData& a, int clientW, int clientH, int w, int h);

// Where a windowless frame measures its caption, in device pixels: (x + corner + border + 1, y,
// width − 20, height) in logical pixels, each edge scaled and rounded halves to even.
struct DeviceBox {
    int left, top, right, bottom;
    bool operator==(const DeviceBox&) const = default;
};
DeviceBox FrameCaptionDeviceBox(int x, int y, int width, int height, int corner, int border, float factorX,
                                float factorY);

// Right edges of the status bar parts: a positive logical width is scaled and rounded; a width
// of 0 or less shares the client width not yet used equally with the automatic panels left.
std::vector<int> StatusBarPartEdges(const std::vector<std::int32_t>& logicalWidths, int clientWidth, float factor);

}  // namespace qln
