// Creating a memory file, and removing what killed creations left behind.
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <string>
#include <string_view>

#include "memory/memory_file.h"
#include "memory/store_support.h"

namespace kit85 {
namespace fs = std::filesystem;
using namespace store;

namespace {

constexpr int kRows = 65536;
constexpr std::string_view kTempPrefix = ".kit85-";
constexpr std::string_view kOldTempInfix = ".creating-";
constexpr std::string_view kJournalSuffix = "-journal";

// Numbers this process's temporary files, so two creations never share a name.
std::atomic<unsigned> gTempCounter{0};

// The pid in a creation leftover's name: ".kit85-PID-N" or "BASE.creating-PID",
// either with "-journal" after it. -1 for any other name.
pid_t leftoverPid(std::string_view name, std::string_view base) {
    if (name.ends_with(kJournalSuffix)) name.remove_suffix(kJournalSuffix.size());
    std::string_view digits;
    if (name.starts_with(kTempPrefix)) {
        name.remove_prefix(kTempPrefix.size());
        std::size_t dash = name.find('-');
        if (dash == std::string_view::npos || dash + 1 == name.size()) return -1;
        for (char c : name.substr(dash + 1))
            if (c < '0' || c > '9') return -1;
        digits = name.substr(0, dash);
    } else if (name.size() > base.size() + kOldTempInfix.size() && name.starts_with(base) &&
               name.substr(base.size()).starts_with(kOldTempInfix)) {
        digits = name.substr(base.size() + kOldTempInfix.size());
    } else {
        return -1;
    }
    if (digits.empty() || digits.size() > 9) return -1;
    pid_t pid = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return -1;
        pid = pid * 10 + (c - '0');
    }
    return pid > 0 ? pid : -1;
}

}  // namespace

// Writes a new table of 0000..FFFF, each "00", to a temporary file in the same
// folder and links it into place only when complete, so a process killed while
// creating never leaves a half-made memory file behind. The temporary name is
// short, so any name the folder allows for the file itself can be created.
void MemoryFile::create(const fs::path& file) {
    const fs::path dir = folderOf(file);
    fs::path tmp;
    for (int attempt = 0;; ++attempt) {
        tmp = dir / (std::string(kTempPrefix) + std::to_string(::getpid()) + "-" + std::to_string(gTempCounter++));
        // 0644 as SQLite would create it, less the umask.
        int fd = ::open(tmp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            break;
        }
        int e = errno;
        // Left by a dead process that had our pid: it is garbage.
        if (e == EEXIST && attempt == 0 && ::unlink(tmp.c_str()) == 0) continue;
        fail(file, "cannot be created: " + folderProblem(dir, e));
    }
    std::error_code ec;
    sqlite3* db = nullptr;
    try {
        if (sqlite3_open_v2(tmp.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            fail(file, "cannot be created (" + (db ? problemOf(db) : std::string("out of memory")) + ")");
        // No journal: an interrupted creation leaves only the temporary file,
        // which is never linked and is removed by the next open.
        const std::string creating = "cannot be created";
        exec(db, file, "PRAGMA journal_mode=OFF", creating);
        exec(db, file, "BEGIN", creating);
        exec(db, file, "CREATE TABLE d2 (address TEXT, data TEXT)", creating);
        {
            Statement ins;
            if (sqlite3_prepare_v2(db, "INSERT INTO d2 (address, data) VALUES (?1, '00')", -1, &ins.s, nullptr) !=
                SQLITE_OK)
                fail(file, creating + " (" + problemOf(db) + ")");
            for (int a = 0; a < kRows; ++a) {
                std::string addr = Text::word(static_cast<uint32_t>(a)).str();
                sqlite3_bind_text(ins.s, 1, addr.c_str(), 4, SQLITE_TRANSIENT);
                if (sqlite3_step(ins.s) != SQLITE_DONE) fail(file, creating + " (" + problemOf(db) + ")");
                sqlite3_reset(ins.s);
            }
        }
        exec(db, file, "COMMIT", creating);
        if (sqlite3_close(db) != SQLITE_OK) fail(file, creating + " (" + problemOf(db) + ")");
        db = nullptr;
        // link() refuses to replace a file that appeared meanwhile; that one is used.
        if (::link(tmp.c_str(), file.c_str()) != 0 && errno != EEXIST)
            fail(file, "cannot be created: " + folderProblem(dir, errno));
    } catch (...) {
        sqlite3_close(db);
        fs::remove(tmp, ec);
        throw;
    }
    fs::remove(tmp, ec);
}

void MemoryFile::removeStaleLeftovers(const fs::path& file) {
    const std::string base = file.filename().string();
    std::error_code ec;
    for (fs::directory_iterator it(folderOf(file), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        pid_t pid = leftoverPid(name, base);
        // Our own pid may be a creation going on in another thread.
        if (pid <= 0 || pid == ::getpid()) continue;
        if (::kill(pid, 0) != 0 && errno == ESRCH) {
            std::error_code rm;
            fs::remove(it->path(), rm);
        }
    }
}

}  // namespace kit85
