// kit85-asm: assembles an 8085 source into Intel HEX, a listing and a keying
// sheet, written all or none (output_files.h).

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "asm/assembler.h"
#include "asm/keying_sheet.h"
#include "asm/listing.h"
#include "asm/output_files.h"
#include "memory/intel_hex.h"
#include "values/ascii.h"
#include "values/escape.h"
#include "values/input_file.h"
#include "values/program_kind.h"
#include "values/text_encoding.h"

namespace {

namespace fs = std::filesystem;
using namespace kit85::assembler;
using kit85::echo;
using kit85::ProgramKind;

constexpr int kExitOk = 0;
constexpr int kExitNotWritten = 1;  // an output could not be written: none was
constexpr int kExitBadInput = 2;    // bad arguments, an unreadable source, errors in it

// As kit85-run --asm reads: no 8085 source for 64 KiB of memory comes near.
constexpr std::size_t kMostSourceBytes = 16u << 20;

// The whole source, or the problem; "-" is the standard input. A device
// (/dev/zero never ends) is refused; a pipe is read up to the bound. A name
// whose extension says it is a program of another kind is refused unread.
std::optional<std::string> readSource(const std::string& source, std::string& problem) {
    if (source != "-")
        if (const std::optional<ProgramKind> kind = kit85::programKindOf(source); kind && *kind != ProgramKind::Asm) {
            problem = echo(source) + " is " + std::string(programKindText(*kind)) + ", not an 8085 source";
            return std::nullopt;
        }
    kit85::InputRead read =
        source == "-" ? kit85::readInputDescriptor(STDIN_FILENO, kMostSourceBytes, "the standard input")
                      : kit85::readInputFile(source, kMostSourceBytes, kit85::InputFiles::NoDevices, echo(source));
    if (read.ok()) {
        // A source saved as UTF-16 reads as its text; no text at all is
        // named for what it is, not for its first odd byte.
        kit85::DecodedText text = kit85::decodeText(read.bytes);
        if (text.ok()) return std::move(text.text);
        problem = kit85::notTextMessage(source == "-" ? "the standard input" : echo(source), text);
        return std::nullopt;
    }
    const kit85::InputProblem& p = *read.problem;
    using What = kit85::InputProblem::What;
    switch (p.what) {
        case What::Unreadable: problem = "cannot read " + p.file + ": " + p.cause; break;
        case What::Folder: problem = "cannot read " + p.file + ": it is a folder"; break;
        case What::Device: problem = "cannot read " + p.file + ": it is a device, not a source file"; break;
        default: problem = p.message("an 8085 source");
    }
    return std::nullopt;
}

std::string footer() {
    std::string s =
        R"(The source is Intel 8085 assembler language: [LABEL:] OPERATION [OPERANDS] [; comment],
with ORG, EQU, SET, DB, DW, DS, END and RADIX (and the dotted and DEFB-style
forms of other assemblers). A source's bytes start at 8000, the keypad's first
row, until its first ORG (--org places them elsewhere). Without -o, --listing or --sheet the HEX file is
written beside the source (prog.asm: prog.hex). FILE "-" is the standard
input or output.

Errors and warnings go to stderr as FILE:LINE:COLUMN: error|warning: MESSAGE.
A source with an error writes nothing. Warnings, each silenced by its -Wno-:
)";
    for (const WarningFlag& f : warningFlags())
        s += "  -Wno-" + std::string(f.flag) + std::string(18 - f.flag.size(), ' ') + std::string(f.what) + "\n";
    s += R"(
Exit status: 0 assembled (warnings allowed); 1 an output could not be written
(then none is); 2 bad arguments, an unreadable source or errors in it.
)";
    return s;
}

// -Wno-FLAG values (as CLI11 hands -W's values over: "no-FLAG"); false after
// naming the one that is no warning's.
bool silenced(const std::vector<std::string>& values, Options& options) {
    for (const std::string& v : values) {
        std::optional<Warning> w = v.starts_with("no-") ? warningNamed(v.substr(3)) : std::nullopt;
        if (!w) {
            std::cerr << "kit85-asm: -W" << echo(v) << ": no such warning; -Wno- takes";
            for (const WarningFlag& f : warningFlags()) std::cerr << ' ' << f.flag;
            std::cerr << '\n';
            return false;
        }
        options.silenced.push_back(*w);
    }
    return true;
}

// Every target checked before anything is assembled: the sheet's kind, no
// file named twice, none the source itself.
bool checkTargets(const std::string& source, const std::vector<const std::string*>& files) {
    std::vector<std::string> targets;
    for (const std::string* f : files)
        if (!f->empty()) targets.push_back(*f);
    if (std::optional<Clash> clash = findClash(targets, {source})) {
        const std::string& f = targets[clash->output];
        std::cerr << "kit85-asm: " << echo(f)
                  << (clash->input ? " is the source: it is not overwritten\n" : " is named for two outputs\n");
        return false;
    }
    return true;
}

