// Writes the benchmark programs as Intel HEX files, one per workload, for
// timing kit85-run as a whole process (bench/kit85_run_bench.sh).
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "workloads.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: workload_hex FOLDER\n";
        return 2;
    }
    int n = 0;
    for (const auto& w : kit85::bench::allWorkloads()) {
        std::string path = std::string(argv[1]) + "/workload" + std::to_string(n++) + ".hex";
        std::ofstream out(path);
        for (std::size_t i = 0; i < w.program.size(); i += 16) {
            std::size_t len = std::min<std::size_t>(16, w.program.size() - i);
            unsigned addr = w.start + static_cast<unsigned>(i);
            unsigned sum = static_cast<unsigned>(len) + (addr >> 8) + (addr & 0xFF);
            char buf[16];
            std::snprintf(buf, sizeof buf, ":%02zX%04X00", len, addr);
            out << buf;
            for (std::size_t j = 0; j < len; ++j) {
                std::snprintf(buf, sizeof buf, "%02X", w.program[i + j]);
                out << buf;
                sum += w.program[i + j];
            }
            std::snprintf(buf, sizeof buf, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
            out << buf;
        }
        out << ":00000001FF\n";
        std::cout << path << '\t' << w.name << '\n';
    }
    return 0;
}
