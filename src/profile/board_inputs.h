#pragma once

// The inputs a run gives the interfacing board, written as kit85-run's
// options and a lab file's keys write them, checked before anything runs and
// then set on the board:
//
//   in         PORT=BYTE[,BYTE...]      each IN from PORT reads the next byte;
//                                       the last one stays
//              PORT=BYTE@T[,BYTE@T...]  PORT gives BYTE from the run's T-state T on
//   interrupt  NAME@T                   TRAP, RST7.5, RST6.5, RST5.5 or INTR
//                                       requested at T-state T (a level one is
//                                       held until it is taken)
//   key        CODE[,CODE...]           keypad keys for the monitor's read_key
// PORT, BYTE and CODE are one or two hex digits, T decimal. A bad value is
// refused with a message naming it ("--in 01=123: ..."; `option` gives the
// name it starts with).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board/board.h"

namespace kit85::profile {

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

// Each adds the value to `q`, or returns what is wrong with it.
std::optional<std::string> addInput(const std::string& given, BoardRequest& q, const std::string& option = "--in");
std::optional<std::string> addInterrupt(const std::string& given, BoardRequest& q,
                                        const std::string& option = "--interrupt");
std::optional<std::string> addKeys(const std::string& given, BoardRequest& q, const std::string& option = "--key");

// The inputs set on a board fresh from its profile.
void applyBoardRequest(const BoardRequest& q, board::Board& b);

}  // namespace kit85::profile
