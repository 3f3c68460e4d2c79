#pragma once
// The file the extractor writes a body into: an output stream that raises on
// failure, unbuffered, with the failed call's code left where the runtime
// keeps it (_doserrno, errno). On Windows it writes through the handle
// itself: the C runtime turns a write that stops short on a full disk into
// a failure without any system code.
#include <boost/filesystem/path.hpp>
#include <memory>
#include <ostream>

namespace tw {

class output_file : public std::ostream {
public:
    output_file();
    ~output_file() override;
    output_file(const output_file&) = delete;
    output_file& operator=(const output_file&) = delete;

    // Creates or truncates `path`; sets failbit when it cannot.
    void open(const boost::filesystem::path& path);
    // Sets failbit when closing fails.
    void close();

private:
    std::unique_ptr<std::streambuf> buffer_;
};

} // namespace tw
