// The page's programs: a source assembled in the editor, a source or an Intel
// HEX file opened into memory, a range saved as HEX, and the map from the
// last loaded source's lines to memory for source-level stepping.

#include "values/errors.h"
#include "web_kit.h"

namespace kit85::web {

namespace {

std::string plural(std::size_t n, const char* what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); }

}  // namespace

LoadAnswer WebKit::assemble(const std::string& source, const std::string& name) const {
    const assembler::Assembly a = assembler::assemble(source);
    LoadAnswer answer;
    answer.ok = a.ok();
    answer.diagnostics = a.diagnostics;
    answer.bytes = static_cast<int>(a.bytes().size());
    answer.status =
        a.ok() ? name + ": no errors" + (a.diagnostics.empty() ? "" : ", " + plural(a.diagnostics.size(), "warning"))
               : plural(a.errors(), "error") + " in " + name + "; nothing was stored";
    return answer;
}

// As the window opens a file (Ctrl+O) or the editor loads its source (F8):
// all or nothing, one undo step, the displays on the program's first row.
LoadAnswer WebKit::loadProgram(const std::string& text, bool source, const std::string& name) {
    LoadAnswer answer;
    if (session_.running()) {
        answer.problem = "The kit is running: press Stop (Esc) before loading a program";
        return answer;
    }
    std::optional<assembler::Assembly> assembly;
    ProgramLoad read;
    if (source) {
        assembly = assembler::assemble(text);
        answer.diagnostics = assembly->diagnostics;
        read = readAssembly(*assembly, name);
    } else {
        read = readProgram(text, ProgramKind::Hex, name);
    }
    keyWork([&] {
        ProgramLoad load = storeProgram(*memory_, std::move(read), name);
        if (!load.ok) {
            answer.problem = load.problem;
            say(load.problem, true);
            return;
        }
        answer.ok = true;
        answer.bytes = static_cast<int>(load.image.size());
        starts_.setProgram(load.program);
        panel_.showCurrentRow();
        answer.status =
            openedText(name, load.image.size(), load.program.first, load.program.last) + warningsText(load.diagnostics);
        say(answer.status, false);
        sourceMap_ = assembly ? SourceMap(*assembly) : SourceMap();
    });
    return answer;
}

HexSave WebKit::saveHex(uint16_t start, uint16_t end) const { return saveRange(*memory_, start, end); }

int WebKit::sourceLineOfPc() const {
    if (sourceMap_.empty() || !memory_->onRow()) return 0;
    const std::optional<uint16_t> here = Breakpoints::parse(memory_->text1().str());
    if (!here) return 0;
    const std::optional<std::size_t> e = sourceMap_.instructionAt(*here);
    if (!e || !sourceMap_.holds(*memory_, *e)) return 0;
    return sourceMap_.entries()[*e].line;
}

int WebKit::addressOfLine(int line) const {
    const std::optional<std::size_t> e = sourceMap_.entryOfLine(line);
    if (!e || !sourceMap_.entries()[*e].instruction) return -1;
    return sourceMap_.entries()[*e].address;
}

std::string WebKit::sourceChangedNote() const { return changedNote(sourceMap_, sourceMap_.changed(*memory_)); }

}  // namespace kit85::web
