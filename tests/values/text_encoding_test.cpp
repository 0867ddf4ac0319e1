// Text files as they come: each encoding is read to the same text, and saved
// back to the very bytes it was read from; what is no text is refused.
#include <gtest/gtest.h>

#include <string>

#include "values/text_encoding.h"

namespace kit85 {
namespace {

using namespace std::string_literals;

TEST(TextEncoding, EachKindIsReadAndWrittenBackByteForByte) {
    const struct {
        const char* name;
        std::string bytes;
        TextEncoding encoding;
        std::string text;  // as UTF-8 ("" with a problem)
        const char* problem;
    } kCases[] = {
        {"ASCII", " MVI A,5\r\n HLT\n", TextEncoding::Utf8, " MVI A,5\r\n HLT\n", ""},
        {"UTF-8", "; \xC3\xA9t\xC3\xA9\n", TextEncoding::Utf8, "; \xC3\xA9t\xC3\xA9\n", ""},
        {"UTF-8 with its mark", "\xEF\xBB\xBF HLT\n", TextEncoding::Utf8Bom, " HLT\n", ""},
        {"Latin-1", "; \xE9t\xE9\n HLT\n", TextEncoding::Latin1, "; \xE9t\xE9\n HLT\n", ""},
        {"UTF-16 LE", "\xFF\xFE \0H\0L\0T\0\xE9\0\n\0"s, TextEncoding::Utf16Le, " HLT\xC3\xA9\n", ""},
        {"UTF-16 BE", "\xFE\xFF\0 \0H\0L\0T\0\n"s, TextEncoding::Utf16Be, " HLT\n", ""},
        {"UTF-16 beyond U+FFFF", "\xFF\xFE\x3D\xD8\x00\xDE"s, TextEncoding::Utf16Le, "\xF0\x9F\x98\x80", ""},
        {"an empty file", "", TextEncoding::Utf8, "", ""},
        {"NUL bytes", "\x89PNG\r\n\x1A\n\0\0\0\rIHDR"s, TextEncoding::Utf8, "", "it holds NUL bytes"},
        {"UTF-16 without its mark", " \0H\0L\0T\0\n\0"s, TextEncoding::Utf8, "",
         "it is UTF-16 without a byte-order mark; save it as UTF-8"},
        {"UTF-16 cut short", "\xFF\xFE \0H"s, TextEncoding::Utf16Le, "",
         "its UTF-16 is cut short (an odd number of bytes)"},
        {"UTF-16 with a lone surrogate", "\xFF\xFE\x3D\xD8H\0"s, TextEncoding::Utf16Le, "",
         "its UTF-16 holds a broken character"},
    };
    for (const auto& c : kCases) {
        const DecodedText d = decodeText(c.bytes);
        EXPECT_EQ(d.problem, c.problem) << c.name;
        if (!d.ok()) {
            EXPECT_EQ(notTextMessage("photo.asm", d), "photo.asm is not a text file: "s + c.problem) << c.name;
            continue;
        }
        EXPECT_EQ(d.encoding, c.encoding) << c.name;
        EXPECT_EQ(d.text, c.text) << c.name;
        EXPECT_EQ(encodeText(d.text, d.encoding), c.bytes) << c.name << ": saved back";
    }
}

// The window's editor holds Latin-1 text as UTF-8 and saves it as Latin-1;
// a character Latin-1 has no byte for keeps its bytes rather than vanish.
TEST(TextEncoding, Latin1IsSavedFromTheEditorsText) {
    EXPECT_EQ(encodeText("; \xC3\xA9t\xC3\xA9", TextEncoding::Latin1), "; \xE9t\xE9");
    EXPECT_EQ(encodeText("\xE2\x82\xAC", TextEncoding::Latin1), "\xE2\x82\xAC");
}

}  // namespace
}  // namespace kit85
