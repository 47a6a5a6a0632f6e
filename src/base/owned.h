// The one owning holder for every handle the program creates and releases: fonts, brushes, DCs,
// GDI+ objects, registry keys, WinInet and file handles, archives. `Free` runs when the holder
// is given another handle or goes away. It cannot be copied (two owners would free twice) and
// can be moved (a function may hand what it made to its caller). No Windows header: the free
// functions come from the folder that uses them.
#pragma once

#include <utility>

namespace qln {

// Most creation functions answer null on failure, so null is what an empty holder holds.
template <typename T>
struct NullIsEmpty {
    static constexpr T value() { return T{}; }
};

// `Empty::value()` is the handle that is no handle. A type rather than a value, because some
// such handles (INVALID_HANDLE_VALUE, a pointer made from -1) cannot be template arguments.
template <typename T, auto Free, typename Empty = NullIsEmpty<T>>
class Owned {
public:
    Owned() = default;
    explicit Owned(T handle) : handle_(handle) {}
    ~Owned() { reset(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : handle_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    T get() const { return handle_; }
    explicit operator bool() const { return handle_ != Empty::value(); }
    void reset(T handle = Empty::value()) {
        if (handle_ != Empty::value()) Free(handle_);
        handle_ = handle;
    }
    // Gives the handle up without freeing it.
    T release() { return std::exchange(handle_, Empty::value()); }
    // For creation functions that answer through a pointer; the old handle is released first.
    T* receive() {
        reset();
        return &handle_;
    }

private:
    T handle_ = Empty::value();
};

}  // namespace qln
