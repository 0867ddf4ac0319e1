#pragma once

// A stream buffer over a file descriptor, written with write(2), so that a
// write that fails (a full disk, a closed descriptor, a reader that went
// away) is known with its reason. Once one failed the rest is dropped and
// the stream using the buffer goes bad, so a writer can stop early.

#include <streambuf>

namespace kit85 {

class FdBuffer : public std::streambuf {
public:
    explicit FdBuffer(int fd) : fd_(fd) { setp(buf_, buf_ + sizeof buf_); }
    int error() const { return error_; }  // errno of the first failed write, or 0

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    void drain();

    int fd_;
    char buf_[1 << 16];
    int error_ = 0;
};

}  // namespace kit85
