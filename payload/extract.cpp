#include "payload/extract.h"

#include "payload/archive_sink.h"
#include "payload/compress_error.h"
#include "payload/runtime_errors.h"

#include <boost/filesystem/exception.hpp>
#include <boost/iostreams/compose.hpp>
#include <boost/iostreams/copy.hpp>
#include <boost/iostreams/device/null.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/system/system_error.hpp>

namespace io = boost::iostreams;

namespace tw {
namespace {

constexpr std::streamsize copy_buffer_size = 4096;

// What the decompressor writes into. The decompressor's last flush, when the
// source is exhausted, offers its buffer once and drops what is not taken; the
// sink stops at every field and body boundary, so offer until all is taken.
// Each offer either consumes bytes, finishes a zero-length entry or throws.
//
// The decompressor checks a block's CRC only after it has delivered the
// block, so a damaged stream first shows as a strange archive. An archive
// error is therefore held back while the rest of the stream is decompressed
// (the failed sink swallows it): if the decompressor then fails, the damage
// is what gets reported. Answers and callback failures stop at once.
class sink_device {
public:
    using char_type = char;
    using category = io::sink_tag;

    sink_device(archive_sink& sink, std::exception_ptr& held) : sink_(&sink), held_(&held) {}

    std::streamsize write(const char* s, std::streamsize n)
    {
        try {
            std::streamsize done = 0;
            while (done < n)
                done += sink_->write(s + done, n - done);
        } catch (const std::system_error& e) {
            if (e.code() != compress_errc::unexpected_error && e.code() != compress_errc::invalid_checksum)
                throw;
            *held_ = std::current_exception();
        }
        return n;
    }

private:
    archive_sink* sink_;
    std::exception_ptr* held_;
};

// Copies the entry in progress into `path` when an exception passes.
class failure_path_guard {
public:
    failure_path_guard(const archive_sink& sink, std::wstring& path)
        : sink_(sink), path_(path), count_(std::uncaught_exceptions())
    {
    }
    ~failure_path_guard()
    {
        if (std::uncaught_exceptions() > count_)
            if (const archive_entry* e = sink_.entry_in_progress())
                path_ = e->destination;
    }

private:
    const archive_sink& sink_;
    std::wstring& path_;
    int count_;
};

std::wstring filesystem_path_of(const std::exception& e)
{
    if (auto fe = dynamic_cast<const boost::filesystem::filesystem_error*>(&e))
        return fe->path1().wstring();
    return {};
}

} // namespace

std::error_code error_code_of(const std::exception& e)
{
    // A bzip2 error is also a stream failure; it is named first so that a
    // code left over from an earlier, harmless call cannot stand in for it.
    if (dynamic_cast<const io::bzip2_error*>(&e))
        return compress_errc::bzip2_error;
    if (dynamic_cast<const std::ios_base::failure*>(&e)) {
        std::error_code recorded = recorded_runtime_error();
        if (recorded)
            return recorded;
    }
    if (auto se = dynamic_cast<const std::system_error*>(&e))
        return se->code();
    if (auto be = dynamic_cast<const boost::system::system_error*>(&e)) {
        const boost::system::error_code& code = be->code();
        if (code.category() == boost::system::system_category())
            return {code.value(), std::system_category()};
        if (code.category() == boost::system::generic_category())
            return {code.value(), std::generic_category()};
    }
    return compress_errc::unexpected_error;
}

bool extract_archive(std::istream& source, target_folders folders, notification_callback callback)
{
    std::wstring failure_path;
    try {
        callback(notification::start{});
        archive_sink sink(std::move(folders), callback);
        failure_path_guard guard(sink, failure_path);
        std::exception_ptr held;
        std::streamsize compressed =
            io::copy(source, io::compose(io::bzip2_decompressor(), sink_device(sink, held)), copy_buffer_size);
        if (held)
            std::rethrow_exception(held);
        // An empty source is no bzip2 stream, though the decompressor lets it pass.
        if (compressed == 0)
            throw io::bzip2_error(io::bzip2::unexpected_eof);
        if (sink.total() != 0 && sink.processed() == sink.total())
            sink.complete_empty_tail();
        if (sink.total() != 0 && sink.processed() == sink.total()) {
            callback(notification::finish{static_cast<uint64_t>(compressed), sink.total()});
            return true;
        }
        throw_compress_error(compress_errc::unexpected_error);
    } catch (const std::exception& e) {
        std::error_code code = error_code_of(e);
        std::wstring path = failure_path.empty() ? filesystem_path_of(e) : failure_path;
        callback(notification::error{code, path});
        return false;
    }
}

bool check_payload_stream(std::istream& source)
{
    bool intact = false;
    try {
        std::streamsize compressed =
            io::copy(source, io::compose(io::bzip2_decompressor(), io::null_sink()), copy_buffer_size);
        intact = compressed > 0 && source.good() && std::istream::traits_type::eq_int_type(source.rdbuf()->sgetc(),
                                                                           std::istream::traits_type::eof());
    } catch (const std::exception&) {
        intact = false;
    }
    // At the end either way, as after a complete read.
    source.clear();
    source.seekg(0, std::ios::end);
    return intact;
}

} // namespace tw
