#pragma once
// An open registry key, closed when it goes out of scope.
#include <windows.h>

#include <utility>

namespace tw {

class scoped_reg_key {
public:
    scoped_reg_key() = default;
    explicit scoped_reg_key(HKEY key) : key_(key) {}
    scoped_reg_key(scoped_reg_key&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    scoped_reg_key& operator=(scoped_reg_key&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.key_, nullptr));
        return *this;
    }
    scoped_reg_key(const scoped_reg_key&) = delete;
    scoped_reg_key& operator=(const scoped_reg_key&) = delete;
    ~scoped_reg_key() { reset(); }

    // RegOpenKeyExW; answers its result and keeps the key on success.
    LONG open(HKEY parent, const wchar_t* subkey, REGSAM access)
    {
        reset();
        return RegOpenKeyExW(parent, subkey, 0, access, &key_);
    }
    // RegCreateKeyExW without class or security attributes.
    LONG create(HKEY parent, const wchar_t* subkey, REGSAM access, DWORD* disposition = nullptr)
    {
        reset();
        return RegCreateKeyExW(parent, subkey, 0, nullptr, 0, access, nullptr, &key_, disposition);
    }

    bool valid() const { return key_ != nullptr; }
    HKEY get() const { return key_; }
    void reset(HKEY key = nullptr)
    {
        if (key_)
            RegCloseKey(key_);
        key_ = key;
    }

private:
    HKEY key_ = nullptr;
};

} // namespace tw
