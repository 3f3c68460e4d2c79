#pragma once
// The places an uninstaller never deletes, whatever its log says: a path that
// is not absolute on a drive, a drive root, anything in the Windows folder
// (the system folders included), and the shell folders themselves (Program
// Files, ProgramData, the Start menu, the desktops, the profiles...).
#include <string>
#include <vector>

namespace uninstall {

class protected_paths {
public:
    protected_paths(std::wstring windowsFolder, std::vector<std::wstring> shellFolders);
    // The folders of the machine this runs on.
    static protected_paths of_this_machine();

    // The path in the form it is deleted by: "\" for "/", "." elements and a
    // trailing "\" dropped; empty when it may not be deleted (see above; a
    // ".." element or a UNC path is refused too).
    std::wstring deletable(const std::wstring& path) const;

private:
    std::wstring windows_;
    std::vector<std::wstring> shell_;
};

} // namespace uninstall
