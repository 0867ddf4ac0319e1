#include "cli/runner.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <new>
#include <ostream>
#include <sstream>

#include "asm/assembler.h"
#include "asm/output_files.h"
#include "asm/source_writer.h"
#include "cli/escape.h"
#include "cli/report.h"
#include "cli/trace_output.h"
#include "isa/disassembler.h"
#include "memory/intel_hex.h"
#include "memory/memory_table.h"
#include "profile/profile_file.h"
#include "run/run_controller.h"
#include "run/trace.h"
#include "values/errors.h"
#include "values/input_file.h"
#include "values/program_kind.h"
#include "values/text_encoding.h"

namespace kit85 {
namespace {

// An Intel HEX file for 64 KiB of memory is well under a megabyte; the bound
// keeps a mistaken --load of a device or a huge file from eating memory.
constexpr std::size_t kMostInputFileBytes = 16u << 20;

// The option that reads each kind of file, for a file given to the wrong one.
const char* optionFor(ProgramKind kind) {
    switch (kind) {
        case ProgramKind::Asm: return "--asm";
        case ProgramKind::Hex: return "--load";
        case ProgramKind::MemoryFile: return "--memory";
    }
    return "--load";
}

// A file --load or --asm names (`option`), read whole; `kind` is what it
// should be. A name whose extension says it is another kind is refused.
std::string readOptionFile(const std::string& path, std::string_view option, ProgramKind kind) {
    const std::string head = std::string(option) + " " + echo(path) + ": ";
    const std::string_view expected = programKindText(kind);
    if (const std::optional<ProgramKind> other = programKindOf(path); other && *other != kind)
        throw BadInput{head + "is " + std::string(programKindText(*other)) + ", not " + std::string(expected) + " (" +
                       optionFor(*other) + " takes it); nothing was written"};
    InputRead read = readInputFile(path, kMostInputFileBytes);
    if (!read.ok()) throw BadInput{head + read.problem->reason(expected)};
    // A source or HEX file saved as UTF-16 reads as its text.
    DecodedText text = decodeText(read.bytes);
    if (!text.ok()) throw BadInput{head + "is not a text file: " + text.problem + "; nothing was written"};
    return std::move(text.text);
}

// Every file read and parsed, before the memory table is opened.
std::vector<IntelHexImage> readHexFiles(const std::vector<std::string>& files) {
    std::vector<IntelHexImage> images;
    for (const std::string& file : files) {
        images.push_back(parseIntelHex(readOptionFile(file, "--load", ProgramKind::Hex)));
        if (!images.back().ok())
            throw BadInput{"--load " + echo(file) + ": " + images.back().error->message() + "; nothing was written"};
    }
    return images;
}

// Every --asm source read and assembled, before the memory table is opened.
// Warnings go to `err` at once; errors refuse the run, each on its own line.
std::vector<std::vector<HexByte>> assembleFiles(const std::vector<std::string>& files,
                                                const assembler::Options& options, std::ostream& err) {
    std::vector<std::vector<HexByte>> images;
    for (const std::string& file : files) {
        const assembler::Assembly a = assembler::assemble(readOptionFile(file, "--asm", ProgramKind::Asm), options);
        std::string lines;
        for (const assembler::Diagnostic& d : a.diagnostics) {
            const std::string line = printableMessage(d.format(echo(file)));
            if (d.severity == assembler::Diagnostic::Severity::Warning)
                err << "kit85-run: " << line << '\n';
            else
                lines += line + '\n';
        }
        if (!a.ok()) {
            const std::size_t n = a.errors();
            throw BadInput{lines + "--asm " + echo(file) + ": " + std::to_string(n) + (n == 1 ? " error" : " errors") +
                           "; nothing was written"};
        }
        images.push_back(a.bytes());
    }
    return images;
}

struct Write {
    int row;
    Text data;
};

// The rows the request names, checked against the memory table.
struct Plan {
    std::vector<Write> writes;
    int startRow = 0;
    std::vector<Dump> dumps;
    std::optional<Dump> listing;     // the rows --disassemble lists
    std::vector<std::string> notes;  // for stderr: what the report leaves out
};

// The row of an address, or a BadInput naming the option.
int rowOf(const MemoryTable& memory, const Text& address, std::string_view what) {
    std::optional<int> row = memory.rowOf(address);
    if (!row) throw BadInput{std::string(what) + ": the memory has no row " + address.str()};
    return *row;
}

Plan plan(const Request& q, const MemoryTable& memory, const std::vector<IntelHexImage>& images,
          const std::vector<std::vector<HexByte>>& programs) {
    Plan p;
    auto place = [&](const std::vector<HexByte>& bytes, std::string_view option, const std::string& file) {
        for (const HexByte& b : bytes) {
            Text address = Text::word(b.address);
            std::optional<int> row = memory.rowOf(address);
            if (!row)
                throw BadInput{std::string(option) + " " + echo(file) + ": the memory has no row " + address.str()};
            p.writes.push_back({*row, Text::byte(b.value)});
        }
    };
    for (std::size_t f = 0; f < images.size(); ++f) place(images[f].bytes, "--load", q.loadFiles[f]);
    for (std::size_t f = 0; f < programs.size(); ++f) place(programs[f], "--asm", q.asmFiles[f]);

    // Consecutive rows, as the Next key walks them.
    for (const Poke& k : q.pokes) {
        const int row = rowOf(memory, k.address, k.what);
        if (k.bytes.size() > static_cast<std::size_t>(memory.size() - row))
            throw BadInput{k.what + ": runs past the last row (" + memory.addressAt(memory.size() - 1).str() + ")"};
        for (std::size_t i = 0; i < k.bytes.size(); ++i) p.writes.push_back({row + static_cast<int>(i), k.bytes[i]});
    }

    if (q.at) p.startRow = rowOf(memory, *q.at, "--at");

    // A range past FFFF is no mistake the table can show (a table with fewer
    // rows cuts ranges silently): it is reported as far as it goes, and said.
    auto range = [&](const DumpRequest& r) {
        Dump d;
        d.address = r.address;
        d.row = rowOf(memory, r.address, r.what);
        d.length = static_cast<std::size_t>(std::min<uint64_t>(r.length, static_cast<uint64_t>(memory.size() - d.row)));
        if (d.length < r.length && r.length > 0x10000 - r.address.hexValue())
            p.notes.push_back(r.what + ": runs past FFFF; the report has the " + std::to_string(d.length) +
                              (d.length == 1 ? " row" : " rows") + " to the end of the memory");
        return d;
    };
    if (q.disassemble) p.listing = range(*q.disassemble);
    for (const DumpRequest& r : q.dumps) {
        const Dump d = range(r);
        // The report has one entry per address: the same start twice keeps the longer.
        auto same = std::find_if(p.dumps.begin(), p.dumps.end(), [&](const Dump& e) { return e.address == d.address; });
        if (same == p.dumps.end())
            p.dumps.push_back(d);
        else
            same->length = std::max(same->length, d.length);
    }
    return p;
}

void write(MemoryTable& memory, const std::vector<Write>& writes) {
    for (const Write& w : writes) {
        memory.setCursor(w.row);
        memory.setText2(w.data);
    }
    try {
        memory.flush();
    } catch (const StoreError& e) {
        // The commit is rolled back whole; the process ends, so the bytes
        // are not kept anywhere.
        throw BadInput{printableMessage(e.what()) + " (the run did not start; nothing was saved)"};
    }
}

// No output may name an input, the memory file or the files SQLite keeps
// beside it, nor the file another output names: a run never writes over
// what it reads, and no output replaces another. Names are compared by the
// file they lead to, not by spelling.
void checkOutputs(const Request& q) {
    struct Named {
        std::string file;
        std::string says;  // what a message calls it
    };
    std::vector<Named> outputs, inputs;
    if (q.trace && *q.trace != "-") outputs.push_back({*q.trace, "--trace " + echo(*q.trace)});
    for (const SaveHexRequest& s : q.saves) outputs.push_back({s.file, s.what});
    if (q.source && *q.source != "-") outputs.push_back({*q.source, "--source " + echo(*q.source)});
    for (const std::string& f : q.loadFiles) inputs.push_back({f, "an input (--load " + echo(f) + ")"});
    for (const std::string& f : q.asmFiles) inputs.push_back({f, "an input (--asm " + echo(f) + ")"});
    if (q.memoryFile) {
        const std::string named = " (--memory " + echo(*q.memoryFile) + ")";
        inputs.push_back({*q.memoryFile, "the memory file" + named});
        // SQLite names its files after the file a symbolic link leads to.
        std::error_code ec;
        std::vector<std::string> bases = {*q.memoryFile};
        if (std::filesystem::path real = std::filesystem::canonical(*q.memoryFile, ec); !ec) bases.push_back(real);
        for (const std::string& base : bases)
            for (const char* suffix : {"-wal", "-shm", "-journal"})
                inputs.push_back({base + suffix, "kept by SQLite beside the memory file" + named});
    }
    auto files = [](const std::vector<Named>& named) {
        std::vector<std::string> f;
        for (const Named& n : named) f.push_back(n.file);
        return f;
    };
    if (std::optional<assembler::Clash> c = assembler::findClash(files(outputs), files(inputs))) {
        const std::string& what = outputs[c->output].says;
        if (c->input) throw BadInput{what + ": the file is " + inputs[c->other].says + "; nothing was written"};
        throw BadInput{what + ": the file is named by " + outputs[c->other].says + " too"};
    }
}

// After the run: the rows of each --save-hex as Intel HEX, written all or
// none. A row whose text is no byte (two upper-case hex digits: "3e" is no
// code on the kit, and would load back as one) refuses every file.
int saveHex(const std::vector<SaveHexRequest>& saves, const MemoryTable& memory, std::ostream& err) {
    std::vector<assembler::OutputFile> files;
    for (const SaveHexRequest& s : saves) {
        std::vector<HexByte> bytes;
        std::optional<int> first = memory.rowOf(s.address);
        if (!first || static_cast<uint64_t>(memory.size() - *first) < s.length) {
            err << "kit85-run: " << s.what << ": the memory has no rows " << s.address.str() << " to "
                << Text::word(static_cast<uint32_t>(s.address.hexValue() + s.length - 1)).str()
                << "; nothing was written\n";
            return kExitBadInput;
        }
        for (uint64_t i = 0; i < s.length; ++i) {
            const int row = *first + static_cast<int>(i);
            const Text& data = memory.dataAt(row);
            if (!data.isByte()) {
                err << "kit85-run: " << s.what << ": row " << printableMessage(memory.addressAt(row).str()) << " holds "
                    << quotedEcho(data.str()) << ", not two upper-case hex digits; nothing was written\n";
                return kExitBadInput;
            }
            bytes.push_back({static_cast<uint16_t>(s.address.hexValue() + i), static_cast<uint8_t>(data.hexValue())});
        }
        files.push_back({s.file, formatIntelHex(bytes)});
    }
    if (std::optional<assembler::OutputProblem> problem = assembler::writeOutputFiles(files, err)) {
        err << "kit85-run: --save-hex: " << printableMessage(problem->message("nothing was written")) << '\n';
        return kExitRunStopped;
    }
    return kExitRunEnded;
}

// The board of the profile --board names, with the run's inputs on it.
std::unique_ptr<board::Board> makeBoard(const profile::BoardRequest& q) {
    profile::ProfileRead read = profile::readProfile(q.profile);
    if (!read.profile) throw BadInput{"--board: " + read.error->message()};
    auto b = std::make_unique<board::Board>(std::move(*read.profile));
    profile::applyBoardRequest(q, *b);
    return b;
}

int exitStatus(StopReason r) {
    switch (r) {
        case StopReason::Halt:
        case StopReason::Monitor:
        case StopReason::Breakpoint:
        case StopReason::Watch:
        case StopReason::Steps:
        case StopReason::StepLimit: return kExitRunEnded;
        default: return kExitRunStopped;
    }
}

// --disassemble: the instructions that start in the rows asked for (the last
// may reach past them), and with --source the same rows as a source.
int writeDisassembly(const Request& q, const Plan& p, const MemoryTable& memory, std::ostream& out, std::ostream& err) {
    std::vector<Disassembly> listing;
    const int end = p.listing->row + static_cast<int>(p.listing->length);
    for (int row = p.listing->row; row < end; row += listing.back().length)
        listing.push_back(disassembleAt(memory, row));
    const std::size_t rows =
        listing.empty() ? 0 : static_cast<std::size_t>(listing.back().row + listing.back().length - p.listing->row);
    const std::string source = q.json || q.source ? assembler::sourceFromMemory(memory, p.listing->row, rows) : "";
    writeListing(out, q.json, listing, source);
    if (q.source) {
        if (std::optional<assembler::OutputProblem> problem = assembler::writeOutputFiles({{*q.source, source}}, err)) {
            err << "kit85-run: --source: " << printableMessage(problem->message("nothing was written")) << "\n";
            return kExitRunStopped;
        }
    }
    return kExitRunEnded;
}

}  // namespace

int runHeadless(const RunnerOptions& o, std::ostream& out, std::ostream& err, std::atomic<bool>* stop) {
    std::unique_ptr<MemoryTable> memory;
    Request q;
    Plan p;
    std::optional<TraceOutput> trace;
    std::unique_ptr<board::Board> board;
    try {
        // Everything that needs no memory table first, so that bad options
        // never create or touch a memory file.
        q = checkRequest(o);
        checkOutputs(q);
        const std::vector<IntelHexImage> images = readHexFiles(q.loadFiles);
        assembler::Options asmOptions{q.asmRadix, {}};
        asmOptions.board = q.board.has_value();
        if (q.asmOrg) asmOptions.origin = static_cast<uint16_t>(q.asmOrg->hexValue());
        const std::vector<std::vector<HexByte>> programs = assembleFiles(q.asmFiles, asmOptions, err);
        if (q.board) board = makeBoard(*q.board);
        memory = q.memoryFile ? MemoryTable::open(*q.memoryFile) : MemoryTable::fresh();
        p = plan(q, *memory, images, programs);
        if (q.trace) trace.emplace(*q.trace, out);
        write(*memory, p.writes);
    } catch (const BadInput& e) {
        std::istringstream lines(e.message);
        for (std::string line; std::getline(lines, line);) err << "kit85-run: " << line << '\n';
        return kExitBadInput;
    } catch (const KitError& e) {
        err << "kit85-run: " << printableMessage(e.what()) << '\n';
        return kExitBadInput;
    } catch (const std::bad_alloc&) {
        err << "kit85-run: out of memory\n";
        return kExitBadInput;
    }
    for (const std::string& note : p.notes) err << "kit85-run: " << note << '\n';

    if (p.listing) return writeDisassembly(q, p, *memory, out, err);

    ReportingPresenter presenter(q.json ? nullptr : &out);
    KitState kit(*memory, presenter);
    if (board) kit.board = board.get();
    memory->setCursor(p.startRow);
    for (auto& [r, text] : q.registers) kit[r] = text;
    for (auto& [label, text] : q.flags) kit.flags.*label = text;

    // The memory file's breakpoints and this run's own; these are not saved.
    Breakpoints breakpoints = memory->breakpoints();
    for (const Text& b : q.breaks) breakpoints.insert(static_cast<uint16_t>(b.hexValue()));
    Watchpoints watchpoints = memory->watchpoints();
    for (const WatchRequest& w : q.watches)
        for (uint64_t i = 0; i < w.length; ++i) {
            const auto row = static_cast<uint16_t>(w.address.hexValue() + i);
            watchpoints.set(row, watchpoints.access(row) | w.access);
        }
    RunController run(kit, stop);
    run.setBreakpoints(&breakpoints);
    run.setWatchpoints(&watchpoints);
    // With --trace - the trace lines come first on the standard output and the
    // report is the last line (or, without --json, the last lines).
    if (trace) trace->attach(run);
    if (q.steps) {
        run.step(*q.steps);
    } else {
        run.start(q.maxSteps, q.maxTStates);
        run.slice();
    }
    writeReport(out, q.json, kit, run.last(), presenter, p.dumps);
    int status = exitStatus(run.last().reason);
    if (trace)
        if (const int traced = trace->finish(err); traced != kExitRunEnded) status = traced;
    if (q.saves.empty()) return status;
    const int saved = saveHex(q.saves, *memory, err);
    return saved == kExitRunEnded ? status : saved;
}

}  // namespace kit85
