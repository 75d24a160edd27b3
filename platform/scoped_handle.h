// Move-only owner of one platform handle (HANDLE, HINTERNET, CURL*, FILE*,
// descriptors...). A Traits type says what the null value is and how the
// handle is closed; ClosedBy states both for a handle closed by one function:
//
//   using ScopedFd = ScopedHandle<ClosedBy<int, &::close, -1>>;
//   using ScopedInternet = ScopedHandle<ClosedBy<HINTERNET, &::InternetCloseHandle>>;
//
// Close() is called exactly once per owned handle, on reset or destruction.
// Results of closing are not reported: clean-up results are never examined.
#pragma once

#include <utility>

namespace plat {

// Traits of a handle that CloseFunction closes and whose null value is
// kInvalid (by default the type's zero: nullptr for a pointer).
template <typename H, auto CloseFunction, H kInvalid = H{}>
struct ClosedBy {
    using Handle = H;
    static Handle Invalid() noexcept { return kInvalid; }
    static void Close(Handle h) noexcept { CloseFunction(h); }
};

template <typename Traits>
class ScopedHandle {
public:
    using Handle = typename Traits::Handle;

    ScopedHandle() noexcept : handle_(Traits::Invalid()) {}
    explicit ScopedHandle(Handle h) noexcept : handle_(h) {}
    ~ScopedHandle() { reset(); }

    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    Handle get() const noexcept { return handle_; }
    bool valid() const noexcept { return handle_ != Traits::Invalid(); }
    explicit operator bool() const noexcept { return valid(); }

    // Gives up ownership without closing.
    Handle release() noexcept { return std::exchange(handle_, Traits::Invalid()); }

    // Closes the owned handle (if any) and takes h.
    void reset(Handle h = Traits::Invalid()) noexcept {
        Handle old = std::exchange(handle_, h);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

private:
    Handle handle_;
};

}  // namespace plat
