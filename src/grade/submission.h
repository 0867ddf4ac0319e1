#pragma once

// Submissions: finding them among the grader's arguments and reading each
// into a Program, the rows it puts in memory.
//
// Every file is only read: a memory file is opened by SQLite read-only and
// immutable (no lock, no journal, nothing written beside it), and an
// assembler source or Intel HEX file is read with a size bound and never
// followed into a device or pipe. A submission that cannot be read, does not
// assemble or is not a kit85 memory file gives a Program with a problem: a
// result for that student, not a stop for the grader.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "grade/lab.h"
#include "values/text.h"

namespace kit85::grade {

// The rows a submission sets, in ascending address order; every other row
// holds "00", as in a fresh kit.
struct Program {
    std::vector<std::pair<uint16_t, Text>> rows;
    std::string problem;  // why there is no program ("" when there is one)
    // Rows the program sets to 00 (a NOP or a zero byte of its own), in
    // ascending order: written by it, though no part of `rows`.
    std::vector<uint16_t> zeros;
    // The assembler's warnings ("file.asm:3:1: warning: ..."), which may
    // explain why a program that assembled fails.
    std::vector<std::string> warnings;

    bool ok() const { return problem.empty(); }
    static Program refused(std::string why) {
        Program p;
        p.problem = std::move(why);
        return p;
    }
};

struct Submission {
    std::string student;
    std::filesystem::path file;
    std::string problem;  // found wanting before it was read (a folder without one program)
};

// Reads one submission as the lab allows it.
Program readProgram(const std::filesystem::path& file, const Lab& lab);
// Reads a file of a known kind (the reference programs, the window's check);
// a source without ORG is placed at `origin`.
// With `board` (the lab's board is on) RST gets no invalid-code warning.
Program readProgramOf(const std::filesystem::path& file, ProgramKind kind, uint16_t origin = 0x8000,
                      bool board = false);
// The program of an assembler source given as text.
Program assembleProgram(std::string_view source, const std::string& name, uint16_t origin = 0x8000,
                        bool board = false);

struct Found {
    std::vector<Submission> submissions;
    std::vector<std::string> notes;  // files passed over in folders, for the user
};

// The submissions the arguments name, in the order given, each folder's in
// name order:
// - a file is one submission, the student named after the file (its stem);
// - a folder holding exactly one file and no folders is one submission, the
//   student named after the folder;
// - any other folder holds one submission per entry: each sub-folder as above,
//   each file with a submission's extension (programKindOf; other files are
//   passed over).
// An argument that does not exist is a submission whose file is missing: its
// result says so. A symbolic link (an argument, an entry or a student's file)
// is not followed: it is a submission whose result says it is a link. Files
// whose names start with a dot, files of no submission's extension and
// folders that cannot be read are passed over with a note.
Found findSubmissions(const std::vector<std::filesystem::path>& arguments);

}  // namespace kit85::grade
