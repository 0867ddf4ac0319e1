#pragma once

// What a text file's bytes are, found before the file is opened as a source:
// UTF-8 (with or without a byte-order mark), UTF-16 with a byte-order mark
// (what a common Windows editor saves as "Unicode"), Latin-1, or no text at
// all (a picture picked by mistake, a file with NUL bytes). A reader takes
// the text as UTF-8 and a writer puts it back in the encoding it came in, so
// that opening and saving never loses or changes a byte that was not edited.

#include <string>
#include <string_view>

namespace kit85 {

enum class TextEncoding {
    Utf8,     // also plain ASCII
    Utf8Bom,  // UTF-8 after the byte-order mark EF BB BF
    Utf16Le,  // after FF FE
    Utf16Be,  // after FE FF
    Latin1,   // bytes that are not UTF-8, one character each
};

struct DecodedText {
    // The text as UTF-8, the byte-order mark left out. For Latin-1, the
    // file's own bytes, as the assembler has always read them.
    std::string text;
    TextEncoding encoding = TextEncoding::Utf8;
    // Why the bytes are no text ("" when they are): "it holds NUL bytes",
    // "it is UTF-16 without a byte-order mark", "its UTF-16 is cut short".
    std::string problem;

    bool ok() const { return problem.empty(); }
};

DecodedText decodeText(std::string_view bytes);

// `text` (UTF-8; for Latin-1, characters up to U+00FF or the bytes as they
// came) as the bytes of a file in `encoding`, the byte-order mark first where
// it has one.
std::string encodeText(std::string_view text, TextEncoding encoding);

// "UTF-8", "UTF-8 with a byte-order mark", "UTF-16 LE", "UTF-16 BE", "Latin-1".
std::string_view encodingName(TextEncoding encoding);

// "NAME is not a text file: REASON" for a refused file, "" for text.
std::string notTextMessage(std::string_view name, const DecodedText& decoded);

}  // namespace kit85
