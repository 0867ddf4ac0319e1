#pragma once

// A lab file's keys for the interfacing board, read from TOML and checked
// after a run:
//   board = "lab"                 the lab's kit profile: a shipped one's name,
//                                 or a file beside the lab (trafficboard.toml)
//   [[case]] in = ["01=5A"], interrupts = ["RST7.5@1000"], keys = "05,0A"
//                                 what the case gives the board, written as
//                                 kit85-run's --in, --interrupt and --key
//   [case.expect] outputs = [{ port = 0x02, bytes = "21 22 0C", every = 5000, tolerance = 50 }]
//                                 the first OUTs to the port, and with `every`
//                                 the T-states from each to the next
//   [case.expect] devices = { leds = "5A", traffic = "north_green east_red" }
//                                 states as board::stateText words them (lit
//                                 traffic lights in any order)

#include <toml++/toml.h>

#include <filesystem>
#include <vector>

#include "grade/grader.h"
#include "grade/lab.h"
#include "grade/machine.h"

namespace kit85::grade {

std::shared_ptr<const board::Profile> boardOf(const toml::node& n, const std::filesystem::path& labFile);
// The case's "in", "interrupts" and "keys"; refused without a board.
void boardInputsOf(const toml::table& caseTable, Case& c);
// The expectation's "outputs" and "devices" (without a board, refused by the lab).
void boardExpectationsOf(const toml::table& expect, Expectation& e);
// Refuses a case that gives or expects the board's things when the lab has none,
// and devices the profile does not have.
void checkBoardCase(const toml::table& caseTable, const Case& c);

void boardChecks(const Expectation& e, const Machine& m, std::vector<Check>& out);

}  // namespace kit85::grade
