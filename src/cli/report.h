#pragma once

// kit85-run's report: where the run stopped, the registers, the flags, the
// current row, the messages the kit showed and the memory rows asked for,
// either as one JSON object or as a short summary for people.
//
// JSON gives every text exactly as the kit holds it. The summary escapes
// control characters and quotes (see escape.h), so a text such as "\x1B[2J"
// can neither clear the terminal nor pass for another text.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "isa/disassembler.h"
#include "kit/kit_state.h"
#include "run/driver.h"

namespace kit85 {

// Memory rows to report, keyed by the address asked for.
struct Dump {
    Text address;  // four upper-case digits
    int row = 0;
    std::size_t length = 0;  // cut at the last row
};

// Records the messages the kit shows; in text mode it also prints each as it
// comes, the way the window would pop up its box.
class ReportingPresenter : public Presenter {
public:
    explicit ReportingPresenter(std::ostream* live) : live_(live) {}

    void message(std::string_view text, std::string_view title, Icon) override;

    // A Step Exe run over unknown codes shows "invalid code" once per step;
    // the report keeps the first ones and counts the rest, so a long run
    // cannot fill memory with copies of one message.
    static constexpr std::size_t kMostListed = 1000;

    std::vector<std::string> listed;
    uint64_t notListed = 0;

private:
    std::ostream* live_;
};

// Writes the report of a run that ended with `result`.
void writeReport(std::ostream& out, bool json, const KitState& kit, const RunResult& result,
                 ReportingPresenter& presenter, const std::vector<Dump>& dumps);

// Writes a listing: one line per instruction ("8000  3E 05     MVI A,05"), or
// {"disassembly": [{"address", "bytes", "text", "kind"}, ...], "source": "..."}
// where "source" is `source`, the rows as assemblable source.
void writeListing(std::ostream& out, bool json, const std::vector<Disassembly>& listing,
                  const std::string& source = "");

}  // namespace kit85
