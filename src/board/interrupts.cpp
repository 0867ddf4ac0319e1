#include "board/interrupts.h"

#include <array>
#include <cctype>

namespace kit85::board {
namespace {

constexpr std::array<std::string_view, kLineCount> kNames = {"TRAP", "RST 7.5", "RST 6.5", "RST 5.5", "INTR"};
constexpr std::array<uint16_t, kLineCount> kVectors = {0x0024, 0x003C, 0x0034, 0x002C, 0};

std::string squeezed(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != ' ' && c != '.' && c != '_') out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

std::string_view lineName(Line l) { return kNames[static_cast<std::size_t>(l)]; }
uint16_t vectorOf(Line l) { return kVectors[static_cast<std::size_t>(l)]; }

std::optional<Line> lineNamed(std::string_view name) {
    const std::string want = squeezed(name);
    for (int i = 0; i < kLineCount; ++i)
        if (squeezed(kNames[static_cast<std::size_t>(i)]) == want) return static_cast<Line>(i);
    return std::nullopt;
}

uint8_t Interrupts::rim() {
    const bool ie = afterTrap_ ? ieBeforeTrap_ : ie_;
    afterTrap_ = false;
    return static_cast<uint8_t>(sid_ << 7 | ff75_ << 6 | line(Line::Rst65) << 5 | line(Line::Rst55) << 4 | ie << 3 |
                                masks_);
}

void Interrupts::sim(uint8_t a, std::string* said) {
    std::string words;
    if (a & 0x08) {
        masks_ = a & 7;
        words += "masks M7.5 M6.5 M5.5 := " + std::to_string(a >> 2 & 1) + std::to_string(a >> 1 & 1) +
                 std::to_string(a & 1);
    } else {
        words += "masks kept (MSE 0)";
    }
    if (a & 0x10) {
        words += ff75_ ? "; the pending RST 7.5 dropped (R7.5)" : "; the RST 7.5 flip-flop reset (R7.5)";
        ff75_ = false;
    }
    if (a & 0x40) {
        sod_ = a & 0x80;
        words += std::string("; SOD := ") + (sod_ ? "1" : "0");
    }
    if (said) *said = "SIM " + words;
}

void Interrupts::setLine(Line l, bool high) {
    const bool was = line(l);
    const uint8_t bit = static_cast<uint8_t>(1u << int(l));
    lines_ = high ? lines_ | bit : lines_ & ~bit;
    if (high && !was) {
        if (l == Line::Trap) trap_ = true;
        if (l == Line::Rst75) ff75_ = true;
    }
    if (!high) {
        if (l == Line::Trap) trap_ = false;  // TRAP wants the line high until it is taken
        held_ &= static_cast<uint8_t>(~bit);
    }
}

void Interrupts::request(Line l) {
    setLine(l, false);
    setLine(l, true);
    if (l == Line::Rst75) {
        setLine(l, false);  // the flip-flop keeps the edge
        return;
    }
    held_ |= static_cast<uint8_t>(1u << int(l));
}

bool Interrupts::masked(Line l) const {
    switch (l) {
        case Line::Rst75: return masks_ & 4;
        case Line::Rst65: return masks_ & 2;
        case Line::Rst55: return masks_ & 1;
        default: return false;
    }
}

std::optional<Line> Interrupts::pending() const {
    if (trapDue()) return Line::Trap;
    if (!ie_) return std::nullopt;
    if (ff75_ && !masked(Line::Rst75)) return Line::Rst75;
    for (Line l : {Line::Rst65, Line::Rst55})
        if (line(l) && !masked(l)) return l;
    if (line(Line::Intr)) return Line::Intr;
    return std::nullopt;
}

void Interrupts::acknowledge(Line l) {
    if (l == Line::Trap) {
        ieBeforeTrap_ = ie_;
        afterTrap_ = true;
        trap_ = false;
    } else {
        afterTrap_ = false;
    }
    ie_ = false;
    shadow_ = false;
    if (l == Line::Rst75) ff75_ = false;
    const uint8_t bit = static_cast<uint8_t>(1u << int(l));
    if (held_ & bit) setLine(l, false);
}

std::string Interrupts::whyDue(Line l) const {
    if (l == Line::Trap) return "TRAP taken: its line went high and is not masked by IE or SIM";
    std::string why = std::string(lineName(l)) + " taken: ";
    if (l == Line::Rst75)
        why += "its flip-flop holds an edge, M7.5 is 0";
    else if (l == Line::Intr)
        why += "the line is high";
    else
        why += "the line is high, M" + std::string(lineName(l).substr(4)) + " is 0";
    return why + ", IE is 1";
}

bool Interrupts::couldWake(Line l) const {
    if (l == Line::Trap) return true;
    return ie_ && !masked(l);
}

}  // namespace kit85::board
