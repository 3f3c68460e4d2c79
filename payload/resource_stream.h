#pragma once
// The payload resource as a stream, read in place from the mapped module.
#include "payload/memstream.h"
#include "resources/resource_ids.h"

#include <windows.h>

namespace tw {

constexpr WORD payload_resource_type = RT_TW_PAYLOAD;
constexpr WORD payload_resource_name = IDR_PAYLOAD;

// A stream over the resource's bytes, looked up in the module that holds the
// localized resources, else in the executable. Empty when the resource cannot
// be found or loaded.
imemstream open_resource_stream(WORD type, WORD name);
imemstream open_resource_stream(HMODULE module, WORD type, WORD name);

} // namespace tw
