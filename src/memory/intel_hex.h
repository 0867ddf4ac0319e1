#pragma once

// Intel HEX: the text format assemblers and programmers write machine code in.
//
// parseIntelHex is a pure function from a file's text to the bytes it places,
// or to the first problem found. It takes any input whatsoever (binary junk,
// endless lines, truncated records) and never crashes, loops or reads outside
// the text; a fuzzer can be pointed straight at it.
//
// Records understood: 00 data, 01 end-of-file, 02 extended segment address,
// 04 extended linear address; 03 and 05 (start addresses) are kept as the
// image's start. A file is all or nothing: a bad digit, a short or malformed record,
// a wrong checksum, an unknown record type, data placed beyond FFFF or a
// missing end-of-file record rejects it whole. Hex digits may be either case;
// blank lines and blanks or a carriage return around a record are allowed;
// anything after the end-of-file record is ignored.
//
// formatIntelHex writes bytes back as such a file, in the shape every reader
// takes: upper-case digits, 16 data bytes a record, then the end-of-file
// record. Addresses are 16-bit, so no extended address record is ever needed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kit85 {

struct HexByte {
    uint16_t address = 0;
    uint8_t value = 0;

    friend bool operator==(const HexByte&, const HexByte&) = default;
};

struct IntelHexError {
    std::size_t line = 0;  // 1-based
    std::string problem;

    // "line 3: bad checksum ..."
    std::string message() const;
};

struct IntelHexImage {
    // In file order; an address given twice appears twice, and the later
    // byte is the one meant to stay. Empty when there is an error.
    std::vector<HexByte> bytes;
    // Where the program starts, from the last start address record (03: its
    // segment times 16 plus its offset; 05: its 32 bits); none without one.
    std::optional<uint32_t> start;
    std::optional<IntelHexError> error;

    bool ok() const { return !error.has_value(); }
};

IntelHexImage parseIntelHex(std::string_view text);

// The bytes in address order, an address given twice written once with its
// later byte. A record holds up to 16 bytes of consecutive addresses: a gap
// starts a new record. Each line ends with `lineEnd`.
std::string formatIntelHex(std::span<const HexByte> bytes, std::string_view lineEnd = "\n");

}  // namespace kit85
