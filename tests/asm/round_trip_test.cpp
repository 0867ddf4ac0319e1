// Every code of the 8085 that has a mnemonic, disassembled to text from the
// opcode table and assembled again, gives its bytes back.
#include <gtest/gtest.h>

#include <array>

#include "asm_support.h"
#include "isa/opcode_table.h"

namespace kit85::testing {
namespace {

// An operand as Intel writes it: hex with an H, a leading 0 before a letter.
std::string hexOperand(unsigned value, int digits) {
    std::string s = digits == 4 ? hexByte(value >> 8) + hexByte(value & 0xFF) : hexByte(value);
    if (s[0] >= 'A') s.insert(0, 1, '0');
    return s + "H";
}

// The instruction at `bytes` as text: "MVI A,05H", "LXI H,8050H", "JNZ 0A0FFH".
std::string disassemble(const uint8_t* bytes) {
    const isa::Opcode& o = isa::kOpcodes[bytes[0]];
    std::string text = o.mnemonic;
    if (o.length == 1) return text;
    text += text.find(' ') == std::string::npos ? " " : ",";
    return text + (o.length == 2 ? hexOperand(bytes[1], 2) : hexOperand(bytes[1] | bytes[2] << 8, 4));
}

TEST(RoundTrip, EveryCodeWithAMnemonicAssemblesBackToItsBytes) {
    int codes = 0;
    // Two sets of operand bytes: one whose hex starts with a digit, one with a letter.
    for (const std::array<uint8_t, 2>& data :
         {std::array<uint8_t, 2>{0x50, 0x80}, std::array<uint8_t, 2>{0xFE, 0xA5}}) {
        for (int code = 0; code < 256; ++code) {
            const isa::Opcode& o = isa::kOpcodes[code];
            if (std::string_view(o.mnemonic) == "-") continue;
            ++codes;
            const uint8_t bytes[3] = {static_cast<uint8_t>(code), data[0], data[1]};
            std::string text = disassemble(bytes);
            std::string want;
            for (int i = 0; i < o.length; ++i) {
                if (i) want += ' ';
                want += hexByte(bytes[i]);
            }
            assembler::Assembly a = assembler::assemble(text);
            EXPECT_EQ(bytesText(a), want) << "code " << hexByte(code) << " as \"" << text << "\"\n"
                                          << diagnosticsText(a);
        }
    }
    EXPECT_GE(codes, 2 * 236) << "the opcode table names fewer codes than the kit carries out";
}

}  // namespace
}  // namespace kit85::testing
