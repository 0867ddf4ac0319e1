#pragma once

// Writing a set of output files all or none, for kit85-asm's HEX, listing and
// sheet and kit85-run's --save-hex.
//
// Each file is written to a temporary file in its folder and renamed into
// place once every one is written; on any failure the temporary files are
// removed and no target is touched. A target that exists and is no regular
// file (/dev/null, a pipe) is written straight to, after the others; a
// symbolic link is followed, so the file it names is replaced, not the link.
// A file named "-" is the given standard output, written last.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kit85::assembler {

struct OutputFile {
    std::string file;
    std::string text;
};

// None when every file was written; otherwise "cannot write FILE: reason".
std::optional<std::string> writeOutputFiles(const std::vector<OutputFile>& files, std::ostream& standardOutput);

}  // namespace kit85::assembler
