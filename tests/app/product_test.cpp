#include "app/product.h"

#include <gtest/gtest.h>

namespace {

TEST(ProductVersion, ComparesAsOne64BitNumber)
{
    EXPECT_EQ(kProductVersionValue, 0x0006003400010001ull);
    struct Case {
        VersionParts other;
        int expected; // sign of other - own
    } cases[] = {
        {{6, 52, 1, 1}, 0},  {{6, 52, 1, 2}, 1},  {{6, 52, 0, 9}, -1}, {{7, 0, 0, 0}, 1},
        {{6, 51, 65535, 65535}, -1}, {{6, 53, 0, 0}, 1}, {{0, 0, 0, 0}, -1},
    };
    for (const Case& c : cases) {
        uint64_t other = VersionValue(c.other);
        int sign = other > kProductVersionValue ? 1 : other < kProductVersionValue ? -1 : 0;
        EXPECT_EQ(sign, c.expected) << c.other[0] << '.' << c.other[1] << '.' << c.other[2] << '.' << c.other[3];
    }
    EXPECT_EQ(ProductVersionString(), L"6.52.1.1");
}

TEST(ProductNames, KeysAndKernelObjects)
{
    EXPECT_EQ(ProductNameWithVersion(), L"Korvane 6.52a");
    EXPECT_EQ(UninstallKeyPath(), L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvane 6");
    EXPECT_EQ(CompanyKeyPath(), L"Software\\Tarnwick");
    EXPECT_EQ(InstalledPathValueName(), L"Korvane 6 Path");
    EXPECT_EQ(InstallerMutexName(), L"Korvane6.{5ead623c-dfcd-474d-8e3c-e6978cac039e}");
    EXPECT_EQ(RunningInstancesSemaphoreName(), L"Korvane6.{a3526b56-ca7c-4e16-8a26-da7758a378fd}");
}

} // namespace
