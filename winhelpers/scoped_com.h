#pragma once
// Owners for COM: the apartment initialisation of the calling thread and
// interface pointers, released when they go out of scope.
#include <objbase.h>

#include <utility>

namespace tw {

// CoInitialize for the object's lifetime. S_FALSE (already initialised in a
// compatible model) counts as success and is balanced like S_OK; a failure
// such as RPC_E_CHANGED_MODE is not balanced.
class scoped_com_initializer {
public:
    scoped_com_initializer() : result_(CoInitialize(nullptr)) {}
    ~scoped_com_initializer()
    {
        if (succeeded())
            CoUninitialize();
    }
    scoped_com_initializer(const scoped_com_initializer&) = delete;
    scoped_com_initializer& operator=(const scoped_com_initializer&) = delete;

    bool succeeded() const { return result_ == S_OK || result_ == S_FALSE; }
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

// One reference to an interface, released with the holder.
template <typename Interface>
class com_ptr {
public:
    com_ptr() = default;
    com_ptr(com_ptr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    com_ptr& operator=(com_ptr&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.p_, nullptr));
        return *this;
    }
    com_ptr(const com_ptr&) = delete;
    com_ptr& operator=(const com_ptr&) = delete;
    ~com_ptr() { reset(); }

    Interface* get() const { return p_; }
    Interface* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For the functions that hand out a new reference through void**.
    void** receive()
    {
        reset();
        return reinterpret_cast<void**>(&p_);
    }
    void reset(Interface* p = nullptr)
    {
        if (p_)
            p_->Release();
        p_ = p;
    }

    // QueryInterface into another holder; the HRESULT of the call.
    template <typename Other>
    HRESULT query(com_ptr<Other>& out) const
    {
        return p_ ? p_->QueryInterface(__uuidof(Other), out.receive()) : E_POINTER;
    }

private:
    Interface* p_ = nullptr;
};

} // namespace tw
