// Figures, not a test of speed: how long a whole installation takes against
// a bare libbz2 decode of the same payload, and how long the wizard takes to
// answer a message while files are copied. It fails only when the
// installation itself does not complete.
#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"
#include "tests/driver/gui_driver.h"
#include "tests/engine/installation_check.h"

#include <bzlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

using clock_type = std::chrono::steady_clock;

double ms_since(clock_type::time_point start)
{
    return std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
}

std::string payload_of(const std::wstring& installer)
{
    std::string bytes;
    HMODULE module = LoadLibraryExW(installer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return bytes;
    if (HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(IDR_PAYLOAD), MAKEINTRESOURCEW(RT_TW_PAYLOAD)))
        if (HGLOBAL loaded = LoadResource(module, resource))
            bytes.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, resource));
    FreeLibrary(module);
    return bytes;
}

// Decodes the whole stream into a scratch buffer; the decoded size.
unsigned long long bare_decode(std::string& packed)
{
    bz_stream stream = {};
    if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK)
        return 0;
    static char out[65536];
    stream.next_in = packed.data();
    stream.avail_in = static_cast<unsigned>(packed.size());
    unsigned long long total = 0;
    int rc = BZ_OK;
    while (rc == BZ_OK) {
        stream.next_out = out;
        stream.avail_out = sizeof(out);
        rc = BZ2_bzDecompress(&stream);
        total += sizeof(out) - stream.avail_out;
    }
    BZ2_bzDecompressEnd(&stream);
    return rc == BZ_STREAM_END ? total : 0;
}

// The worst answer time of the frame, sampled until `stop`, split by what
// the status line said right after each answer.
struct liveness {
    double worstPreparing = 0, worstCopying = 0, worstOther = 0;
    unsigned preparingSamples = 0, copyingSamples = 0, otherSamples = 0;
    // When each step's status text was first seen, in ms after the press.
    std::vector<std::pair<double, std::wstring>> steps;
};

// The status line without what changes within one step (the file's path).
std::wstring step_of(const std::wstring& status)
{
    return status.substr(0, std::min<size_t>(status.size(), 14));
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring exe = argc > 1 ? argv[1] : gui::installer_path();
    std::string packed = payload_of(exe);
    if (packed.empty()) {
        fwprintf(stderr, L"benchmark: no payload in %ls\n", exe.c_str());
        return 1;
    }
    double decode = 1e300;
    unsigned long long decoded = 0;
    for (int i = 0; i < 3; ++i) {
        auto start = clock_type::now();
        decoded = bare_decode(packed);
        decode = std::min(decode, ms_since(start));
    }

    gui::installer app(exe);
    if (!app.started() || !app.click(IDOK) || !app.wait_for_page(1) || !app.click(IDOK) || !app.wait_for_page(4)) {
        fwprintf(stderr, L"benchmark: the wizard did not reach the install page\n");
        return 1;
    }
    HWND frame = app.frame();
    HWND status = app.control(IDC_STATUS);
    std::atomic<bool> stop = false;
    liveness seen;
    auto start = clock_type::now();
    std::thread sampler([&] {
        while (!stop) {
            auto sent = clock_type::now();
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, 600000, &ignored);
            double rtt = ms_since(sent);
            std::wstring shown = gui::window_text(status);
            if (seen.steps.empty() || seen.steps.back().second != step_of(shown))
                seen.steps.emplace_back(ms_since(start), step_of(shown));
            // The pre-check decodes the whole payload in one call; the
            // self-registration wait blocks the wizard by design.
            if (shown.rfind(L"Preparing", 0) == 0) {
                seen.worstPreparing = std::max(seen.worstPreparing, rtt);
                ++seen.preparingSamples;
            } else if (shown.rfind(L"Copying File", 0) == 0) {
                seen.worstCopying = std::max(seen.worstCopying, rtt);
                ++seen.copyingSamples;
            } else {
                seen.worstOther = std::max(seen.worstOther, rtt);
                ++seen.otherSamples;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    bool completed = installation::press_install(app) && app.click(IDOK) && app.wait_for_page(5);
    double install = ms_since(start);
    stop = true;
    sampler.join();
    if (!completed) {
        fwprintf(stderr, L"benchmark: the installation did not complete: %ls\n", app.text(IDC_STATUS).c_str());
        return 1;
    }
    wprintf(L"payload: %zu bytes compressed, %llu decoded\n", packed.size(), decoded);
    wprintf(L"bare libbz2 decode (best of 3):          %8.1f ms\n", decode);
    wprintf(L"installation, Install press to page 5:   %8.1f ms\n", install);
    wprintf(L"ratio installation / decode:             %8.2f   (target: at most 2.5)\n", install / decode);
    wprintf(L"worst round trip while copying:          %8.1f ms over %u messages (target: under 50 ms)\n",
            seen.worstCopying, seen.copyingSamples);
    wprintf(L"worst round trip during the pre-check:   %8.1f ms over %u messages\n", seen.worstPreparing,
            seen.preparingSamples);
    wprintf(L"worst round trip otherwise (self-registration wait included): %.1f ms over %u messages\n",
            seen.worstOther, seen.otherSamples);
    wprintf(L"steps, by the status line (ms after the press):\n");
    for (const auto& [at, step] : seen.steps)
        wprintf(L"  %8.1f  %ls\n", at, step.c_str());
    app.click(IDCANCEL);
    app.wait_for_exit();
    return 0;
}
