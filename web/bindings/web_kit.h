#pragma once

// The kit as the web page drives it: the memory table (the desktop kit's own
// SQLite file, kept in the browser's storage by the page), the machine, the
// front panel's model and the run session, with the window's bookkeeping of
// each key's work. The page calls in with a key, a slice of a run or a
// program, then reads the panel back; no JavaScript type appears here, so
// the bindings (bindings.cpp) stay a thin table.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kit/kit_state.h"
#include "memory/memory_table.h"
#include "panel/model/breakpoint_list.h"
#include "panel/model/instruction_starts.h"
#include "panel/model/panel_model.h"
#include "panel/model/program_loader.h"
#include "panel/model/run_session.h"
#include "panel/model/source_map.h"

namespace kit85::web {

// A message the kit showed ("invalid code", "Invalid Address", "error :").
struct ShownMessage {
    std::string text;
    std::string title;
    bool exclamation = false;
};

class CollectingPresenter : public Presenter {
public:
    void message(std::string_view text, std::string_view title, Icon icon) override;
    std::vector<ShownMessage> take();
    // Called before a message is kept (the run session notes "invalid code").
    std::function<void(std::string_view)> onMessage;

private:
    std::vector<ShownMessage> shown_;
};

// What an assembly or a program load answers with.
struct LoadAnswer {
    bool ok = false;
    std::string problem;  // why nothing was stored
    std::vector<assembler::Diagnostic> diagnostics;
    std::string status;  // the status line after it
    int bytes = 0;
};

class WebKit {
public:
    // Opens the memory file at `file` (a path in the page's file system), or
    // a fresh private table when it is empty. A refused file leaves the kit on
    // a fresh table; openProblem() says why.
    explicit WebKit(const std::string& file);
    WebKit(const WebKit&) = delete;
    WebKit& operator=(const WebKit&) = delete;

    const std::string& openProblem() const { return openProblem_; }
    bool persistent() const { return memory_->persistent(); }

    // --- Keys --------------------------------------------------------------
    // "0".."F", "address", "next", "prev", "regmod": each a key's work, its
    // failure shown as the window shows it ("error :").
    void press(const std::string& key);
    void undo(bool undo);
    // Typing into a register field: hex digits only, upper-cased, at most the
    // field's width; what is left is the field's text.
    std::string typeRegister(const std::string& name, const std::string& typed);
    std::vector<ShownMessage> takeMessages() { return presenter_.take(); }

    // --- Execute, Step Exe, Stop ------------------------------------------
    void execute();
    // Goes on with the run for at most `ms` milliseconds; whether it still runs.
    bool slice(double ms);
    void stop();
    void stepExe();
    bool running() const { return session_.running(); }
    // The pace of the next runs: 0 full speed, 1 the kit's 3.072 MHz clock,
    // 2 slow motion at `perSecond` instructions a second (clamped to 1..50).
    void setSpeed(int pace, int perSecond);
    // For a paced run: milliseconds until its next instruction is due.
    double untilNextSlice() const;
    // Execute to the end with a step bound, for tests and benchmarks.
    std::string executeBounded(double maxSteps);
    uint64_t lastSteps() const { return session_.controller().last().steps; }
    uint64_t lastTStates() const { return session_.controller().last().tstates; }
    // A flag label set as kit85-run --flag sets it ("S", "Z", "AC", "P", "CY").
    void setFlag(const std::string& name, const std::string& text);

    // --- Programs ------------------------------------------------------------
    LoadAnswer assemble(const std::string& source, const std::string& name) const;
    LoadAnswer loadProgram(const std::string& text, bool source, const std::string& name);
    HexSave saveHex(uint16_t start, uint16_t end) const;
    // The source line the next instruction (PC) is on, 0 when the last
    // assembled source does not map it (or memory no longer holds it).
    int sourceLineOfPc() const;
    // The address of a source line's bytes, -1 when the line made none.
    int addressOfLine(int line) const;
    std::string sourceChangedNote() const;

    // --- Breakpoints ---------------------------------------------------------
    // Sets or clears the breakpoint at `address`; what the status line says.
    std::string toggleBreakpoint(uint16_t address);
    std::vector<uint16_t> breakpoints() const;

    // --- Reading the kit -------------------------------------------------------
    KitState& kit() { return kit_; }
    const PanelModel& panel() const { return panel_; }
    MemoryTable& memory() { return *memory_; }
    const MemoryTable& memory() const { return *memory_; }
    std::string statusLine() const;
    bool statusProblem() const;
    std::string decodeLine() const;
    const std::vector<std::string>& traceLines() const { return session_.traceLines(); }
    std::vector<Disassembly> instructions(int lo, int hi) const;

    // --- The memory file -------------------------------------------------------
    void flush();
    // Closes the file (SQLite folds its write-ahead log back in, so the file
    // alone is whole) and opens it again; for an export. A refusal at the
    // reopening leaves the kit on a fresh table and says why.
    std::string reopen();

private:
    void keyWork(const std::function<void()>& work);
    void noteRunStart();
    void say(std::string text, bool problem);

    CollectingPresenter presenter_;
    std::string openProblem_;  // before memory_, which is opened saying into it
    std::unique_ptr<MemoryTable> memory_;
    std::string file_;
    KitState kit_;
    PanelModel panel_;
    RunSession session_;
    InstructionStarts starts_;
    SourceMap sourceMap_;
    std::string note_;
    bool noteProblem_ = false;
};

}  // namespace kit85::web
