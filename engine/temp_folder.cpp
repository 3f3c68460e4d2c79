#include "engine/temp_folder.h"

#include <boost/filesystem/operations.hpp>
#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid_io.hpp>

#include <shlwapi.h>

#include <cwchar>

namespace {

// The longest temporary path that leaves room for the folder's element.
constexpr DWORD kMaxTempPathLength = 246;

} // namespace

TempFolder* TempFolder::s_current = nullptr;

std::wstring MakeTempFolderName()
{
    // Mersenne Twister seeded once per process from the system's
    // cryptographic source.
    static boost::uuids::random_generator_mt19937 generator;
    return L"tarnwick_{" + boost::uuids::to_wstring(generator()) + L"}";
}

bool FormTempFolderPath(std::wstring& folder, std::wstring& error)
{
    auto fail = [&error](DWORD code) {
        wchar_t text[64] = {};
        swprintf(text, 64, L"%08x (%ls)", static_cast<unsigned>(code), L"GetTempPath");
        error = text;
        return false;
    };
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetTempPathW(MAX_PATH, path);
    if (length == 0)
        return fail(GetLastError());
    // A path that is too long is no failure of the call: its last error
    // would say nothing.
    if (length > kMaxTempPathLength)
        return fail(ERROR_FILENAME_EXCED_RANGE);
    // The folder's own name must fit too.
    if (!PathAppendW(path, MakeTempFolderName().c_str()))
        return fail(ERROR_FILENAME_EXCED_RANGE);
    folder = path;
    return true;
}

TempFolder::TempFolder(std::wstring folder) : path(std::move(folder)) {}

TempFolder::~TempFolder()
{
    if (s_current == this)
        s_current = nullptr;
    Release();
}

void TempFolder::RegisterTempFile(const std::wstring& file)
{
    if (s_current)
        s_current->files.push_back(file);
}

TempFolder* TempFolder::Current()
{
    return s_current;
}

void TempFolder::MakeCurrent()
{
    s_current = this;
}

void TempFolder::ClearCurrent()
{
    s_current = nullptr;
}

void TempFolder::Release()
{
    boost::system::error_code ignored;
    for (const std::wstring& file : files)
        boost::filesystem::remove(boost::filesystem::path(file), ignored);
    files.clear();
    if (!path.empty())
        boost::filesystem::remove(boost::filesystem::path(path), ignored);
    path.clear();
}
