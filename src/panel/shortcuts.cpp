// The keyboard table: one row a line.

#include "panel/shortcuts.h"

#include <cstring>

namespace kit85 {

namespace {

constexpr QKeyCombination kNone(Qt::Key_unknown);

// The hex digits are no shortcuts: the window takes them itself, so that a
// register field with the cursor gets them instead.
const Shortcut kShortcuts[] = {
    {nullptr, "0\u20139, A\u2013F", "the hex keys (into a register field when it has the cursor)", {kNone, kNone}},
    {"address", "F2", nullptr, {Qt::Key_F2, kNone}},
    {"prev", "F3 or Up", nullptr, {Qt::Key_F3, Qt::Key_Up}},
    {"next", "F4 or Down", nullptr, {Qt::Key_F4, Qt::Key_Down}},
    {"execute", "F5", nullptr, {Qt::Key_F5, kNone}},
    {"regmod", "F6", nullptr, {Qt::Key_F6, kNone}},
    {"stepexe", "F10", nullptr, {Qt::Key_F10, kNone}},
    {"stop", "Esc", nullptr, {Qt::Key_Escape, kNone}},
    {"end", "Ctrl+Q", nullptr, {Qt::CTRL | Qt::Key_Q, kNone}},
    {"study", "F7", "the study view: memory, instructions, stack (or the right-click menu)", {kNone, kNone}},
    {"breakpoint", "F9", "breakpoint on the current row: Execute stops there", {kNone, kNone}},
    {"openProgram", "Ctrl+O", "open a .hex or .asm program (or drop it on the kit)", {kNone, kNone}},
    {"saveHex", "Ctrl+S", "save memory rows as Intel HEX", {kNone, kNone}},
    {"undo", "Ctrl+Z", "undo the last keyed byte or opened program; the displays go to its row", {kNone, kNone}},
    {"redo", "Ctrl+Y", "redo what Ctrl+Z took back", {kNone, kNone}},
    {"exportSheet", "Ctrl+P", "the last opened .asm's keying sheet as PDF", {kNone, kNone}},
    {nullptr, "F1", "this help", {Qt::Key_F1, kNone}},
};

}  // namespace

std::span<const Shortcut> kitShortcuts() { return kShortcuts; }

const Shortcut* shortcutFor(const char* key) {
    for (const Shortcut& s : kShortcuts)
        if (s.key && std::strcmp(s.key, key) == 0) return &s;
    return nullptr;
}

}  // namespace kit85
