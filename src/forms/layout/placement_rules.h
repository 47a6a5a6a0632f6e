// The rules of saved window placements: the INI keys and how their texts are written and read
// back, and the fitting of a restored rectangle into the work area. No Windows here: the
// Win32 side (forms/placement.h) reads and writes the file and the window.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qln {

struct PlacementRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const PlacementRect&) const = default;
};

// What a form keeps between runs: the normal-position rectangle, the placement flags and show
// state as GetWindowPlacement reports them, and whether the window is top-most.
struct PlacementState {
    PlacementRect rect;
    std::uint32_t flags = 0;
    std::uint32_t showCmd = 0;
    bool topMost = false;
};

// Key names, in the order they are written.
inline constexpr std::array<std::wstring_view, 7> kPlacementKeys = {
    L"Left", L"Right", L"Top", L"Bottom", L"TopMost", L"flags", L"showCmd"};

// A zero right or bottom edge means "never saved": the form opens 750 × 450 from its corner.
inline constexpr std::int32_t kDefaultPlacementRight = 750;
inline constexpr std::int32_t kDefaultPlacementBottom = 450;

struct PlacementEntry {
    std::wstring_view key;
    std::wstring value;
};

// The seven key/value texts for a state, in kPlacementKeys order. A top-most window is
// written as -1, others as 0.
std::array<PlacementEntry, 7> PlacementEntries(const PlacementState& state);

// Reads a value the way a saved placement is read back: leading blanks, an optional sign,
// digits with an optional fraction and exponent, rounded to nearest (halves to even); the text
// after the number is ignored and text that does not start with a number reads 0. Results
// beyond the range of the target are clamped to it instead of wrapping.
double ReadPlacementNumber(std::wstring_view text);
std::int32_t ReadPlacementInt(std::wstring_view text);
std::uint32_t ReadPlacementUnsigned(std::wstring_view text);

// Looks a key up in the saved section: no value when the key is absent (or empty).
using PlacementLookup = std::function<std::optional<std::wstring>(std::wstring_view key)>;

struct LoadedPlacement {
    PlacementState state;
    // Set only when the section names the top-most state; the window is then changed at once.
    std::optional<bool> topMost;
};

// Replaces every value of `current` whose key the section holds, then turns a zero right edge
// into 750 and a zero bottom edge into 450 (also when those keys are absent).
LoadedPlacement ApplyPlacementKeys(const PlacementState& current, const PlacementLookup& lookup);

// Fits a rectangle into a work area whose left and top limit is 0 and whose right and bottom
// edges are `workRight` and `workBottom`: a side longer than the work area is cut to it,
// otherwise the rectangle is moved (never resized) so that it lies inside.
PlacementRect FitIntoWorkArea(const PlacementRect& rect, std::int32_t workRight, std::int32_t workBottom);

}  // namespace qln
