// kit85-asm: assembles an 8085 source into Intel HEX, a listing and a keying
// sheet, written all or none (output_files.h).

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "asm/assembler.h"
#include "asm/keying_sheet.h"
#include "asm/listing.h"
#include "asm/output_files.h"
#include "memory/intel_hex.h"
#include "values/ascii.h"

namespace {

namespace fs = std::filesystem;
using namespace kit85::assembler;

constexpr int kExitOk = 0;
constexpr int kExitNotWritten = 1;  // an output could not be written: none was
constexpr int kExitBadInput = 2;    // bad arguments, an unreadable source, errors in it

std::string lowerExtension(const std::string& file) {
    std::string e = fs::path(file).extension().string();
    for (char& c : e)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return e;
}

bool readAll(std::istream& in, std::string& text) {
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return !in.bad();
}

constexpr const char* kFooter =
    R"(The source is Intel 8085 assembler language: [LABEL:] OPERATION [OPERANDS] [; comment],
with ORG, EQU, SET, DB, DW, DS and END. Without -o, --listing or --sheet the
HEX file is written beside the source (prog.asm: prog.hex). FILE "-" is the
standard input or output.

Errors and warnings go to stderr as FILE:LINE:COLUMN: error|warning: MESSAGE.
A source with an error writes nothing.

Exit status: 0 assembled (warnings allowed); 1 an output could not be written
(then none is); 2 bad arguments, an unreadable source or errors in it.
)";

}  // namespace

int main(int argc, char** argv) {
    std::string source, hexFile, listingFile, sheetFile;
    CLI::App app{"Assembles an 8085 program for the kit85 trainer kit.", "kit85-asm"};
    app.footer(kFooter);
    app.set_version_flag("--version", "kit85-asm " KIT85_VERSION);
    app.add_option("SOURCE", source, "The source, e.g. prog.asm")->required()->type_name("FILE.asm");
    auto* hexOpt = app.add_option("-o,--output", hexFile, "Write the program as Intel HEX")->type_name("FILE.hex");
    auto* listingOpt =
        app.add_option("--listing", listingFile, "Write a listing: address, bytes, source line")->type_name("FILE.lst");
    auto* sheetOpt = app.add_option("--sheet", sheetFile, "Write the keying sheet, HTML (printable on A4) or CSV")
                         ->type_name("FILE.html|FILE.csv");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() != 0) {
            std::istringstream lines(CLI::FailureMessage::simple(&app, e));
            for (std::string line; std::getline(lines, line);) std::cerr << "kit85-asm: " << line << '\n';
            return kExitBadInput;
        }
        return app.exit(e);
    }

    std::string text;
    const std::string name = source == "-" ? "<stdin>" : source;
    if (source == "-") {
        if (!readAll(std::cin, text)) {
            std::cerr << "kit85-asm: cannot read the standard input\n";
            return kExitBadInput;
        }
    } else {
        std::error_code ec;
        if (fs::is_directory(source, ec)) {
            std::cerr << "kit85-asm: cannot read " << source << ": it is a folder\n";
            return kExitBadInput;
        }
        std::ifstream in(source, std::ios::binary);
        if (!in || !readAll(in, text)) {
            std::cerr << "kit85-asm: cannot read " << source << ": " << std::strerror(errno) << "\n";
            return kExitBadInput;
        }
    }

    if (!hexOpt->count() && !listingOpt->count() && !sheetOpt->count())
        hexFile = source == "-" ? "-" : fs::path(source).replace_extension(".hex").string();

    std::string sheetKind;
    if (!sheetFile.empty()) {
        sheetKind = lowerExtension(sheetFile);
        if (sheetFile == "-") sheetKind = ".html";
        if (sheetKind == ".htm") sheetKind = ".html";
        if (sheetKind != ".html" && sheetKind != ".csv") {
            std::cerr << "kit85-asm: --sheet " << sheetFile << ": the name must end in .html or .csv\n";
            return kExitBadInput;
        }
    }
    std::vector<std::string> targets;
    for (const std::string* f : {&hexFile, &listingFile, &sheetFile})
        if (!f->empty()) targets.push_back(*f);
    if (std::optional<Clash> clash = findClash(targets, {source})) {
        const std::string& f = targets[clash->output];
        std::cerr << "kit85-asm: " << f
                  << (clash->input ? " is the source: it is not overwritten\n" : " is named for two outputs\n");
        return kExitBadInput;
    }

    Assembly assembly = assemble(text);
    for (const Diagnostic& d : assembly.diagnostics) std::cerr << d.format(name) << '\n';
    if (!assembly.ok()) {
        std::size_t n = assembly.errors();
        std::cerr << "kit85-asm: " << n << (n == 1 ? " error" : " errors") << " in " << name << "; nothing written\n";
        return kExitBadInput;
    }

    std::vector<OutputFile> outputs;
    if (!hexFile.empty()) {
        std::vector<kit85::HexByte> bytes = assembly.bytes();
        outputs.push_back({hexFile, kit85::formatIntelHex(bytes)});
    }
    if (!listingFile.empty()) outputs.push_back({listingFile, formatListing(assembly, name)});
    if (!sheetFile.empty())
        outputs.push_back({sheetFile, sheetKind == ".csv"
                                          ? keyingSheetCsv(assembly)
                                          : keyingSheetHtml(assembly, fs::path(name).filename().string())});
    if (std::optional<OutputProblem> problem = writeOutputFiles(outputs, std::cout)) {
        std::cerr << "kit85-asm: " << problem->message("nothing written") << "\n";
        return kExitNotWritten;
    }
    return kExitOk;
}
