#include "memory/intel_hex.h"

#include <algorithm>
#include <utility>

#include "values/ascii.h"

namespace kit85 {

std::string IntelHexError::message() const { return "line " + std::to_string(line) + ": " + problem; }

namespace {

// A character as a reader can see it in a message, also when it is a control
// character or a byte of some other encoding.
std::string shownChar(char c) {
    auto u = static_cast<unsigned char>(c);
    if (u >= 0x21 && u <= 0x7E) return std::string("'") + c + "'";
    if (u == ' ') return "a blank";
    return "the byte 0x" + hexDigits(u, 2);
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

struct Failure {
    std::string problem;
};

// One record; throws Failure. Appends its data to `out` and updates the base
// address; returns true for the end-of-file record.
bool readRecord(std::string_view rec, uint32_t& base, std::vector<HexByte>& out, std::optional<uint32_t>& start) {
    if (rec.front() != ':')
        throw Failure{"a record must start with ':', this line starts with " + shownChar(rec.front())};
    std::string_view digits = rec.substr(1);
    for (std::size_t i = 0; i < digits.size(); ++i)
        if (hexDigitValue(digits[i]) < 0)
            throw Failure{"bad hex digit " + shownChar(digits[i]) + " at column " + std::to_string(i + 2)};
    if (digits.size() % 2 != 0) throw Failure{"odd number of hex digits (" + std::to_string(digits.size()) + ")"};
    // Byte count, two address bytes, type and checksum: five bytes at least.
    if (digits.size() < 10)
        throw Failure{"record too short: " + std::to_string(digits.size()) +
                      " hex digits, a record has at least 10 after ':'"};

    std::vector<uint8_t> b(digits.size() / 2);
    for (std::size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<uint8_t>(hexDigitValue(digits[2 * i]) * 16 + hexDigitValue(digits[2 * i + 1]));

    const std::size_t count = b[0];
    const std::size_t held = b.size() - 5;
    if (held < count)
        throw Failure{"record too short: its byte count says " + std::to_string(count) + " data byte(s), it holds " +
                      std::to_string(held)};
    if (held > count)
        throw Failure{"record too long: its byte count says " + std::to_string(count) + " data byte(s), it holds " +
                      std::to_string(held)};

    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < b.size(); ++i) sum += b[i];
    const uint8_t want = static_cast<uint8_t>(0x100 - (sum & 0xFF));
    if (b.back() != want)
        throw Failure{"bad checksum: the record has " + hexDigits(b.back(), 2) + ", its bytes need " +
                      hexDigits(want, 2)};

    const uint32_t offset = static_cast<uint32_t>(b[1]) << 8 | b[2];
    const uint8_t type = b[3];
    const uint8_t* data = b.data() + 4;
    auto needCount = [&](std::size_t n, const char* what) {
        if (count != n)
            throw Failure{std::string(what) + " record must hold " + std::to_string(n) +
                          " data byte(s), this one holds " + std::to_string(count)};
    };

    switch (type) {
        case 0x00:
            for (std::size_t i = 0; i < count; ++i) {
                // The base is at most FFFF0 (segment) or FFFF0000 (linear):
                // 64-bit arithmetic keeps the sum exact.
                const uint64_t at = uint64_t{base} + offset + i;
                if (at > 0xFFFF)
                    throw Failure{"data beyond FFFF (byte " + std::to_string(i + 1) + " of the record would go to " +
                                  hexDigits(static_cast<uint32_t>(at), at > 0xFFFFF ? 8 : 5) + ")"};
                out.push_back({static_cast<uint16_t>(at), data[i]});
            }
            return false;
        case 0x01: needCount(0, "an end-of-file"); return true;
        case 0x02:
            needCount(2, "an extended segment address");
            base = (static_cast<uint32_t>(data[0]) << 8 | data[1]) << 4;
            return false;
        case 0x03:
            needCount(4, "a start segment address");
            start = ((static_cast<uint32_t>(data[0]) << 8 | data[1]) << 4) +
                    (static_cast<uint32_t>(data[2]) << 8 | data[3]);
            return false;
        case 0x04:
            needCount(2, "an extended linear address");
            base = (static_cast<uint32_t>(data[0]) << 8 | data[1]) << 16;
            return false;
        case 0x05:
            needCount(4, "a start linear address");
            start = static_cast<uint32_t>(data[0]) << 24 | static_cast<uint32_t>(data[1]) << 16 |
                    static_cast<uint32_t>(data[2]) << 8 | data[3];
            return false;
        default: throw Failure{"unknown record type " + hexDigits(type, 2)};
    }
}

}  // namespace

IntelHexImage parseIntelHex(std::string_view text) {
    IntelHexImage image;
    uint32_t base = 0;
    std::size_t lineNo = 0;
    std::size_t pos = 0;
    try {
        while (pos < text.size()) {
            std::size_t end = text.find('\n', pos);
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = text.substr(pos, end - pos);
            pos = end + 1;
            ++lineNo;
            while (!line.empty() && isBlank(line.front())) line.remove_prefix(1);
            while (!line.empty() && isBlank(line.back())) line.remove_suffix(1);
            if (line.empty()) continue;
            if (readRecord(line, base, image.bytes, image.start)) return image;
        }
    } catch (const Failure& f) {
        image.bytes.clear();
        image.start.reset();
        image.error = IntelHexError{lineNo, f.problem};
        return image;
    }
    image.bytes.clear();
    image.start.reset();
    image.error = IntelHexError{lineNo == 0 ? 1 : lineNo,
                                lineNo == 0 ? "the file is empty (no end-of-file record)"
                                            : "the file ends here without an end-of-file record (it may be cut short)"};
    return image;
}

std::string formatIntelHex(std::span<const HexByte> bytes, std::string_view lineEnd) {
    // Address order, the later byte of an address kept: a stable sort keeps
    // file order within an address, so the last of each equal run wins.
    std::vector<HexByte> sorted(bytes.begin(), bytes.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const HexByte& a, const HexByte& b) { return a.address < b.address; });
    std::vector<HexByte> image;
    image.reserve(sorted.size());
    for (const HexByte& b : sorted) {
        if (!image.empty() && image.back().address == b.address)
            image.back() = b;
        else
            image.push_back(b);
    }

    constexpr std::size_t kPerRecord = 16;
    std::string out;
    out.reserve(image.size() / kPerRecord * 48 + 32);
    for (std::size_t i = 0; i < image.size();) {
        std::size_t n = 1;
        while (n < kPerRecord && i + n < image.size() && image[i + n].address == image[i].address + n) ++n;
        const uint16_t at = image[i].address;
        unsigned sum = static_cast<unsigned>(n) + (at >> 8) + (at & 0xFF);
        out += ':';
        out += hexDigits(static_cast<uint32_t>(n), 2);
        out += hexDigits(at, 4);
        out += "00";
        for (std::size_t k = 0; k < n; ++k) {
            out += hexDigits(image[i + k].value, 2);
            sum += image[i + k].value;
        }
        out += hexDigits((0x100 - (sum & 0xFF)) & 0xFF, 2);
        out += lineEnd;
        i += n;
    }
    out += ":00000001FF";
    out += lineEnd;
    return out;
}

}  // namespace kit85
