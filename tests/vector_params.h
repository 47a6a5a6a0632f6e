// Writing vector-icon parameters in tests: two letters for a value in -1000..2079, single
// characters for 0..16. Shared by the native and the Wine tests.
#pragma once

#include <initializer_list>
#include <string>

namespace qln::test {

inline std::wstring L2(int v) {
    const int n = v + 1000;
    return {static_cast<wchar_t>(L'A' + n / 55), static_cast<wchar_t>(L'A' + n % 55)};
}

inline std::wstring Params(std::initializer_list<int> values) {
    std::wstring s;
    for (int v : values) s += v >= 0 && v <= 16 ? std::wstring(1, static_cast<wchar_t>(L'0' + v)) : L2(v);
    return s;
}

}  // namespace qln::test
