// The run command's demonstration: a quick installation driven through the
// wizard as a person would, then a report of what it installed. Run under
// Wine in a throwaway prefix by scripts/run.sh.
//
//   quick_install_demo INSTALLER OUTPUT_FOLDER
#include "resources/dialog_ids.h"
#include "tests/driver/gui_driver.h"
#include "tests/engine/installation_check.h"

#include <shlwapi.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

using namespace installation;

struct folder_total {
    unsigned files = 0;
    unsigned long long bytes = 0;
};

void count_files(const std::wstring& folder, folder_total& total)
{
    for_each_file(folder, [&](const std::wstring&, const WIN32_FIND_DATAW& found) {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            return;
        ++total.files;
        total.bytes += (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    });
}

void list_links(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*.lnk").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring link = folder + L"\\" + found.cFileName;
        wprintf(L"  %ls\n    -> %ls\n", link.c_str(), link_target(link).c_str());
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        fwprintf(stderr, L"usage: quick_install_demo INSTALLER OUTPUT_FOLDER\n");
        return 2;
    }
    const std::wstring out = argv[2];
    gui::installer app(argv[1]);
    if (!app.started()) {
        fwprintf(stderr, L"demo: the wizard did not open\n");
        return 1;
    }
    wprintf(L"demo: Next, Next, Install\n");
    bool completed = quick_install(app);
    app.screenshot(out + L"\\page4-installed.bmp");
    if (!completed) {
        fwprintf(stderr, L"demo: the installation failed: %ls\n", app.text(IDC_STATUS).c_str());
        return 1;
    }
    if (!app.click(IDOK) || !app.wait_for_page(5)) {
        fwprintf(stderr, L"demo: page 5 did not show\n");
        return 1;
    }
    app.screenshot(out + L"\\page5-complete.bmp");
    wprintf(L"demo: page 5 says \"%ls\"\n\n", app.text(IDC_INFO).c_str());

    wprintf(L"Files installed, by destination folder:\n");
    for (const wchar_t* folder : {kInstallFolder, L"C:\\ProgramData\\Tarnwick",
                                  L"C:\\users\\Public\\Desktop\\Korvane Examples"}) {
        folder_total total;
        count_files(folder, total);
        wprintf(L"  %-45ls %3u files %9llu bytes\n", folder, total.files, total.bytes);
    }
    wprintf(L"\nHKLM\\%ls:\n", kUninstallKey);
    for (const auto& [name, value] : machine_values(kUninstallKey))
        wprintf(L"  %-16ls %ls\n", name.c_str(), value.c_str());
    wprintf(L"\nLink files:\n");
    list_links(kMenuFolder);
    list_links(kCommonDesktop);

    wprintf(L"\nUninstall.ulog, first lines:\n");
    std::string log = read_bytes(std::wstring(kInstallFolder) + L"\\Uninstall.ulog");
    std::wstring text;
    for (size_t i = 2; i + 1 < log.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(log[i]) | (static_cast<unsigned char>(log[i + 1]) << 8));
    size_t start = 0;
    for (int line = 0; line < 12 && start < text.size(); ++line) {
        size_t end = text.find(L"\r\n", start);
        wprintf(L"  %ls\n", text.substr(start, end - start).c_str());
        if (end == std::wstring::npos)
            break;
        start = end + 2;
    }
    app.click(IDCANCEL);
    app.wait_for_exit();
    return 0;
}
