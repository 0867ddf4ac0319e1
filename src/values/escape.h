#pragma once

// How the command-line tools (kit85-run, kit85-asm) show texts and echo what
// they were given, in their text output and messages: nothing they write
// there can move the cursor, clear the screen or recolour the terminal, and
// no echo is so long that it buries the problem it is quoted for.
//
// The kit's texts are bytes and are shown byte by byte ("\xC3\xA9"); file
// names, arguments and messages keep their UTF-8 characters.

#include <cstddef>
#include <string>
#include <string_view>

namespace kit85 {

// Characters in UTF-8; a byte that begins no valid sequence counts as one.
std::size_t characterCount(std::string_view s);

// A line as it may go to a terminal: control characters (C0, DEL, C1) and
// bytes that are not UTF-8 as \xNN, everything else as it is.
std::string printable(std::string_view s);

// A kit text in quotes: quote and backslash escaped, every byte outside
// printable ASCII as \xNN, so odd texts such as " 5" stay visible.
std::string quoted(std::string_view s);

// A kit text as the summary shows it: plain when it is a plain word, else
// quoted.
std::string shown(std::string_view s);

// Echoes of a value the user gave, for messages: its first kEchoCharacters
// characters, then "…".
constexpr std::size_t kEchoCharacters = 60;
std::string echo(std::string_view s);        // printable
std::string quotedEcho(std::string_view s);  // quoted

// A message composed elsewhere (the core, CLI11), which may hold a value of
// any length: printable, and when longer than kMessageCharacters characters
// its middle left out ("…"), so its start and the problem at its end remain.
constexpr std::size_t kMessageCharacters = 200;
std::string printableMessage(std::string_view s);

}  // namespace kit85
