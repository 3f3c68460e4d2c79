#include "payload/resource_stream.h"

#include "app/language.h"

namespace tw {

imemstream open_resource_stream(HMODULE module, WORD type, WORD name)
{
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(name), MAKEINTRESOURCEW(type));
    if (!found) {
        HMODULE exe = GetModuleHandleW(nullptr);
        if (exe == module)
            return {};
        module = exe;
        found = FindResourceW(module, MAKEINTRESOURCEW(name), MAKEINTRESOURCEW(type));
        if (!found)
            return {};
    }
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded)
        return {};
    DWORD size = SizeofResource(module, found);
    if (size == 0)
        return {};
    const void* data = LockResource(loaded);
    if (!data)
        return {};
    return imemstream(static_cast<const char*>(data), size);
}

imemstream open_resource_stream(WORD type, WORD name)
{
    return open_resource_stream(resource_module(), type, name);
}

} // namespace tw
