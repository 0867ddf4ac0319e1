#include "memory/opening.h"

#include <cstdlib>
#include <exception>

#include "values/errors.h"

namespace kit85 {
namespace fs = std::filesystem;

fs::path defaultMemoryFile() {
    fs::path dir;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') {
        dir = fs::path(xdg) / "kit85";
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        dir = fs::path(home) / ".local" / "share" / "kit85";
    } else {
        throw StoreError("no memory file was given and neither XDG_DATA_HOME nor HOME is set");
    }
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec)
        throw StoreError("cannot create the folder " + dir.string() + " for the memory file (" + ec.message() + ")");
    return dir / "memory.sqlite";
}

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
