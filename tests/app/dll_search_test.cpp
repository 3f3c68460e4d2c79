// After the start-up restriction, a DLL beside the program is no longer found
// by name: only the system folder is searched.
#include "winhelpers/system_library.h"

#include <gtest/gtest.h>

namespace {

TEST(DllSearch, PlantedDllIsNotLoadedOnceRestricted)
{
    // Without the restriction the planted DLL is found beside the program,
    // which proves the fixture is in place.
    HMODULE before = LoadLibraryW(L"tw_planted.dll");
    ASSERT_NE(before, nullptr);
    FreeLibrary(before);

    tw::restrict_dll_search();
    HMODULE after = LoadLibraryW(L"tw_planted.dll");
    EXPECT_EQ(after, nullptr);
    if (after)
        FreeLibrary(after);

    // System DLLs still load, by name and through load_system_library.
    HMODULE version = tw::load_system_library(L"version.dll");
    ASSERT_NE(version, nullptr);
    wchar_t path[MAX_PATH] = {}, system[MAX_PATH] = {};
    GetModuleFileNameW(version, path, MAX_PATH);
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(_wcsnicmp(path, system, wcslen(system)), 0);
    FreeLibrary(version);
}

} // namespace
