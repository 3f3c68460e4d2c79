// Checks the built installer executable itself: a 32-bit GUI program that
// imports only kernel32.dll and msvcrt.dll, with its manifest, string tables and
// version resource.
#include "resources/text_ids.h"
#include "tests/driver/gui_driver.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

const std::wstring g_installer = gui::installer_path();

std::vector<char> read_file(const std::wstring& path)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    std::vector<char> data;
    if (h == INVALID_HANDLE_VALUE)
        return data;
    DWORD size = GetFileSize(h, nullptr), got = 0;
    data.resize(size);
    if (!ReadFile(h, data.data(), size, &got, nullptr) || got != size)
        data.clear();
    CloseHandle(h);
    return data;
}

class PeImage {
public:
    explicit PeImage(std::vector<char> bytes) : data_(std::move(bytes)) {}

    const IMAGE_NT_HEADERS32* nt() const
    {
        auto dos = at<IMAGE_DOS_HEADER>(0);
        if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE)
            return nullptr;
        auto nt = at<IMAGE_NT_HEADERS32>(dos->e_lfanew);
        return nt && nt->Signature == IMAGE_NT_SIGNATURE ? nt : nullptr;
    }

    // Names of the imported DLLs, lower-cased.
    std::set<std::wstring> imports() const
    {
        std::set<std::wstring> names;
        const auto& dir = nt()->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (size_t off = file_offset(dir.VirtualAddress);; off += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            auto desc = at<IMAGE_IMPORT_DESCRIPTOR>(off);
            if (!desc || desc->Name == 0)
                break;
            size_t name = file_offset(desc->Name);
            std::wstring dll;
            while (name < data_.size() && data_[name])
                dll += static_cast<wchar_t>(std::towlower(static_cast<unsigned char>(data_[name++])));
            names.insert(dll);
        }
        return names;
    }

private:
    template <typename T> const T* at(size_t off) const
    {
        return off + sizeof(T) <= data_.size() ? reinterpret_cast<const T*>(data_.data() + off) : nullptr;
    }

    size_t file_offset(DWORD rva) const
    {
        const IMAGE_NT_HEADERS32* h = nt();
        auto section = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
            reinterpret_cast<const char*>(&h->OptionalHeader) + h->FileHeader.SizeOfOptionalHeader);
        for (int i = 0; i < h->FileHeader.NumberOfSections; ++i, ++section)
            if (rva >= section->VirtualAddress && rva < section->VirtualAddress + section->Misc.VirtualSize)
                return rva - section->VirtualAddress + section->PointerToRawData;
        return data_.size();
    }

    std::vector<char> data_;
};

class InstallerExecutable : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(g_installer.empty()) << "TW_INSTALLER not set";
        module_ = LoadLibraryExW(g_installer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr) << "cannot open " << std::string(g_installer.begin(), g_installer.end());
    }
    void TearDown() override
    {
        if (module_)
            FreeLibrary(module_);
    }
    HMODULE module_ = nullptr;
};

