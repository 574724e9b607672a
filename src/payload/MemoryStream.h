// basic_imemstream: an input stream over a memory block that it does not own (the payload
// resource stays where the loader mapped it). Seeking is supported so that a caller can rewind.
#pragma once

#include <cstddef>
#include <istream>
#include <streambuf>

namespace sv {

template <typename Char, typename Traits = std::char_traits<Char>>
class basic_imembuf : public std::basic_streambuf<Char, Traits> {
public:
    using base = std::basic_streambuf<Char, Traits>;
    using typename base::off_type;
    using typename base::pos_type;

    basic_imembuf() noexcept = default;
    basic_imembuf(const Char* data, std::size_t size) noexcept {
        Char* begin = const_cast<Char*>(data);  // never written through: the get area is read-only
        this->setg(begin, begin, begin + size);
    }
    basic_imembuf(const basic_imembuf&) = default;
    basic_imembuf& operator=(const basic_imembuf&) = default;

protected:
    pos_type seekoff(off_type offset, std::ios_base::seekdir dir, std::ios_base::openmode which) override {
        if (!(which & std::ios_base::in)) return pos_type(off_type(-1));
        off_type base_offset = 0;
        if (dir == std::ios_base::cur) base_offset = this->gptr() - this->eback();
        else if (dir == std::ios_base::end) base_offset = this->egptr() - this->eback();
        const off_type target = base_offset + offset;
        if (target < 0 || target > this->egptr() - this->eback()) return pos_type(off_type(-1));
        this->setg(this->eback(), this->eback() + target, this->egptr());
        return pos_type(target);
    }
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override {
        return seekoff(off_type(position), std::ios_base::beg, which);
    }
};

template <typename Char, typename Traits = std::char_traits<Char>>
class basic_imemstream : public std::basic_istream<Char, Traits> {
public:
    basic_imemstream() : std::basic_istream<Char, Traits>(nullptr) { this->init(&buffer_); }
    basic_imemstream(const Char* data, std::size_t size)
        : std::basic_istream<Char, Traits>(nullptr), buffer_(data, size) {
        this->init(&buffer_);
    }
    basic_imemstream(basic_imemstream&& other)
        : std::basic_istream<Char, Traits>(std::move(other)), buffer_(other.buffer_) {
        this->set_rdbuf(&buffer_);
    }
    basic_imemstream& operator=(basic_imemstream&& other) {
        std::basic_istream<Char, Traits>::operator=(std::move(other));
        buffer_ = other.buffer_;
        this->set_rdbuf(&buffer_);
        return *this;
    }

    // Bytes in the block, whatever the read position.
    std::size_t size() const noexcept { return buffer_.size(); }

private:
    class buffer_type : public basic_imembuf<Char, Traits> {
    public:
        using basic_imembuf<Char, Traits>::basic_imembuf;
        std::size_t size() const noexcept { return static_cast<std::size_t>(this->egptr() - this->eback()); }
    };
    buffer_type buffer_;
};

using imemstream = basic_imemstream<char>;

}  // namespace sv
