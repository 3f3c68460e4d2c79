// Prints how long the installer takes from its start to its first window (the
// wizard frame), over several runs, and the processor time it had used by
// then, which a busy machine disturbs less than the wall-clock time. Figures
// only: it passes or fails nothing.
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

struct start_time {
    double wall_ms = -1;  // from CreateProcess to the visible wizard frame; negative when it never came
    double cpu_ms = -1;   // processor time (user and kernel) the installer had used by then
};

double milliseconds(const FILETIME& t)
{
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
}

start_time time_to_frame(const std::wstring& exe)
{
    start_time result;
    auto start = std::chrono::steady_clock::now();
    gui::installer app(exe);
    auto shown = std::chrono::steady_clock::now();
    if (!app.started())
        return result;
    result.wall_ms = std::chrono::duration<double, std::milli>(shown - start).count();
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, app.process_id());
    FILETIME created, exited, kernel, user;
    if (process && GetProcessTimes(process, &created, &exited, &kernel, &user))
        result.cpu_ms = milliseconds(kernel) + milliseconds(user);
    if (process)
        CloseHandle(process);
    return result;
}

std::string summary(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    char text[128];
    std::snprintf(text, sizeof(text), "min %.0f ms, median %.0f ms, max %.0f ms", values.front(),
                  values[values.size() / 2], values.back());
    return text;
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
        std::vector<double> wall, cpu;
        for (int i = 0; i < kRuns; ++i) {
            start_time t = time_to_frame(exe);
            if (t.wall_ms < 0)
                break;
            wall.push_back(t.wall_ms);
            cpu.push_back(t.cpu_ms);
        }
        if (wall.size() != kRuns) {
            std::printf("%s: the wizard did not open\n", installer.c_str());
            continue;
        }
        std::printf("%s: start to first window over %d runs: %s; processor time by then: %s\n", installer.c_str(),
                    kRuns, summary(wall).c_str(), summary(cpu).c_str());
    }
    return 0;
}
