#pragma once

// The front panel without a toolkit: the two displays and the address-entry
// fields, the panel modes, the register panel's visibility and the window
// height it asks for, and the keys that touch no instruction (the hex keypad,
// Address, Next, Prev and the register panel toggle). The Qt window shows this
// model and the KitState behind it; it holds no state of its own.

#include <cstdint>
#include <string>

#include "kit/kit_state.h"
#include "memory/memory_table.h"
#include "values/text.h"

namespace kit85 {

// Outer window sizes, in twips: heights with the register panel hidden and
// shown, the width, and the top edge's distance from the top of the screen.
constexpr int kHeightPanelHidden = 4770;
constexpr int kHeightPanelShown = 8040;
constexpr int kWindowWidth = 6480;
constexpr int kWindowTop = 500;

class PanelModel {
public:
    explicit PanelModel(KitState& kit) : kit_(&kit) {}

    KitState& kit() { return *kit_; }
    const KitState& kit() const { return *kit_; }
    void setKit(KitState& kit) { kit_ = &kit; }

    // The displays: Text1 and Text2 show the current row.
    const Text& Text1() const { return kit_->memory().text1(); }
    const Text& Text2() const { return kit_->memory().text2(); }
    Text text3 = Text(" ");  // the address being keyed
    Text text4 = Text(" ");  // blank cover over the data display
    bool text1Visible = true;
    bool text2Visible = true;
    bool text3Visible = true;
    bool text4Visible = true;
    int16_t panelshown = 0;  // 0 hidden, -1 shown
    std::string regmodCaption = "show panal";
    int windowHeight = kHeightPanelHidden;

    // True in address-entry mode (the mode is nothing but Text3's visibility).
    bool addressEntry() const { return text3Visible; }
    // The displays show the current row, out of address entry (after a
    // program was opened or a range filled).
    void showCurrentRow();

    // --- Keys: each runs to its end ------------------------------------------
    // A byte keyed into memory is committed to the memory file before the key
    // returns (StoreError if the file refuses; the byte stays in the kit and
    // is saved by the next successful write).
    void Form_Load();
    void hexKey_Click(char digit);  // c0_Click .. cf_Click, digit '0'..'9', 'A'..'F'
    void address_Click();
    void next_Click();
    void prev_Click();
    void regmod_Click();
    // Ctrl+Z / Ctrl+Y: takes back (or puts back) the last keyed step; done,
    // the displays show the first row it set, out of address entry. Refused,
    // nothing changes and the result's message says why.
    MemoryTable::UndoResult undoStep(bool undo);
    // Every register field to "00" ("0000" for PC and SP) and every flag
    // label to "0", as at start: one undo step (for this session; the memory
    // file keeps no registers). False when all were so already (no step).
    bool resetRegisters();
    // The study view's Fill: every row start..end (both kept) set to `value`
    // as one undo step, the displays on its first row; answers with what the
    // status line says. Refused (KitError, saying why) when the end is before
    // the start.
    std::string fill(uint16_t start, uint16_t end, uint8_t value);

private:
    KitState* kit_;
};

}  // namespace kit85
