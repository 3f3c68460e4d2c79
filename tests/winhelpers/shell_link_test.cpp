// Shell links written through COM into Wine's real file system and read back.
#include "winhelpers/shell_link.h"

#include "winhelpers/scoped_com.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <thread>

namespace {

const std::wstring kFolder = L"C:\\tw-links";
const std::wstring kTarget = L"C:\\Program Files\\Tarnwick\\Korvane 6\\Korvane.exe";

std::wstring target_of(const std::wstring& link)
{
    tw::scoped_com_initializer com;
    tw::com_ptr<IShellLinkW> shellLink;
    tw::com_ptr<IPersistFile> file;
    wchar_t target[MAX_PATH] = {};
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                shellLink.receive())) ||
        FAILED(shellLink.query(file)) || FAILED(file->Load(link.c_str(), STGM_READ)) ||
        FAILED(shellLink->GetPath(target, MAX_PATH, nullptr, 0)))
        return {};
    return target;
}

class ShellLink : public ::testing::Test {
protected:
    void SetUp() override { CreateDirectoryW(kFolder.c_str(), nullptr); }
};

TEST_F(ShellLink, NamesAndPaths)
{
    struct {
        const wchar_t* name;
        const wchar_t* file;
    } cases[] = {
        {L"Korvane 6.52a", L"Korvane 6.52a.lnk"}, // a given name keeps its dots
        {nullptr, L"Korvane.lnk"},                // derived from the target
    };
    for (const auto& c : cases) {
        std::wstring link;
        ASSERT_TRUE(tw::create_shortcut(kTarget, kFolder, c.name, &link));
        EXPECT_EQ(link, kFolder + L"\\" + c.file);
        EXPECT_EQ(target_of(link), kTarget);
    }
}

TEST_F(ShellLink, RefusedInputs)
{
    std::wstring link = L"unchanged";
    EXPECT_FALSE(tw::create_shortcut(L"Korvane.exe", kFolder, L"bare", &link)) << "no folder in the target";
    EXPECT_FALSE(tw::create_shortcut(L"", kFolder, L"empty", &link));
    EXPECT_FALSE(tw::create_shortcut(kTarget, kFolder, std::wstring(250, L'n').c_str(), &link)) << "too long";
    EXPECT_FALSE(tw::create_shortcut(kTarget, L"", L"no folder", &link)) << "would land in the current directory";
    EXPECT_EQ(link, L"unchanged");
}

TEST_F(ShellLink, ComStateOfTheCallingThread)
{
    std::thread apartment([] {
        // Already initialised compatibly: the call works and leaves COM as it was.
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        EXPECT_TRUE(tw::create_shortcut(kTarget, kFolder, L"in apartment", nullptr));
        EXPECT_EQ(CoInitialize(nullptr), S_FALSE) << "still initialised";
        CoUninitialize();
        CoUninitialize();
    });
    apartment.join();
    std::thread multithreaded([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_FALSE(tw::create_shortcut(kTarget, kFolder, L"wrong model", nullptr));
        CoUninitialize();
    });
    multithreaded.join();
    EXPECT_EQ(GetFileAttributesW((kFolder + L"\\wrong model.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
}

} // namespace
