// After the start-up restriction, a DLL beside the program is no longer found
// by name: only the system folder is searched.
#include "winhelpers/system_library.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DllSearch, PlantedDllIsNotLoadedOnceRestricted)
{
    // Without the restriction the planted DLL is found beside the program,
    // and leaves its marker, which proves the fixture is in place.
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring marker = std::wstring(program, wcsrchr(program, L'\\') + 1) + L"tw_planted.dll.loaded";
    DeleteFileW(marker.c_str());
    HMODULE before = LoadLibraryW(L"tw_planted.dll");
    ASSERT_NE(before, nullptr);
    FreeLibrary(before);
    EXPECT_TRUE(DeleteFileW(marker.c_str())) << "the planted DLL left no marker";

    // load_system_library looks in the system folder alone, restricted or not:
    // a name it does not hold is not searched for beside the program.
    EXPECT_EQ(tw::load_system_library(L"tw_planted.dll"), nullptr);

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

// The delay-load helper's hook loads through load_system_library on the
// notification before a load, and leaves every other notification alone.
TEST(DllSearch, DelayLoadHookLoadsFromTheSystemFolderOnly)
{
    struct Case {
        unsigned notification;
        const char* dll;
        bool loads;
    };
    const Case cases[] = {
        {dliNotePreLoadLibrary, "version.dll", true},
        {dliNotePreLoadLibrary, "tw_planted.dll", false},  // beside the program, not in the system folder
        {dliStartProcessing, "version.dll", false},
        {dliNotePreGetProcAddress, "version.dll", false},
    };
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.dll) + " notification " + std::to_string(c.notification));
        DelayLoadInfo info = {};
        info.cb = sizeof(info);
        info.szDll = c.dll;
        auto module = reinterpret_cast<HMODULE>(tw::bind_delay_loaded_dll(c.notification, &info));
        EXPECT_EQ(module != nullptr, c.loads);
        if (!module)
            continue;
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(module, path, MAX_PATH);
        EXPECT_EQ(_wcsnicmp(path, system, wcslen(system)), 0);
        FreeLibrary(module);
    }
}

} // namespace
