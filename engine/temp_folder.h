#pragma once
// The per-run temporary working folder: its name, and the record that deletes
// the files registered in it, then the folder, when the run ends.
#include <windows.h>

#include <string>
#include <vector>

// The element the working folder gets in the user's temporary folder:
// "tarnwick_{" + a random version-4 UUID in lower case + "}".
std::wstring MakeTempFolderName();

// The user's temporary folder with MakeTempFolderName appended. False, with
// `error` set to "%08x (GetTempPath)" of the last error, when the temporary
// path is unavailable or longer than 246 characters.
bool FormTempFolderPath(std::wstring& folder, std::wstring& error);

class TempFolder {
public:
    explicit TempFolder(std::wstring folder);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Adds a file to the current record; nothing when there is none.
    static void RegisterTempFile(const std::wstring& file);
    // The record of the running installation, or null.
    static TempFolder* Current();
    void MakeCurrent();
    static void ClearCurrent();

    // Deletes every registered file, in order, then the folder if it is
    // empty; errors are ignored. The record is empty afterwards.
    void Release();

    std::wstring path;
    std::vector<std::wstring> files;

private:
    static TempFolder* s_current;
};
