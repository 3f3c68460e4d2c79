#pragma once
// The uninstall log in the test's own words, and the 6.50 installation that
// an update starts from, laid out in the test's prefix.
#include <string>
#include <vector>

namespace installation {

// One entry line of the log: "0014:0101:1 -- C:\...".
std::wstring entry_line(size_t number, unsigned code, bool done, const std::wstring& path);
// The log's bytes: a byte-order mark, then UTF-16LE lines.
std::string log_bytes(const std::vector<std::wstring>& lines);
// The six header lines of a 6.52a log with the default Start-menu folder.
std::vector<std::wstring> log_header(const std::wstring& install, const std::wstring& previous);
// The log's text without its byte-order mark.
std::wstring log_as_text(const std::string& bytes);

// What the 6.50 installation holds besides its program and uninstaller.
constexpr const wchar_t* kCurves = L"C:\\ProgramData\\Tarnwick\\Curves\\.\\Standard.crv";
constexpr const wchar_t* kOldTexture = L"C:\\ProgramData\\Tarnwick\\Textures\\Korvane 6\\Acajou1.jpg";
constexpr const wchar_t* kOldMenuLink =
    L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tarnwick\\Korvane 6\\Korvane 6.50.lnk";
constexpr const wchar_t* kOldDesktopLink = L"C:\\users\\Public\\Desktop\\Korvane 6.50.lnk";

// The 6.50 installation an update starts from: its program (the 6.50 fixture
// of TW_FIXTURE_DIR), uninstaller, registry values, log, a kept data file, a
// texture and two shortcuts. Fails the test when a piece cannot be laid out.
void lay_out_6_50();

} // namespace installation
