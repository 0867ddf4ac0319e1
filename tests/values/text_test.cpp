#include <gtest/gtest.h>

#include "values/text.h"

namespace kit85 {
namespace {

// Texts of hex digits are held as numbers and all others as strings; the
// string functions must agree on both, and across the boundary.
TEST(Text, StringFunctionsMatchPlainStrings) {
    const char* samples[] = {"",      "0",        "3E",        "3e", " 5", "5 ",       "8000",
                             "0FFFF", "12345678", "123456789", "  ", "1G", "ABCDEFAB", "00"};
    for (const char* s : samples) {
        const std::string str(s);
        const Text t(s);
        EXPECT_EQ(t.str(), str);
        EXPECT_EQ(t.size(), str.size()) << s;
        for (std::size_t n = 0; n <= str.size() + 1; ++n) {
            EXPECT_EQ(t.right(n).str(), str.substr(str.size() - std::min(n, str.size())))
                << "right(" << n << ") of " << s;
            EXPECT_EQ(t.left(n).str(), str.substr(0, n)) << "left(" << n << ") of " << s;
            for (std::size_t start = 1; start <= str.size() + 1; ++start)
                EXPECT_EQ(t.mid(start, n).str(), start > str.size() ? "" : str.substr(start - 1, n))
                    << "mid(" << start << ", " << n << ") of " << s;
        }
        for (const char* o : samples) {
            EXPECT_EQ((t + Text(o)).str(), str + o) << s << " + " << o;
            EXPECT_EQ(t + Text(o), Text(str + o)) << s << " + " << o << " equals the text of the joined string";
            EXPECT_EQ(t == Text(o), str == o) << s << " == " << o;
        }
    }
}

TEST(Text, TrimsBlanksOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {" 05 ", "05"}, {"05", "05"}, {"   ", ""}, {"\t5", "\t5"}, {" a b ", "a b"}};
    for (auto [in, out] : cases) {
        EXPECT_EQ(Text(in).trimmed().str(), out) << '"' << in << '"';
        EXPECT_EQ(Text(in).trimmed(), Text(out));
    }
}

TEST(Text, HexDigitTextsAreHeldAsValues) {
    EXPECT_TRUE(Text("3E").is(0x3E, 2));
    EXPECT_FALSE(Text("3e").isHex());
    EXPECT_FALSE(Text("03E").is(0x3E, 2));
    EXPECT_EQ(Text::byte(0x1FF).str(), "FF");
    EXPECT_EQ(Text::word(0x12345).str(), "2345");
    EXPECT_EQ(Text(" 5").trimmed(), Text::digits(5, 1));
    Text copy = Text("3e");
    Text assigned;
    assigned = copy;
    EXPECT_EQ(assigned.str(), "3e");
    assigned = Text("42");
    EXPECT_TRUE(assigned.is(0x42, 2));
}

}  // namespace
}  // namespace kit85
