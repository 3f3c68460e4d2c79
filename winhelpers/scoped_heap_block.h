#pragma once
// A zero-filled block of the process heap, freed when it goes out of scope.
#include "winhelpers/hresult_error.h"

#include <windows.h>

#include <utility>

namespace tw {

class scoped_heap_block {
public:
    scoped_heap_block() = default;
    // Raises E_OUTOFMEMORY when the block cannot be allocated.
    explicit scoped_heap_block(size_t size)
        : p_(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size ? size : 1)), size_(size)
    {
        if (!p_)
            raise_hresult(E_OUTOFMEMORY);
    }
    scoped_heap_block(scoped_heap_block&& other) noexcept
        : p_(std::exchange(other.p_, nullptr)), size_(std::exchange(other.size_, 0))
    {
    }
    scoped_heap_block& operator=(scoped_heap_block&& other) noexcept
    {
        if (this != &other) {
            free();
            p_ = std::exchange(other.p_, nullptr);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    scoped_heap_block(const scoped_heap_block&) = delete;
    scoped_heap_block& operator=(const scoped_heap_block&) = delete;
    ~scoped_heap_block() { free(); }

    void* get() const { return p_; }
    template <typename T> T* as() const { return static_cast<T*>(p_); }
    size_t size() const { return size_; }

private:
    void free()
    {
        if (p_)
            HeapFree(GetProcessHeap(), 0, p_);
        p_ = nullptr;
    }

    void* p_ = nullptr;
    size_t size_ = 0;
};

} // namespace tw
