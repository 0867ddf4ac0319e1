// Programs as files without a toolkit: reading .hex and .asm texts, loading
// them into the memory table all or nothing, and saving a range as Intel HEX.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "memory/memory_test_support.h"
#include "panel/model/program_loader.h"
#include "values/text_encoding.h"

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

// The window opens the programs the shared list names, but no memory file.
TEST(ProgramLoader, KindsByExtension) {
    for (const char* f : {"a.hex", "A.HEX", "a.ihx"}) EXPECT_EQ(programKind(f), ProgramKind::Hex) << f;
    for (const char* f : {"a.asm", "dir.x/A.Asm", "a.a85", "a.s"}) EXPECT_EQ(programKind(f), ProgramKind::Asm) << f;
    for (const char* f : {"a.txt", "a.hex.bak", "m.sqlite", "m.db"}) EXPECT_EQ(programKind(f), std::nullopt) << f;
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

// The kit's Open reads a source in any encoding an editor saves, and names a
// file that is no text for what it is (not for its first odd byte).
TEST(ProgramLoader, ReadsEachTextEncodingAndRefusesWhatIsNoText) {
    using namespace std::string_literals;
    const struct {
        const char* name;
        std::string bytes;
        const char* result;  // the rows stored, or a part of the problem
    } cases[] = {
        {"utf16.asm", encodeText(" ORG 8000H\n MVI A,5\n", TextEncoding::Utf16Le), "8000=3E 8001=05"},
        {"bom.asm", "\xEF\xBB\xBF ORG 8000H\n MVI A,5\n", "8000=3E 8001=05"},
        {"photo.asm", "\x89PNG\r\n\x1A\n\0\0\0\rIHDR"s,
         "photo.asm is not a text file: it holds NUL bytes; nothing was stored"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        writeFile(dir / c.name, c.bytes);
        auto memory = MemoryTable::fresh();
        const ProgramLoad p = loadProgram(*memory, dir / c.name);
        EXPECT_EQ(p.ok ? rows(*memory, "8000", 2) : p.problem, c.result) << c.name;
    }
}

// 8000 = 3E 05, 7FFF = 11, then 8001 = 06 again: a row below 8000 and an
// address given twice.
constexpr const char* kProgramHex = ":028000003E053B\n:017FFF001170\n:018001000678\n:00000001FF\n";

std::string undoText(const MemoryTable::UndoResult& r) {
    std::string s = r.done ? "done" : "refused: ";
    s.append(r.message);
    for (const auto& e : r.rows)
        s.append(" ").append(e.address.str()).append(":").append(e.old.str()).append(">").append(e.now.str());
    return s;
}

// The steps of the history, newest first, undone ones marked.
std::string edits(const MemoryTable& m) {
    std::string s;
    for (const MemoryTable::Edit& e : m.lastEdits(10)) {
        s.append(std::to_string(e.step)).append(m.undone(e.step) ? " undone:" : ":");
        for (const auto& r : e.rows) s.append(" ").append(r.address.str()).append("=").append(r.now.str());
        s.append("; ");
    }
    return s;
}

void keyAt(MemoryTable& m, const char* address, const char* text) {
    m.findAddress(Text(address));
    m.keyText2(Text(text));
}

// Opening a program is one undo step: undo gives every row its old text back
// (an address given twice its text from before the program), redo puts the
// program back, and in a memory file the step outlives a restart.
TEST(ProgramLoader, AnOpenedProgramIsOneUndoStep) {
    TempDir dir;
    const fs::path program = dir / "p.hex";
    writeFile(program, kProgramHex);
    const fs::path memoryFile = dir / "kit.sqlite";
    for (const bool inFile : {false, true}) {
        SCOPED_TRACE(inFile ? "a memory file" : "a private table");
        std::unique_ptr<MemoryTable> m = inFile ? MemoryTable::open(memoryFile) : MemoryTable::fresh();
        keyAt(*m, "8001", "77");
        const ProgramLoad p = loadProgram(*m, program);
        ASSERT_TRUE(p.ok) << p.problem;
        EXPECT_EQ(rows(*m, "7FFF", 3), "7FFF=11 8000=3E 8001=06");
        EXPECT_EQ(m->addressAt(m->cursor()).str(), "8000");
        EXPECT_EQ(edits(*m), "2: 8000=3E 8001=05 7FFF=11 8001=06; 1: 8001=77; ");

        const char* undone = "done 8001:06>05 7FFF:11>00 8001:05>77 8000:3E>00";
        EXPECT_EQ(undoText(m->undo()), undone);
        EXPECT_EQ(rows(*m, "7FFF", 3), "7FFF=00 8000=00 8001=77");
        EXPECT_EQ(undoText(m->redo()), "done 8000:00>3E 8001:77>05 7FFF:00>11 8001:05>06");
        EXPECT_EQ(rows(*m, "7FFF", 3), "7FFF=11 8000=3E 8001=06");
        if (!inFile) continue;

        m.reset();
        m = MemoryTable::open(memoryFile);
        EXPECT_EQ(undoText(m->undo()), undone) << "after a restart";
        EXPECT_EQ(
            joined(column(memoryFile, "SELECT data FROM d2 WHERE address BETWEEN '7FFF' AND '8001' ORDER BY address")),
            "00 | 00 | 77");
        EXPECT_EQ(undoText(m->undo()), "done 8001:77>00") << "the keyed byte before the program is a step of its own";
    }
}

// A commit the memory file refuses at the open leaves the rows, the history
// and what undo and redo do next as they were, and no later flush saves the
// program's step.
TEST(ProgramLoader, AFailedOpenLeavesTheUndoHistoryAsItWas) {
    const struct {
        const char* name;
        std::vector<std::pair<const char*, const char*>> keyed;  // before the open
        bool undoFirst;                                          // then one undo
        const char* keyAfter;                                    // keyed at 8000 after the open, or null
        bool redo;                                               // then redo, else undo
        const char* want;
    } cases[] = {
        {"nothing keyed", {}, false, nullptr, false, "refused: nothing to undo"},
        {"keyed steps", {{"8000", "11"}, {"8001", "22"}}, false, nullptr, false, "done 8001:22>00"},
        {"an undone step", {{"8000", "11"}, {"8001", "22"}}, true, nullptr, true, "done 8001:00>22"},
        {"a first digit", {{"8000", "1"}}, false, "1E", false, "done 8000:1E>00"},
    };
    TempDir dir;
    const fs::path program = dir / "p.hex";
    writeFile(program, kProgramHex);
    const std::string fileHistory = "SELECT step||' '||address||' '||old||' '||new||' '||undone FROM history";
    const std::string fileRows = "SELECT data FROM d2 WHERE address BETWEEN '7FFF' AND '8001' ORDER BY address";
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path memoryFile = dir / ("kit" + std::to_string(n++) + ".sqlite");
        auto m = MemoryTable::open(memoryFile);
        for (const auto& [address, text] : c.keyed) keyAt(*m, address, text);
        if (c.undoFirst) {
            ASSERT_TRUE(m->undo().done);
        }
        m->setCursor(5);
        const std::string rowsBefore = rows(*m, "7FFF", 3);
        const std::string editsBefore = edits(*m);
        const std::string storedHistory = joined(column(memoryFile, fileHistory));
        const std::string storedRows = joined(column(memoryFile, fileRows));

        sql(memoryFile, "CREATE TRIGGER guard BEFORE UPDATE ON d2 BEGIN SELECT RAISE(ABORT, 'read only'); END");
        const ProgramLoad p = loadProgram(*m, program);
        EXPECT_FALSE(p.ok);
        EXPECT_NE(p.problem.find("refuses writes"), std::string::npos) << p.problem;
        EXPECT_EQ(rows(*m, "7FFF", 3), rowsBefore);
        EXPECT_EQ(m->cursor(), 5);
        EXPECT_EQ(edits(*m), editsBefore);

        sql(memoryFile, "DROP TRIGGER guard");
        m->flush();  // the rows taken back are still pending: their old texts again
        EXPECT_EQ(joined(column(memoryFile, fileRows)), storedRows);
        EXPECT_EQ(joined(column(memoryFile, fileHistory)), storedHistory);
        if (c.keyAfter) keyAt(*m, "8000", c.keyAfter);
        EXPECT_EQ(undoText(c.redo ? m->redo() : m->undo()), c.want);
    }
}

// A run that writes over a program's byte makes its undo refused, changing
// nothing, as for a keyed byte.
// Undo of a program a run wrote over says so once; asked again, it drops that
// step (here and in the file) and goes on with the step before it.
TEST(ProgramLoader, UndoOfAProgramARunWroteOverIsRefusedOnceThenDropped) {
    TempDir dir;
    const fs::path program = dir / "p.hex";
    writeFile(program, kProgramHex);
    const fs::path memoryFile = dir / "kit.sqlite";
    auto m = MemoryTable::open(memoryFile);
    keyAt(*m, "9000", "42");
    ASSERT_TRUE(loadProgram(*m, program).ok);
    m->findAddress(Text("8000"));
    m->setText2(Text("99"));  // as STA would
    m->flush();
    EXPECT_EQ(undoText(m->undo()),
              "refused: cannot undo: row \"8000\" now holds \"99\", not \"3E\" as keyed (a program wrote it since); "
              "nothing was changed; Ctrl+Z again drops this step from the history and undoes the one before it");
    EXPECT_EQ(rows(*m, "7FFF", 3), "7FFF=11 8000=99 8001=06");
    EXPECT_EQ(
        joined(column(memoryFile, "SELECT data FROM d2 WHERE address BETWEEN '7FFF' AND '8001' ORDER BY address")),
        "11 | 99 | 06");
    EXPECT_FALSE(m->undone(m->lastEdits(1)[0].step));

    EXPECT_EQ(undoText(m->undo()), "donedropped the step of 4 rows that a run wrote over 9000:42>00");
    EXPECT_EQ(rows(*m, "7FFF", 3), "7FFF=11 8000=99 8001=06") << "the run's bytes stay";
    m.reset();
    m = MemoryTable::open(memoryFile);
    EXPECT_EQ(edits(*m), "1 undone: 9000=42; ") << "the dropped step is gone from the file";
    EXPECT_EQ(undoText(m->undo()), "refused: nothing to undo");
}

// A memory file whose history cannot be read still takes programs, in one
// commit, without an undo step.
TEST(ProgramLoader, OpensIntoATableWithoutItsHistory) {
    TempDir dir;
    const fs::path program = dir / "p.hex";
    writeFile(program, kProgramHex);
    const fs::path memoryFile = dir / "kit.sqlite";
    sql(memoryFile,
        "CREATE TABLE d2 (address TEXT, data TEXT);"
        "INSERT INTO d2 VALUES ('7FFF','00'),('8000','00'),('8001','00');"
        "CREATE TABLE history (seq INTEGER PRIMARY KEY);");
    auto m = MemoryTable::open(memoryFile);
    ASSERT_FALSE(m->historyProblem().empty());
    const uint64_t commits = m->commits();
    const ProgramLoad p = loadProgram(*m, program);
    ASSERT_TRUE(p.ok) << p.problem;
    EXPECT_EQ(m->commits(), commits + 1);
    EXPECT_EQ(joined(column(memoryFile, "SELECT data FROM d2 ORDER BY address")), "11 | 3E | 06");
    EXPECT_TRUE(m->lastEdits(5).empty());
    EXPECT_EQ(undoText(m->undo()).rfind("refused: the undo history cannot be read", 0), 0u);
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
        uint16_t end;
        const char* bytes;    // read back with parseIntelHex; empty when refused
        const char* problem;  // a part of it
    } cases[] = {
        {0x8000, 0x8002, "8000=3E 8001=05 8002=76", ""},
        {0xFFFE, 0xFFFF, "FFFE=AA FFFF=BB", ""},
        {0x8001, 0x8001, "8001=05", ""},
        {0x8000, 0x8003, "", "row 8003 holds \"3e\", not two upper-case hex digits; nothing was saved"},
        {0x8004, 0x8004, "", "row 8004 holds \" 5\""},
        {0x8005, 0x8005, "", "row 8005 holds \"0\""},
        {0x8002, 0x8009, "", "row 8003"},
        {0x7FFF, 0x8000, "", "the memory has no row 7FFF"},
        {0x8200, 0x8100, "", "the end 8100 is before the start 8200; nothing was saved"},
        {0x8001, 0x8000, "", "the end 8000 is before the start 8001"},
    };
    for (const auto& c : cases) {
        const HexSave s = saveRange(*memory, c.start, c.end);
        const IntelHexImage back = parseIntelHex(s.text);
        const std::string got = s.ok && back.ok() ? bytesOf(back.bytes) : "";
        const bool wantOk = std::string(c.problem).empty();
        EXPECT_TRUE(s.ok == wantOk && got == c.bytes && s.problem.find(c.problem) != std::string::npos &&
                    (wantOk || s.text.empty()))
            << Text::word(c.start).str() << "-" << Text::word(c.end).str() << "\n  ok " << s.ok << "\n  bytes " << got
            << " (want " << c.bytes << ")\n  problem " << s.problem << " (want " << c.problem << ")\n  text " << s.text;
    }
}

