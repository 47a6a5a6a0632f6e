#include "forms/layout/placement_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace qln {

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Decimal exponents are followed up to this size only: far beyond what a double can hold
// either way, and small enough that sums of two of them cannot overflow.
constexpr long long kExponentLimit = 1'000'000'000'000LL;

template <typename T>
T ClampRounded(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= static_cast<double>(std::numeric_limits<T>::min()))) return std::numeric_limits<T>::min();
    if (rounded >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
    return static_cast<T>(rounded);
}

// Fits one axis; 64-bit so that edges near the ends of the 32-bit range cannot overflow.
void FitAxis(std::int32_t& low, std::int32_t& high, std::int32_t limit) {
    std::int64_t lo = low, hi = high;
    if (hi - lo > limit) {
        lo = 0;
        hi = limit;
    } else {
        if (lo < 0) {
            hi -= lo;
            lo = 0;
        }
        if (hi > limit) {
            lo -= hi - limit;
            hi = limit;
        }
    }
    // Every branch leaves 0 <= lo and hi <= limit, or the original (in-range) edges.
    low = static_cast<std::int32_t>(lo);
    high = static_cast<std::int32_t>(hi);
}

}  // namespace

std::array<PlacementEntry, 7> PlacementEntries(const PlacementState& state) {
    return {{
        {kPlacementKeys[0], std::to_wstring(state.rect.left)},
        {kPlacementKeys[1], std::to_wstring(state.rect.right)},
        {kPlacementKeys[2], std::to_wstring(state.rect.top)},
        {kPlacementKeys[3], std::to_wstring(state.rect.bottom)},
        {kPlacementKeys[4], state.topMost ? L"-1" : L"0"},
        {kPlacementKeys[5], std::to_wstring(state.flags)},
        {kPlacementKeys[6], std::to_wstring(state.showCmd)},
    }};
}

double ReadPlacementNumber(std::wstring_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';

    // The number is copied out as ASCII: from_chars reads it without regard to the locale.
    // Beside it, the decimal exponent of its first significant digit is kept: the value lies
    // in [10^(magnitude − 1), 10^magnitude), which decides over- and underflow.
    std::string number;
    std::size_t digits = 0;
    long long magnitude = 0;
    bool significant = false;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
        number += static_cast<char>(text[i]);
        significant = significant || text[i] != L'0';
        if (significant) magnitude = std::min<long long>(magnitude + 1, kExponentLimit);
    }
    if (i < text.size() && text[i] == L'.') {
        number += '.';
        for (++i; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
            number += static_cast<char>(text[i]);
            if (!significant && text[i] == L'0') magnitude = std::max<long long>(magnitude - 1, -kExponentLimit);
            significant = significant || text[i] != L'0';
        }
    }
    if (digits == 0) return 0.0;
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        bool exponentNegative = false;
        if (j < text.size() && (text[j] == L'+' || text[j] == L'-')) {
            exponentNegative = text[j] == L'-';
            exponent += static_cast<char>(text[j++]);
        }
        if (j < text.size() && IsDigit(text[j])) {
            long long value = 0;
            for (; j < text.size() && IsDigit(text[j]); ++j) {
                exponent += static_cast<char>(text[j]);
                value = std::min<long long>(value * 10 + (text[j] - L'0'), kExponentLimit);
            }
            number += exponent;
            magnitude += exponentNegative ? -value : value;
        }
    }

    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // Too large or too small for a double: only the direction matters for the clamping,
        // and the decimal exponent tells it, however the number was written ("0.000…1" has no
        // exponent at all, "1000…0e-10" a negative one and may still be too large).
        value = significant && magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

std::int32_t ReadPlacementInt(std::wstring_view text) { return ClampRounded<std::int32_t>(ReadPlacementNumber(text)); }

std::uint32_t ReadPlacementUnsigned(std::wstring_view text) {
    return ClampRounded<std::uint32_t>(ReadPlacementNumber(text));
}

LoadedPlacement ApplyPlacementKeys(const PlacementState& current, const PlacementLookup& lookup) {
    LoadedPlacement loaded{current, std::nullopt};
    PlacementState& s = loaded.state;
    std::int32_t* const edges[4] = {&s.rect.left, &s.rect.right, &s.rect.top, &s.rect.bottom};
    for (int k = 0; k < 4; ++k) {
        if (const auto value = lookup(kPlacementKeys[k])) *edges[k] = ReadPlacementInt(*value);
    }
    if (s.rect.right == 0) s.rect.right = kDefaultPlacementRight;
    if (s.rect.bottom == 0) s.rect.bottom = kDefaultPlacementBottom;

    if (const auto value = lookup(kPlacementKeys[4])) {
        loaded.topMost = ReadPlacementNumber(*value) != 0.0;
        s.topMost = *loaded.topMost;
    }
    if (const auto value = lookup(kPlacementKeys[5])) s.flags = ReadPlacementUnsigned(*value);
    if (const auto value = lookup(kPlacementKeys[6])) s.showCmd = ReadPlacementUnsigned(*value);
    return loaded;
}

PlacementRect FitIntoWorkArea(const PlacementRect& rect, std::int32_t workRight, std::int32_t workBottom) {
    PlacementRect fitted = rect;
    FitAxis(fitted.left, fitted.right, workRight);
    FitAxis(fitted.top, fitted.bottom, workBottom);
    return fitted;
}

}  // namespace qln
