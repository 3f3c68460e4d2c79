// Test programs of the helper layer take the folder of the fixture programs
// (a Unix path, reached through Wine's Z: drive) and, for the detection, the
// built installer.
#include "tests/winhelpers/test_paths.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {
std::wstring g_fixtures;
std::wstring g_installer;

std::wstring windows_path(std::string path)
{
    for (char& c : path)
        if (c == '/')
            c = '\\';
    std::wstring wide(path.begin(), path.end());
    return path.size() > 1 && path[1] == ':' ? wide : L"Z:" + wide;
}
} // namespace

std::wstring fixture_program(const wchar_t* name)
{
    return g_fixtures + L"\\" + name + L".exe";
}

std::wstring built_installer()
{
    return g_installer;
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FIXTURE_FOLDER [INSTALLER]\n", argv[0]);
        return 2;
    }
    g_fixtures = windows_path(argv[1]);
    if (argc > 2)
        g_installer = windows_path(argv[2]);
    return RUN_ALL_TESTS();
}
