#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

Run it again only to change the seeds; the files it writes are committed.

memory_file: small SQLite files, good and bad memory files alike; pages of
512 bytes keep each at a few pages.
intel_hex: a few small files, good and bad.
lab: lab check files, the worked labs and deep nesting among them.
assembler: sources, deep nesting, long lines and long EQU chains among them.
engine: recipes for fuzz_engine.cpp. FuzzedDataProvider takes numbers from the
end of the input backwards, so a recipe is its numbers in the order the target
asks for them, reversed. Keep Recipe in step with fuzz_engine.cpp.
"""
import os
import sqlite3

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
OUT = os.path.join(CORPUS, "memory_file")

PROGRAM = [("8000", "3E"), ("8001", "05"), ("8002", "76"), ("8003", "00")]


def make(name, *statements, rows=None, journal="DELETE"):
    path = os.path.join(OUT, name)
    for suffix in ("", "-journal", "-wal", "-shm"):
        if os.path.exists(path + suffix):
            os.remove(path + suffix)
    db = sqlite3.connect(path, isolation_level=None)
    db.execute("PRAGMA page_size=512")
    db.execute("PRAGMA journal_mode=%s" % journal)
    db.execute("BEGIN")
    for s in statements:
        db.execute(s)
    if rows is not None:
        db.executemany("INSERT INTO d2 (address, data) VALUES (?, ?)", rows)
    db.execute("COMMIT")
    db.execute("VACUUM")
    db.close()


def memory_files():
    os.makedirs(OUT, exist_ok=True)
    d2 = "CREATE TABLE d2 (address TEXT, data TEXT)"
    make("good", d2, rows=PROGRAM)
    make("good_wal", d2, rows=PROGRAM, journal="WAL")
    make("odd_texts", d2,
         rows=[("8000", "3e"), ("8001", " 5"), ("8002", ""), ("8003", None), ("80 04", "76"),
               ("8005", "FFFFFFFFF"), ("800a", "76 "), (None, "00"), ("8000", "11")])
    make("empty_d2", d2, rows=[])
    make("d2_view", "CREATE TABLE t (address TEXT, data TEXT)",
         "INSERT INTO t VALUES ('8000', '3E'), ('8001', '76')",
         "CREATE VIEW d2 AS SELECT address, data FROM t")
    make("no_data_column", "CREATE TABLE d2 (address TEXT, value TEXT)",
         "INSERT INTO d2 VALUES ('8000', '3E')")
    make("no_address_column", "CREATE TABLE d2 (addr TEXT, data TEXT)",
         "INSERT INTO d2 VALUES ('8000', '3E')")
    make("no_d2", "CREATE TABLE d1 (address TEXT, data TEXT)",
         "INSERT INTO d1 VALUES ('8000', '3E')")
    make("upper_case_columns", "CREATE TABLE d2 (ADDRESS TEXT, Data TEXT, note TEXT)", rows=PROGRAM)
    make("without_rowid", "CREATE TABLE d2 (address TEXT PRIMARY KEY, data TEXT) WITHOUT ROWID", rows=PROGRAM)
    make("integer_columns", "CREATE TABLE d2 (address INTEGER, data INTEGER)",
         "INSERT INTO d2 VALUES (8000, 62), (8001, 5), (8002, 118)")
    make("numeric_data", "CREATE TABLE d2 (address TEXT, data NUMERIC)", rows=PROGRAM)
    make("untyped_columns", "CREATE TABLE d2 (address, data)", rows=PROGRAM)
    make("with_index_and_trigger", d2,
         "CREATE INDEX d2_address ON d2 (address)",
         "CREATE TRIGGER d2_keep BEFORE UPDATE ON d2 BEGIN SELECT RAISE(ABORT, 'read only'); END",
         rows=PROGRAM)
    with open(os.path.join(OUT, "good"), "rb") as f:
        good = f.read()
    with open(os.path.join(OUT, "truncated"), "wb") as f:
        f.write(good[: len(good) // 2])
    with open(os.path.join(OUT, "empty"), "wb") as f:
        pass
    with open(os.path.join(OUT, "not_sqlite"), "wb") as f:
        f.write(b"address,data\n8000,3E\n8001,76\n")


def write(folder, name, data):
    path = os.path.join(CORPUS, folder)
    os.makedirs(path, exist_ok=True)
    with open(os.path.join(path, name), "wb") as f:
        f.write(data)


def hex_record(rtype, address, data):
    b = [len(data), address >> 8, address & 0xFF, rtype] + list(data)
    b.append((0x100 - sum(b) % 0x100) % 0x100)
    return ":" + "".join("%02X" % x for x in b)


def intel_hex():
    eof = ":00000001FF"
    files = {
        "program": [hex_record(0, 0x8000, [0x3E, 0x05, 0x76]), eof],
        "two_runs": [hex_record(0, 0x8000, range(16)), hex_record(0, 0x8010, [1, 2]),
                     hex_record(0, 0x9000, [0xAA]), eof],
        "segment_and_linear": [hex_record(2, 0, [0x08, 0x00]), hex_record(0, 0x10, [7, 8]),
                               hex_record(4, 0, [0, 0]), hex_record(0, 0xFFFE, [1, 2]), eof],
        "start_records": [hex_record(3, 0, [0, 0, 0x80, 0]), hex_record(5, 0, [0, 0, 0x80, 0]),
                          hex_record(0, 0, [0]), eof],
        "address_twice": [hex_record(0, 0x8000, [1, 2, 3]), hex_record(0, 0x8001, [9]), eof],
        "bad_checksum": [":038000003E0576C5", eof],
        "no_end": [hex_record(0, 0x8000, [1])],
    }
    for name, lines in files.items():
        write("intel_hex", name, "\n".join(lines).encode() + b"\n")
    write("intel_hex", "crlf_lower_case", ("  " + hex_record(0, 0x8000, [0xAB, 0xCD]).lower() + " \r\n\r\n"
                                           + eof + "\r\n").encode())


class Recipe:
    """The numbers fuzz_engine.cpp asks for, in its order."""

    def __init__(self):
        self.numbers = []

    def byte(self, v):
        self.numbers.append(v & 0xFF)
        return self

    def word(self, v):  # high byte first
        return self.byte(v >> 8).byte(v)

    def data(self):
        return bytes(reversed(self.numbers))


def engine_round(r, writes=(), registers=None, presses=()):
    r.byte(len(writes))
    for offset, value in writes:  # near the program; a byte or one of kOddTexts by index
        r.byte(1).byte(offset)
        if isinstance(value, int):
            r.byte(1).byte(value)
        else:
            r.byte(0).byte(0).byte(value[0])
    order = ["A", "B", "C", "D", "E", "H", "L", "F", "PC", "SP"]
    for name in order:
        v = (registers or {}).get(name)
        if v is None:
            r.byte(0)
        else:
            r.byte(2).word(v)
    for _ in range(5):
        r.byte(0)
    r.byte(0)  # the cursor on the program's first row
    r.byte(len(presses))
    for times in presses:
        r.byte(times - 1)


def engine_recipe(program, writes=(), registers=None, presses=(), later_rounds=()):
    r = Recipe().byte(1).byte(len(program))  # at 8000
    for b in program:
        r.byte(b)
    engine_round(r, writes, registers, presses)
    for later in later_rounds:
        engine_round(r, **later)
    return r.data()


def engine():
    write("engine", "mvi_hlt", engine_recipe([0x3E, 0x05, 0x76], presses=[1, 3]))
    write("engine", "endless_jump", engine_recipe([0xC3, 0x00, 0x80], presses=[8]))
    # LXI H,8080; MOV A,M; ADI 01; MOV M,A; INX H; MOV A,M; HLT over "3e" and " 5" at 8080 and 8081.
    write("engine", "odd_memory", engine_recipe([0x21, 0x80, 0x80, 0x7E, 0xC6, 0x01, 0x77, 0x23, 0x7E, 0x76],
                                                writes=[(0x80, (3,)), (0x81, (4,))]))
    # LXI H,8080; MOV A,M; INX H; ADD M; ADD B; HLT over 3E and "5 ".
    write("engine", "odd_operands", engine_recipe([0x21, 0x80, 0x80, 0x7E, 0x23, 0x86, 0x80, 0x76],
                                                  writes=[(0x80, 0x3E), (0x81, (5,))],
                                                  registers={"B": 0x3E, "SP": 0x9000}))
    # LXI SP,9000; CALL 8010; HLT ... 8010: PUSH B; POP D; DAD D; RET
    sub = [0x31, 0x00, 0x90, 0xCD, 0x10, 0x80, 0x76] + [0] * 9 + [0xC5, 0xD1, 0x19, 0xC9]
    write("engine", "call_push_pop", engine_recipe(sub, registers={"B": 0x1234, "H": 0x80}, presses=[2, 2]))
    write("engine", "odd_opcode", engine_recipe([0x00, 0x00], writes=[(1, (3,)), (2, (4,))], presses=[1]))
    write("engine", "invalid_code", engine_recipe([0x08, 0x76]))
    # MVI A,05; HLT run, then the same program over with A's field and 8001 made odd.
    write("engine", "two_rounds", engine_recipe([0x3E, 0x05, 0x76], presses=[1],
                                                later_rounds=[dict(writes=[(1, (3,))], presses=[2])]))
    # A program reached through Find at an odd cursor, from plain random bytes.
    write("engine", "random", bytes((i * 73 + 41) % 256 for i in range(512)))


def assembler():
    """Sources for fuzz_assembler.cpp: the first byte picks the radix (its low
    two bits: 10, 16, 2, 8) and the silenced warnings (the bits above)."""
    def source(name, text, first=0):
        write("assembler", name, bytes([first]) + text.encode("utf-8"))
    with open(os.path.join(HERE, "..", "examples", "bcd_add.asm"), encoding="utf-8") as f:
        source("bcd_add", f.read())
    source("every_directive", "ORG 8000H\nN EQU 5\nS SET 1\nS SET S+1\nDB 'AB',N,-1\nDW $,LATER\n"
           "DS 2\nDS 3,0FFH\nLATER: MVI A,HIGH 1234H OR LOW 5 SHL 2 MOD 3\nRADIX 16\nLXI H,0F000\nEND LATER\n")
    source("dialects", "\ufeffCPU \"8085.TBL\"\nHOF \"INT8\"\nTITLE sum: a & b\n.8085\n.org 8000H\n"
           "SUM ADD D // comment\n# comment\nDEFB 1,\"two\"\nDEFW 1234H\nDEFS 2,7\nEND: HLT\nEND\nNOP\n")
    source("radix16", "ORG 8000\nLXI H,F000\nMVI A,0A\nJNZ 2002\nDB 0B,1010B,12D,17Q\n", first=1)
    source("traps_and_hints", "MVI A,29\nMVI B,45\nADD B\nDAA\nJNZ 2002\nADD 8\nMOV M A\ndcrr b\n"
           "Skip: JC Skp\nDB 0b1010,0x1FH\nLXI B,F000\nRST 1\nPCHL\n")
    source("errors", "JMP NOWHERE\nMVI A,300\nMOV M,M\nX EQU Y\nY EQU X\nDB 'ABC'+1\nDS 65537\n"
           "ORG 0FFFFH\nNOP\nMVI A,5\nDW 0FFFFFFFFH*0FFFFFFFFH\n")
    source("deep_parens", "DW " + "(" * 150 + "1" + ")" * 150 + "\n")
    source("deep_unary", "DW " + "- NOT HIGH " * 60 + "1\n")
    source("long_line", "ORG 8000H\nDB 1" + ",1" * 1500 + "\n")
    source("long_token", "JMP " + "X" * 3000 + "\n")
    chain = "".join("E%d EQU E%d+1\n" % (i, i + 1) for i in range(300)) + "E300 EQU 1\nDW E0\n"
    source("equ_chain", chain)
    source("equ_loop", "".join("R%d EQU R%d\n" % (i, (i + 1) % 20) for i in range(20)) + "DB R0\n")
    source("wrap", "ORG 0FFFEH\nDS 2\nEND_OF: DB 1\n")


def lab():
    """Lab files for fuzz_lab.cpp: the worked labs, every key, and the nesting
    the reader must refuse before its TOML parser recurses on it."""
    labs = os.path.join(HERE, "..", "examples", "labs")
    for name in sorted(os.listdir(labs)):
        if name.endswith(".toml"):
            with open(os.path.join(labs, name), "rb") as f:
                write("lab", name[:-5], f.read())
    write("lab", "every_key", b"""name = "x"
