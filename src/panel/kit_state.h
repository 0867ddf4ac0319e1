#pragma once

// The kit's whole state, as the front panel holds it: the register fields, the
// flag labels, the displays, the panel modes and the memory table's cursor.
// The instruction set, the drivers, the kit window and the headless runner all
// work on one KitState; the window only shows it.
//
// It also carries out the keys that touch no instruction: the hex keypad,
// Address, Next, Prev and the register panel toggle. Those need no toolkit;
// their message boxes go through the Presenter each front end supplies.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "memory/memory_table.h"
#include "values/flags.h"
#include "values/text.h"

namespace kit85 {

enum class Icon { Exclamation, Information };

// Shows the user a message with an OK button. The window shows a modal box;
// the headless runner prints it and lists it in its report.
class Presenter {
public:
    virtual ~Presenter() = default;
    virtual void message(std::string_view text, std::string_view title, Icon icon) = 0;
};

// Register fields, numbered so that B..A match the 8085's 3-bit register codes
// (6, M, is memory and has no field).
enum Reg : uint8_t { B = 0, C = 1, D = 2, E = 3, H = 4, L = 5, M = 6, A = 7, F = 8, PC = 9, SP = 10 };
constexpr int kRegisterSlots = 11;

// The field's name as the panel labels it ("A", "PC"); "M" for memory.
std::string_view registerName(Reg r);
// The most characters the field takes when typed into: 2, or 4 for PC and SP.
inline unsigned mostCharacters(Reg r) { return r == PC || r == SP ? 4 : 2; }

// Outer window heights, in twips, with the register panel hidden and shown.
constexpr int kHeightPanelHidden = 4770;
constexpr int kHeightPanelShown = 8040;

class KitState {
public:
    KitState(MemoryTable& memory, Presenter& presenter);

    // --- Machine state -------------------------------------------------------
    Text& operator[](Reg r) { return reg_[r]; }
    const Text& operator[](Reg r) const { return reg_[r]; }
    FlagLabels flags;
    MemoryTable& memory() { return *memory_; }
    const MemoryTable& memory() const { return *memory_; }
    Presenter& presenter() { return *presenter_; }
    // Puts the kit on another memory table (the window does so when the user
    // picks another file). The cursor is that table's own.
    void setMemory(MemoryTable& memory) { memory_ = &memory; }

    // The displays: Text1 and Text2 show the current row.
    const Text& Text1() const { return memory_->text1(); }
    const Text& Text2() const { return memory_->text2(); }

    // --- Panel state ---------------------------------------------------------
    Text text3 = Text(" ");  // the address being keyed
    Text text4 = Text(" ");  // blank cover over the data display
    bool text1Visible = true;
    bool text2Visible = true;
    bool text3Visible = true;
    bool text4Visible = true;
    int16_t panelshown = 0;       // 0 hidden, -1 shown
    std::string regmodCaption = "show panal";
    int windowHeight = kHeightPanelHidden;  // outer size and top, twips
    int windowWidth = 6480;
    int windowTop = 500;

    // True in address-entry mode (the mode is nothing but Text3's visibility).
    bool addressEntry() const { return text3Visible; }

    // --- Keys ----------------------------------------------------------------
    // Each runs to its end; a byte keyed into memory is committed to the memory
    // file before it returns (StoreError if the file refuses; the byte stays in
    // the kit and is saved by the next successful write).
    void Form_Load();
    void hexKey_Click(char digit);  // c0_Click .. cf_Click, digit '0'..'9', 'A'..'F'
    void address_Click();
    void next_Click();
    void prev_Click();
    void regmod_Click();

private:
    std::array<Text, kRegisterSlots> reg_;
    MemoryTable* memory_;
    Presenter* presenter_;
};

}  // namespace kit85
