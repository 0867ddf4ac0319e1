// The editor's Qt-free parts: the colours of a source line, read by the
// assembler's own lexer, and the map from lines to the memory they filled.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "asm/assembler.h"
#include "asm/lexer.h"
#include "memory/memory_table.h"
#include "panel/model/source_map.h"
#include "panel/model/source_styles.h"

namespace kit85 {
namespace {

using S = SourceStyle;

// "LOOP:Label DCR:Mnemonic C:Register" from the runs, text as in the line.
std::string describe(std::string_view line, const std::vector<StyledRun>& runs) {
    static const char* const kNames[] = {"Default",  "Comment", "Label",  "Mnemonic", "Directive",
                                         "Register", "Number",  "String", "Operator", "Error"};
    std::string out;
    for (const StyledRun& r : runs) {
        if (!out.empty()) out += ' ';
        out += std::string(line.substr(r.start, r.length)) + ":" + kNames[static_cast<int>(r.style)];
    }
    return out;
}

struct StyleCase {
    const char* line;
    const char* styled;
};

TEST(SourceStyles, EachTokenAsTheAssemblerTakesIt) {
    const StyleCase cases[] = {
        {"LOOP:   DCR C", "LOOP:Label ::Operator DCR:Mnemonic C:Register"},
        {"        MVI A,05H ; five", "MVI:Mnemonic A:Register ,:Operator 05H:Number ; five:Comment"},
        {"COUNT   EQU 4", "COUNT:Label EQU:Directive 4:Number"},
        {"        ORG 8000H", "ORG:Directive 8000H:Number"},
        {"        .org 8000h", ".org:Directive 8000h:Number"},
        {"MSG:    DB 'HI',0", "MSG:Label ::Operator DB:Directive 'HI':String ,:Operator 0:Number"},
        {"        LXI SP,NUM1+2", "LXI:Mnemonic SP:Register ,:Operator NUM1:Default +:Operator 2:Number"},
        {"        PUSH PSW", "PUSH:Mnemonic PSW:Register"},
        {"        JMP $", "JMP:Mnemonic $:Number"},
        {"        MVI A,#5", "MVI:Mnemonic A:Register ,:Operator #:Operator 5:Number"},
        {"START   MVI A,1", "START:Label MVI:Mnemonic A:Register ,:Operator 1:Number"},
        {"        RST 7 // other comment", "RST:Mnemonic 7:Number // other comment:Comment"},
        {"# a hash comment", "# a hash comment:Comment"},
        {"        DB 'open", "DB:Directive 'open:Error"},
        {"        MVI A,`5", "MVI:Mnemonic A:Register ,:Operator `5:Error"},
        {"        DW 'a;b'  ; quote", "DW:Directive 'a;b':String ; quote:Comment"},
        {"", ""},
    };
    for (const StyleCase& c : cases) EXPECT_EQ(describe(c.line, styleLine(c.line)), c.styled) << c.line;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Over whole sources: the runs are the lexer's tokens exactly, and what is
// coloured a label or an operation is what the assembler made the line's
// label and operation.
TEST(SourceStyles, AgreeWithTheAssemblerOverWholeSources) {
    const std::string sources[] = {
        readFile(std::string(KIT85_EXAMPLES) + "/bcd_add.asm"),
        "; a block move\n        ORG 8000H\nSRC     EQU 8100H\n        LXI H,SRC\n        LXI D,DST\n"
        "        MVI C,LEN\nNEXT:   MOV A,M\n        STAX D\n        INX H\n        INX D\n        DCR C\n"
        "        JNZ NEXT\n        HLT\nDST:    DS 10H\nLEN     EQU 10H\nTAB:    DB 1,2,3,'x'\n"
        "        DW TAB, 1234H\n        END\n",
    };
    for (const std::string& source : sources) {
        ASSERT_FALSE(source.empty());
        const assembler::Assembly a = assembler::assemble(source);
        ASSERT_TRUE(a.ok()) << (a.diagnostics.empty() ? "" : a.diagnostics[0].format("source"));
        for (const assembler::AssembledLine& line : a.lines) {
            const std::vector<StyledRun> runs = styleLine(line.source);
            const assembler::LexedLine lexed = assembler::lexLine(line.source);
            std::size_t t = 0;
            for (const StyledRun& r : runs) {
                const std::string text = line.source.substr(r.start, r.length);
                if (r.style == S::Comment) {
                    EXPECT_EQ(r.start + 1, lexed.commentColumn) << line.source;
                    continue;
                }
                ASSERT_LT(t, lexed.tokens.size()) << line.source;
                EXPECT_EQ(r.start + 1, lexed.tokens[t].column) << line.source;
                EXPECT_EQ(text, lexed.tokens[t].text) << line.source;
                ++t;
                if (r.style == S::Label) {
                    EXPECT_EQ(text, line.label) << line.source;
                }
                if (r.style == S::Mnemonic || r.style == S::Directive) {
                    EXPECT_EQ(line.statement.substr(0, text.size()), text) << line.source;
                }
            }
            EXPECT_EQ(t, lexed.tokens.size()) << line.source;
        }
    }
}

const char* const kProgram =
    "        ORG 8000H\n"    // 1
    "START:  MVI C,03H\n"    // 2  8000
    "LOOP:   DCR C\n"        // 3  8002
    "        JNZ LOOP\n"     // 4  8003
    "        HLT\n"          // 5  8006
    "DATA:   DB 11H,22H\n";  // 6  8007

// The table with the program's bytes in it.
std::unique_ptr<MemoryTable> loaded(const assembler::Assembly& a) {
    auto m = MemoryTable::fresh();
    for (const HexByte& b : a.bytes()) {
        m->findAddress(Text::word(b.address));
        m->setText2(Text::byte(b.value));
    }
    return m;
}

TEST(SourceMap, LinesAndAddressesBothWays) {
    const assembler::Assembly a = assembler::assemble(kProgram);
    const SourceMap map(a);
    struct {
        uint16_t address;
        int line;  // 0: no instruction starts there
    } const cases[] = {{0x8000, 2}, {0x8001, 0}, {0x8002, 3}, {0x8003, 4}, {0x8006, 5}, {0x8007, 0}, {0x7FFF, 0}};
    for (const auto& c : cases) {
        const std::optional<std::size_t> e = map.instructionAt(c.address);
        EXPECT_EQ(e ? map.entries()[*e].line : 0, c.line) << std::hex << c.address;
    }
    EXPECT_EQ(map.labelAt(0x8002), "LOOP");
    EXPECT_EQ(map.labelAt(0x8007), "DATA");
    EXPECT_EQ(map.labelAt(0x8003), "");
    ASSERT_TRUE(map.entryAt(0x8007));
    EXPECT_EQ(map.entries()[*map.entryAt(0x8007)].line, 6);
    EXPECT_FALSE(map.entryAt(0x8008));  // inside DATA, not where it starts
    ASSERT_TRUE(map.entryOfLine(6));
    EXPECT_FALSE(map.entries()[*map.entryOfLine(6)].instruction);
    EXPECT_FALSE(map.entryOfLine(1));  // ORG makes no bytes
}

// Data in every spelling the assembler takes is no instruction to stop on.
TEST(SourceMap, DataInAnySpellingIsNoInstruction) {
    for (const char* data :
         {"DB 1,2", "DW 1234H", ".DEFB 1,2", ".DFB 1,2", ".DEFM 'AB'", ".DEFW 1", "DS 2,0FFH", ".DEFS 2,0"}) {
        const SourceMap map(assembler::assemble(std::string("        ORG 8000H\n        ") + data + "\n        HLT\n"));
        ASSERT_TRUE(map.entryOfLine(2)) << data;
        EXPECT_FALSE(map.entries()[*map.entryOfLine(2)].instruction) << data;
        EXPECT_EQ(map.instructionAt(0x8002), map.entryOfLine(3)) << data;
    }
}

TEST(SourceMap, AnAssemblyWithErrorsMapsNothing) {
    EXPECT_TRUE(SourceMap(assembler::assemble("        ORG 8000H\n        JMP NOWHERE\n")).empty());
}

TEST(SourceMap, ABytesKeyedSinceEndsTheClaimOfItsLineOnly) {
    const assembler::Assembly a = assembler::assemble(kProgram);
    const SourceMap map(a);
    auto m = loaded(a);
    EXPECT_TRUE(map.changed(*m).empty());
    EXPECT_EQ(changedNote(map, map.changed(*m)), "");

    struct {
        const char* address;
        const char* text;
        const char* note;
    } const cases[] = {
        {"8004", "90",
         "memory changed since this source was loaded: line 4 (8003) no longer matches; F8 loads it again"},
        {"8004", "02", ""},  // the byte put back: the line is claimed again
        {"8008", "22", ""},
        {"8008", "2",
         "memory changed since this source was loaded: line 6 (8007) no longer matches; F8 loads it again"},
    };
    for (const auto& c : cases) {
        m->findAddress(Text(c.address));
        m->setText2(Text(c.text));
        EXPECT_EQ(changedNote(map, map.changed(*m)), c.note) << c.address << "=" << c.text;
    }
}

TEST(SourceMap, TheNoteCountsWhatItDoesNotName) {
    const assembler::Assembly a = assembler::assemble(kProgram);
    const SourceMap map(a);
    auto m = MemoryTable::fresh();  // nothing of the program in it
    EXPECT_EQ(changedNote(map, map.changed(*m), 2),
              "memory changed since this source was loaded: line 2 (8000), line 3 (8002) and 3 more no longer match; "
              "F8 loads it again");
}

TEST(SourceMap, RecoveryNamesKeepSourcesApart) {
    struct {
        const char* path;
        const char* stem;
    } const cases[] = {{"", "untitled.asm"}, {"/home/s/lab1.asm", "lab1-"}, {"/tmp/a b;c.a85", "a_b_c-"}};
    for (const auto& c : cases) EXPECT_EQ(recoveryFileName(c.path).rfind(c.stem, 0), 0u) << c.path;
    EXPECT_NE(recoveryFileName("/home/s/lab1.asm"), recoveryFileName("/home/t/lab1.asm"));
    EXPECT_EQ(recoveryFileName("/home/s/lab1.asm"), recoveryFileName("/home/s/lab1.asm"));
    EXPECT_EQ(recoveryFileName("/x/../../etc/passwd").find('/'), std::string::npos);
}

}  // namespace
}  // namespace kit85
