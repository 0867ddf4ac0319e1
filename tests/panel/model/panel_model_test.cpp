// The panel's keys on the kit state alone: start-up, the keypad in both
// modes, Address, Next, Prev and the register panel toggle.
#include <gtest/gtest.h>

#include <string>

#include "isa/isa_fixture.h"
#include "panel/model/panel_model.h"
#include "values/errors.h"

namespace kit85::testing {
namespace {

// Presses keys named as on the kit: hex digits, and "Address", "Next",
// "Prev", "regmod", separated by blanks.
void press(PanelModel& kit, const std::string& keys) {
    std::size_t i = 0;
    while (i < keys.size()) {
        std::size_t end = keys.find(' ', i);
        if (end == std::string::npos) end = keys.size();
        std::string k = keys.substr(i, end - i);
        i = end + 1;
        if (k.empty()) continue;
        if (k == "Address")
            kit.address_Click();
        else if (k == "Next")
            kit.next_Click();
        else if (k == "Prev")
            kit.prev_Click();
        else if (k == "regmod")
            kit.regmod_Click();
        else
            for (char d : k) kit.hexKey_Click(d);
    }
}

class Keys : public ::testing::Test {
protected:
    void SetUp() override { panel.Form_Load(); }
    Machine m;
    KitState& kit = m.kit;
    PanelModel panel{m.kit};
    void press(const std::string& keys) { testing::press(panel, keys); }
    std::string displays() { return panel.Text1().str() + "/" + panel.Text2().str(); }
};

TEST_F(Keys, StartUp) {
    for (Reg r : {A, B, C, D, E, H, L, F}) EXPECT_EQ(kit[r].str(), "00") << registerName(r);
    EXPECT_EQ(kit[PC].str(), "0000");
    EXPECT_EQ(kit[SP].str(), "0000");
    EXPECT_EQ(packFlags(kit.flags).str(), "00");
    EXPECT_EQ(panel.panelshown, 0);
    EXPECT_EQ(panel.windowHeight, 4770);
    EXPECT_EQ(panel.regmodCaption, "show panal");
    EXPECT_FALSE(panel.text3Visible);
    EXPECT_FALSE(panel.text4Visible);
    EXPECT_TRUE(panel.text1Visible && panel.text2Visible);
    EXPECT_EQ(displays(), "0000/00") << "the displays show the table's first row";
}

struct AddressCase {
    const char* keys;
    const char* displays;
    bool refused;
};

TEST_F(Keys, AddressEntryAcceptsOnly8000AndAbove) {
    const AddressCase cases[] = {
        {"Address 8050", "8050/00", false},
        {"Address FFFF", "FFFF/00", false},
        {"Address 8000", "8000/00", false},
        {"Address 7FFF", "8000/00", true},
        {"Address 0000", "8000/00", true},
        {"Address 1234", "8000/00", true},
        {"Address 80 Address 9000", "9000/00", false},  // Address twice restarts the entry
    };
    for (const auto& c : cases) {
        Machine mm;
        PanelModel p(mm.kit);
        p.Form_Load();
        testing::press(p, c.keys);
        EXPECT_EQ(p.Text1().str() + "/" + p.Text2().str(), c.displays) << c.keys;
        EXPECT_FALSE(p.text3Visible || p.text4Visible) << c.keys << ": back in data mode";
        EXPECT_TRUE(p.text1Visible && p.text2Visible) << c.keys;
        if (c.refused) {
            ASSERT_EQ(mm.presenter.shown.size(), 1u) << c.keys;
            EXPECT_EQ(mm.presenter.shown[0].text, "Invalid Address");
            EXPECT_EQ(mm.presenter.shown[0].title, "");
            EXPECT_EQ(mm.presenter.shown[0].icon, Icon::Information);
        } else {
            EXPECT_TRUE(mm.presenter.shown.empty()) << c.keys;
        }
    }
}

TEST_F(Keys, AddressModeCollectsDigitsBehindTheCover) {
    press("Address 80");
    EXPECT_TRUE(panel.text3Visible && panel.text4Visible);
    EXPECT_FALSE(panel.text1Visible || panel.text2Visible);
    EXPECT_EQ(panel.text3.str(), "80");
    EXPECT_EQ(panel.text4.str(), "");
    press("Next");  // moves the row behind the hidden displays, stays in address mode
    EXPECT_TRUE(panel.addressEntry());
    EXPECT_EQ(panel.Text1().str(), "0001");
    press("5");
    EXPECT_EQ(panel.text3.str(), "805");
    press("0");
    EXPECT_EQ(displays(), "8050/00");
    EXPECT_EQ(panel.text3.str(), "8050") << "the keyed digits stay until the next Address";
}

TEST_F(Keys, DataKeysWriteTheCurrentRowDigitByDigit) {
    press("Address 8000 3E");
    EXPECT_EQ(displays(), "8000/3E");
    press("0");
    EXPECT_EQ(displays(), "8000/0") << "a third digit starts a new byte";
    press("6");
    EXPECT_EQ(displays(), "8000/06");
    press("7 Next");
    EXPECT_EQ(m.peek("8000"), "7") << "a half-keyed byte stays in the row";
    EXPECT_EQ(displays(), "8001/00");
    EXPECT_EQ(m.memory->pendingWrites(), 0u) << "each keyed byte is committed at once";
}

TEST_F(Keys, NextAndPrevStopAtTheEnds) {
    press("Prev");
    EXPECT_EQ(displays(), "0000/00");
    press("Address FFFF Next");
    EXPECT_EQ(displays(), "FFFF/00");
    press("Prev Prev Next");
    EXPECT_EQ(displays(), "FFFE/00");
}

TEST_F(Keys, AHexKeyWithNoRowCurrentSaysSo) {
    m.memory->findAddress(Text("12G4"));  // as after a run whose PC names no row
    press("5");
    ASSERT_EQ(m.presenter.shown.size(), 1u);
    EXPECT_EQ(m.presenter.shown[0].text, "no valid address");
    EXPECT_EQ(m.presenter.shown[0].title, "error :");
    EXPECT_EQ(m.presenter.shown[0].icon, Icon::Exclamation);
    EXPECT_EQ(m.memory->pendingWrites(), 0u);
}

TEST_F(Keys, RegmodTogglesTheHeightAndCaption) {
    press("regmod");
    EXPECT_EQ(panel.windowHeight, 8040);
    EXPECT_EQ(panel.panelshown, -1);
    EXPECT_EQ(panel.regmodCaption, "hide panal");
    press("regmod");
    EXPECT_EQ(panel.windowHeight, 4770);
    EXPECT_EQ(panel.panelshown, 0);
    EXPECT_EQ(panel.regmodCaption, "show panal");
    panel.panelshown = 5;  // any other value: nothing happens
    press("regmod");
    EXPECT_EQ(panel.windowHeight, 4770);
    EXPECT_EQ(panel.regmodCaption, "show panal");
}

}  // namespace
}  // namespace kit85::testing

