#pragma once

// Helpers for the memory tests: a file's bytes, SQL run on a file through a
// connection of its own, outside the memory table, and work done in a child
// process.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "memory/memory_table.h"
#include "support/temp_dir.h"
#include "values/errors.h"

namespace kit85::testing {

namespace fs = std::filesystem;

inline std::string readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void sql(const fs::path& file, const std::string& text) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    char* err = nullptr;
    int rc = sqlite3_exec(db, text.c_str(), nullptr, nullptr, &err);
    EXPECT_EQ(rc, SQLITE_OK) << (err ? err : "");
    sqlite3_free(err);
    sqlite3_close(db);
}

inline std::vector<std::string> column(const fs::path& file, const std::string& query) {
    std::vector<std::string> out;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return out;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, query.c_str(), -1, &s, nullptr) == SQLITE_OK) {
        while (sqlite3_step(s) == SQLITE_ROW) {
            const unsigned char* t = sqlite3_column_text(s, 0);
            out.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
        }
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return out;
}

// The names in a folder, sorted.
inline std::vector<std::string> namesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string describe(const std::vector<std::string>& v) {
    std::string s = "{";
    for (const std::string& x : v) s += " " + x;
    return s + " }";
}

// Tells what differs between two file images, for a failure message.
inline std::string sameBytes(const std::string& before, const std::string& after) {
    if (before == after) return "";
    return "the file changed: " + std::to_string(before.size()) + " bytes, hash " +
           std::to_string(std::hash<std::string>{}(before)) + " before; " + std::to_string(after.size()) +
           " bytes, hash " + std::to_string(std::hash<std::string>{}(after)) + " after";
}

// SQLite's companions of a file that are found beside it.
inline std::vector<std::string> journalsBeside(const fs::path& file) {
    std::vector<std::string> found;
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        if (fs::exists(file.string() + suffix)) found.push_back(file.filename().string() + suffix);
    return found;
}

// "opened", or why the memory table refused the file.
inline std::string opened(const fs::path& file) {
    try {
        MemoryTable::open(file);
        return "opened";
    } catch (const StoreError& e) {
        return e.what();
    }
}

// The pid of a process that has ended.
inline pid_t deadPid() {
    pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

// Runs `body` in a child process and returns what it returned, with the
// child's status added when it did not end normally. For work that changes
// what the whole process may do (its limits, its user).
inline std::string inChild(const std::function<std::string()>& body) {
    int fds[2];
    if (pipe(fds) != 0) return "no pipe";
    pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        std::string out = body();
        if (write(fds[1], out.data(), out.size()) < 0) _exit(3);
        _exit(0);
    }
    close(fds[1]);
    std::string out;
    char buf[512];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) out += " (child status " + std::to_string(status) + ")";
    return out;
}

// inChild, giving up root's right to write anywhere first when this process
// is root.
inline std::string unprivileged(const std::function<std::string()>& body) {
    return inChild([&]() -> std::string {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return "cannot give up root";
        return body();
    });
}

}  // namespace kit85::testing
