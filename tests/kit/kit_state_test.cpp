// The machine as the front ends find it: a fresh kit's fields, and the name
// tables the runner and the window look registers and flags up in.
#include "kit/kit_state.h"

#include <gtest/gtest.h>

#include "support/recording_presenter.h"

namespace kit85::testing {
namespace {

TEST(KitState, AFreshKitHoldsZeros) {
    auto memory = MemoryTable::fresh();
    RecordingPresenter presenter;
    KitState kit(*memory, presenter);
    for (const RegisterField& f : kRegisterFields) EXPECT_EQ(kit[f.reg].str(), std::string(f.width, '0')) << f.name;
    for (const FlagField& f : kFlagFields) EXPECT_EQ((kit.flags.*f.label).str(), "0") << f.name;
    EXPECT_EQ(&kit.memory(), memory.get());
}

TEST(RegisterNames, LookUpsAreExactAndCoverEveryField) {
    struct Case {
        const char* name;
        bool known;
        unsigned width;
    };
    const Case cases[] = {{"A", true, 2},  {"F", true, 2},  {"PC", true, 4}, {"SP", true, 4},
                          {"M", false, 0}, {"a", false, 0}, {"", false, 0},  {"PCX", false, 0}};
    for (const Case& c : cases) {
        const auto f = registerNamed(c.name);
        EXPECT_EQ(f.has_value(), c.known) << c.name;
        if (f) {
            EXPECT_EQ(f->width, c.width) << c.name;
            EXPECT_EQ(mostCharacters(f->reg), c.width) << c.name;
            EXPECT_EQ(registerName(f->reg), c.name);
        }
    }
    EXPECT_EQ(registerName(M), "M");
    EXPECT_EQ(flagNamed("AC")->label, &FlagLabels::auxlb);
    EXPECT_EQ(flagNamed("CY")->label, &FlagLabels::clb);
    EXPECT_FALSE(flagNamed("C").has_value());
}

}  // namespace
}  // namespace kit85::testing
