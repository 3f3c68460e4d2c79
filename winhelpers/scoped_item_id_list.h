#pragma once
// An item-identifier list of the shell, freed with CoTaskMemFree when it goes
// out of scope.
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

} // namespace tw
