#include "payload/output_file.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tw {
namespace {

#ifdef _WIN32
// Writes straight to a file handle, repeating short writes until the system
// refuses one.
class handle_buffer : public std::streambuf {
public:
    ~handle_buffer() override { close(); }

    bool open(const boost::filesystem::path& path)
    {
        handle_ = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE) {
            record(GetLastError());
            return false;
        }
        return true;
    }
    bool close()
    {
        if (handle_ == INVALID_HANDLE_VALUE)
            return true;
        bool ok = CloseHandle(handle_) != FALSE;
        if (!ok)
            record(GetLastError());
        handle_ = INVALID_HANDLE_VALUE;
        return ok;
    }

protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        std::streamsize done = 0;
        while (done < n) {
            DWORD written = 0;
            DWORD want = static_cast<DWORD>(std::min<std::streamsize>(n - done, 1 << 20));
            if (!WriteFile(handle_, s + done, want, &written, nullptr)) {
                record(GetLastError());
                break;
            }
            if (written == 0) { // no error and no progress: the disk is full
                record(ERROR_DISK_FULL);
                break;
            }
            done += written;
        }
        return done;
    }
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        char ch = traits_type::to_char_type(c);
        return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
    }

private:
    static void record(DWORD code)
    {
        _doserrno = code;
        errno = code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL ? ENOSPC : EIO;
    }

    HANDLE handle_ = INVALID_HANDLE_VALUE;
};
#else
class handle_buffer : public std::filebuf {
public:
    bool open(const boost::filesystem::path& path)
    {
        return std::filebuf::open(path.c_str(), std::ios::out | std::ios::binary | std::ios::trunc) != nullptr;
    }
    bool close() { return !is_open() || std::filebuf::close() != nullptr; }
};
#endif

} // namespace

output_file::output_file() : std::ostream(nullptr)
{
    auto buffer = std::make_unique<handle_buffer>();
#ifndef _WIN32
    buffer->pubsetbuf(nullptr, 0); // every chunk reaches the file in its own write
#endif
    buffer_ = std::move(buffer);
    rdbuf(buffer_.get());
}

output_file::~output_file()
{
    static_cast<handle_buffer*>(buffer_.get())->close();
}

void output_file::open(const boost::filesystem::path& path)
{
    if (!static_cast<handle_buffer*>(buffer_.get())->open(path))
        setstate(std::ios::failbit);
}

void output_file::close()
{
    if (!static_cast<handle_buffer*>(buffer_.get())->close())
        setstate(std::ios::failbit);
}

} // namespace tw
