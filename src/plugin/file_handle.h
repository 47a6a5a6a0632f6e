// Kernel handles on the owning holder. A file's holder is empty at INVALID_HANDLE_VALUE, which
// is what CreateFileW answers on failure; events, processes and threads answer null, the
// holder's usual empty value.
#pragma once

#include <windows.h>

#include "base/owned.h"

namespace qln {

namespace handle_detail {
inline void CloseKernelHandle(HANDLE handle) { CloseHandle(handle); }
struct InvalidHandleValue {
    static HANDLE value() { return INVALID_HANDLE_VALUE; }
};
}  // namespace handle_detail

using FileHandle = Owned<HANDLE, handle_detail::CloseKernelHandle, handle_detail::InvalidHandleValue>;
using KernelHandle = Owned<HANDLE, handle_detail::CloseKernelHandle>;

}  // namespace qln
