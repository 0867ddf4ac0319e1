#pragma once

// The computer keyboard's keys for the kit: one table for the keys' tooltips,
// the window's shortcuts and the help window (the README's keyboard table
// says the same).

#include <QKeyCombination>

#include <array>
#include <span>

namespace kit85 {

struct Shortcut {
    const char* key;                              // the kit key it presses (object name); null for the help
    const char* keys;                             // as the user reads them: "F3 or Up"
    const char* what;                             // what it does, for a row that presses no kit key
    std::array<QKeyCombination, 2> combinations;  // Key_unknown: none (a window action owns the keys)
};

std::span<const Shortcut> kitShortcuts();

// The shortcut row of the kit key with this object name, or null.
const Shortcut* shortcutFor(const char* key);

}  // namespace kit85
