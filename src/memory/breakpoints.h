#pragma once

// A set of breakpoints: addresses of four hex digits where Execute stops
// before running the instruction there.
//
// The set is 65,536 bits indexed by the address's value, so the run loop's
// test is one bit read (and is skipped when the set is empty). A row whose
// address text is anything but four upper-case hex digits never matches: the
// run asks about the row's text as it stands. Addresses given to the set may
// use either case; "80a0" and "80A0" are the same breakpoint.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "values/ascii.h"
#include "values/text.h"

namespace kit85 {

class Breakpoints {
public:
    // The value of an address of exactly four hex digits of either case.
    static std::optional<uint16_t> parse(std::string_view address) {
        if (address.size() != 4) return std::nullopt;
        unsigned v = 0;
        for (char c : address) {
            const int d = hexDigitValue(c);
            if (d < 0) return std::nullopt;
            v = v * 16 + static_cast<unsigned>(d);
        }
        return static_cast<uint16_t>(v);
    }

    bool empty() const { return count_ == 0; }
    std::size_t size() const { return count_; }
    bool contains(uint16_t address) const { return (bits_[address >> 6] >> (address & 63)) & 1u; }
    // The run loop's test: is the row with this address text a breakpoint?
    bool at(const Text& rowAddress) const {
        return rowAddress.isWord() && contains(static_cast<uint16_t>(rowAddress.hexValue()));
    }

    void insert(uint16_t address) {
        if (!contains(address)) ++count_;
        bits_[address >> 6] |= uint64_t{1} << (address & 63);
    }
    void erase(uint16_t address) {
        if (contains(address)) --count_;
        bits_[address >> 6] &= ~(uint64_t{1} << (address & 63));
    }
    void insertAll(const Breakpoints& other) {
        for (uint16_t a : other.addresses()) insert(a);
    }
    void clear() {
        bits_.fill(0);
        count_ = 0;
    }

    // Every address in the set, ascending.
    std::vector<uint16_t> addresses() const {
        std::vector<uint16_t> out;
        out.reserve(count_);
        for (std::size_t w = 0; w < bits_.size(); ++w)
            for (uint64_t b = bits_[w]; b; b &= b - 1)
                out.push_back(static_cast<uint16_t>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(b))));
        return out;
    }

private:
    std::array<uint64_t, 1024> bits_{};
    std::size_t count_ = 0;
};

}  // namespace kit85
