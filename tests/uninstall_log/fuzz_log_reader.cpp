// libFuzzer target: any bytes through the uninstall-log reader, fed in two
// pieces split where the first byte says, as the file reader feeds chunks.
#include "uninstall_log/log_format.h"

#include "tests/uninstall_log/latin1.h"

#include <cstdint>
#include <cstdlib>

namespace {

bool odd_length_is_folder(const std::wstring& path)
{
    return path.size() % 2 == 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t split = size ? data[0] % (size + 1) : 0;
    tw::ulog::log_reader reader(latin1_widen, odd_length_is_folder);
    reader.feed(data, split);
    reader.feed(data + split, size - split);
    reader.finish();
    const tw::ulog::log_contents& c = reader.contents();
    // Bytes per character of the stream: UTF-16 with its byte-order mark, else 8-bit.
    const size_t unit = size >= 2 && data[0] == 0xFF && data[1] == 0xFE ? 2 : 1;
    for (const UninstallLogEntry& e : c.entries) {
        int kind = static_cast<int>(e.kind);
        if (kind < 0 || kind > 6 || e.fileKind < -1 || e.fileKind > 254 || !e.backup.empty())
            std::abort();
        if ((e.kind == LogEntryKind::RegistryKey || e.kind == LogEntryKind::Registration) && !e.path.empty())
            std::abort();
        // No line longer than the reader's buffer gets through.
        if (e.path.size() * unit >= tw::ulog::kLineBufferBytes)
            std::abort();
    }
    if (!c.entries.empty() && c.version != 1)
        std::abort();
    if ((!c.installPath.empty() && c.installPath.size() % 2 == 0) ||
        (!c.shortcutPath.empty() && c.shortcutPath.size() % 2 == 0))
        std::abort();
    return 0;
}
