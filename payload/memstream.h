#pragma once
// In-memory byte streams: a read-only view over memory that is not ours (a
// locked resource), and a growing read/write buffer (the gathered header).
#include <algorithm>
#include <cstddef>
#include <istream>
#include <streambuf>
#include <vector>

namespace tw {

// Reads straight from [data, data + size); seekable; never copies.
template <class Ch, class Tr = std::char_traits<Ch>>
class basic_imemstreambuf : public std::basic_streambuf<Ch, Tr> {
public:
    using base = std::basic_streambuf<Ch, Tr>;
    using typename base::int_type;
    using typename base::off_type;
    using typename base::pos_type;

    basic_imemstreambuf(const Ch* data, std::size_t size)
    {
        Ch* p = const_cast<Ch*>(data); // the get area is never written through
        this->setg(p, p, p + size);
    }

protected:
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override
    {
        if (!(which & std::ios_base::in))
            return pos_type(off_type(-1));
        off_type base_pos = dir == std::ios_base::beg ? 0
                            : dir == std::ios_base::cur ? this->gptr() - this->eback()
                                                        : this->egptr() - this->eback();
        off_type target = base_pos + off;
        if (target < 0 || target > this->egptr() - this->eback())
            return pos_type(off_type(-1));
        this->setg(this->eback(), this->eback() + target, this->egptr());
        return pos_type(target);
    }
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override
    {
        return seekoff(off_type(pos), std::ios_base::beg, which);
    }
    std::streamsize showmanyc() override
    {
        std::streamsize left = this->egptr() - this->gptr();
        return left ? left : -1;
    }
};

template <class Ch, class Tr = std::char_traits<Ch>>
class basic_imemstream : public std::basic_istream<Ch, Tr> {
public:
    basic_imemstream() : basic_imemstream(nullptr, 0) {}
    basic_imemstream(const Ch* data, std::size_t size)
        : std::basic_istream<Ch, Tr>(nullptr), buf_(data, size), size_(size)
    {
        this->init(&buf_);
    }
    basic_imemstream(const basic_imemstream&) = delete;
    basic_imemstream& operator=(const basic_imemstream&) = delete;

    std::size_t size() const { return size_; }

private:
    basic_imemstreambuf<Ch, Tr> buf_;
    std::size_t size_;
};

// A growing buffer: writes always append at the end, reads follow their own
// (seekable) position.
template <class Ch, class Tr = std::char_traits<Ch>>
class basic_memstreambuf : public std::basic_streambuf<Ch, Tr> {
public:
    using base = std::basic_streambuf<Ch, Tr>;
    using typename base::int_type;
    using typename base::off_type;
    using typename base::pos_type;

    const std::vector<Ch>& data() const { return data_; }

protected:
    std::streamsize xsputn(const Ch* s, std::streamsize n) override
    {
        std::size_t read_at = current_read();
        data_.insert(data_.end(), s, s + n);
        reset_get(read_at);
        return n;
    }
    int_type overflow(int_type c) override
    {
        if (Tr::eq_int_type(c, Tr::eof()))
            return Tr::not_eof(c);
        Ch ch = Tr::to_char_type(c);
        xsputn(&ch, 1);
        return c;
    }
    int_type underflow() override
    {
        std::size_t read_at = current_read();
        reset_get(read_at);
        return read_at < data_.size() ? Tr::to_int_type(data_[read_at]) : Tr::eof();
    }
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override
    {
        if (!(which & std::ios_base::in))
            return pos_type(off_type(-1));
        off_type base_pos = dir == std::ios_base::beg ? 0
                            : dir == std::ios_base::cur ? off_type(current_read())
                                                        : off_type(data_.size());
        off_type target = base_pos + off;
        if (target < 0 || target > off_type(data_.size()))
            return pos_type(off_type(-1));
        reset_get(std::size_t(target));
        return pos_type(target);
    }
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override
    {
        return seekoff(off_type(pos), std::ios_base::beg, which);
    }

private:
    std::size_t current_read() const { return this->eback() ? std::size_t(this->gptr() - this->eback()) : 0; }
    void reset_get(std::size_t at)
    {
        Ch* p = data_.data();
        this->setg(p, p + at, p + data_.size());
    }

    std::vector<Ch> data_;
};

template <class Ch, class Tr = std::char_traits<Ch>>
class basic_memstream : public std::basic_iostream<Ch, Tr> {
public:
    basic_memstream() : std::basic_iostream<Ch, Tr>(nullptr) { this->init(&buf_); }
    basic_memstream(const basic_memstream&) = delete;
    basic_memstream& operator=(const basic_memstream&) = delete;

    std::size_t size() const { return buf_.data().size(); }
    const Ch* data() const { return buf_.data().data(); }

private:
    basic_memstreambuf<Ch, Tr> buf_;
};

using imemstream = basic_imemstream<char>;
using memstream = basic_memstream<char>;

} // namespace tw
