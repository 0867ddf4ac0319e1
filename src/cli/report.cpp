#include "cli/report.h"

#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/board_report.h"
#include "cli/escape.h"
#include "isa/opcode_table.h"
#include "kit/registers.h"
#include "run/watch.h"

namespace kit85 {
namespace {

void reportJson(std::ostream& out, const KitState& kit, const RunResult& res, const std::vector<std::string>& messages,
                const std::vector<Dump>& dumps) {
    using Json = nlohmann::ordered_json;
    Json j;
    j["stop"] = std::string(stopName(res.reason));
    j["steps"] = res.steps;
    j["tstates"] = res.tstates;
    if (res.reason == StopReason::Watch) {
        const RunResult::WatchHit& w = res.watch;
        j["watch"] = Json{{"row", Text::word(w.row).str()},
                          {"access", std::string(watchAccessName(w.access))},
                          {"instruction", {{"address", Text::word(w.instruction).str()},
                                           {"mnemonic", isa::kOpcodes[w.code].mnemonic}}}};
    }
    Json regs = Json::object();
    for (const RegisterField& f : kRegisterFields) regs[std::string(f.name)] = kit[f.reg].str();
    j["registers"] = std::move(regs);
    Json flags = Json::object();
    for (const FlagField& f : kFlagFields) flags[std::string(f.name)] = (kit.flags.*f.label).str();
    j["flags"] = std::move(flags);
    const MemoryTable& m = kit.memory();
    j["row"] = m.onRow() ? Json{{"address", m.text1().str()}, {"data", m.text2().str()}} : Json(nullptr);
    j["messages"] = messages;
    Json memory = Json::object();
    for (const Dump& d : dumps) {
        Json rows = Json::array();
        for (std::size_t i = 0; i < d.length; ++i) rows.push_back(m.dataAt(d.row + static_cast<int>(i)).str());
        memory[d.address.str()] = std::move(rows);
    }
    j["memory"] = std::move(memory);
    if (kit.board) addBoardJson(j, *kit.board);
    // Texts from a memory file may hold bytes that are not UTF-8; they are
    // shown as U+FFFD rather than ending the report.
    out << j.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
}

std::string shownText(const Text& t) { return shown(t.str()); }

void reportText(std::ostream& out, const KitState& kit, const RunResult& res, const std::vector<std::string>& messages,
                std::size_t liveShown, const std::vector<Dump>& dumps) {
    out << "stop: " << stopName(res.reason) << " after " << res.steps << (res.steps == 1 ? " step" : " steps") << '\n';
    if (res.reason == StopReason::Watch) out << "watch: " << run::watchHitText(res.watch) << '\n';
    out << "T-states: " << res.tstates << '\n';
    const char* sep = "";
    for (const RegisterField& f : kRegisterFields) {
        out << sep << f.name << '=' << shownText(kit[f.reg]);
        sep = " ";
    }
    out << '\n';
    sep = "";
    for (const FlagField& f : kFlagFields) {
        out << sep << f.name << '=' << shownText(kit.flags.*f.label);
        sep = " ";
    }
    out << '\n';
    const MemoryTable& m = kit.memory();
    if (m.onRow())
        out << "row: " << shownText(m.text1()) << ' ' << shownText(m.text2()) << '\n';
    else
        out << "row: none (the cursor is on no row)\n";
    // The messages shown during the run were printed as they came.
    for (std::size_t i = liveShown; i < messages.size(); ++i) {
        if (i + 1 == messages.size() && res.reason == StopReason::Error) out << "error: ";
        out << printable(messages[i]) << '\n';
    }
    if (kit.board) writeBoardText(out, *kit.board);
    for (const Dump& d : dumps) {
        for (std::size_t i = 0; i < d.length; i += 16) {
            int row = d.row + static_cast<int>(i);
            out << "memory " << shownText(m.addressAt(row)) << ':';
            for (std::size_t k = i; k < d.length && k < i + 16; ++k)
                out << ' ' << shownText(m.dataAt(d.row + static_cast<int>(k)));
            out << '\n';
        }
    }
}

// Bytes shown in a column this wide: the three of an instruction fit.
constexpr std::size_t kBytesColumn = 8;

}  // namespace

void writeListing(std::ostream& out, bool json, const std::vector<Disassembly>& listing, const std::string& source) {
    if (json) {
        using Json = nlohmann::ordered_json;
        Json rows = Json::array();
        for (const Disassembly& d : listing) {
            Json bytes = Json::array();
            for (const Text& b : d.bytes) bytes.push_back(b.str());
            rows.push_back(Json{{"address", d.address.str()},
                                {"bytes", std::move(bytes)},
                                {"text", d.text},
                                {"kind", kindName(d.kind)}});
        }
        Json j;
        j["disassembly"] = std::move(rows);
        j["source"] = source;
        out << j.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
    } else {
        for (const Disassembly& d : listing) {
            std::string bytes;
            for (const Text& b : d.bytes) {
                if (!bytes.empty()) bytes += ' ';
                bytes += shownText(b);
            }
            if (bytes.size() < kBytesColumn) bytes.resize(kBytesColumn, ' ');
            out << shownText(d.address) << "  " << bytes << "  " << printable(d.text) << '\n';
        }
    }
    out.flush();
}

void ReportingPresenter::message(std::string_view text, std::string_view title, Icon) {
    if (listed.size() >= kMostListed) {
        ++notListed;
        return;
    }
    listed.emplace_back(text);
    if (live_) {
        if (!title.empty()) *live_ << printable(title) << ' ';
        *live_ << printable(text) << '\n';
    }
}

void writeReport(std::ostream& out, bool json, const KitState& kit, const RunResult& result,
                 ReportingPresenter& presenter, const std::vector<Dump>& dumps) {
    std::vector<std::string> messages = std::move(presenter.listed);
    const std::size_t liveShown = messages.size();
    if (presenter.notListed) {
        std::string more = "(";  // built up by parts: "(" + to_string(n) trips a false GCC 12 -Wrestrict
        more += std::to_string(presenter.notListed);
        more += " more messages not listed)";
        messages.push_back(std::move(more));
    }
    if (result.reason == StopReason::Error) messages.push_back(result.message);
    if (json)
        reportJson(out, kit, result, messages, dumps);
    else
        reportText(out, kit, result, messages, liveShown, dumps);
    out.flush();
}

}  // namespace kit85
