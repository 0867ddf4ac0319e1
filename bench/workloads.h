#pragma once

// Real 8085 programs for measuring the run loop, each running to its HLT
// after tens of millions of instructions. The programs are the .asm sources
// in bench/workloads, assembled by the kit's own assembler when the benchmark
// starts; each comes with a check of what it must leave in memory.

#include <cstdint>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "asm/assembler.h"

#ifndef KIT85_WORKLOADS
#error "KIT85_WORKLOADS must name the folder of the workload sources"
#endif

namespace kit85::bench {

struct Workload {
    std::string name;
    uint16_t start = 0x8000;
    std::vector<uint8_t> program;  // from `start` on, one byte a row
    // Reads memory after the run (address -> data text) and says whether the
    // program computed what it should.
    std::function<bool(const std::function<std::string(uint16_t)>& peek)> check;
};

// The bytes of bench/workloads/`file`, which must assemble without an error
// into one block from 8000 on.
inline std::vector<uint8_t> assembled(const std::string& file) {
    const std::string path = std::string(KIT85_WORKLOADS) + "/" + file;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream source;
    source << in.rdbuf();
    const assembler::Assembly a = assembler::assemble(source.str());
    if (!in || !a.ok()) throw std::runtime_error("the workload " + path + " does not assemble");
    std::vector<uint8_t> bytes;
    for (const HexByte& b : a.bytes()) {
        if (b.address != 0x8000 + bytes.size()) throw std::runtime_error("the workload " + path + " has a gap");
        bytes.push_back(b.value);
    }
    return bytes;
}

inline int hexByte(const std::string& s) { return s.size() == 2 ? std::stoi(s, nullptr, 16) : -1; }

inline std::vector<Workload> allWorkloads() {
    auto sorted = [](auto peek) {
        for (int i = 0; i < 256; ++i)
            if (hexByte(peek(0x9000 + i)) != i) return false;
        return true;
    };
    return {
        {"delay loop", 0x8000, assembled("delay_loop.asm"), [](auto peek) { return peek(0x8800) == "00"; }},
        {"bubble sort", 0x8000, assembled("bubble_sort.asm"), sorted},
        {"multiply (CALL/PUSH/POP)", 0x8000, assembled("multiply.asm"),
         [](auto peek) { return peek(0x8800) == "01" && peek(0x8801) == "00" && peek(0x8810) == "00"; }},
        {"BCD addition (DAA)", 0x8000, assembled("bcd_addition.asm"),
         [](auto peek) {
             return peek(0x9000) == "36" && peek(0x9001) == "55" && peek(0x9002) == "06" && peek(0x9003) == "00";
         }},
    };
}

}  // namespace kit85::bench
