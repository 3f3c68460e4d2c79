#include "app/startup_checks.h"

#include <boost/filesystem/path.hpp>
#include <locale>

namespace startup {

const wchar_t* PlatformGateMessage(bool hasSse2, const OSVERSIONINFOEXW* version)
{
    static const wchar_t incompatible[] =
        L"This Version is not compatible with your Configuration.\n\n"
        L"Cette version n'est pas compatible avec votre configuration.\n\n"
        L"Diese Version ist nicht mit Ihrer Konfiguration kompatibel.";
    if (!hasSse2)
        return incompatible;
    if (!version)
        return L"GetVersionEx() failed";
    if (version->dwMajorVersion != 5)
        return nullptr;
    switch (version->dwMinorVersion) {
    case 1:
        return version->wServicePackMajor < 3 ? incompatible : nullptr;
    case 2:
        return version->wServicePackMajor < 2 ? incompatible : nullptr;
    default:
        return L"Unknown System Version";
    }
}

void RunPlatformGate()
{
    bool sse2 = IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != FALSE;
    OSVERSIONINFOEXW v = {};
    v.dwOSVersionInfoSize = sizeof(v);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    bool got = GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&v)) != FALSE;
#pragma GCC diagnostic pop
    if (const wchar_t* text = PlatformGateMessage(sse2, got ? &v : nullptr)) {
        MessageBoxW(nullptr, text, nullptr, MB_ICONSTOP);
        ExitProcess(kUnsupportedPlatformExitCode);
    }
}

bool RuntimeFacetsAvailable(const std::function<void()>& classificationProbe,
                            const std::function<void()>& pathConversionProbe)
{
    try {
        classificationProbe();
        pathConversionProbe();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void RunRuntimeCheck()
{
    // The locale the program really classifies with. A named locale cannot be
    // asked for here: this runtime creates none, not even the user's default.
    auto classification = [] { (void)std::use_facet<std::ctype<wchar_t>>(std::locale()); };
    auto path_conversion = [] { (void)boost::filesystem::path::codecvt(); };
    if (!RuntimeFacetsAvailable(classification, path_conversion)) {
        MessageBoxW(nullptr, L"Initialization Error", nullptr,
                    MB_ICONSTOP | MB_TASKMODAL | MB_SETFOREGROUND);
        ExitProcess(static_cast<UINT>(kRuntimeCheckExitCode));
    }
}

} // namespace startup
