// Fuzz target: the assembler, its outputs and the source writer.
//
// The first byte picks the radix of bare numbers and which warnings are
// silenced; the rest is the source. Every input must end in bytes or in
// errors, never a crash or a hang; every diagnostic names a place in the
// source. Without errors, the listing and the keying sheets are made, and the bytes
// written back as source by the source writer must assemble to exactly the
// same bytes at the same addresses.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "asm/assembler.h"
#include "asm/keying_sheet.h"
#include "asm/listing.h"
#include "asm/source_writer.h"

namespace {

[[noreturn]] void fault(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz_assembler: %s\n%s\n", what, detail.c_str());
    std::abort();
}

std::string placed(const std::vector<kit85::HexByte>& bytes) {
    std::string s;
    for (const kit85::HexByte& b : bytes) s += std::to_string(b.address) + "=" + std::to_string(b.value) + " ";
    return s;
}

// The bytes as the source writer gives them back, assembled again.
void checkRoundTrip(const std::vector<kit85::HexByte>& bytes) {
    using namespace kit85::assembler;
    std::vector<SourceRow> rows;
    for (const kit85::HexByte& b : bytes) rows.push_back({b.address, b.value, ""});
    const std::string source = sourceFromRows(rows);
    const Assembly again = assemble(source);
    if (!again.ok()) fault("the written source has errors", source + again.diagnostics.front().format("back"));
    if (placed(again.bytes()) != placed(bytes)) fault("the written source gives other bytes", source);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kit85::assembler;
    if (size == 0) return 0;
    static constexpr int kRadixes[] = {10, 16, 2, 8};
    Options options;
    options.radix = kRadixes[data[0] & 3];
    for (const WarningFlag& f : warningFlags())
        if (data[0] & (4 << static_cast<int>(f.warning))) options.silenced.push_back(f.warning);
    const std::string_view source(reinterpret_cast<const char*>(data) + 1, size - 1);

    const Assembly a = assemble(source, options);
    for (const Diagnostic& d : a.diagnostics)
        if (d.line < 1 || static_cast<std::size_t>(d.line) > a.lines.size() || d.column < 1 || d.message.empty())
            fault("a diagnostic names no place in the source", d.format("input"));
    if (!a.ok()) return 0;

    const std::vector<kit85::HexByte> bytes = a.bytes();
    for (std::size_t i = 1; i < bytes.size(); ++i)
        if (bytes[i].address == bytes[i - 1].address) fault("two bytes at one address", placed(bytes));
    if (formatListing(a, "input").empty()) fault("an empty listing", "");
    const std::string csv = keyingSheetCsv(a);
    if (csv.size() > 200 * (source.size() + 64) + 100 * bytes.size()) fault("the sheet outgrows the program", "");
    keyingSheetHtml(a, "input");
    checkRoundTrip(bytes);
    return 0;
}
