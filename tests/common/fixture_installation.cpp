#include "tests/common/fixture_installation.h"

#include "winhelpers/scoped_handle.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace fixture {

void set_machine_string(const std::wstring& key, const wchar_t* name, const std::wstring& text)
{
    ASSERT_EQ(SHSetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, REG_SZ, text.c_str(),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

void record_product_language(int language)
{
    const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvane 6";
    if (language < 0) {
        SHDeleteValueW(HKEY_LOCAL_MACHINE, key, L"TwLanguage");
        return;
    }
    DWORD value = static_cast<DWORD>(language);
    ASSERT_EQ(SHSetValueW(HKEY_LOCAL_MACHINE, key, L"TwLanguage", REG_DWORD, &value, sizeof(value)), ERROR_SUCCESS);
}

void make_folder(const std::wstring& path)
{
    int rc = SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    ASSERT_TRUE(rc == ERROR_SUCCESS || rc == ERROR_ALREADY_EXISTS) << rc;
}

void write_uninstall_log(const std::wstring& path, const std::wstring& installPath, const std::wstring& shortcutPath)
{
    std::wstring text = L"\xFEFF// Uninstall Log File v1\r\n// ####\r\n// Install Korvane 6.50\r\n"
                        L"// Install Path : " + installPath + L"\r\n// Shortcut Path : " + shortcutPath +
                        L"\r\n// ---\r\n0000:0101:1 -- " + installPath + L"\\Korvane.exe\r\n";
    tw::scoped_handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file.valid()) << GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size() * 2), &written, nullptr));
    ASSERT_EQ(written, text.size() * 2);
}

} // namespace fixture
