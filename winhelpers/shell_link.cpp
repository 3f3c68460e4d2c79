#include "winhelpers/shell_link.h"

#include "winhelpers/scoped_com.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace tw {

bool create_shortcut(const std::wstring& target, const std::wstring& folder, const wchar_t* name,
                     std::wstring* outLinkPath)
{
    wchar_t workingFolder[MAX_PATH] = {};
    lstrcpynW(workingFolder, target.c_str(), MAX_PATH);
    // A bare file name leaves no folder to work in.
    if (!PathRemoveFileSpecW(workingFolder) || !workingFolder[0])
        return false;

    wchar_t derivedName[MAX_PATH] = {};
    if (!name) {
        lstrcpynW(derivedName, PathFindFileNameW(target.c_str()), MAX_PATH);
        PathRemoveExtensionW(derivedName);
        name = derivedName;
    }

    // Without a folder the link would land in the current directory.
    if (folder.empty())
        return false;
    wchar_t link[MAX_PATH] = {};
    lstrcpynW(link, folder.c_str(), MAX_PATH);
    if (!PathAppendW(link, name))
        return false;
    std::wstring linkPath = std::wstring(link) + L".lnk";

    scoped_com_initializer com;
    if (!com.succeeded())
        return false;
    com_ptr<IShellLinkW> shellLink;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  shellLink.receive());
    if (SUCCEEDED(hr)) {
        shellLink->SetPath(target.c_str());
        shellLink->SetWorkingDirectory(workingFolder);
        com_ptr<IPersistFile> file;
        hr = shellLink.query(file);
        if (SUCCEEDED(hr))
            hr = file->Save(linkPath.c_str(), TRUE);
    }
    if (FAILED(hr))
        return false;
    if (outLinkPath)
        *outLinkPath = linkPath;
    return true;
}

} // namespace tw
