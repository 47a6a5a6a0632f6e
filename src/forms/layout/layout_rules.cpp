#include "forms/layout/layout_rules.h"

#include <algorithm>
#include <cmath>

namespace qln {

int RoundHalfEven(double value) {
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff > 0.5) return static_cast<int>(floor) + 1;
    if (diff < 0.5) return static_cast<int>(floor);
    const int lower = static_cast<int>(floor);
    return (lower % 2 == 0) ? lower : lower + 1;
}

int ScaleFloor(int n, float factor) { return static_cast<int>(std::floor(static_cast<double>(n) * factor)); }

int UnscaleFloor(int n, float factor) {
    if (factor == 0.0f) return n;
    return static_cast<int>(std::floor(static_cast<double>(n) / static_cast<double>(factor)));
}

DeviceBox FrameCaptionDeviceBox(int x, int y, int width, int height, int corner, int border, float factorX,
                                float factorY) {
    const int left = x + corner + border + 1;
    return {RoundHalfEven(static_cast<double>(left) * factorX), RoundHalfEven(static_cast<double>(y) * factorY),
            RoundHalfEven(static_cast<double>(left + width - 20) * factorX),
            RoundHalfEven(static_cast<double>(y + height) * factorY)};
}

LogicalRect ComputeAnchorRect(const AnchorData& a, int W, int H, int w, int h) {
    auto max0 = [](int v) { return std::max(v, 0); };
    const int right = W - w - a.anchorRight;
    const int bottom = H - h - a.anchorBottom;
    const int centreX = W / 2 + a.anchorCenterX;
    const int centreY = H / 2 + a.anchorCenterY;
    const int stretchW = max0(W - a.designLeft - a.anchorRight);
    const int stretchH = max0(H - a.designTop - a.anchorBottom);
    switch (a.anchor) {
    case 0: return {a.designLeft, a.designTop, w, h};
    case 1: return {a.designLeft, a.designTop, stretchW, h};
    case 2: return {right, a.designTop, w, h};
    case 3: return {centreX, a.designTop, w, h};
    case 4: return {a.designLeft, a.designTop, w, stretchH};
    case 5: return {a.designLeft, a.designTop, stretchW, stretchH};
    case 6: return {right, a.designTop, w, stretchH};
    case 7: return {a.designLeft, bottom, w, h};
    case 8: return {a.designLeft, bottom, stretchW, h};
    case 9: return {right, bottom, w, h};
    case 10: return {centreX, bottom, w, h};
    case 11: return {a.designLeft, centreY, w, h};
    case 12: return {right, centreY, w, h};
    case 13: return {centreX, centreY, w, h};
    default: return {0, 0, 0, 0};
    }
}

std::vector<int> StatusBarPartEdges(const std::vector<std::int32_t>& widths, int clientWidth, float factor) {
    std::vector<int> edges;
    edges.reserve(widths.size());
    int right = 0;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        if (widths[i] > 0) {
            right += RoundHalfEven(static_cast<double>(widths[i]) * factor);
        } else {
            const double left = static_cast<double>(widths.size() - i);
            right += RoundHalfEven((clientWidth - right) / left);
        }
        edges.push_back(right);
    }
    return edges;
}

}  // namespace qln
