#pragma once

// Reading a whole input file (a program, a source, a lab file) under a bound
// on its size, so that a mistaken pick of a device or a huge file never eats
// memory or stalls the reader. What went wrong is a value naming the file and
// the bound, never an exception.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kit85 {

// What the reader takes besides a regular file (a folder is never read).
enum class InputFiles {
    Any,          // pipes and devices too, read up to the bound
    NoDevices,    // pipes, but no character or block device (/dev/zero never ends)
    RegularOnly,  // a regular file alone, never through a symbolic link, opened without blocking
};

struct InputProblem {
    enum class What { Unreadable, Folder, Device, NotRegular, TooLarge };
    What what = What::Unreadable;
    std::string file;   // as messages name it
    std::string cause;  // the system's words, for Unreadable: "No such file or directory"
    std::size_t limit = 0;

    // Without the file's name: "cannot be read (No such file or directory)",
    // "is a folder", "is a device", "is not a regular file", "is larger than
    // 16 MiB". With `expected` (e.g. "an 8085 source") a folder or device
    // "is a folder, not an 8085 source" and a file too large adds "; no 8085
    // source for 64 KiB of memory is that large".
    std::string reason(std::string_view expected = {}) const;
    // The file's name, then its reason.
    std::string message(std::string_view expected = {}) const { return file + " " + reason(expected); }
};

struct InputRead {
    std::string bytes;
    std::optional<InputProblem> problem;

    bool ok() const { return !problem; }
};

// The whole file, at most `limit` bytes. `name` is what messages call it (the
// path when empty).
InputRead readInputFile(const std::filesystem::path& file, std::size_t limit, InputFiles takes = InputFiles::Any,
                        std::string name = {});

// What an open descriptor (the standard input) holds, as readInputFile reads a
// pipe; the descriptor stays open.
InputRead readInputDescriptor(int fd, std::size_t limit, std::string name);

// "16 MiB", "4 KiB", "100 bytes".
std::string sizeText(std::size_t bytes);

}  // namespace kit85
