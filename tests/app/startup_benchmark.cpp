// Prints how long the installer takes from its start to its first window (the
// wizard frame), over several runs. Figures only: it passes or fails nothing.
//
//   wine-run WINE_DIR startup_benchmark.exe [INSTALLER ...]
//
// Each argument is an installer to time (a Unix path, as ctest passes them);
// without arguments the one named by TW_INSTALLER. The first start of each is
// a warm-up and is not counted.
#include "tests/common/host_path.h"
#include "tests/driver/gui_driver.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 7;

// Milliseconds from CreateProcess to the visible wizard frame; negative when
// the frame never came.
double time_to_frame(const std::wstring& exe)
{
    auto start = std::chrono::steady_clock::now();
    gui::installer app(exe);
    auto shown = std::chrono::steady_clock::now();
    if (!app.started())
        return -1;
    return std::chrono::duration<double, std::milli>(shown - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> installers(argv + 1, argv + argc);
    if (installers.empty() && std::getenv("TW_INSTALLER"))
        installers.emplace_back(std::getenv("TW_INSTALLER"));
    for (const std::string& installer : installers) {
        std::wstring exe = host_path_to_windows(installer);
        time_to_frame(exe);
        std::vector<double> times;
        for (int i = 0; i < kRuns; ++i)
            times.push_back(time_to_frame(exe));
        std::sort(times.begin(), times.end());
        if (times.front() < 0) {
            std::printf("%s: the wizard did not open\n", installer.c_str());
            continue;
        }
        std::printf("%s: start to first window over %d runs: min %.0f ms, median %.0f ms, max %.0f ms\n",
                    installer.c_str(), kRuns, times.front(), times[times.size() / 2], times.back());
    }
    return 0;
}
