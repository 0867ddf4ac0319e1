#include "memory/opening.h"

#include <cstdlib>
#include <exception>
#include <system_error>

#include "values/errors.h"

namespace kit85 {
namespace fs = std::filesystem;

namespace {

fs::path defaultMemoryFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') return fs::path(xdg) / "kit85";
    if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home) / ".local" / "share" / "kit85";
    throw StoreError("no memory file was given and neither XDG_DATA_HOME nor HOME is set");
}

}  // namespace

fs::path defaultMemoryFile() {
    const fs::path dir = defaultMemoryFolder();
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec)
        throw StoreError("cannot create the folder " + dir.string() + " for the memory file (" + ec.message() + ")");
    return dir / "memory.sqlite";
}

MemoryReadAhead::MemoryReadAhead(const std::optional<fs::path>& file) {
    fs::path path;
    try {
        path = file ? *file : defaultMemoryFolder() / "memory.sqlite";
    } catch (const KitError&) {
        return;
    }
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(path, ec))) return;  // made, or refused, by openMemoryTable
    table_ = std::async(std::launch::async, [path]() -> std::unique_ptr<MemoryTable> {
        try {
            return MemoryTable::open(path);
        } catch (const std::exception&) {
            return nullptr;  // opened again, and refused with its reason, by openMemoryTable
        }
    });
}

MemoryReadAhead::~MemoryReadAhead() {
    if (table_.valid()) table_.wait();
}

std::unique_ptr<MemoryTable> MemoryReadAhead::take() { return table_.valid() ? table_.get() : nullptr; }

std::unique_ptr<MemoryTable> openMemoryTable(std::optional<fs::path> file, const AskForMemoryFile& askAnother) {
    for (;;) {
        fs::path tried = file.value_or(fs::path());
        std::string reason;
        try {
            if (!file) tried = defaultMemoryFile();
            return MemoryTable::open(tried);
        } catch (const KitError& e) {
            reason = e.what();
        } catch (const std::exception& e) {
            reason = std::string("memory file ") + tried.string() + ": " + e.what();
        }
        std::optional<fs::path> other = askAnother ? askAnother(tried, reason) : std::nullopt;
        if (!other) return nullptr;
        file = std::move(*other);
    }
}

}  // namespace kit85
