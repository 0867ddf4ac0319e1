#pragma once

// What the memory file's parts share: SQLite statements that clean up after
// themselves, and messages that say what a failure means for the user.

#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "values/text.h"

namespace kit85::store {

// Throws StoreError: "memory file FILE: PROBLEM".
[[noreturn]] void fail(const std::filesystem::path& file, const std::string& problem);

// A statement that is finalized however the scope is left.
struct Statement {
    sqlite3_stmt* s = nullptr;
    ~Statement() { sqlite3_finalize(s); }
};

std::filesystem::path folderOf(const std::filesystem::path& file);

// What SQLite's last failure means for the user: a full disk said plainly,
// anything else in SQLite's words.
std::string problemOf(sqlite3* db);

// What a failed system call on a file in `dir` means for the user.
std::string folderProblem(const std::filesystem::path& dir, int err);

// Runs SQL without results; a failure throws StoreError "WHAT (reason)".
void exec(sqlite3* db, const std::filesystem::path& file, const char* sql, const std::string& what);

// A column's text as the kit holds it; NULL reads as the empty text.
Text columnText(sqlite3_stmt* s, int col);

// Sets the journal mode ("" only asks) and returns the mode SQLite reports
// afterwards.
std::string journalMode(sqlite3* db, const std::string& mode);

}  // namespace kit85::store