// Which rows of an opened source are instructions and which are data, for
// the instructions pane: every spelling of DB and DW the assembler takes, and
// DS's rows, are data, never read as codes.
TEST(ProgramLoader, SortsASourcesRowsIntoInstructionsAndData) {
    auto words = [](const std::vector<uint16_t>& v) {
        std::string out;
        for (uint16_t a : v) {
            if (!out.empty()) out += ' ';
            out += Text::word(a).str();
        }
        return out;
    };
    const struct {
        const char* dialect;
        const char* data;
    } cases[] = {
        {"DB", "DB 3EH,05H"},     {"lower case db", "db 3eh,05h"}, {"DEFB", "DEFB 3EH,05H"},
        {"DFB", "DFB 3EH,05H"},   {".DB", ".DB 3EH,05H"},          {"DEFM", "DEFM 3EH,05H"},
        {"DW", "DW 053EH"},       {".DW", ".DW 053EH"},            {"DEFW", "DEFW 053EH"},
        {"a label and a tab", "T:	DB	3EH,05H"},
    };
    for (const auto& c : cases) {
        const std::string source = std::string("\tORG 8000H\n\tMVI A,1\n\tJMP NEXT\n") + c.data +
                                   "\nNEXT:\tHLT\n";
        const ProgramLoad p = readProgram(source, ProgramKind::Asm, "p.asm", {});
        ASSERT_TRUE(p.ok) << c.dialect << ": " << joined(p.diagnostics);
        EXPECT_EQ(words(p.program.instructions), "8000 8002 8007") << c.dialect;
        EXPECT_EQ(words(p.program.data), "8005 8006") << c.dialect;
    }
}

}  // namespace
}  // namespace kit85::testing
