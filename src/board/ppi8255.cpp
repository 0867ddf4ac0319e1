#include "board/ppi8255.h"

#include "board/hex.h"

namespace kit85::board {
uint8_t Ppi8255::outputMask(uint8_t r) const {
    switch (r) {
        case PortA: return control_ & 0x10 ? 0x00 : 0xFF;
        case PortB: return control_ & 0x02 ? 0x00 : 0xFF;
        case PortC: return static_cast<uint8_t>((control_ & 0x08 ? 0x00 : 0xF0) | (control_ & 0x01 ? 0x00 : 0x0F));
        default: return 0;
    }
}

uint8_t Ppi8255::write(uint8_t r, uint8_t v, std::string* said) {
    if (r != Control) {
        latch_[r] = v;
        if (said && outputMask(r) != 0xFF)
            *said = std::string("8255 port ") + "ABC"[r] + (outputMask(r) ? " is partly an input" : " is an input") +
                    ": its latch takes " + hexByte(v) +
                    (outputMask(r) ? ", only the output bits show it" : ", its pins do not");
        return static_cast<uint8_t>(1u << r);
    }
    if (v & 0x80) {
        control_ = v;
        latch_[0] = latch_[1] = latch_[2] = 0;
        if (said) {
            auto dir = [](bool input) { return input ? "in" : "out"; };
            *said = "8255 mode set " + hexByte(v) + ": A " + dir(v & 0x10) + ", B " + dir(v & 0x02) + ", C upper " +
                    dir(v & 0x08) + ", C lower " + dir(v & 0x01) + "; every output latch cleared to 00";
            if (v & 0x64) *said += " (modes 1 and 2 are taken as mode 0)";
        }
        return 7;
    }
    const unsigned bit = v >> 1 & 7;
    if (v & 1)
        latch_[PortC] = static_cast<uint8_t>(latch_[PortC] | 1u << bit);
    else
        latch_[PortC] = static_cast<uint8_t>(latch_[PortC] & ~(1u << bit));
    if (said) *said = "8255 bit set/reset " + hexByte(v) + ": PC" + std::to_string(bit) + " := " + (v & 1 ? "1" : "0");
    return 4;
}

}  // namespace kit85::board
