#pragma once

// Where kit85-run --trace writes its lines: the standard output ("-"), or a
// file. A file's lines go to a temporary file beside it that is renamed into
// place when the run has ended, so a run that does not start, or a trace
// that cannot be written whole, leaves the file as it was (a device, such as
// a pipe, is written to as the run goes).
//
// A trace that cannot be written (a full disk, a reader that went away) stops
// the run: going on would only lose more, and a run without a step bound
// might never end. The run's memory writes are committed as after any stop.

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "asm/output_files.h"
#include "cli/fd_stream.h"
#include "cli/trace_json.h"
#include "run/run_controller.h"
#include "run/trace.h"

namespace kit85 {

class TraceOutput {
public:
    // Readies `file` ("-": `out`); throws BadInput when it cannot be written.
    TraceOutput(const std::string& file, std::ostream& out);
    TraceOutput(const TraceOutput&) = delete;
    TraceOutput& operator=(const TraceOutput&) = delete;

    // Traces every instruction `run` carries out from now on.
    void attach(RunController& run);
    // After the run: puts the file in place. The exit status the trace
    // leaves (kExitRunStopped when it was lost), problems said on `err`.
    int finish(std::ostream& err);

private:
    std::string file_;
    assembler::PendingOutput pending_;
    std::unique_ptr<FdBuffer> buffer_;
    std::unique_ptr<std::ostream> fileStream_;
    std::optional<TraceWriter> writer_;
    std::optional<Tracer> tracer_;
    bool stopped_ = false;  // the run was stopped for want of a place to write
};

}  // namespace kit85
