// Splitting the executable's path into folder and file name, and the fixed-size text fields of
// the application information. No Windows here.
#pragma once

#include <cstddef>
#include <string_view>

namespace qln {

struct ExePathParts {
    std::wstring_view folder;  // up to and including the last ':', '/' or '\'; empty if none
    std::wstring_view name;    // everything after it
};

ExePathParts SplitExePath(std::wstring_view path);

// Copies text into a fixed field of `capacity` units, cutting it to capacity - 1 units and
// always terminating it. A zero capacity writes nothing.
void CopyToFixedField(wchar_t* field, std::size_t capacity, std::wstring_view text);

template <std::size_t N>
void CopyToFixedField(wchar_t (&field)[N], std::wstring_view text) {
    CopyToFixedField(field, N, text);
}

}  // namespace qln
