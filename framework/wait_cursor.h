#pragma once
// The busy cursor for the lifetime of the object; the previous cursor comes
// back when it goes.
#include <windows.h>

class CWaitCursor {
public:
    CWaitCursor() : m_previous(SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)))) {}
    ~CWaitCursor() { SetCursor(m_previous ? m_previous : LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW))); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_previous;
};
