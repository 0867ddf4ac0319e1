#pragma once

// Real 8085 programs for measuring the run loop, each running to its HLT
// after tens of millions of instructions. Programs are written with a tiny
// label-resolving assembler so they read like listings.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kit85::bench {

class Asm {
public:
    explicit Asm(uint16_t org) : org_(org) {}
    uint16_t here() const { return static_cast<uint16_t>(org_ + bytes_.size()); }
    Asm& label(const std::string& name) {
        labels_[name] = here();
        return *this;
    }
    Asm& op(std::initializer_list<int> b) {
        for (int x : b) bytes_.push_back(static_cast<uint8_t>(x));
        return *this;
    }
    // A three-byte instruction whose operand is a label (jumps and calls).
    Asm& to(int opcode, const std::string& target) {
        bytes_.push_back(static_cast<uint8_t>(opcode));
        fixups_.push_back({bytes_.size(), target});
        bytes_.push_back(0);
        bytes_.push_back(0);
        return *this;
    }
    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> out = bytes_;
        for (auto& [at, name] : fixups_) {
            uint16_t a = labels_.at(name);
            out[at] = a & 0xFF;
            out[at + 1] = a >> 8;
        }
        return out;
    }
    uint16_t org() const { return org_; }

private:
    uint16_t org_;
    std::vector<uint8_t> bytes_;
    std::map<std::string, uint16_t> labels_;
    std::vector<std::pair<std::size_t, std::string>> fixups_;
};

struct Workload {
    std::string name;
    uint16_t start = 0x8000;
    std::vector<uint8_t> program;
    // Reads memory after the run (address -> data text) and says whether the
    // program computed what it should.
    std::function<bool(const std::function<std::string(uint16_t)>& peek)> check;
};

// Opcodes used below.
enum : int {
    NOP = 0x00,
    LXI_B = 0x01,
    LXI_D = 0x11,
    LXI_H = 0x21,
    LXI_SP = 0x31,
    INX_H = 0x23,
    INX_D = 0x13,
    DCX_B = 0x0B,
    DCX_H = 0x2B,
    MVI_A = 0x3E,
    MVI_B = 0x06,
    MVI_C = 0x0E,
    MVI_D = 0x16,
    MVI_E = 0x1E,
    DCR_B = 0x05,
    DCR_C = 0x0D,
    DCR_D = 0x15,
    DCR_E = 0x1D,
    DCR_A = 0x3D,
    INR_C = 0x0C,
    INR_D = 0x14,
    MOV_A_B = 0x78,
    MOV_A_C = 0x79,
    MOV_A_D = 0x7A,
    MOV_A_M = 0x7E,
    MOV_B_M = 0x46,
    MOV_M_A = 0x77,
    MOV_M_B = 0x70,
    MOV_C_B = 0x48,
    MOV_E_C = 0x59,
    MOV_A_B2 = 0x78,
    ORA_A = 0xB7,
    ORA_C = 0xB1,
    XRA_A = 0xAF,
    CMP_M = 0xBE,
    ADC_M = 0x8E,
    LDAX_D = 0x1A,
    DAA = 0x27,
    CMA = 0x2F,
    RAL = 0x17,
    DAD_H = 0x29,
    DAD_D = 0x19,
    STA = 0x32,
    LDA = 0x3A,
    SHLD = 0x22,
    JMP = 0xC3,
    JNZ = 0xC2,
    JZ = 0xCA,
    JC = 0xDA,
    JNC = 0xD2,
    CALL = 0xCD,
    RET = 0xC9,
    PUSH_B = 0xC5,
    PUSH_D = 0xD5,
    PUSH_PSW = 0xF5,
    POP_B = 0xC1,
    POP_D = 0xD1,
    POP_PSW = 0xF1,
    HLT = 0x76,
};

inline int hexByte(const std::string& s) { return s.size() == 2 ? std::stoi(s, nullptr, 16) : -1; }

// A 16-bit countdown in BC inside an 8-bit countdown in D: 64 x 65535 x 4.
inline Workload delayLoop() {
    Asm a(0x8000);
    a.op({MVI_D, 0x40});
    a.label("outer").op({LXI_B, 0xFF, 0xFF});
    a.label("inner").op({DCX_B, MOV_A_B, ORA_C}).to(JNZ, "inner");
    a.op({DCR_D}).to(JNZ, "outer");
    a.op({MOV_A_D, STA, 0x00, 0x88, HLT});
    return {"delay loop", 0x8000, a.bytes(), [](auto peek) { return peek(0x8800) == "00"; }};
}

