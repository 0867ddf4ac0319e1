// Fuzz target: opening a memory file.
//
// The input is written as a file in a private temporary folder and opened with
// MemoryTable::open. Either it opens (and is closed again), or it is refused
// with a KitError (StoreError) naming the problem; anything else escaping is a
// fault. A refused file must be byte-identical afterwards.
//
// KIT85_FUZZ_REFUSED_UNCHANGED=0 in the environment turns the byte check off,
// for runs that look for other faults while a known change-before-refusal is
// being fixed.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

#include "memory/memory_table.h"
#include "values/errors.h"

namespace fs = std::filesystem;

namespace {

fs::path gDir;
fs::path gFile;
bool gCheckUnchanged = true;

void removeAll() {
    std::error_code ec;
    if (!gDir.empty()) fs::remove_all(gDir, ec);
}

void clearFolder() {
    std::error_code ec;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(gFile.string() + suffix, ec);
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// 64 bytes of a file from `from` on, 16 a line with their offsets.
void showBytes(const char* what, std::string_view s, std::size_t from) {
    std::fprintf(stderr, "%s (%zu bytes):", what, s.size());
    for (std::size_t i = from; i < s.size() && i < from + 64; ++i) {
        if ((i - from) % 16 == 0) std::fprintf(stderr, "\n  %06zX:", i);
        std::fprintf(stderr, " %02X", static_cast<unsigned char>(s[i]));
    }
    std::fprintf(stderr, "\n");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* check = std::getenv("KIT85_FUZZ_REFUSED_UNCHANGED");
    gCheckUnchanged = !(check && std::strcmp(check, "0") == 0);
    std::string pattern = (fs::temp_directory_path() / "kit85-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("fuzz_memory_file: mkdtemp");
        std::abort();
    }
    gDir = pattern;
    gFile = gDir / "memory.sqlite";
    std::atexit(removeAll);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kit85;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    clearFolder();
    {
        std::ofstream out(gFile, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "fuzz_memory_file: cannot write %s\n", gFile.c_str());
            std::abort();
        }
    }

    std::string refusal;
    try {
        std::unique_ptr<MemoryTable> table = MemoryTable::open(gFile);
        if (table->cursor() < -1 || table->cursor() > table->size()) {
            std::fprintf(stderr, "fuzz_memory_file: cursor %d outside -1..%d\n", table->cursor(), table->size());
            std::abort();
        }
    } catch (const KitError& e) {
        refusal = e.what();
        if (refusal.empty()) {
            std::fprintf(stderr, "fuzz_memory_file: a refusal without a message\n");
            std::abort();
        }
    }

    if (!refusal.empty() && gCheckUnchanged) {
        const std::string after = readFile(gFile);
        if (after != bytes) {
            std::size_t at = 0;
            while (at < after.size() && at < bytes.size() && after[at] == bytes[at]) ++at;
            std::fprintf(stderr,
                         "fuzz_memory_file: a refused file was changed (first difference at byte %zu)\n"
                         "refusal: %s\n",
                         at, refusal.c_str());
            const std::size_t from = at & ~std::size_t{15};
            showBytes("before", bytes, from);
            showBytes("after", after, from);
            std::abort();
        }
    }
    clearFolder();
    return 0;
}
