#include "payload/file_checksum.h"

#include "payload/runtime_errors.h"
#include "payload/text_encoding.h"

#include <boost/crc.hpp>
#include <boost/filesystem/exception.hpp>
#include <boost/filesystem/fstream.hpp>
#include <chrono>
#include <thread>

namespace tw {
namespace {

constexpr int sharing_violation = 32; // ERROR_SHARING_VIOLATION
constexpr int sharing_retries = 3;

boost::system::error_code to_boost(const std::error_code& ec)
{
    if (ec.category() == std::system_category())
        return {ec.value(), boost::system::system_category()};
    return {ec.value(), boost::system::generic_category()};
}

uint32_t read_back(const std::wstring& path)
{
    clear_runtime_errors();
    boost::filesystem::path file = native_path(path);
    boost::filesystem::ifstream in(file, std::ios::in | std::ios::binary);
    boost::crc_32_type crc;
    char block[4096];
    while (in) {
        in.read(block, sizeof block);
        crc.process_bytes(block, static_cast<std::size_t>(in.gcount()));
    }
    std::error_code recorded = recorded_runtime_error();
    if (in.eof() && !in.bad() && !recorded)
        return crc.checksum();
    if (recorded)
        throw boost::filesystem::filesystem_error("cannot read back the written file", file, to_boost(recorded));
    // No code recorded: the stream's own failure.
    in.exceptions(std::ios::failbit | std::ios::badbit);
    throw std::ios_base::failure("cannot read back the written file");
}

} // namespace

uint32_t crc32_of(const void* data, std::size_t size)
{
    boost::crc_32_type crc;
    crc.process_bytes(data, size);
    return crc.checksum();
}

uint32_t file_crc32(const std::wstring& path)
{
    for (int attempt = 0;; ++attempt) {
        try {
            return read_back(path);
        } catch (const boost::filesystem::filesystem_error& e) {
            if (attempt >= sharing_retries || e.code() != boost::system::error_code(sharing_violation, boost::system::system_category()))
                throw;
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}

} // namespace tw