// 40 times: fill 9000..90FF with FF, FE, ..., 00, then bubble-sort it
// ascending (the worst case: every pass swaps).
inline Workload bubbleSort() {
    Asm a(0x8000);
    a.op({MVI_E, 40});
    a.label("again").op({LXI_H, 0x00, 0x90, MVI_C, 0x00});
    a.label("fill").op({MOV_A_C, CMA, MOV_M_A, INX_H, INR_C}).to(JNZ, "fill");
    a.label("pass").op({MVI_D, 0x00, LXI_H, 0x00, 0x90, MVI_C, 0xFF});
    a.label("compare").op({MOV_A_M, INX_H, CMP_M}).to(JC, "next").to(JZ, "next");
    a.op({MOV_B_M, MOV_M_A, DCX_H, MOV_M_B, INX_H, INR_D});
    a.label("next").op({DCR_C}).to(JNZ, "compare");
    a.op({MOV_A_D, ORA_A}).to(JNZ, "pass");
    a.op({DCR_E}).to(JNZ, "again");
    a.op({HLT});
    return {"bubble sort", 0x8000, a.bytes(), [](auto peek) {
                for (int i = 0; i < 256; ++i)
                    if (hexByte(peek(0x9000 + i)) != i) return false;
                return true;
            }};
}

// Shift-and-add multiply in a subroutine that saves what it uses on the
// stack, called for every multiplier FF..01 with itself as multiplicand,
// 256 x 10 times. The last product (01 x 01) is left at 8800.
inline Workload multiply() {
    Asm a(0x8000);
    a.op({LXI_SP, 0x00, 0xA0, MVI_A, 10, STA, 0x10, 0x88});
    a.label("rep").op({MVI_E, 0x00});
    a.label("outer").op({MVI_B, 0xFF});
    a.label("inner").op({MOV_C_B}).to(CALL, "mul").op({SHLD, 0x00, 0x88, DCR_B}).to(JNZ, "inner");
    a.op({DCR_E}).to(JNZ, "outer");
    a.op({LDA, 0x10, 0x88, DCR_A, STA, 0x10, 0x88}).to(JNZ, "rep");
    a.op({HLT});
    // HL := B x C
    a.label("mul").op({PUSH_B, PUSH_D, PUSH_PSW, LXI_H, 0x00, 0x00, MVI_D, 0x00, MOV_E_C, MOV_A_B, MVI_C, 0x08});
    a.label("bit").op({DAD_H, RAL}).to(JNC, "skip").op({DAD_D});
    a.label("skip").op({DCR_C}).to(JNZ, "bit");
    a.op({POP_PSW, POP_D, POP_B, RET});
    return {"multiply (CALL/PUSH/POP)", 0x8000, a.bytes(),
            [](auto peek) { return peek(0x8800) == "01" && peek(0x8801) == "00" && peek(0x8810) == "00"; }};
}

// Clears the 32-byte BCD number at 9000, then adds the one at 9100 (= 1) to it 65536
// times, with ADC and DAA byte by byte: 9000 ends holding 65536 in BCD.
inline Workload bcdAddition() {
    Asm a(0x8000);
    a.op({LXI_H, 0x00, 0x90, MVI_C, 32, XRA_A});
    a.label("clear").op({MOV_M_A, INX_H, DCR_C}).to(JNZ, "clear");
    a.op({MVI_A, 0x01, STA, 0x00, 0x91, XRA_A, STA, 0x10, 0x88});
    a.label("outer").op({MVI_B, 0x00});
    a.label("add").op({LXI_H, 0x00, 0x90, LXI_D, 0x00, 0x91, MVI_C, 32, XRA_A});
    a.label("digit").op({LDAX_D, ADC_M, DAA, MOV_M_A, INX_H, INX_D, DCR_C}).to(JNZ, "digit");
    a.op({DCR_B}).to(JNZ, "add");
    a.op({LDA, 0x10, 0x88, DCR_A, STA, 0x10, 0x88}).to(JNZ, "outer");
    a.op({HLT});
    return {"BCD addition (DAA)", 0x8000, a.bytes(), [](auto peek) {
                return peek(0x9000) == "36" && peek(0x9001) == "55" && peek(0x9002) == "06" && peek(0x9003) == "00";
            }};
}

inline std::vector<Workload> allWorkloads() { return {delayLoop(), bubbleSort(), multiply(), bcdAddition()}; }

}  // namespace kit85::bench
