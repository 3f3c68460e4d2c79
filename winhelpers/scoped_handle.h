#pragma once
// Owners of kernel handles: closed when they go out of scope.
#include <windows.h>

#include <utility>

namespace tw {

// A handle closed with CloseHandle. Both null and INVALID_HANDLE_VALUE count
// as empty, since the creating functions differ in which one they return.
class scoped_handle {
public:
    scoped_handle() = default;
    explicit scoped_handle(HANDLE h) : h_(h) {}
    scoped_handle(scoped_handle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    scoped_handle& operator=(scoped_handle&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.h_, nullptr));
        return *this;
    }
    scoped_handle(const scoped_handle&) = delete;
    scoped_handle& operator=(const scoped_handle&) = delete;
    ~scoped_handle() { reset(); }

    bool valid() const { return h_ && h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    // For the functions that return the handle through an out-parameter.
    HANDLE* receive()
    {
        reset();
        return &h_;
    }
    void reset(HANDLE h = nullptr)
    {
        if (valid())
            CloseHandle(h_);
        h_ = h;
    }
    // Closes now and tells whether CloseHandle succeeded.
    bool close()
    {
        bool ok = !valid() || CloseHandle(h_) != FALSE;
        h_ = nullptr;
        return ok;
    }

private:
    HANDLE h_ = nullptr;
};

} // namespace tw
