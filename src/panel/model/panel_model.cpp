#include "panel/model/panel_model.h"

#include <algorithm>
#include <optional>

#include "panel/model/program_loader.h"
#include "panel/model/study_status.h"
#include "values/convert.h"
#include "values/errors.h"

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

namespace {

// The kit's registers and flags as undo steps name them: "register A",
// "flag CY".
constexpr std::string_view kRegister = "register ";
constexpr std::string_view kFlag = "flag ";

class KitRegisters final : public HistoryOutside {
public:
    explicit KitRegisters(KitState& kit) : kit_(kit) {}
    std::optional<Text> textOf(const Text& name) const override {
        Text* t = field(name);
        return t ? std::optional<Text>(*t) : std::nullopt;
    }
    void set(const Text& name, const Text& text) override {
        if (Text* t = field(name)) *t = text;
    }

private:
    Text* field(const Text& name) const {
        const std::string n = name.str();
        if (n.starts_with(kRegister))
            if (const std::optional<RegisterField> f = registerNamed(std::string_view(n).substr(kRegister.size())))
                return &kit_[f->reg];
        if (n.starts_with(kFlag))
            if (const std::optional<FlagField> f = flagNamed(std::string_view(n).substr(kFlag.size())))
                return &(kit_.flags.*f->label);
        return nullptr;
    }
    KitState& kit_;
};

}  // namespace

MemoryTable::UndoResult PanelModel::undoStep(bool undo) {
    MemoryTable& memory = kit_->memory();
    KitRegisters registers(*kit_);
    MemoryTable::UndoResult r = undo ? memory.undo(&registers) : memory.redo(&registers);
    if (!r.done || r.rows.empty()) return r;
    // The step's first row: the lowest address it set, so that undo and redo
    // of a program both show its start (its rows come in file order), but
    // never below 8000, where the keypad cannot key (an opened program goes
    // there too). A step of registers only leaves the displays where they are.
    std::optional<uint32_t> lowest;
    for (const MemoryTable::EditedRow& e : r.rows)
        if (!e.outside && e.address.isHex() && (!lowest || e.address.hexValue() < *lowest))
            lowest = e.address.hexValue();
    if (!lowest) return r;
    std::optional<int> first = memory.rowOf(Text::word(std::max<uint32_t>(*lowest, 0x8000)));
    if (!first) first = memory.rowOf(Text::word(*lowest));
    if (!first) return r;
    memory.setCursor(*first);
    text3Visible = false;
    text4Visible = false;
    text1Visible = true;
    text2Visible = true;
    return r;
}

// One undo step: each field that changes is recorded with its text before.
void PanelModel::showCurrentRow() {
    text1Visible = text2Visible = true;
    text3Visible = text4Visible = false;
}

std::string PanelModel::fill(uint16_t start, uint16_t end, uint8_t value) {
    const ProgramLoad done = storeProgram(kit_->memory(), fillRange(start, end, value), "fill");
    if (!done.ok) throw KitError(done.problem);
    showCurrentRow();
    return "filled " + Text::word(start).str() + "\u2013" + Text::word(end).str() + " with " + Text::byte(value).str() +
           " (" + groupedCount(static_cast<uint32_t>(end) - start + 1) + " bytes; Ctrl+Z takes it back)";
}

bool PanelModel::resetRegisters() {
    MemoryTable& memory = kit_->memory();
    bool changed = false;
    auto reset = [&](const std::string& name, Text& field, const Text& zero) {
        if (field == zero) return;
        memory.recordOutside(Text(name), field, zero);
        field = zero;
        changed = true;
    };
    memory.beginEdit();
    for (const RegisterField& f : kRegisterFields)
        reset(std::string(kRegister) + std::string(f.name), (*kit_)[f.reg], Text(f.width == 4 ? "0000" : "00"));
    for (const FlagField& f : kFlagFields)
        reset(std::string(kFlag) + std::string(f.name), kit_->flags.*f.label, Text("0"));
    memory.endEdit();  // a step that ended redo drops the undone steps from the file
    return changed;
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
