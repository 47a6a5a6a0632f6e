// libFuzzer target over the placement number reader (saved placements are read back
// as numbers, rounded, clamped to the target's range). The first byte chooses how the rest is
// read:
//   even: every byte is one character of the alphabet " \t+-.eE0123456789" (byte mod 17), so
//         that nearly every input is a number, and the result must equal the C library's
//         strtod of the same text, which reads the same syntax (0 when it underflows, infinity
//         when it overflows);
//   odd:  the bytes as UTF-16 units, any characters at all: the result is never NaN, and the
//         integer readers stay in their ranges and agree with the number they round.
// A fault aborts; libFuzzer keeps the input.
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "forms/layout/placement_rules.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

// What the integer readers must give for a number: rounded halves to even, clamped.
template <typename T>
T Clamped(double value) {
    const double rounded = std::nearbyint(value);
    if (std::isnan(rounded) || rounded <= static_cast<double>(std::numeric_limits<T>::min()))
        return std::numeric_limits<T>::min();
    if (rounded >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
    return static_cast<T>(rounded);
}

// The C library's reading of the same text. Its syntax for these characters is ours: blanks,
// a sign, digits with a fraction, an exponent only when digits follow it.
double Reference(const std::string& text) {
    errno = 0;
    return std::strtod(text.c_str(), nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool numeric = (data[0] & 1) == 0;
    std::wstring text;
    std::string ascii;
    if (numeric) {
        static const char kAlphabet[] = " \t+-.eE0123456789";
        for (std::size_t i = 1; i < size; ++i) {
            const char c = kAlphabet[data[i] % 17];
            ascii += c;
            text += static_cast<wchar_t>(c);
        }
    } else {
        for (std::size_t i = 1; i + 1 < size; i += 2) text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    }

    const double value = qln::ReadPlacementNumber(text);
    Require(!std::isnan(value));
    if (numeric) {
        const double expected = Reference(ascii);
        Require(value == expected);
    }
    Require(qln::ReadPlacementInt(text) == Clamped<std::int32_t>(value));
    Require(qln::ReadPlacementUnsigned(text) == Clamped<std::uint32_t>(value));
    return 0;
}