TEST_F(InstallerExecutable, Is32BitGuiImportingOnlyKernel32AndMsvcrt)
{
    PeImage pe(read_file(g_installer));
    const IMAGE_NT_HEADERS32* nt = pe.nt();
    ASSERT_NE(nt, nullptr);
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(nt->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

    // A DLL in the import table is loaded, with what it imports in turn,
    // before the installer's first instruction, so before it can restrict the
    // DLL search. kernel32.dll and msvcrt.dll (the C runtime of the start-up
    // code) are known system DLLs, which Windows takes from the system folder
    // alone. Every other DLL is delay-loaded: bound at its first call, after
    // the restriction (the planted-DLL tests run the installer to show it).
    EXPECT_EQ(pe.imports(), (std::set<std::wstring>{L"kernel32.dll", L"msvcrt.dll"}));
}

TEST_F(InstallerExecutable, ManifestAsksForAdministratorAndCommonControls6)
{
    HRSRC res = FindResourceW(module_, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(res, nullptr);
    auto text = static_cast<const char*>(LockResource(LoadResource(module_, res)));
    std::string manifest(text, SizeofResource(module_, res));
    for (const char* needle :
         {"level=\"requireAdministrator\"", "uiAccess=\"false\"", "name=\"Microsoft.Windows.Common-Controls\"",
          "version=\"6.0.0.0\"", "processorArchitecture=\"x86\"", ">true</dpiAware>",
          "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
          "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
          "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(manifest.find(needle), std::string::npos) << needle;
}

TEST_F(InstallerExecutable, SeventeenStringBlocksWithTheirLanguages)
{
    struct Block {
        UINT offset;
        LANGID language;
    } blocks[] = {{IDS_BLOCK_FRENCH, 1036},     {IDS_BLOCK_ENGLISH, 1033},   {IDS_BLOCK_GERMAN, 1031},
                  {IDS_BLOCK_SPANISH, 3082},    {IDS_BLOCK_PORTUGUESE, 2070}, {IDS_BLOCK_ITALIAN, 1040},
                  {IDS_BLOCK_DUTCH, 1043},      {IDS_BLOCK_DANISH, 1030},    {IDS_BLOCK_TURKISH, 1055},
                  {IDS_BLOCK_CHINESE, 2052},    {IDS_BLOCK_BULGARIAN, 1026}, {IDS_BLOCK_ROMANIAN, 1048},
                  {IDS_BLOCK_CZECH, 1029},      {IDS_BLOCK_NORWEGIAN, 1044}, {IDS_BLOCK_GREEK, 1032},
                  {IDS_BLOCK_POLISH, 1045},     {IDS_BLOCK_HEBREW, 1037}};
    for (const Block& b : blocks) {
        // The first and last texts of both ranges live in these tables.
        for (UINT text : {IDS_INSTALLER_WORD, IDS_SAMPLE_FOLDER, IDS_INFO_INSTALL, IDS_INSTALLER_NOT_TRANSLATED}) {
            UINT id = b.offset + text;
            HRSRC res = FindResourceExW(module_, RT_STRING, MAKEINTRESOURCEW((id >> 4) + 1), b.language);
            EXPECT_NE(res, nullptr) << "string " << id << " in language " << b.language;
        }
    }
}

std::wstring version_string(const std::vector<char>& block, const wchar_t* name)
{
    wchar_t* value = nullptr;
    UINT len = 0;
    std::wstring key = std::wstring(L"\\StringFileInfo\\040004B0\\") + name;
    if (!VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &len) || !value)
        return L"<missing>";
    return value;
}

TEST_F(InstallerExecutable, VersionResource)
{
    DWORD size = GetFileVersionInfoSizeW(g_installer.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(g_installer.c_str(), 0, size, block.data()));

    DWORD* translation = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len));
    ASSERT_GE(len, 4u);
    EXPECT_EQ(LOWORD(*translation), 0x0400);
    EXPECT_EQ(HIWORD(*translation), 0x04B0);

    EXPECT_EQ(version_string(block, L"ProductName"), L"Install");
    EXPECT_EQ(version_string(block, L"ProductVersion"), L"2.02");
    EXPECT_EQ(version_string(block, L"FileVersion"), L"2.2.0.3");
    EXPECT_EQ(version_string(block, L"FileDescription"), L"Installeur Korvane 6.52a");
    EXPECT_EQ(version_string(block, L"CompanyName"), L"Tarnwick");
    EXPECT_EQ(version_string(block, L"InternalName"), L"Install");
    EXPECT_EQ(version_string(block, L"OriginalFilename"), L"InstallKorvane6.52a.exe");
    EXPECT_NE(version_string(block, L"LegalCopyright").find(L"Tarnwick"), std::wstring::npos);

    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020002u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000003u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00020002u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000003u);
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);
}

} // namespace
