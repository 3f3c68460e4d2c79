#pragma once
// How the helper layer raises a failed Windows call internally: as an HRESULT,
// caught again by its public operations, which answer true or false.
#include <windows.h>

#include <exception>

namespace tw {

class hresult_error : public std::exception {
public:
    explicit hresult_error(HRESULT code) : code_(code) {}
    HRESULT code() const { return code_; }
    const char* what() const noexcept override { return "Windows call failed"; }

private:
    HRESULT code_;
};

// A Win32 error v as 0x80070000 | (v & 0xFFFF); 0 and values that are
// negative as signed numbers pass unchanged.
constexpr HRESULT hresult_from_win32_error(DWORD error)
{
    return static_cast<LONG>(error) <= 0 ? static_cast<HRESULT>(error)
                                         : static_cast<HRESULT>(0x80070000u | (error & 0xFFFFu));
}

[[noreturn]] inline void raise_hresult(HRESULT code)
{
    throw hresult_error(code);
}

[[noreturn]] inline void raise_last_error()
{
    throw hresult_error(hresult_from_win32_error(GetLastError()));
}

} // namespace tw
