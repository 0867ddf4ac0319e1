#pragma once

// A set of watchpoints: rows whose reading or writing by an instruction stops
// Execute right after that instruction.
//
// One access mask per address (kWatchRead, kWatchWrite), indexed by the
// address's value, so the run loop's test for a row an instruction touched
// is one byte read; a run with no watchpoints never looks at the set.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kit85 {

inline constexpr uint8_t kWatchRead = 1;
inline constexpr uint8_t kWatchWrite = 2;
inline constexpr uint8_t kWatchBoth = kWatchRead | kWatchWrite;

// "r", "w" or "rw" for an access mask ("" for none).
constexpr std::string_view watchAccessName(uint8_t access) {
    switch (access & kWatchBoth) {
        case kWatchRead: return "r";
        case kWatchWrite: return "w";
        case kWatchBoth: return "rw";
    }
    return "";
}

class Watchpoints {
public:
    struct Entry {
        uint16_t address;
        uint8_t access;
    };

    bool empty() const { return count_ == 0; }
    std::size_t size() const { return count_; }
    uint8_t access(uint16_t address) const { return modes_[address]; }

    // Sets the row's access mask; 0 removes the watchpoint.
    void set(uint16_t address, uint8_t access) {
        access &= kWatchBoth;
        if (modes_[address] == 0 && access != 0) ++count_;
        if (modes_[address] != 0 && access == 0) --count_;
        modes_[address] = access;
    }
    void erase(uint16_t address) { set(address, 0); }
    void clear() {
        modes_.fill(0);
        count_ = 0;
    }

    // Every watchpoint, by ascending address.
    std::vector<Entry> entries() const {
        std::vector<Entry> out;
        out.reserve(count_);
        for (std::size_t a = 0; a < modes_.size() && out.size() < count_; ++a)
            if (modes_[a]) out.push_back({static_cast<uint16_t>(a), modes_[a]});
        return out;
    }

private:
    std::array<uint8_t, 65536> modes_{};
    std::size_t count_ = 0;
};

}  // namespace kit85