description = "d"
accepts = ["asm", "memory"]
at = "9000"
[limits]
steps = 500
tstates = 9000
unwritten_rows = 4
[[case]]
name = "a"
points = 3
hidden = true
memory = { "8050" = "34 12", "8060-8063" = "EE" }
registers = { A = "3a" }
flags = { CY = 1 }
[case.expect]
memory = { "8054" = "46" }
stop = "halt"
steps = { min = 2, max = 40 }
seconds = { max = 0.5 }
unchanged_outside = ["8054"]
[[case]]
name = "r"
[case.reference]
program = "r.hex"
runs = 7
seed = 9
inputs = { "8051" = { count = 4, min = "10", max = 32 } }
compare = ["8051-8054"]
""")
    write("lab", "deep_key", b'name = "x"\n' + b"a." * 200 + b"b = 1\n")
    write("lab", "deep_header", b'name = "x"\n[' + b"a." * 200 + b"b]\n")
    write("lab", "deep_array", b'name = "x"\nv = ' + b"[" * 300 + b"]" * 300 + b"\n")
    write("lab", "strings", b'name = """a.b.c\n[[{""""\nd = \'\'\'x.y\'\'\'\ne = \'p.q\' # r.s.t\n')


if __name__ == "__main__":
    memory_files()
    intel_hex()
    engine()
    assembler()
    lab()
