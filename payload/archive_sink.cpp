#include "payload/archive_sink.h"

#include "payload/compress_error.h"
#include "payload/file_checksum.h"
#include "payload/folder_templates.h"
#include "payload/runtime_errors.h"
#include "payload/text_encoding.h"
#include "winhelpers/path_queries.h"

#include <algorithm>
#include <boost/filesystem/operations.hpp>
#include <exception>
#include <system_error>

namespace fs = boost::filesystem;

namespace tw {
namespace {

uint64_t read_le64(const char* p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

// A stream failure carries no code of its own: take the one the runtime
// recorded for the failed call, here, before anything else can change it.
template <class F>
void with_recorded_error(F f)
{
    clear_runtime_errors();
    try {
        f();
    } catch (const std::ios_base::failure& e) {
        std::error_code recorded = recorded_runtime_error();
        if (recorded)
            throw std::system_error(recorded, e.what());
        throw;
    }
}

// Sets `failed` when an exception leaves the write call.
class failure_guard {
public:
    explicit failure_guard(bool& failed) : failed_(failed), count_(std::uncaught_exceptions()) {}
    ~failure_guard()
    {
        if (std::uncaught_exceptions() > count_)
            failed_ = true;
    }

private:
    bool& failed_;
    int count_;
};

} // namespace

archive_sink::archive_sink(target_folders folders, notification_callback callback)
    : folders_(std::move(folders)), callback_(std::move(callback))
{
}

archive_sink::~archive_sink() = default; // an open file is closed and stays as written

const archive_entry* archive_sink::entry_in_progress() const
{
    if (!remaining_ || position_ == 0 || position_ > entries_.size())
        return nullptr;
    return &entries_[position_ - 1];
}

void archive_sink::send(notification n, bool may_abort)
{
    notification::result answer = callback_(std::move(n));
    if (may_abort && answer == notification::result::abort)
        throw_compress_error(compress_errc::interrupted);
}

std::streamsize archive_sink::write(const char* s, std::streamsize n)
{
    if (failed_)
        return n;
    failure_guard guard(failed_);
    if (position_ == 0)
        return gather_header(s, n);
    return write_entry(s, n);
}

std::streamsize archive_sink::gather_header(const char* s, std::streamsize n)
{
    std::size_t held = header_->size();
    if (held < 8) {
        std::streamsize take = std::min<std::streamsize>(n, std::streamsize(8 - held));
        header_->write(s, take);
        if (header_->size() == 8) {
            header_size_ = read_le64(header_->data());
            // The upper half is always zero, and the size covers at least
            // itself and the entry count.
            if ((header_size_ >> 32) != 0 || header_size_ < header_fixed_size)
                throw_compress_error(compress_errc::unexpected_error);
        }
        return take;
    }
    std::streamsize take = std::min<std::streamsize>(n, std::streamsize(header_size_ - held));
    header_->write(s, take);
    if (header_->size() == header_size_)
        parse_header();
    return take;
}

void archive_sink::parse_header()
{
    {
        imemstream in(header_->data() + 8, header_->size() - 8);
        entries_ = read_directory(in, header_size_);
    }
    header_.reset();
    uint64_t total = header_size_;
    for (archive_entry& e : entries_) {
        e.destination = join_path(resolve_folder_template(folders_, e.destination), last_element(e.source));
        if (e.size > UINT64_MAX - total)
            throw_compress_error(compress_errc::unexpected_error);
        total += e.size;
    }
    total_ = total;
    processed_ = header_size_;
    send(notification::progress{processed_, total_}, true);
    position_ = 1;
}

std::streamsize archive_sink::write_entry(const char* s, std::streamsize n)
{
    if (position_ > entries_.size())
        throw_compress_error(compress_errc::unexpected_error); // bytes past the last body
    archive_entry& entry = entries_[position_ - 1];
    if (!remaining_) {
        notification::result answer = callback_(notification::file_begin{entry});
        if (answer == notification::result::abort)
            throw_compress_error(compress_errc::interrupted);
        remaining_ = entry.size;
        skipping_ = answer == notification::result::skip;
        if (!skipping_)
            open_output(entry.destination);
    }
    std::streamsize c = static_cast<std::streamsize>(std::min<uint64_t>(static_cast<uint64_t>(n), *remaining_));
    if (!skipping_ && c > 0)
        with_recorded_error([&] { file_->write(s, c); });
    *remaining_ -= static_cast<uint64_t>(c);
    processed_ += static_cast<uint64_t>(c);
    send(notification::progress{processed_, total_}, true);
    if (*remaining_ == 0 && !skipping_) {
        close_output();
        if (file_crc32(entry.destination) != entry.crc)
            throw_compress_error(compress_errc::invalid_checksum);
        send(notification::file_end{entry}, true);
    }
    if (*remaining_ == 0) {
        remaining_.reset();
        skipping_ = false;
        ++position_;
    }
    return c;
}

void archive_sink::complete_empty_tail()
{
    failure_guard guard(failed_);
    while (!failed_ && !remaining_ && position_ >= 1 && position_ <= entries_.size() &&
           entries_[position_ - 1].size == 0)
        write_entry(nullptr, 0);
}

void archive_sink::open_output(const std::wstring& path)
{
    fs::path file = native_path(path);
    if (path_exists(file)) {
        make_writable(file); // a read-only file of an earlier installation
    } else {
        fs::path parent = file.parent_path();
        if (!parent.empty() && !path_exists(parent))
            fs::create_directories(parent);
    }
    with_recorded_error([&] {
        auto out = std::make_unique<output_file>();
        out->open(file);
        out->exceptions(std::ios::failbit | std::ios::badbit);
        file_ = std::move(out);
    });
}

void archive_sink::close_output()
{
    // A failure that shows only when the file is closed (the last bytes of a
    // full disk) fails the extraction with its code, not later as a mismatch.
    with_recorded_error([&] {
        file_->flush();
        file_->close();
    });
    file_.reset();
}

} // namespace tw
