#include "panel/model/panel_model.h"

#include <optional>

#include "values/convert.h"

namespace kit85 {

void PanelModel::Form_Load() {
    panelshown = 0;
    text3Visible = false;
    text4Visible = false;
    windowHeight = kHeightPanelHidden;
}

void PanelModel::hexKey_Click(char digit) {
    MemoryTable& memory = kit_->memory();
    const Text d(std::string_view(&digit, 1));
    if (!text3Visible) {
        if (Text1().size() != 4) {
            kit_->presenter().message("no valid address", "error :", Icon::Exclamation);
            return;
        }
        // The first digit of a byte replaces the old byte; the second completes it.
        Text data = Text2();
        if (data.size() == 2) data = Text();
        // Committed at once, with its old text in the undo history.
        memory.keyText2(data + d);
        return;
    }

    text3 = text3 + d;
    if (text3.size() != 4) return;
    if (convt(text3) > convt("7FFF")) {
        text3Visible = false;
        text4Visible = false;
        memory.Find("address= #" + text3.str() + "#");
    } else {
        kit_->presenter().message("Invalid Address", "", Icon::Information);
        text3Visible = false;
        text4Visible = false;
        memory.Find("address= #8000#");
    }
    text1Visible = true;
    text2Visible = true;
}

void PanelModel::address_Click() {
    text1Visible = false;
    text2Visible = false;
    text3Visible = true;
    text4Visible = true;
    text3 = Text();
    text4 = Text();
}

void PanelModel::next_Click() {
    MemoryTable& memory = kit_->memory();
    memory.MoveNext();
    if (memory.atEOF()) memory.MovePrevious();
}

void PanelModel::prev_Click() {
    MemoryTable& memory = kit_->memory();
    memory.MovePrevious();
    if (memory.atBOF()) memory.MoveNext();
}

MemoryTable::UndoResult PanelModel::undoStep(bool undo) {
    MemoryTable& memory = kit_->memory();
    MemoryTable::UndoResult r = undo ? memory.undo() : memory.redo();
    if (!r.done || r.rows.empty()) return r;
    // The step's first row: the lowest address it set, so that undo and redo
    // of a program both show its start (its rows come in file order).
    std::optional<int> first;
    for (const MemoryTable::EditedRow& e : r.rows)
        if (const std::optional<int> row = memory.rowOf(e.address); row && (!first || *row < *first)) first = row;
    if (first) memory.setCursor(*first);
    text3Visible = false;
    text4Visible = false;
    text1Visible = true;
    text2Visible = true;
    return r;
}

void PanelModel::resetRegisters() {
    for (const RegisterField& f : kRegisterFields) (*kit_)[f.reg] = Text(f.width == 4 ? "0000" : "00");
    for (const FlagField& f : kFlagFields) kit_->flags.*f.label = Text("0");
}

void PanelModel::regmod_Click() {
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
