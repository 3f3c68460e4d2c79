#include "tests/engine/installation_6_50.h"

#include "tests/common/fixture_installation.h"
#include "tests/engine/installation_check.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace installation {

std::wstring entry_line(size_t number, unsigned code, bool done, const std::wstring& path)
{
    wchar_t head[32];
    swprintf(head, 32, L"%04u:%04x:%d -- ", static_cast<unsigned>(number), code, done ? 1 : 0);
    return head + path;
}

// The uninstall log's bytes: a byte-order mark, then UTF-16LE lines.
std::string log_bytes(const std::vector<std::wstring>& lines)
{
    std::string bytes = "\xFF\xFE";
    for (const std::wstring& line : lines)
        for (wchar_t c : line + L"\r\n") {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        }
    return bytes;
}

std::vector<std::wstring> log_header(const std::wstring& install, const std::wstring& previous)
{
    std::wstring shortcut = L"// Shortcut Path : " + std::wstring(kMenuFolder);
    return {L"// Uninstall Log File v1",
            L"// ############ WARNING: Do not delete or modify this file. ############",
            L"// Install Korvane 6.52a" + (previous.empty() ? L"" : L" -- Update (" + previous + L")"),
            L"// Install Path : " + install,
            shortcut,
            L"// " + std::wstring(shortcut.size() - 3, L'-')};
}

std::wstring log_as_text(const std::string& bytes)
{
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return text;
}

void lay_out_6_50()
{
    std::wstring fixtures = env_windows_path("TW_FIXTURE_DIR");
    std::wstring install = kInstallFolder;
    ASSERT_TRUE(make_folder(install));
    ASSERT_TRUE(CopyFileW((fixtures + L"\\v6_50_0_0.exe").c_str(), (install + L"\\Korvane.exe").c_str(), FALSE));
    ASSERT_TRUE(write_bytes(install + L"\\Uninstall.exe", "6.50 uninstaller"));
    // As the 6.50 installer left them.
    for (const wchar_t* name : {L"\\Korvane.exe", L"\\Uninstall.exe"})
        ASSERT_TRUE(SetFileAttributesW((install + name).c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_NO_FATAL_FAILURE(fixture::set_machine_string(kCompanyKey, L"Korvane 6 Path", install + L"\\Korvane.exe"));
    ASSERT_NO_FATAL_FAILURE(fixture::set_machine_string(kUninstallKey, L"UninstallString", install + L"\\Uninstall.exe"));
    ASSERT_NO_FATAL_FAILURE(fixture::set_machine_string(kUninstallKey, L"Comments", L"left by 6.50"));
    ASSERT_TRUE(make_folder(L"C:\\ProgramData\\Tarnwick\\Curves"));
    ASSERT_TRUE(make_folder(L"C:\\ProgramData\\Tarnwick\\Textures\\Korvane 6"));
    ASSERT_TRUE(write_bytes(kCurves, "the user's own curves"));
    ASSERT_TRUE(write_bytes(kOldTexture, "6.50 texture"));
    ASSERT_TRUE(make_folder(kMenuFolder));
    ASSERT_TRUE(write_bytes(kOldMenuLink, "6.50 link"));
    ASSERT_TRUE(write_bytes(kOldDesktopLink, "6.50 link"));
    std::vector<std::wstring> lines = log_header(install, L"");
    lines[2] = L"// Install Korvane 6.50";
    // The folders it created, outermost first, as an installer records them.
    size_t n = 0;
    for (const std::wstring& folder :
         {std::wstring(L"C:\\Program Files\\Tarnwick"), install, std::wstring(L"C:\\ProgramData\\Tarnwick"),
          std::wstring(L"C:\\ProgramData\\Tarnwick\\Curves"), std::wstring(L"C:\\ProgramData\\Tarnwick\\Textures"),
          std::wstring(L"C:\\ProgramData\\Tarnwick\\Textures\\Korvane 6"),
          std::wstring(L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tarnwick"),
          std::wstring(kMenuFolder)})
        lines.push_back(entry_line(n++, 0xff, true, folder));
    lines.push_back(entry_line(n++, 0x101, true, install + L"\\Korvane.exe"));
    lines.push_back(entry_line(n++, 0x102, true, install + L"\\Uninstall.exe"));
    lines.push_back(entry_line(n++, 0x103, true, kCurves));
    lines.push_back(entry_line(n++, 0x104, true, kOldTexture));
    lines.push_back(entry_line(n++, 0x2ff, true, kOldMenuLink));
    lines.push_back(entry_line(n++, 0x4ff, true, kOldDesktopLink));
    ASSERT_TRUE(write_bytes(install + L"\\Uninstall.ulog", log_bytes(lines)));
}

} // namespace installation