int writeOutputs(const Assembly& assembly, const std::string& name, const std::string& hexFile,
                 const std::string& listingFile, const std::string& sheetFile, const std::string& sheetKind) {
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
        std::cerr << "kit85-asm: " << kit85::printableMessage(problem->message("nothing written")) << "\n";
        return kExitNotWritten;
    }
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    std::string source, hexFile, listingFile, sheetFile;
    std::vector<std::string> warningValues;
    std::string orgText;
    Options options;
    CLI::App app{"Assembles an 8085 program for the kit85 trainer kit.", "kit85-asm"};
    app.footer(footer());
    app.set_version_flag("--version", "kit85-asm " KIT85_VERSION);
    app.add_option("SOURCE", source, "The source, e.g. prog.asm")->required()->type_name("FILE.asm");
    auto* hexOpt = app.add_option("-o,--output", hexFile, "Write the program as Intel HEX")->type_name("FILE.hex");
    auto* listingOpt =
        app.add_option("--listing", listingFile, "Write a listing: address, bytes, source line")->type_name("FILE.lst");
    auto* sheetOpt = app.add_option("--sheet", sheetFile, "Write the keying sheet, HTML (printable on A4) or CSV")
                         ->type_name("FILE.html|FILE.csv");
    app.add_option("--radix", options.radix, "The radix of bare numbers until a RADIX line (default 10)")
        ->type_name("2|8|10|16")
        ->check(CLI::Validator(
            [](std::string& s) {
                return s == "2" || s == "8" || s == "10" || s == "16" ? "" : "the radix is 2, 8, 10 or 16";
            },
            ""));
    app.add_option("--org", orgText, "Where a source without ORG is placed (default 8000)")
        ->type_name("ADDR")
        ->check(CLI::Validator(
            [](std::string& s) { return originOf(s) ? "" : "the address is 1 to 4 hex digits, e.g. 8000 or 9000H"; },
            ""));
    app.add_flag("--board", options.board,
                 "For the interfacing board: RST is a restart there, so no invalid-code warning (a BOARD line does the "
                 "same)");
    app.add_option("-W", warningValues, "Silence a warning: -Wno-below-8000 (the list below)")
        ->type_name("no-WARNING")
        ->allow_extra_args(false);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() != 0) {
            std::istringstream lines(CLI::FailureMessage::simple(&app, e));
            for (std::string line; std::getline(lines, line);)
                std::cerr << "kit85-asm: " << kit85::printableMessage(line) << '\n';
            return kExitBadInput;
        }
        app.exit(e);
        if (!std::cout.flush()) {
            std::cerr << "kit85-asm: cannot write to the standard output\n";
            return kExitNotWritten;
        }
        return kExitOk;
    }
    if (!silenced(warningValues, options)) return kExitBadInput;
    if (!orgText.empty()) options.origin = *originOf(orgText);

    std::string problem;
    std::optional<std::string> text = readSource(source, problem);
    if (!text) {
        std::cerr << "kit85-asm: " << problem << "\n";
        return kExitBadInput;
    }
    const std::string name = source == "-" ? "<stdin>" : source;

    if (!hexOpt->count() && !listingOpt->count() && !sheetOpt->count())
        hexFile = source == "-" ? "-" : fs::path(source).replace_extension(".hex").string();
    std::string sheetKind;
    if (!sheetFile.empty()) {
        sheetKind = sheetFile == "-" ? ".html" : kit85::lowerAscii(fs::path(sheetFile).extension().string());
        if (sheetKind == ".htm") sheetKind = ".html";
        if (sheetKind != ".html" && sheetKind != ".csv") {
            std::cerr << "kit85-asm: --sheet " << echo(sheetFile) << ": the name must end in .html or .csv\n";
            return kExitBadInput;
        }
    }
    if (!checkTargets(source, {&hexFile, &listingFile, &sheetFile})) return kExitBadInput;

    Assembly assembly = assemble(*text, options);
    for (const Diagnostic& d : assembly.diagnostics) std::cerr << kit85::printableMessage(d.format(echo(name))) << '\n';
    if (!assembly.ok()) {
        std::size_t n = assembly.errors();
        std::cerr << "kit85-asm: " << n << (n == 1 ? " error" : " errors") << " in " << echo(name)
                  << "; nothing written\n";
        return kExitBadInput;
    }
    return writeOutputs(assembly, name, hexFile, listingFile, sheetFile, sheetKind);
}
