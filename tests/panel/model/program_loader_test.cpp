// Programs as files without a toolkit: reading .hex and .asm texts, loading
// them into the memory table all or nothing, and saving a range as Intel HEX.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "memory/memory_test_support.h"
#include "panel/model/program_loader.h"

namespace kit85::testing {
namespace {

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) {
        if (!out.empty()) out += " | ";
        out += l;
    }
    return out;
}

std::string bytesOf(const std::vector<HexByte>& image) {
    std::string out;
    for (const HexByte& b : image) {
        if (!out.empty()) out += ' ';
        out += Text::word(b.address).str() + "=" + Text::byte(b.value).str();
    }
    return out;
}

void writeFile(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

// Rows from..to as "address=data", read from the table in memory.
std::string rows(const MemoryTable& m, const char* from, int count) {
    std::string out;
    int row = *m.rowOf(Text(from));
    for (int i = 0; i < count; ++i, ++row) {
        if (!out.empty()) out += ' ';
        out += m.addressAt(row).str() + "=" + m.dataAt(row).str();
    }
    return out;
}

TEST(ProgramLoader, KindsByExtension) {
    for (const char* f : {"a.hex", "A.HEX", "a.ihx"}) EXPECT_EQ(programKind(f), ProgramKind::Hex) << f;
    for (const char* f : {"a.asm", "dir.x/A.Asm", "a.a85"}) EXPECT_EQ(programKind(f), ProgramKind::Asm) << f;
    for (const char* f : {"a.txt", "hex", "a.hex.bak", "dir.hex/a"}) EXPECT_EQ(programKind(f), std::nullopt) << f;
}

TEST(ProgramLoader, ReadsTexts) {
    const struct {
        const char* name;
        ProgramKind kind;
        const char* text;
        bool ok;
        const char* bytes;        // address=byte, in the file's order
        int first;                // -1: none
        const char* problem;      // a part of it
        const char* diagnostics;  // joined with " | "
    } cases[] = {
        {"hex, lower first in file order last", ProgramKind::Hex, ":01810000126C\n:01800000ABD4\n:00000001FF\n", true,
         "8100=12 8000=AB", 0x8000, "", ""},
        {"hex, bad checksum", ProgramKind::Hex, ":02810000123438\n:00000001FF\n", false, "", -1, "p.hex: line 1", ""},
        {"hex, no bytes", ProgramKind::Hex, ":00000001FF\n", false, "", -1, "p.hex holds no bytes", ""},
        {"asm", ProgramKind::Asm, "  ORG 8200H\n  MVI A,05H\n  HLT\n", true, "8200=3E 8201=05 8202=76", 0x8200, "", ""},
        {"asm, two errors", ProgramKind::Asm, "  ORG 8000H\n  JMP NOWHERE\n  MVI Q,1\n", false, "", -1,
         "p.hex: 2 errors; nothing was stored", "p.hex:2:"},
    };
    for (const auto& c : cases) {
        const ProgramLoad p = readProgram(c.text, c.kind, "p.hex");
        const std::string got = bytesOf(p.image);
        const int first = p.first ? *p.first : -1;
        const bool problemOk = p.problem.find(c.problem) != std::string::npos && (c.ok == p.problem.empty());
        const bool diagOk =
            std::string(c.diagnostics).empty() ? p.diagnostics.empty() : joined(p.diagnostics).find(c.diagnostics) == 0;
        EXPECT_TRUE(p.ok == c.ok && got == c.bytes && first == c.first && problemOk && diagOk &&
                    p.assembly.has_value() == (c.ok && c.kind == ProgramKind::Asm))
            << c.name << "\n  ok " << p.ok << " (want " << c.ok << ")\n  bytes " << got << " (want " << c.bytes
            << ")\n  first " << first << " (want " << c.first << ")\n  problem " << p.problem << " (want " << c.problem
            << ")\n  diagnostics " << joined(p.diagnostics) << " (want " << c.diagnostics << ")\n  assembly "
            << p.assembly.has_value();
    }
}

// A refused load leaves every row and the cursor as they were.
TEST(ProgramLoader, RefusedLoadsStoreNothing) {
    TempDir dir;
    const std::string table =
        "CREATE TABLE d2 (address TEXT, data TEXT);"
        "INSERT INTO d2 VALUES ('8000','3e'),('8001',' 5'),('8002','00');";
    const struct {
        const char* name;
        std::string sql;
        const char* file;
        const char* text;
        const char* problem;
    } cases[] = {
        {"a row the table lacks", table, "p.asm", "  ORG 8000H\n  DB 1,2,3,4\n", "p.asm: the memory has no row 8003"},
        {"the file refuses the commit",
         table + "CREATE TRIGGER guard BEFORE UPDATE ON d2 BEGIN SELECT RAISE(ABORT, 'read only'); END;", "p.asm",
         "  ORG 8000H\n  DB 1,2,1\n", "read only"},
        {"an assembler error", table, "p.asm", "  ORG 8000H\n  DB 1\n  FOO\n", "p.asm: 1 error"},
        {"not a program's name", table, "p.txt", "", "p.txt is neither"},
        {"a missing file", table, "gone.hex", nullptr, "gone.hex cannot be read"},
    };
    for (const auto& c : cases) {
        const fs::path memoryFile = dir / (std::string(c.name) + ".sqlite");
        sql(memoryFile, c.sql);
        auto memory = MemoryTable::open(memoryFile);
        memory->setCursor(1);
        const fs::path program = dir / c.file;
        fs::remove(program);
        if (c.text) writeFile(program, c.text);
        const ProgramLoad p = loadProgram(*memory, program);
        const std::string got = rows(*memory, "8000", 3);
        const std::string inFile = joined(column(memoryFile, "SELECT data FROM d2 ORDER BY address"));
        const char* want = "8000=3e 8001= 5 8002=00";
        EXPECT_TRUE(!p.ok && p.problem.find(c.problem) != std::string::npos && got == want && memory->cursor() == 1 &&
                    inFile == "3e |  5 | 00")
            << c.name << "\n  ok " << p.ok << "\n  problem " << p.problem << " (want " << c.problem << ")\n  rows "
            << got << " (want " << want << ")\n  cursor " << memory->cursor() << " (want 1)\n  in the file " << inFile;
    }
}

TEST(ProgramLoader, SavesRanges) {
    TempDir dir;
    const fs::path memoryFile = dir / "kit.sqlite";
    sql(memoryFile,
        "CREATE TABLE d2 (address TEXT, data TEXT);"
        "INSERT INTO d2 VALUES ('8000','3E'),('8001','05'),('8002','76'),('8003','3e'),('8004',' 5'),('8005','0');"
        "INSERT INTO d2 VALUES ('FFFE','AA'),('FFFF','BB');");
    auto memory = MemoryTable::open(memoryFile);
    const struct {
        uint16_t start;
        uint32_t length;
        const char* bytes;    // read back with parseIntelHex; empty when refused
        const char* problem;  // a part of it
    } cases[] = {
        {0x8000, 3, "8000=3E 8001=05 8002=76", ""},
        {0xFFFE, 2, "FFFE=AA FFFF=BB", ""},
        {0x8000, 4, "", "row 8003 holds \"3e\", not two upper-case hex digits; nothing was saved"},
        {0x8004, 1, "", "row 8004 holds \" 5\""},
        {0x8005, 1, "", "row 8005 holds \"0\""},
        {0x8002, 8, "", "row 8003"},
        {0x7FFF, 2, "", "the memory has no row 7FFF"},
        {0x8000, 0, "", "the length is 0"},
        {0xFFFF, 2, "", "runs past FFFF"},
    };
    for (const auto& c : cases) {
        const HexSave s = saveRange(*memory, c.start, c.length);
        const IntelHexImage back = parseIntelHex(s.text);
        const std::string got = s.ok && back.ok() ? bytesOf(back.bytes) : "";
        const bool wantOk = std::string(c.problem).empty();
        EXPECT_TRUE(s.ok == wantOk && got == c.bytes && s.problem.find(c.problem) != std::string::npos &&
                    (wantOk || s.text.empty()))
            << Text::word(c.start).str() << "+" << c.length << "\n  ok " << s.ok << "\n  bytes " << got << " (want "
            << c.bytes << ")\n  problem " << s.problem << " (want " << c.problem << ")\n  text " << s.text;
    }
}

}  // namespace
}  // namespace kit85::testing
