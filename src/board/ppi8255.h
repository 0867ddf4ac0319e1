#pragma once

// The 8255 programmable peripheral interface in mode 0: ports A, B and C and
// the control register at base+0 ... base+3.
//
// Control word (written to base+3):
//   1 gg a cu g b cl   mode set: group modes gg and g (0 is mode 0; the others
//                      are taken as mode 0), a = port A input, cu = port C
//                      upper input, b = port B input, cl = port C lower input;
//                      every output latch is cleared to 00
//   0 xxx bbb s        bit set/reset: port C's bit bbb := s
// A port set as output gives its latch when read; one set as input gives
// what the device on it drives. After reset every port is an input.

#include <cstdint>
#include <string>

namespace kit85::board {

class Ppi8255 {
public:
    // Port registers by offset from the base.
    enum Reg : uint8_t { PortA = 0, PortB = 1, PortC = 2, Control = 3 };

    void reset() { *this = Ppi8255{}; }
    // The bits of register r that are outputs now (Control: none).
    uint8_t outputMask(uint8_t r) const;
    // What the pins of port r carry: the latch on the output bits, `driven`
    // on the input bits.
    uint8_t pins(uint8_t r, uint8_t driven) const {
        const uint8_t out = outputMask(r);
        return static_cast<uint8_t>((latch_[r] & out) | (driven & ~out));
    }
    // A read of register r (the control register reads FF).
    uint8_t read(uint8_t r, uint8_t driven) const { return r == Control ? 0xFF : pins(r, driven); }
    // A write of v to register r; `said` receives what it did in words. Returns
    // the ports whose output pins may have changed (bit per port A B C).
    uint8_t write(uint8_t r, uint8_t v, std::string* said = nullptr);
    uint8_t control() const { return control_; }
    uint8_t latch(uint8_t r) const { return latch_[r]; }

private:
    uint8_t control_ = 0x9B;  // mode 0, every port an input
    uint8_t latch_[3] = {0, 0, 0};
};

}  // namespace kit85::board
