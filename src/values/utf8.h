#pragma once

// UTF-8 read and written one character at a time: the one decoder that the
// terminal escapes, the report names and the text-file reader share.

#include <cstddef>
#include <string>
#include <string_view>

namespace kit85 {

// The length of the valid UTF-8 sequence at s[i], with its code point in
// `cp`, or 0 when the byte begins none (a stray continuation byte, an
// overlong form, a surrogate, a sequence cut short). `i` < s.size().
std::size_t utf8SequenceAt(std::string_view s, std::size_t i, char32_t& cp);

// `cp` (at most U+10FFFF) appended as UTF-8.
void appendUtf8(std::string& out, char32_t cp);

}  // namespace kit85
