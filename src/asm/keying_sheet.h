#pragma once

// The keying sheet: a program as a student keys it into the kit, one row per
// byte in keying order (ascending address) with the instruction the byte
// belongs to, the line's label and comment, and an empty box to tick once the
// byte is keyed. As CSV for spreadsheets, and as HTML that prints on A4 with
// the table header repeated on every page (the window prints it to PDF).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "asm/assembler.h"

namespace kit85::assembler {

struct SheetRow {
    uint16_t address = 0;
    uint8_t byte = 0;
    std::string instruction;  // the statement the byte belongs to: "MVI A,05H", "DB 'AB'"; cut to
                              // 40 characters and "..." after its first byte
    std::string label;        // on the statement's first byte only
    std::string comment;      // on the statement's first byte only
    bool first = false;       // the statement's first byte
    bool jump = false;        // not the byte after the previous row: press Address here
};

std::vector<SheetRow> keyingRows(const Assembly& assembly);

// Header "address,byte,mnemonic,label,comment,done", then a row per byte;
// addresses as four hex digits, bytes as two, "done" left empty.
std::string keyingSheetCsv(const Assembly& assembly);

// A whole HTML page; `title` (the source's name) heads it.
std::string keyingSheetHtml(const Assembly& assembly, std::string_view title);

}  // namespace kit85::assembler
