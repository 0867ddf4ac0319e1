#include "cli/fd_stream.h"

#include <unistd.h>

#include <cerrno>

namespace kit85 {

FdBuffer::int_type FdBuffer::overflow(int_type c) {
    drain();
    if (error_) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int FdBuffer::sync() {
    drain();
    return error_ ? -1 : 0;
}

void FdBuffer::drain() {
    for (const char* p = pbase(); p < pptr() && !error_;) {
        ssize_t n = ::write(fd_, p, static_cast<std::size_t>(pptr() - p));
        if (n > 0)
            p += n;
        else if (n == 0)
            error_ = EIO;
        else if (errno != EINTR)
            error_ = errno;
    }
    setp(buf_, buf_ + sizeof buf_);
}

}  // namespace kit85
