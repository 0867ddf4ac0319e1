// The JavaScript interface of the kit's WebAssembly module (embind): class
// Kit over WebKit, its answers made plain JavaScript objects, and the
// assembler's lexer for the editor's highlighting.

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include "asm/keying_sheet.h"
#include "isa/disassembler.h"
#include "panel/model/source_styles.h"
#include "web_check.h"
#include "web_kit.h"

using emscripten::val;

namespace kit85::web {

namespace {

val strings(const std::vector<std::string>& list) {
    val out = val::array();
    for (const std::string& s : list) out.call<void>("push", s);
    return out;
}

val panelOf(WebKit& w) {
    const PanelModel& p = w.panel();
    KitState& kit = w.kit();
    val o = val::object();
    o.set("text1", p.Text1().str());
    o.set("text2", p.Text2().str());
    o.set("text3", p.text3.str());
    o.set("text4", p.text4.str());
    o.set("text1Visible", p.text1Visible);
    o.set("text2Visible", p.text2Visible);
    o.set("text3Visible", p.text3Visible);
    o.set("text4Visible", p.text4Visible);
    o.set("panelShown", p.panelshown != 0);
    o.set("regmodCaption", p.regmodCaption);
    val regs = val::object();
    for (const RegisterField& f : kRegisterFields) regs.set(std::string(f.name), kit[f.reg].str());
    o.set("registers", regs);
    val flags = val::object();
    for (const FlagField& f : kFlagFields) flags.set(std::string(f.name), (kit.flags.*f.label).str());
    o.set("flags", flags);
    o.set("running", w.running());
    o.set("status", w.statusLine());
    o.set("statusProblem", w.statusProblem());
    o.set("decode", w.decodeLine());
    o.set("trace", strings(w.traceLines()));
    o.set("cursor", w.memory().cursor());
    o.set("sourceLine", w.sourceLineOfPc());
    return o;
}

val messagesOf(WebKit& w) {
    val out = val::array();
    for (const ShownMessage& m : w.takeMessages()) {
        val o = val::object();
        o.set("text", m.text);
        o.set("title", m.title);
        o.set("exclamation", m.exclamation);
        out.call<void>("push", o);
    }
    return out;
}

val answerOf(const LoadAnswer& a) {
    val o = val::object();
    o.set("ok", a.ok);
    o.set("problem", a.problem);
    o.set("status", a.status);
    o.set("bytes", a.bytes);
    val list = val::array();
    for (const assembler::Diagnostic& d : a.diagnostics) {
        val e = val::object();
        e.set("line", d.line);
        e.set("column", d.column);
        e.set("error", d.severity == assembler::Diagnostic::Severity::Error);
        e.set("message", d.message);
        list.call<void>("push", e);
    }
    o.set("diagnostics", list);
    return o;
}

val rowsOf(const std::vector<Disassembly>& rows) {
    val out = val::array();
    for (const Disassembly& d : rows) {
        val o = val::object();
        o.set("row", d.row);
        o.set("length", d.length);
        o.set("address", d.address.str());
        std::vector<std::string> bytes;
        for (const Text& b : d.bytes) bytes.push_back(b.str());
        o.set("bytes", strings(bytes));
        o.set("text", d.text);
        o.set("kind", std::string(kindName(d.kind)));
        out.call<void>("push", o);
    }
    return out;
}

// Memory rows' data texts from `row` on, as they stand.
val memoryRows(WebKit& w, int row, int count) {
    val out = val::array();
    const MemoryTable& m = w.memory();
    for (int r = std::max(row, 0); r < std::min(row + count, m.size()); ++r) out.call<void>("push", m.dataAt(r).str());
    return out;
}

val saveHex(WebKit& w, int start, int end) {
    const HexSave s = w.saveHex(static_cast<uint16_t>(start), static_cast<uint16_t>(end));
    val o = val::object();
    o.set("ok", s.ok);
    o.set("text", s.text);
    o.set("problem", s.problem);
    return o;
}

val breakpointsOf(WebKit& w) {
    val out = val::array();
    for (uint16_t a : w.breakpoints()) out.call<void>("push", static_cast<int>(a));
    return out;
}

// The styled runs of a source line, as the assembler's lexer reads it:
// [start, length, style] with the style's name.
val styleRuns(const std::string& line) {
    static const char* const kNames[kSourceStyleCount] = {"default",  "comment", "label",  "mnemonic", "directive",
                                                          "register", "number",  "string", "operator", "error"};
    val out = val::array();
    for (const StyledRun& r : styleLine(line)) {
        val o = val::array();
        o.call<void>("push", r.start);
        o.call<void>("push", r.length);
        o.call<void>("push", std::string(kNames[static_cast<int>(r.style)]));
        out.call<void>("push", o);
    }
    return out;
}

val labCheck(WebKit& w, const std::string& labFile) {
    const LabCheck c = checkProgram(w.memory(), labFile);
    val o = val::object();
    o.set("ok", c.ok);
    o.set("problem", c.problem);
    o.set("name", c.name);
    o.set("summary", c.summary);
    o.set("hidden", c.hidden);
    val cases = val::array();
    for (const CaseLine& l : c.cases) {
        val e = val::object();
        e.set("name", l.name);
        e.set("passed", l.passed);
        e.set("failure", l.failure);
        e.set("checks", strings(l.checks));
        cases.call<void>("push", e);
    }
    o.set("cases", cases);
    return o;
}

// The keying sheet of a source (HTML that prints on A4), or "" when it does
// not assemble.
std::string keyingSheet(const std::string& source, const std::string& title) {
    const assembler::Assembly a = assembler::assemble(source);
    return a.ok() ? assembler::keyingSheetHtml(a, title) : std::string();
}

}  // namespace

EMSCRIPTEN_BINDINGS(kit85) {
    using namespace emscripten;
    class_<WebKit>("Kit")
        .constructor<std::string>()
        .function("openProblem", &WebKit::openProblem)
        .function("persistent", &WebKit::persistent)
        .function("press", &WebKit::press)
        .function("undo", &WebKit::undo)
        .function("typeRegister", &WebKit::typeRegister)
        .function("execute", &WebKit::execute)
        .function("slice", &WebKit::slice)
        .function("stop", &WebKit::stop)
        .function("stepExe", &WebKit::stepExe)
        .function("running", &WebKit::running)
        .function("setSpeed", &WebKit::setSpeed)
        .function("untilNextSlice", &WebKit::untilNextSlice)
        .function("executeBounded", &WebKit::executeBounded)
        .function("lastSteps", optional_override([](WebKit& w) { return static_cast<double>(w.lastSteps()); }))
        .function("lastTStates", optional_override([](WebKit& w) { return static_cast<double>(w.lastTStates()); }))
        .function("setFlag", &WebKit::setFlag)
        .function("panel", &panelOf)
        .function("takeMessages", &messagesOf)
        .function("assemble", optional_override([](const WebKit& w, const std::string& s, const std::string& name) {
                      return answerOf(w.assemble(s, name));
                  }))
        .function("loadProgram",
                  optional_override([](WebKit& w, const std::string& text, bool source, const std::string& name) {
                      return answerOf(w.loadProgram(text, source, name));
                  }))
        .function("saveHex", &saveHex)
        .function("addressOfLine", &WebKit::addressOfLine)
        .function("sourceChangedNote", &WebKit::sourceChangedNote)
        .function("toggleBreakpoint",
                  optional_override([](WebKit& w, int a) { return w.toggleBreakpoint(static_cast<uint16_t>(a)); }))
        .function("breakpoints", &breakpointsOf)
        .function("memoryRows", &memoryRows)
        .function("instructions",
                  optional_override([](const WebKit& w, int lo, int hi) { return rowsOf(w.instructions(lo, hi)); }))
        .function("disassemble", optional_override([](WebKit& w, int row, int count) {
                      return rowsOf(disassemble(w.memory(), row, count));
                  }))
        .function("checkLab", &labCheck)
        .function("flush", &WebKit::flush)
        .function("reopen", &WebKit::reopen);
    function("styleLine", &styleRuns);
    function("keyingSheet", &keyingSheet);
}

}  // namespace kit85::web
