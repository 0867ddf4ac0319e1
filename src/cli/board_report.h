#pragma once

// The interfacing board in kit85-run's report: every OUT ("ports": port,
// byte, T-state) and the devices as the run left them ("board").

#include <nlohmann/json.hpp>

#include <iosfwd>

#include "board/board.h"

namespace kit85 {

// Adds "ports" and "board" to the JSON report.
void addBoardJson(nlohmann::ordered_json& j, const board::Board& b);
// The summary's lines: the profile, the OUT count and each device's state.
void writeBoardText(std::ostream& out, const board::Board& b);

}  // namespace kit85