namespace kit85::testing {
namespace {

// A byte keyed on the keypad is one step of the undo history: both digits
// together, the second completing the first.
TEST(KeypadHistory, AKeyedByteIsOneUndoStep) {
    Machine m;
    PanelModel panel(m.kit);
    panel.Form_Load();
    press(panel, "Address 8000 3E Next 05");
    EXPECT_EQ(m.peek("8000") + " " + m.peek("8001"), "3E 05");
    ASSERT_TRUE(m.memory->undo().done);
    EXPECT_EQ(m.peek("8001"), "00") << "the last keyed byte is taken back whole";
    ASSERT_TRUE(m.memory->undo().done);
    EXPECT_EQ(m.peek("8000"), "00");
    ASSERT_TRUE(m.memory->redo().done);
    EXPECT_EQ(m.peek("8000"), "3E");
}

// Fill, from the study view's menu: every row of the range as one undo step,
// the displays on its first row, and the status line's words; an end before
// the start is refused, saying so, and nothing is stored.
TEST(PanelFill, FillsTheRangeAsOneStep) {
    Machine m;
    PanelModel panel(m.kit);
    panel.Form_Load();
    press(panel, "Address 9");  // in address entry: the fill ends it
    EXPECT_EQ(panel.fill(0x8100, 0x8103, 0x76), "filled 8100\u20138103 with 76 (4 bytes; Ctrl+Z takes it back)");
    EXPECT_EQ(m.peek("8100") + " " + m.peek("8103") + " " + m.peek("8104"), "76 76 00");
    EXPECT_EQ(panel.Text1().str() + "/" + panel.Text2().str(), "8100/76");
    EXPECT_TRUE(panel.text1Visible && panel.text2Visible);
    EXPECT_FALSE(panel.text3Visible || panel.text4Visible);
    ASSERT_TRUE(m.memory->undo().done);
    EXPECT_EQ(m.peek("8100") + " " + m.peek("8103"), "00 00");
    try {
        panel.fill(0x8001, 0x8000, 0x11);
        ADD_FAILURE() << "an end before the start was filled";
    } catch (const KitError& e) {
        EXPECT_STREQ(e.what(), "the end 8000 is before the start 8001; nothing was filled");
    }
    EXPECT_EQ(m.peek("8000") + " " + m.peek("8001"), "00 00");
}

}  // namespace
}  // namespace kit85::testing
