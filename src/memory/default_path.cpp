#include <cstdlib>

#include "memory/memory_table.h"
#include "values/errors.h"

namespace kit85 {

std::filesystem::path defaultMemoryFile() {
    namespace fs = std::filesystem;
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
    if (ec) throw StoreError("cannot create the folder " + dir.string() + " for the memory file (" + ec.message() + ")");
    return dir / "memory.sqlite";
}

}  // namespace kit85
