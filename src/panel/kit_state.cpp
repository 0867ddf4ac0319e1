#include "panel/kit_state.h"

#include "values/convert.h"

namespace kit85 {

std::string_view registerName(Reg r) {
    static constexpr std::string_view names[kRegisterSlots] = {"B", "C", "D", "E", "H", "L", "M", "A", "F", "PC", "SP"};
    return names[r];
}

KitState::KitState(MemoryTable& memory, Presenter& presenter) : memory_(&memory), presenter_(&presenter) {
    for (Reg r : {B, C, D, E, H, L, A, F}) reg_[r] = Text::byte(0);
    reg_[PC] = Text::word(0);
    reg_[SP] = Text::word(0);
}

void KitState::Form_Load() {
    panelshown = 0;
    text3Visible = false;
    text4Visible = false;
    windowHeight = kHeightPanelHidden;
    windowWidth = 6480;
    windowTop = 500;
}

void KitState::hexKey_Click(char digit) {
    const Text d(std::string_view(&digit, 1));
    if (!text3Visible) {
        if (Text1().size() != 4) {
            presenter_->message("no valid address", "error :", Icon::Exclamation);
            return;
        }
        // The first digit of a byte replaces the old byte; the second completes it.
        Text data = Text2();
        if (data.size() == 2) data = Text();
        memory_->setText2(data + d);
        memory_->flush();
        return;
    }

    text3 = text3 + d;
    if (text3.size() != 4) return;
    if (convt(text3) > convt("7FFF")) {
        text3Visible = false;
        text4Visible = false;
        memory_->Find("address= #" + text3.str() + "#");
    } else {
        presenter_->message("Invalid Address", "", Icon::Information);
        text3Visible = false;
        text4Visible = false;
        memory_->Find("address= #8000#");
    }
    text1Visible = true;
    text2Visible = true;
}

void KitState::address_Click() {
    text1Visible = false;
    text2Visible = false;
    text3Visible = true;
    text4Visible = true;
    text3 = Text();
    text4 = Text();
}

void KitState::next_Click() {
    memory_->MoveNext();
    if (memory_->atEOF()) memory_->MovePrevious();
}

void KitState::prev_Click() {
    memory_->MovePrevious();
    if (memory_->atBOF()) memory_->MoveNext();
}

void KitState::regmod_Click() {
    if (panelshown == 0) {
        windowHeight = kHeightPanelShown;
        panelshown = -1;
        regmodCaption = "hide panal";
    } else if (panelshown == -1) {
        windowHeight = kHeightPanelHidden;
        regmodCaption = "show panal";
        panelshown = 0;
    }
}

}  // namespace kit85
