// Version resources of fixture programs built by the project.
#include "winhelpers/version_info.h"

#include "tests/winhelpers/test_paths.h"

#include <gtest/gtest.h>

namespace {

using info = tw::file_version_info;

struct VersionCase {
    const char* name;
    const wchar_t* program;
    uint32_t request;
    bool answer;
    uint64_t fileVersion;
    uint32_t fileFlags;
    std::wstring title;
    std::wstring productVersion;
};

void PrintTo(const VersionCase& c, std::ostream* os)
{
    *os << c.name;
}

class VersionInfo : public ::testing::TestWithParam<VersionCase> {};

TEST_P(VersionInfo, ReadsTheRequestedItems)
{
    const VersionCase& c = GetParam();
    info v;
    v.request = c.request;
    v.title = L"stale";
    v.product_version = L"stale";
    v.file_version = 0x1234;
    std::wstring path = fixture_program(c.program);
    EXPECT_EQ(tw::read_version_info(v, path.c_str()), c.answer);
    EXPECT_EQ(v.file_version, c.fileVersion);
    EXPECT_EQ(v.file_flags, c.fileFlags);
    EXPECT_EQ(v.title, c.title);
    EXPECT_EQ(v.product_version, c.productVersion);
}

constexpr uint32_t all = info::want_everything;
constexpr uint64_t v1000 = 0x0001000000000000ull;

INSTANTIATE_TEST_SUITE_P(
    Fixtures, VersionInfo,
    ::testing::Values(
        VersionCase{"no_resource", L"no_resource", all, false, 0, 0, L"", L""},
        VersionCase{"missing_file", L"no such program", all, false, 0, 0, L"", L""},
        VersionCase{"no_product_version", L"no_product_version", all, false, 0x0001000200030004ull, 0, L"Korvane",
                    L""},
        VersionCase{"private_and_debug", L"private_debug", all, true, v1000, 0x09,
                    L"Korvane 1.0.0.0 \u2013 Private \u2013 Debug", L"1.0.0.0"},
        VersionCase{"debug_outside_the_mask", L"flag_outside_mask", all, true, v1000, 0x08,
                    L"Korvane 1.0.0.0 \u2013 Private", L"1.0.0.0"},
        // Only the first translation is looked at; its table is missing.
        VersionCase{"strings_only_for_second_translation", L"second_translation", all, false, v1000, 0, L"", L""},
        // The fixed part alone: no string is asked for.
        VersionCase{"file_version_only", L"second_translation", info::want_file_version, true, v1000, 0, L"stale",
                    L"stale"},
        VersionCase{"title_only", L"v6_52_1_1", info::want_title, true, 0, 0, L"Korvane 6.52a", L"stale"},
        VersionCase{"6.52.0.1", L"v6_52_0_1", all, true, 0x0006003400000001ull, 0, L"Korvane 6.52.0.1",
                    L"6.52.0.1"},
        VersionCase{"6.51.65535.65535", L"v6_51_65535_65535", all, true, 0x00060033FFFFFFFFull, 0,
                    L"Korvane 6.51.65535.65535", L"6.51.65535.65535"}),
    [](const auto& i) {
        std::string n = i.param.name;
        for (char& ch : n)
            if (ch == '.')
                ch = '_';
        return n;
    });

TEST(VersionInfoOrder, MajorPartIsTheMostSignificant)
{
    info a, b;
    a.request = b.request = info::want_file_version;
    ASSERT_TRUE(tw::read_version_info(a, fixture_program(L"v6_52_0_1").c_str()));
    ASSERT_TRUE(tw::read_version_info(b, fixture_program(L"v6_51_65535_65535").c_str()));
    EXPECT_GT(a.file_version, b.file_version);
}

TEST(VersionInfoOwn, NullPathReadsTheRunningProgram)
{
    // The test program has no version resource of its own.
    info v;
    v.request = info::want_file_version;
    EXPECT_FALSE(tw::read_version_info(v, nullptr));
}

} // namespace
