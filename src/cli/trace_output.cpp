#include "cli/trace_output.h"

#include <cstring>
#include <ostream>

#include "cli/escape.h"
#include "cli/options.h"
#include "cli/runner.h"

namespace kit85 {

TraceOutput::TraceOutput(const std::string& file, std::ostream& out) : file_(file) {
    if (file == "-") {
        writer_.emplace(out);
        return;
    }
    if (std::optional<std::string> problem = pending_.open(file))
        throw BadInput{"--trace: " + printableMessage(*problem) + "; the run did not start"};
    buffer_ = std::make_unique<FdBuffer>(pending_.fd());
    fileStream_ = std::make_unique<std::ostream>(buffer_.get());
    writer_.emplace(*fileStream_);
}

void TraceOutput::attach(RunController& run) {
    tracer_.emplace([this, &run](const TraceStep& s) {
        writer_->write(s);
        if (writer_->failed() && !stopped_) {
            stopped_ = true;
            run.requestStop();
        }
    });
    run.setObserver(&*tracer_);
}

int TraceOutput::finish(std::ostream& err) {
    const std::string what = "--trace " + echo(file_);
    if (file_ == "-") {
        // The standard output's own failure is reported with the report's.
        if (stopped_) err << "kit85-run: " << what << ": the standard output took no more; the run was stopped\n";
        return stopped_ ? kExitRunStopped : kExitRunEnded;
    }
    fileStream_->flush();
    if (int e = buffer_->error()) {
        err << "kit85-run: " << what << ": the trace cannot be written (" << std::strerror(e) << ")"
            << (stopped_ ? "; the run was stopped" : "") << (pending_.isDevice() ? "" : "; the file was left as it was")
            << '\n';
        return kExitRunStopped;
    }
    std::optional<std::string> problem = pending_.finish();
    if (!problem) problem = pending_.place();
    if (problem) {
        err << "kit85-run: " << what << ": " << printableMessage(*problem) << "; the file was left as it was\n";
        return kExitRunStopped;
    }
    return kExitRunEnded;
}

}  // namespace kit85
