#pragma once

// kit85-run's interfacing board: --board PROFILE and the inputs it takes
// (--in, --interrupt, --key), checked before any file is opened, then set on
// the board before the run.
//
//   --in PORT=BYTE[,BYTE...]        each IN from PORT reads the next byte; the
//                                   last one stays
//   --in PORT=BYTE@T[,BYTE@T...]    PORT gives BYTE from the run's T-state T on
//   --interrupt NAME@T              TRAP, RST7.5, RST6.5, RST5.5 or INTR
//                                   requested at T-state T (a level one is held
//                                   until it is taken)
//   --key CODE[,CODE...]            keypad keys for the monitor's read_key
// PORT, BYTE and CODE are one or two hex digits, T decimal.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board/board.h"

namespace kit85 {

struct BoardRequest {
    std::string profile;  // a shipped profile's name or a file
    struct Fed {
        uint8_t port;
        std::vector<uint8_t> bytes;
    };
    std::vector<Fed> sequences;
    struct At {
        uint64_t tstate;
        board::Input input;
    };
    std::vector<At> timed;  // --in with T-states and --interrupt
    std::vector<uint8_t> keys;
};

// The board options checked; throws BadInput (cli/options.h). None without --board
// (the others then refused).
std::optional<BoardRequest> checkBoardRequest(const std::optional<std::string>& profile,
                                              const std::vector<std::string>& inputs,
                                              const std::vector<std::string>& interrupts,
                                              const std::vector<std::string>& keys);

// The inputs set on a board fresh from its profile.
void applyBoardRequest(const BoardRequest& q, board::Board& b);

}  // namespace kit85
