// What the browser's file system (emscripten's, kept in IndexedDB) lacks and
// the memory file needs.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

// The memory file is made under a temporary name and linked into place once
// complete, so that a half-made file never stands under the real name. The
// browser's file system has no hard links; renaming gives the same guarantee
// here (the file appears complete or not at all, and one already there is
// never replaced), and the creator's removal of the temporary name then finds
// nothing left to remove.
extern "C" int link(const char* existing, const char* name) {
    struct stat st;
    if (::stat(name, &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return std::rename(existing, name);
}
