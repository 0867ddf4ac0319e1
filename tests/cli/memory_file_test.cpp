// kit85-run and the memory file another program holds: the run starts only
// once the pokes are committed.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "kit85_run.h"

namespace kit85::testing {
namespace {

using nlohmann::json;

// Another connection holding BEGIN EXCLUSIVE: the pokes cannot be committed,
// so the run does not start and prints no report, and nothing is saved.
TEST(Kit85RunMemoryFile, ARunStartsOnlyOnceItsPokesAreCommitted) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string memory = dir.path("kit.sqlite");
    ASSERT_EQ(runKit85({"--memory", memory, "--poke", "9000=11", "--steps", "0"}).exitCode, 0);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(memory.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const std::vector<std::vector<std::string>> runs = {
        {"--poke", "8000=3C,76", "--at", "8000", "--max-steps", "5"},
        {"--poke", "8000=3C,76", "--at", "8000", "--steps", "1", "--json"},
    };
    for (const std::vector<std::string>& run : runs) {
        std::vector<std::string> args = {"--memory", memory};
        args.insert(args.end(), run.begin(), run.end());
        Outcome o = runKit85(args);
        EXPECT_TRUE(o.exitCode == 2 && o.out.empty() && o.err.find("the run did not start") != std::string::npos)
            << "want exit 2, no report, \"the run did not start\"\n"
            << o.describe();
    }
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    Outcome after = runKit85({"--memory", memory, "--steps", "0", "--dump", "8000:2", "--dump", "9000:1", "--json"});
    EXPECT_EQ(after.json()["memory"], json({{"8000", {"00", "00"}}, {"9000", {"11"}}})) << after.describe();
}

}  // namespace
}  // namespace kit85::testing
