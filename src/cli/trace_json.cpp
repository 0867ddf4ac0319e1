#include "cli/trace_json.h"

#include <nlohmann/json.hpp>

namespace kit85 {

void TraceWriter::write(const TraceStep& s) {
    using Json = nlohmann::ordered_json;
    auto changes = [](const std::vector<TraceChange>& list) {
        Json j = Json::object();
        for (const TraceChange& c : list) j[c.name] = Json{{"old", c.old.str()}, {"new", c.now.str()}};
        return j;
    };
    Json j;
    j["address"] = s.address.str();
    Json bytes = Json::array();
    for (const Text& b : s.bytes) bytes.push_back(b.str());
    j["bytes"] = std::move(bytes);
    j["mnemonic"] = s.mnemonic;
    j["tstates"] = s.tstates;
    j["registers"] = changes(s.registers);
    j["flags"] = changes(s.flags);
    j["memory"] = changes(s.rows);
    j["reasons"] = s.reasons;
    // As the report does: a text that is not UTF-8 shows as U+FFFD.
    *out_ << j.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
}

}  // namespace kit85
