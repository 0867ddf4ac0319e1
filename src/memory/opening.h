#pragma once

// Finding and opening the kit's memory file, for the front ends.

#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>

#include "memory/memory_table.h"

namespace kit85 {

// Where the memory file lives when none is given:
// $XDG_DATA_HOME/kit85/memory.sqlite, else ~/.local/share/kit85/memory.sqlite.
// The folder is created if missing.
std::filesystem::path defaultMemoryFile();

// Reads a memory file that is there already (the default one when `file` is
// empty) on a thread of its own, while the front end shows something else
// (the about box): 65,536 rows take tens of milliseconds the user then no
// longer waits for. Nothing is created. take() gives the table, or null when
// the file was missing or refused: openMemoryTable then makes it, or says
// why it is refused and asks for another, as it always does.
class MemoryReadAhead {
public:
    explicit MemoryReadAhead(const std::optional<std::filesystem::path>& file);
    ~MemoryReadAhead();  // waits for the read: a table not taken is closed here
    MemoryReadAhead(const MemoryReadAhead&) = delete;
    MemoryReadAhead& operator=(const MemoryReadAhead&) = delete;
    std::unique_ptr<MemoryTable> take();

private:
    std::future<std::unique_ptr<MemoryTable>> table_;
};

// Asked when a memory file is refused, with the file and the reason: another
// file to try, or nothing to give up.
using AskForMemoryFile =
    std::function<std::optional<std::filesystem::path>(const std::filesystem::path& file, const std::string& reason)>;

// Opens the memory table (the default file when `file` is empty), asking
// `askAnother` for another file while one is refused. Null when given up.
std::unique_ptr<MemoryTable> openMemoryTable(std::optional<std::filesystem::path> file,
                                             const AskForMemoryFile& askAnother);

}  // namespace kit85
