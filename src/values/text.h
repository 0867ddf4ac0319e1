#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kit85 {

// One text of the kit: a register field, a flag caption, a display or the data
// of a memory row.
//
// The kit keeps every value as text, and odd texts matter: "3e" is no opcode,
// " 5" and "5 " convert to different numbers, and a move copies a text exactly
// as it stands. So a Text can hold any string.
//
// Nearly every text in a run, though, is a short run of upper-case hex digits
// ("3E", "8000", the five digits of a conversion). Those, up to eight digits,
// are kept as their value and digit count: copying, comparing, cutting and
// converting them is a few machine instructions and never allocates. Any other
// string is kept on the heap. The two forms never overlap: a string of at most
// eight upper-case hex digits is always held in the first form, so equal texts
// always have equal representations.
class Text {
public:
    static constexpr unsigned kMaxDigits = 8;

    Text() noexcept = default;  // the empty text
    Text(std::string_view s);
    Text(const char* s) : Text(std::string_view(s)) {}
    Text(const std::string& s) : Text(std::string_view(s)) {}

    Text(const Text& o) : value_(o.value_), size_(o.size_) {
        if (o.other_) other_ = std::make_unique<std::string>(*o.other_);
    }
    Text(Text&& o) noexcept = default;
    Text& operator=(const Text& o) {
        if (this != &o) {
            value_ = o.value_;
            size_ = o.size_;
            if (o.other_ || other_) other_ = o.other_ ? std::make_unique<std::string>(*o.other_) : nullptr;
        }
        return *this;
    }
    Text& operator=(Text&& o) noexcept = default;

    // `count` upper-case hex digits spelling `value` (count <= 8; the value is
    // cut to that many digits).
    static Text digits(uint32_t value, unsigned count) noexcept {
        Text t;
        t.size_ = static_cast<uint8_t>(count);
        t.value_ = count >= 8 ? value : (value & ((1u << (4 * count)) - 1u));
        return t;
    }
    static Text byte(uint32_t value) noexcept { return digits(value, 2); }
    // *this = byte(value) for a text that holds hex digits now (so there is
    // no string to free): the run loop's store.
    void replaceHexWithByte(uint8_t value) noexcept {
        value_ = value;
        size_ = 2;
    }
    static Text word(uint32_t value) noexcept { return digits(value, 4); }

    // True when the text is nothing but upper-case hex digits, at most eight.
    bool isHex() const noexcept { return !other_; }
    // The value of those digits; meaningful only when isHex().
    uint32_t hexValue() const noexcept { return value_; }
    // True when the text is exactly two upper-case hex digits (a canonical
    // byte) or exactly four (a canonical address or pair).
    bool isByte() const noexcept { return !other_ && size_ == 2; }
    bool isWord() const noexcept { return !other_ && size_ == 4; }
    // True when the text is exactly `count` upper-case hex digits with this value.
    bool is(uint32_t value, unsigned count) const noexcept { return !other_ && size_ == count && value_ == value; }

    std::size_t size() const noexcept { return other_ ? other_->size() : size_; }
    bool empty() const noexcept { return size() == 0; }
    std::string str() const;
    char at(std::size_t i) const;  // 0-based; the caller keeps i < size()

    // The string functions the kit's rules are written in. Hex-digit texts
    // take the inline path; any other text goes the long way.
    Text right(std::size_t n) const {  // last n characters
        if (!other_) return n >= size_ ? *this : digits(value_, static_cast<unsigned>(n));
        return rightOther(n);
    }
    Text left(std::size_t n) const {  // first n characters
        if (!other_ && n > 0 && n < size_) return digits(value_ >> (4 * (size_ - n)), static_cast<unsigned>(n));
        return leftOther(n);
    }
    Text mid(std::size_t start1, std::size_t n) const {  // n characters from 1-based start1
        if (!other_ && start1 >= 1 && start1 <= size_ && n > 0 && n <= size_ - (start1 - 1))
            return digits(value_ >> (4 * (size_ - (start1 - 1) - n)), static_cast<unsigned>(n));
        return midOther(start1, n);
    }
    Text trimmed() const {          // blanks removed from both ends
        if (!other_) return *this;  // hex digits carry no blanks
        return trimmedOther();
    }

    friend Text operator+(const Text& a, const Text& b) {
        if (!a.other_ && !b.other_ && a.size_ + b.size_ <= kMaxDigits) {
            uint64_t v = (static_cast<uint64_t>(a.value_) << (4 * b.size_)) | b.value_;
            return digits(static_cast<uint32_t>(v), a.size_ + b.size_);
        }
        return joinOther(a, b);
    }
    friend bool operator==(const Text& a, const Text& b) noexcept {
        if (!a.other_ && !b.other_) return a.size_ == b.size_ && a.value_ == b.value_;
        if (a.other_ && b.other_) return *a.other_ == *b.other_;
        return false;
    }

private:
    Text rightOther(std::size_t n) const;
    Text leftOther(std::size_t n) const;
    Text midOther(std::size_t start1, std::size_t n) const;
    Text trimmedOther() const;
    static Text joinOther(const Text& a, const Text& b);

    uint32_t value_ = 0;
    uint8_t size_ = 0;
    std::unique_ptr<std::string> other_;
};

// Printing a text in test failures and messages.
std::ostream& operator<<(std::ostream& os, const Text& t);

}  // namespace kit85
