#pragma once
// Owners for the shell's resources: item-identifier lists freed with
// CoTaskMemFree, and one COM initialisation of the calling thread.
#include "winhelpers/scoped_resource.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

namespace tw {

struct item_id_list_traits {
    using value_type = PIDLIST_ABSOLUTE;
    static value_type empty() { return nullptr; }
    static bool is_empty(value_type list) { return list == nullptr; }
    static void release(value_type list) noexcept { CoTaskMemFree(list); }
};
using scoped_item_id_list = scoped_resource<item_id_list_traits>;

// Holds true while the thread owes COM one CoUninitialize.
struct com_initialization_traits {
    using value_type = bool;
    static value_type empty() { return false; }
    static bool is_empty(value_type initialized) { return !initialized; }
    static void release(value_type) noexcept { CoUninitialize(); }
};
using scoped_com_initialization = scoped_resource<com_initialization_traits>;

// CoInitialize for the calling thread; on success (S_OK or S_FALSE) `owner`
// holds the initialisation. The CoInitialize result.
inline HRESULT initialize_com(scoped_com_initialization& owner)
{
    HRESULT hr = CoInitialize(nullptr);
    if (SUCCEEDED(hr))
        owner.reset(true);
    return hr;
}

} // namespace tw
