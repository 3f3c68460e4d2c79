// The signed installer under Wine: the signature sits after the image, so the
// wizard opens and the payload resource read from the signed file is the
// unsigned installer's, byte for byte, and passes its check.
#include "payload/extract.h"
#include "payload/resource_stream.h"
#include "tests/common/host_path.h"
#include "tests/driver/gui_driver.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

class Module {
public:
    explicit Module(const std::wstring& path) : m_module(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~Module()
    {
        if (m_module)
            FreeLibrary(m_module);
    }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;
    HMODULE get() const { return m_module; }

private:
    HMODULE m_module;
};

std::string payload_of(const Module& module)
{
    tw::imemstream in = tw::open_resource_stream(module.get(), tw::payload_resource_type, tw::payload_resource_name);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring unsigned_installer()
{
    const char* path = std::getenv("TW_UNSIGNED_INSTALLER");
    return path ? host_path_to_windows(path) : std::wstring();
}

TEST(SignedInstaller, WizardOpens)
{
    gui::installer app;
    ASSERT_TRUE(app.started()) << "no wizard";
    EXPECT_NE(gui::window_text(app.frame()).find(L"Korvane 6.52a"), std::wstring::npos);
    EXPECT_TRUE(app.no_box());
}

TEST(SignedInstaller, PayloadIsTheUnsignedOneAndPassesItsCheck)
{
    Module signed_copy(gui::installer_path()), original(unsigned_installer());
    ASSERT_NE(signed_copy.get(), nullptr);
    ASSERT_NE(original.get(), nullptr);
    std::string payload = payload_of(signed_copy);
    ASSERT_GT(payload.size(), 1000000u);
    EXPECT_TRUE(payload == payload_of(original));

    tw::imemstream in = tw::open_resource_stream(signed_copy.get(), tw::payload_resource_type, tw::payload_resource_name);
    EXPECT_TRUE(tw::check_payload_stream(in));
}

} // namespace
