#include "app/exe_path.h"

namespace qln {

ExePathParts SplitExePath(std::wstring_view path) {
    const std::size_t sep = path.find_last_of(L":/\\");
    if (sep == std::wstring_view::npos) return {std::wstring_view{}, path};
    return {path.substr(0, sep + 1), path.substr(sep + 1)};
}

void CopyToFixedField(wchar_t* field, std::size_t capacity, std::wstring_view text) {
    if (capacity == 0) return;
    const std::size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    text.copy(field, n);
    field[n] = L'\0';
}

}  // namespace qln
