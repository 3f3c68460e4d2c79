#pragma once
// The checks that run during static initialisation, before the application
// object exists: the platform gate and the runtime check.
#include <windows.h>
#include <functional>

namespace startup {

constexpr int kUnsupportedPlatformExitCode = 1;
constexpr int kRuntimeCheckExitCode = -11;

// The text to show for this processor and system, or null when both are
// supported. `version` is null when GetVersionExW failed.
const wchar_t* PlatformGateMessage(bool hasSse2, const OSVERSIONINFOEXW* version);

// Shows the gate's box and ends the process when the platform is unsupported.
void RunPlatformGate();

// True when both probes return: the character-classification facet of the
// locale the program classifies with, and the path library's conversion facet.
// A probe reports a missing facet by throwing (std::bad_cast from use_facet).
bool RuntimeFacetsAvailable(const std::function<void()>& classificationProbe,
                            const std::function<void()>& pathConversionProbe);

// Probes the real facets; shows "Initialization Error" and ends the process
// with -11 when one is missing.
void RunRuntimeCheck();

} // namespace startup
