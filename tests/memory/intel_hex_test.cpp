// The Intel HEX reader: good files, every kind of bad record, and hostile
// input that must neither crash nor hang. The writer: its record layout, and
// files it writes read back to the same bytes.
#include "memory/intel_hex.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace kit85 {
namespace {

// A record with a correct checksum (and byte count, unless one is forced).
std::string record(uint8_t type, uint16_t address, const std::vector<uint8_t>& data, int count = -1,
                   int checksumDelta = 0) {
    std::vector<uint8_t> b;
    b.push_back(static_cast<uint8_t>(count < 0 ? data.size() : static_cast<size_t>(count)));
    b.push_back(static_cast<uint8_t>(address >> 8));
    b.push_back(static_cast<uint8_t>(address));
    b.push_back(type);
    b.insert(b.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (uint8_t x : b) sum += x;
    b.push_back(static_cast<uint8_t>(0x100 - (sum & 0xFF) + checksumDelta));
    std::string s = ":";
    char buf[3];
    for (uint8_t x : b) {
        std::snprintf(buf, sizeof buf, "%02X", x);
        s += buf;
    }
    return s;
}

const std::string kEof = ":00000001FF";

std::string describe(const IntelHexImage& img) {
    std::ostringstream os;
    if (img.error) os << "error {" << img.error->message() << "} ";
    os << img.bytes.size() << " byte(s):";
    for (std::size_t i = 0; i < img.bytes.size() && i < 16; ++i) {
        char buf[16];
        std::snprintf(buf, sizeof buf, " %04X=%02X", img.bytes[i].address, img.bytes[i].value);
        os << buf;
    }
    return os.str();
}

struct GoodCase {
    const char* name;
    std::string text;
    std::vector<HexByte> bytes;
};

TEST(IntelHex, ReadsGoodFiles) {
    const GoodCase cases[] = {
        {"one data record", ":038000003E0576C4\n" + kEof + "\n", {{0x8000, 0x3E}, {0x8001, 0x05}, {0x8002, 0x76}}},
        {"lower-case digits, CRLF, blanks and blank lines",
         "\r\n  :038000003e0576c4 \r\n\n\t" + kEof + "\r\n",
         {{0x8000, 0x3E}, {0x8001, 0x05}, {0x8002, 0x76}}},
        {"no newline after the end record", record(0, 0x10, {0xAA}) + "\n" + kEof, {{0x0010, 0xAA}}},
        {"only an end record", kEof, {}},
        {"empty data record", record(0, 0x1234, {}) + "\n" + kEof, {}},
        {"last byte at FFFF", record(0, 0xFFFE, {1, 2}) + "\n" + kEof, {{0xFFFE, 1}, {0xFFFF, 2}}},
        {"segment 0800 plus offset 0010",
         record(2, 0, {0x08, 0x00}) + "\n" + record(0, 0x0010, {7}) + "\n" + kEof,
         {{0x8010, 7}}},
        {"linear 0000 keeps the offset",
         record(4, 0, {0, 0}) + "\n" + record(0, 0x9000, {9}) + "\n" + kEof,
         {{0x9000, 9}}},
        {"linear 0001 with no data after it",
         record(0, 0x10, {1}) + "\n" + record(4, 0, {0, 1}) + "\n" + kEof,
         {{0x0010, 1}}},
        {"start records place no bytes",
         record(3, 0, {0, 0, 0x80, 0}) + "\n" + record(5, 0, {0, 0, 0x80, 0}) + "\n" + record(0, 1, {2}) + "\n" + kEof,
         {{0x0001, 2}}},
        {"an address given twice is listed twice, in order",
         record(0, 5, {1}) + "\n" + record(0, 5, {2}) + "\n" + kEof,
         {{5, 1}, {5, 2}}},
        {"everything after the end record ignored", kEof + "\nthis is no record\n:zz\n", {}},
        {"255 data bytes", record(0, 0x8000, std::vector<uint8_t>(255, 0x5A)) + "\n" + kEof,
         [] {
             std::vector<HexByte> v;
             for (int i = 0; i < 255; ++i) v.push_back({static_cast<uint16_t>(0x8000 + i), 0x5A});
             return v;
         }()},
    };
    for (const GoodCase& c : cases) {
        IntelHexImage img = parseIntelHex(c.text);
        EXPECT_TRUE(img.ok() && img.bytes == c.bytes) << c.name << ": got " << describe(img);
    }
}

TEST(IntelHex, KeepsTheLastStartAddress) {
    const struct {
        std::string records;
        std::optional<uint32_t> start;
    } cases[] = {
        {"", std::nullopt},
        {record(3, 0, {0x08, 0x00, 0x00, 0x10}), 0x8010},
        {record(5, 0, {0, 0, 0x81, 0x00}), 0x8100},
        {record(5, 0, {0, 1, 0, 0}) + "\n" + record(3, 0, {0, 0, 0x90, 0}), 0x9000},
    };
    for (const auto& c : cases) {
        const IntelHexImage img = parseIntelHex(c.records + "\n" + record(0, 0x8000, {0x76}) + "\n" + kEof);
        EXPECT_TRUE(img.ok() && img.start == c.start) << c.records;
    }
}

struct BadCase {
    const char* name;
    std::string text;
    std::size_t line;
    const char* problem;  // a part of the problem's wording
};

TEST(IntelHex, RejectsBadFilesNamingTheLine) {
    const std::string good = record(0, 0x8000, {1, 2, 3});
    const BadCase cases[] = {
        {"checksum off by one", good + "\n" + record(0, 0x8003, {4}, -1, 1) + "\n" + kEof, 2, "bad checksum"},
        {"bad digit", ":0380000G3E0576C4\n" + kEof, 1, "bad hex digit 'G' at column 9"},
        {"blank inside a record", ":038000003E 0576CC\n" + kEof, 1, "bad hex digit a blank"},
        {"NUL byte", std::string(":0380\0", 6) + "00\n" + kEof, 1, "the byte 0x00"},
        {"non-ASCII byte", "\n:03800000\xC3\xA9\n" + kEof, 2, "the byte 0xC3"},
        {"no colon", "038000003E0576C4\n" + kEof, 1, "must start with ':'"},
        {"odd digit count", ":038000003E0576C\n" + kEof, 1, "odd number of hex digits"},
        {"only a colon", ":\n" + kEof, 1, "too short"},
        {"four bytes only", ":00000001\n" + kEof, 1, "too short"},
        {"fewer data bytes than the count says", good + "\n" + record(0, 0, {1, 2}, 3) + "\n" + kEof, 2,
         "byte count says 3 data byte(s), it holds 2"},
        {"more data bytes than the count says", record(0, 0, {1, 2}, 1) + "\n" + kEof, 1, "record too long"},
        {"unknown record type", record(6, 0, {}) + "\n" + kEof, 1, "unknown record type 06"},
        {"record type FF", record(0xFF, 0, {1}) + "\n" + kEof, 1, "unknown record type FF"},
        {"end record with data", record(1, 0, {0}), 1, "end-of-file record must hold 0"},
        {"segment record of one byte", record(2, 0, {8}) + "\n" + kEof, 1, "must hold 2"},
        {"linear record of three bytes", record(4, 0, {0, 0, 0}) + "\n" + kEof, 1, "must hold 2"},
        {"start record of two bytes", record(5, 0, {0, 0}) + "\n" + kEof, 1, "must hold 4"},
        {"data crossing FFFF", record(0, 0xFFFF, {1, 2}) + "\n" + kEof, 1, "beyond FFFF (byte 2"},
        {"segment 1000 puts data at 10000", record(2, 0, {0x10, 0}) + "\n" + record(0, 0, {1}) + "\n" + kEof, 2,
         "would go to 10000"},
        {"segment F000 plus offset 1000", record(2, 0, {0xF0, 0}) + "\n" + record(0, 0x1000, {1}) + "\n" + kEof, 2,
         "beyond FFFF"},
        {"linear 0001", record(4, 0, {0, 1}) + "\n" + record(0, 0, {1}) + "\n" + kEof, 2, "would go to 10000"},
        {"linear FFFF at the top offset", record(4, 0, {0xFF, 0xFF}) + "\n" + record(0, 0xFFFF, {1}) + "\n" + kEof, 2,
         "would go to FFFFFFFF"},
        {"no end record (cut short)", good + "\n" + good + "\n", 2, "without an end-of-file record"},
        {"empty file", "", 1, "the file is empty"},
        {"blank lines only", "\n \n\r\n", 3, "without an end-of-file record"},
        {"junk after good records", good + "\n" + "hello\n" + kEof, 2, "starts with 'h'"},
    };
    for (const BadCase& c : cases) {
        IntelHexImage img = parseIntelHex(c.text);
        bool right = img.error && img.error->line == c.line &&
                     img.error->problem.find(c.problem) != std::string::npos && img.bytes.empty();
        EXPECT_TRUE(right) << c.name << ": got " << describe(img) << "; want line " << c.line << " with \"" << c.problem
                           << "\" and no bytes";
    }
}

// Whatever a file holds, the parser returns: an error with no bytes, or bytes.
void expectSane(const std::string& text, const std::string& what) {
    IntelHexImage img = parseIntelHex(text);
    if (!img.ok()) {
        EXPECT_TRUE(img.bytes.empty()) << what << ": an error came with bytes: " << describe(img);
        EXPECT_GE(img.error->line, 1u) << what;
        EXPECT_FALSE(img.error->problem.empty()) << what;
    }
}

TEST(IntelHex, SurvivesHostileInput) {
    const std::string hostile[] = {
        std::string(1, '\0'),
        std::string(100000, ':'),
        ":"s + std::string(200000, 'F'),  // an endless record of valid digits
        ":"s + std::string(200001, '0'),
        std::string(100000, '\n'),
        std::string(50000, '\r'),
        ":FF00000000",                        // count 255, nothing there
        ":FFFFFFFF" + std::string(510, 'F'),  // the longest record, wrong checksum
        "\xFF\xFE:\x00\x01",
        ":0",
        ": ",
        "::00000001FF",
        ":00000001FF\0garbage"s,
        ":-1000000",
        ":+0000001FF",
        ":0x000001FF",
    };
    for (std::size_t i = 0; i < std::size(hostile); ++i) expectSane(hostile[i], "hostile input " + std::to_string(i));
}

// Random files written the way a tool writes them read back exactly; then the
// same files, mangled at random, never upset the parser.
TEST(IntelHex, RoundTripsAndSurvivesMangling) {
    std::mt19937 rng(8085);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        std::vector<HexByte> want;
        int records = static_cast<int>(rng() % 6);
        for (int r = 0; r < records; ++r) {
            uint16_t at = static_cast<uint16_t>(rng() % 0xFF00);
            std::vector<uint8_t> data(rng() % 20);
            for (std::size_t i = 0; i < data.size(); ++i) {
                data[i] = static_cast<uint8_t>(rng());
                want.push_back({static_cast<uint16_t>(at + i), data[i]});
            }
            text += record(0, at, data) + (rng() % 2 ? "\r\n" : "\n");
        }
        text += kEof + "\n";
        IntelHexImage img = parseIntelHex(text);
        ASSERT_TRUE(img.ok() && img.bytes == want) << "round " << round << ": " << describe(img) << "\n" << text;

        for (int m = 0; m < 20; ++m) {
            std::string bad = text;
            std::size_t pos = rng() % bad.size();
            switch (rng() % 3) {
                case 0: bad[pos] = static_cast<char>(rng()); break;
                case 1: bad.erase(pos, 1 + rng() % 8); break;
                case 2: bad.resize(pos); break;
            }
            expectSane(bad, "mangled round " + std::to_string(round));
        }
    }
}

struct LayoutCase {
    const char* name;
    std::vector<HexByte> bytes;
    std::string lineEnd;
    std::string want;
};

std::vector<uint8_t> counting(int from, int n) {
    std::vector<uint8_t> v;
    for (int i = 0; i < n; ++i) v.push_back(static_cast<uint8_t>(from + i));
    return v;
}

std::vector<HexByte> at(uint16_t address, const std::vector<uint8_t>& data) {
    std::vector<HexByte> v;
    for (std::size_t i = 0; i < data.size(); ++i) v.push_back({static_cast<uint16_t>(address + i), data[i]});
    return v;
}

TEST(IntelHexWriter, LaysOutRecords) {
    const LayoutCase cases[] = {
        {"nothing: the end record alone", {}, "\n", ":00000001FF\n"},
        {"the short program",
         {{0x8000, 0x3E}, {0x8001, 0x05}, {0x8002, 0x76}},
         "\n",
         ":038000003E0576C4\n:00000001FF\n"},
        {"first and last address",
         {{0x0000, 0x00}, {0xFFFF, 0xAA}},
         "\n",
         ":0100000000FF\n:01FFFF00AA57\n:00000001FF\n"},
        {"CRLF line ends", {{0x0000, 0x00}}, "\r\n", ":0100000000FF\r\n:00000001FF\r\n"},
        {"17 bytes: 16 and 1", at(0x8000, counting(0, 17)), "\n",
         record(0, 0x8000, counting(0, 16)) + "\n" + record(0, 0x8010, {16}) + "\n" + kEof + "\n"},
        {"32 bytes: two full records, no empty one", at(0x8008, counting(0x40, 32)), "\n",
         record(0, 0x8008, counting(0x40, 16)) + "\n" + record(0, 0x8018, counting(0x50, 16)) + "\n" + kEof + "\n"},
        {"a gap starts a new record",
         {{0x8000, 1}, {0x8002, 2}},
         "\n",
         record(0, 0x8000, {1}) + "\n" + record(0, 0x8002, {2}) + "\n" + kEof + "\n"},
        {"out of order, an address twice: sorted, the later byte kept",
         {{0x8001, 2}, {0x8000, 1}, {0x8001, 9}},
         "\n",
         record(0, 0x8000, {1, 9}) + "\n" + kEof + "\n"},
        {"a record ends at FFFF", at(0xFFF8, counting(0, 8)), "\n",
         record(0, 0xFFF8, counting(0, 8)) + "\n" + kEof + "\n"},
    };
    for (const LayoutCase& c : cases) {
        std::string got = formatIntelHex(c.bytes, c.lineEnd);
        EXPECT_EQ(got, c.want) << c.name;
    }
}

// Random images, an address now and then given twice, written and read back:
// the reader sees each address once, in order, with its last byte.
TEST(IntelHexWriter, RoundTripsThroughTheReader) {
    std::mt19937 rng(8080);
    for (int round = 0; round < 200; ++round) {
        std::vector<HexByte> bytes;
        int runs = static_cast<int>(rng() % 5);
        for (int r = 0; r < runs; ++r) {
            uint16_t start = static_cast<uint16_t>(rng() % 3 == 0 ? 0xFFC0 + rng() % 0x40 : rng());
            std::size_t n = rng() % 70;
            for (std::size_t i = 0; i < n && start + i <= 0xFFFF; ++i)
                bytes.push_back({static_cast<uint16_t>(start + i), static_cast<uint8_t>(rng())});
        }
        std::map<uint16_t, uint8_t> last;
        for (const HexByte& b : bytes) last[b.address] = b.value;
        std::vector<HexByte> want;
        for (auto [a, v] : last) want.push_back({a, v});

        std::string text = formatIntelHex(bytes);
        IntelHexImage img = parseIntelHex(text);
        ASSERT_TRUE(img.ok() && img.bytes == want)
            << "round " << round << ": got " << describe(img) << "; want " << want.size() << " byte(s)\n"
            << text;
        for (std::size_t p = 0, e; p < text.size(); p = e + 1) {
            e = text.find('\n', p);
            ASSERT_LE(e - p, 1 + 2 * (5 + 16))
                << "round " << round << ": a record over 16 bytes: " << text.substr(p, e - p);
        }
    }
}

}  // namespace
}  // namespace kit85
