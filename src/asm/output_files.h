#pragma once

// Writing output files all or none, for kit85-asm's HEX, listing and sheet
// and kit85-run's --save-hex and --trace; and telling whether two names lead
// to one file.
//
// A regular target is written to a temporary file beside it,
// ".NAME.kit85-XXXXXX", and renamed into place only once every target of the
// set is written and synced: on any failure the temporary files are removed
// and no target is touched. A target that exists and is no regular file (a
// device such as /dev/null, a pipe) cannot be held back: it is opened before
// anything is written (a folder or a socket is refused there) and written
// before any rename, so a device that fails (/dev/full) still leaves every
// regular target as it was. /dev/stdout and /dev/fd/N write through the
// descriptor they name (a pipe, or the file the shell opened), as a device.
// A symbolic link is followed, so the file it names
// is replaced, not the link; a loop of links is refused. "-" is the given
// standard output, written after the devices and before the renames.
//
// A temporary file is locked (flock) by its writer for as long as it exists
// under its temporary name. One left by a writer that was killed is removed
// by the next write of the same target, once unlocked and ten seconds old; other
// names are never touched.

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace kit85::assembler {

struct OutputFile {
    std::string file;
    std::string text;
};

struct OutputProblem {
    std::string problem;               // "cannot write FILE: reason"
    std::vector<std::string> reached;  // devices and "-" that got their text before it
    // The problem and what it left behind: "PROBLEM; NOTHING" when no output
    // was reached, else "PROBLEM; only A, B got their output".
    std::string message(std::string_view nothing) const;
};

// None when every file was written.
std::optional<OutputProblem> writeOutputFiles(const std::vector<OutputFile>& files, std::ostream& standardOutput);

// One output being written: streamed through fd() (the trace), then placed.
class PendingOutput {
public:
    PendingOutput() = default;
    PendingOutput(PendingOutput&& other) noexcept;
    PendingOutput& operator=(PendingOutput&&) = delete;
    PendingOutput(const PendingOutput&) = delete;
    ~PendingOutput();  // removes a temporary file not placed

    // Makes the temporary file beside `file`, or opens the device it names.
    // None when done; else "cannot write FILE: reason".
    std::optional<std::string> open(const std::string& file);
    int fd() const { return fd_; }
    bool isDevice() const { return temp_.empty(); }
    const std::string& file() const { return file_; }
    // Writes all of `text`; errno tells why not.
    bool write(std::string_view text);
    // Syncs the temporary file and gives it the permissions of the file it
    // replaces, or those a new file gets.
    std::optional<std::string> finish();
    // Renames the temporary file over the target (a device: nothing to do).
    std::optional<std::string> place();

private:
    std::string problem(int error) const;

    std::string file_;    // as given, for messages
    std::string target_;  // the file the name leads to
    std::string temp_;    // empty for a device, or once placed
    int fd_ = -1;
    int mode_ = -1;  // the permissions of the file replaced; -1 for a new file
};

// Whether an output leads to the same file as an input or as another output,
// judged by the file itself (device and inode), not by its spelling: "x.hex",
// "./x.hex", a hard link and a symbolic link to it are one file; so are two
// names of a file not made yet in one folder. "-" is never compared.
struct Clash {
    std::size_t output;  // index in outputs
    std::size_t other;   // index in inputs, or in outputs (before `output`)
    bool input;
};
std::optional<Clash> findClash(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs);

}  // namespace kit85::assembler
