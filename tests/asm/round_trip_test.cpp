// Every code of the 8085 that has a mnemonic, read back by the disassembler
// and assembled again, gives its bytes back.
#include <gtest/gtest.h>

#include <array>

#include "asm_support.h"
#include "isa/disassembler.h"
#include "isa/opcode_table.h"
#include "memory/memory_table.h"

namespace kit85::testing {
namespace {

// The disassembler writes as the kit's displays show: "LXI H,8050", hex digits
// without a suffix, and "RST 1 (invalid code)". Intel's source wants the hex
// operand as 08050H and the plain mnemonic.
std::string asSource(const Disassembly& d, int length) {
    std::string text = d.text;
    const std::string invalid = " (invalid code)";
    if (text.ends_with(invalid)) text.erase(text.size() - invalid.size());
    if (length == 1) return text;
    std::size_t start = text.find_last_of(" ,") + 1;
    if (text[start] >= 'A') text.insert(start, 1, '0');
    return text + "H";
}

TEST(RoundTrip, EveryCodeWithAMnemonicAssemblesBackToItsBytes) {
    auto memory = MemoryTable::fresh();
    const int row = *memory->rowOf(Text("8000"));
    int codes = 0;
    // Two sets of operand bytes: one whose hex starts with a digit, one with a letter.
    for (const std::array<uint8_t, 2>& data :
         {std::array<uint8_t, 2>{0x50, 0x80}, std::array<uint8_t, 2>{0xFE, 0xA5}}) {
        for (int code = 0; code < 256; ++code) {
            const isa::Opcode& o = isa::kOpcodes[code];
            if (o.gap) continue;
            ++codes;
            const uint8_t bytes[3] = {static_cast<uint8_t>(code), data[0], data[1]};
            memory->setCursor(row);
            for (int i = 0; i < 3; ++i, memory->MoveNext()) memory->setText2(Text::byte(bytes[i]));
            const std::string text = asSource(disassembleAt(*memory, row), o.length);
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
    EXPECT_EQ(codes, 2 * 246) << "every code but the ten gaps";
}

}  // namespace
}  // namespace kit85::testing
