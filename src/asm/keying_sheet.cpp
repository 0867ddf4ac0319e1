#include "asm/keying_sheet.h"

#include <algorithm>

#include "values/ascii.h"
#include "values/document_text.h"

namespace kit85::assembler {
namespace {

// A statement's text on the rows after its first: at most this many
// characters, so that the sheet grows with the program, not with the square
// of a long line's length.
constexpr std::size_t kMostRepeated = 40;

std::string excerpt(const std::string& statement) {
    if (statement.size() <= kMostRepeated) return statement;
    std::size_t cut = kMostRepeated;
    while (cut > 0 && (static_cast<unsigned char>(statement[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
    return statement.substr(0, cut) + "...";
}


constexpr std::string_view kStyle = R"(@page { size: A4; margin: 15mm 12mm; }
body { font-family: sans-serif; font-size: 10pt; color: #000; }
h1 { font-size: 14pt; margin: 0 0 4pt 0; }
p { margin: 0 0 8pt 0; }
table { border-collapse: collapse; width: 100%; }
thead { display: table-header-group; }
tr { break-inside: avoid; page-break-inside: avoid; }
th, td { border: 1px solid #777; padding: 2pt 5pt; text-align: left; vertical-align: top; }
th { background: #e8e8e8; }
td.address, td.byte { font-family: monospace; font-size: 11pt; white-space: nowrap; }
td.byte { font-weight: bold; }
tr.more td.instruction { color: #888; }
tr.jump td { border-top: 2.5pt solid #000; }
td.done { width: 14pt; }
td.done span { display: inline-block; width: 9pt; height: 9pt; border: 1px solid #000; }
)";

}  // namespace

std::vector<SheetRow> keyingRows(const Assembly& a) {
    std::vector<SheetRow> rows;
    for (const AssembledLine& l : a.lines) {
        for (std::size_t i = 0; i < l.bytes.size(); ++i) {
            SheetRow r;
            r.address = static_cast<uint16_t>(*l.address + i);
            r.byte = l.bytes[i];
            r.first = i == 0;
            r.instruction = r.first ? l.statement : excerpt(l.statement);
            if (r.first) r.label = l.label, r.comment = l.comment;
            rows.push_back(std::move(r));
        }
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const SheetRow& x, const SheetRow& y) { return x.address < y.address; });
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].jump = i == 0 || rows[i].address != rows[i - 1].address + 1;
    return rows;
}

std::string keyingSheetCsv(const Assembly& a) {
    std::string out = "address,byte,mnemonic,label,comment,done\n";
    for (const SheetRow& r : keyingRows(a))
        out += hexDigits(r.address, 4) + ',' + hexDigits(r.byte, 2) + ',' + csvField(r.instruction) + ',' + csvField(r.label) +
               ',' + csvField(r.comment) + ",\n";
    return out;
}

std::string keyingSheetHtml(const Assembly& a, std::string_view title) {
    std::vector<SheetRow> rows = keyingRows(a);
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Keying sheet: " + htmlText(title) +
        "</title>\n<style>\n" + std::string(kStyle) + "</style>\n</head>\n<body>\n";
    out += "<h1>Keying sheet: " + htmlText(title) + "</h1>\n<p>";
    if (rows.empty()) {
        out += "The program places no bytes.";
    } else {
        out += std::to_string(rows.size()) + (rows.size() == 1 ? " byte" : " bytes") + ", " +
               hexDigits(rows.front().address, 4) + " to " + hexDigits(rows.back().address, 4) +
               ". On a row under a thick line press Address and key its address; then key each byte, press Next "
               "and tick its box.";
    }
    out +=
        "</p>\n<table>\n<thead><tr><th>Address</th><th>Byte</th><th>Instruction</th><th>Label</th>"
        "<th>Comment</th><th>Done</th></tr></thead>\n<tbody>\n";
    for (const SheetRow& r : rows) {
        std::string classes = std::string(r.first ? "" : "more") + (r.jump ? (r.first ? "jump" : " jump") : "");
        out += classes.empty() ? "<tr>" : "<tr class=\"" + classes + "\">";
        out += "<td class=\"address\">" + hexDigits(r.address, 4) + "</td><td class=\"byte\">" + hexDigits(r.byte, 2) +
               "</td><td class=\"instruction\">" + htmlText(r.instruction) + "</td><td>" + htmlText(r.label) + "</td><td>" +
               htmlText(r.comment) + "</td><td class=\"done\"><span></span></td></tr>\n";
    }
    out += "</tbody>\n</table>\n</body>\n</html>\n";
    return out;
}

}  // namespace kit85::assembler
