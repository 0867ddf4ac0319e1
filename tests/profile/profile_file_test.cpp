// Kit profiles read from TOML: the shipped ones, and bad ones refused at the
// line and column of their first problem.
#include <gtest/gtest.h>

#include "profile/profile_file.h"

namespace kit85::profile {
namespace {

TEST(Profiles, TheShippedOnesRead) {
    const std::vector<std::string> names = shippedProfiles();
    for (const char* name : {"lab", "trainer80", "bare"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
        const ProfileRead r = readProfile(name);
        ASSERT_TRUE(r.profile) << r.error->message();
        EXPECT_EQ(r.profile->name, name);
    }
    const board::Profile lab = *readProfile("lab").profile;
    EXPECT_EQ(lab.ppiBase, 0x00);
    ASSERT_TRUE(lab.serviceAt(0x003C));
    EXPECT_EQ(lab.serviceAt(0x003C)->target, 0x8FBF);
    EXPECT_EQ(lab.serviceAt(0x0008)->kind, board::Service::ToMonitor);
    EXPECT_EQ(lab.device("traffic")->lights.size(), 6u);
}

TEST(Profiles, AllKeysAreTaken) {
    const ProfileRead r = parseProfile(R"(name = "t"
user_memory = 0x4000
ppi_base = 0x80
intr = 0xCF
sid = 1
[[device]]
kind = "digits"
port = 0x10
count = 2
segments = "pgfedcba"
active = "low"
[[device]]
kind = "stepper"
name = "m"
port = 0x82
bits = 0xF0
steps_per_turn = 48
[vectors]
rst7_5 = 0x4FBF
[monitor]
delay = 0x0300
delay_register = "B"
delay_tstates_per_count = 14
to_monitor = [0x0008, 0x0038]
)",
                                       "t.toml");
    ASSERT_TRUE(r.profile) << r.error->message();
    const board::Profile& p = *r.profile;
    EXPECT_EQ(p.userMemory, 0x4000);
    EXPECT_EQ(p.intrCode, 0xCF);
    EXPECT_TRUE(p.sid);
    EXPECT_EQ(p.device("digits")->segments[0], 'p');
    EXPECT_TRUE(p.device("digits")->activeLow);
    EXPECT_EQ(p.device("m")->mask, 0xF0);
    EXPECT_EQ(p.delayPair, 'B');
    EXPECT_EQ(p.delayPerCount, 14u);
    EXPECT_EQ(p.serviceAt(0x0038)->kind, board::Service::ToMonitor);
}

struct Bad {
    const char* text;
    int line, column;
    const char* says;
};
class BadProfiles : public testing::TestWithParam<Bad> {};
TEST_P(BadProfiles, AreRefusedWhereTheProblemIs) {
    const Bad& b = GetParam();
    const ProfileRead r = parseProfile(b.text, "bad.toml");
    ASSERT_FALSE(r.profile) << b.text;
    EXPECT_EQ(r.error->line, b.line) << r.error->message();
    EXPECT_EQ(r.error->column, b.column) << r.error->message();
    EXPECT_NE(r.error->message().find(b.says), std::string::npos) << r.error->message();
    EXPECT_EQ(r.error->message().rfind("bad.toml:", 0), 0u);
}
INSTANTIATE_TEST_SUITE_P(
    EachProblem, BadProfiles,
    testing::Values(Bad{"name = \"x\"\nppi_base = \n", 2, 12, ""}, Bad{"colour = 1\n", 1, 1, "unknown key \"colour\""},
                    Bad{"ppi_base = 0x100\n", 1, 12, "\"ppi_base\" must be from 0 to 252"},
                    Bad{"[[device]]\nkind = \"lamp\"\nport = 1\n", 2, 8, "\"kind\" must be one of"},
                    Bad{"[[device]]\nkind = \"leds\"\n", 1, 1, "has no \"port\""},
                    Bad{"[[device]]\nkind = \"dac\"\nport = 1\nactive = \"low\"\n", 4, 10,
                        "\"active\" does not belong"},
                    Bad{"[[device]]\nkind = \"stepper\"\nport = 1\nbits = 0x55\n", 4, 8, "four bits side by side"},
                    Bad{"[[device]]\nkind = \"digits\"\nport = 1\nsegments = \"abcdefgg\"\n", 4, 12,
                        "each of a b c d e f g p once"},
                    Bad{"[[device]]\nkind = \"leds\"\nport = 0\n[[device]]\nkind = \"leds\"\nport = 1\n", 4, 1,
                        "two devices are named \"leds\""},
                    Bad{"[vectors]\nrst7_5 = 0x0040\n", 2, 10, "must jump into the user's memory"},
                    Bad{"[monitor]\nshow_a = 0x9000\n", 2, 10, "is not below the user's memory"},
                    Bad{"[monitor]\nshow_a = 0x0300\nclear = 0x0300\n", 3, 9, "already has show_a at 0300"},
                    Bad{"intr = 0x3E\n", 1, 8, "must be the code of an RST"}));

TEST(Profiles, AMissingOneNamesTheShippedOnes) {
    const ProfileRead r = readProfile("nosuch");
    ASSERT_FALSE(r.profile);
    EXPECT_NE(r.error->message().find("lab"), std::string::npos) << r.error->message();
    EXPECT_FALSE(readProfile("/nonexistent/dir/x.toml").profile);
}

}  // namespace
}  // namespace kit85::profile
