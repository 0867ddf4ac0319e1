#pragma once

// A memory file with its undo history, and ways to key, read and show it.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "memory/memory_table.h"
#include "memory_test_support.h"

namespace kit85::testing {

class History : public ::testing::Test {
protected:
    TempDir dir;
    fs::path file = dir / "kit.sqlite";
    std::unique_ptr<MemoryTable> m = MemoryTable::open(file);

    void key(const char* address, const char* text) {
        m->findAddress(Text(address));
        m->keyText2(Text(text));
    }
    std::string at(const char* address) { return m->dataAt(*m->rowOf(Text(address))).str(); }
    // What the file holds, read through a connection of its own.
    std::string stored(const char* address) {
        auto v = column(file, std::string("SELECT data FROM d2 WHERE address = '") + address + "'");
        return v.empty() ? "<none>" : v[0];
    }
    static std::string rows(const MemoryTable::UndoResult& r) {
        std::string s = r.done ? "done" : "refused: ";
        if (!r.done) s += r.message;
        for (const auto& e : r.rows)
            s.append(" ").append(e.address.str()).append(":").append(e.old.str()).append(">").append(e.now.str());
        return s;
    }
    void reopen() {
        m.reset();
        m = MemoryTable::open(file);
    }
    // Moves to a new memory file of the kit's own making, with `sqlToRun` run
    // on it before the table opens it.
    void newFile(const std::string& sqlToRun = "") {
        m.reset();
        file = dir / ("kit" + std::to_string(++files_) + ".sqlite");
        MemoryTable::open(file).reset();
        if (!sqlToRun.empty()) sql(file, sqlToRun);
        m = MemoryTable::open(file);
    }

private:
    int files_ = 0;
};

}  // namespace kit85::testing
