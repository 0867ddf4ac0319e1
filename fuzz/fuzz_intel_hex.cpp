// Fuzz target: the Intel HEX reader and writer.
//
// Any input goes to parseIntelHex, which must return without crashing. When it
// parses, the final byte at each address (the later one of an address given
// twice) is written back with formatIntelHex and read again: the second read
// must succeed and give exactly those bytes, each address once, in order; and
// writing that again must give the same text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "memory/intel_hex.h"

namespace {

[[noreturn]] void fault(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz_intel_hex: %s\n%s\n", what, detail.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kit85;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    IntelHexImage first = parseIntelHex(text);
    if (!first.ok()) {
        if (!first.bytes.empty()) fault("an error came with bytes", first.error->message());
        if (first.error->line < 1 || first.error->problem.empty()) fault("an error without line or problem", "");
        return 0;
    }

    std::map<uint16_t, uint8_t> last;
    for (const HexByte& b : first.bytes) last[b.address] = b.value;
    std::vector<HexByte> want;
    want.reserve(last.size());
    for (auto [address, value] : last) want.push_back({address, value});

    const std::string written = formatIntelHex(first.bytes);
    IntelHexImage second = parseIntelHex(written);
    if (!second.ok()) fault("the writer's text does not parse", second.error->message() + "\n" + written);
    if (second.bytes != want) {
        std::string detail = "want " + std::to_string(want.size()) + " byte(s), got " +
                             std::to_string(second.bytes.size()) + "\n" + written;
        fault("the bytes read back differ", detail);
    }
    if (formatIntelHex(second.bytes) != written) fault("writing the read-back bytes gives another text", written);
    return 0;
}
