#pragma once

// The computer keyboard's keys for the kit: one table for the keys' tooltips,
// the window's shortcuts and the help window (the README's keyboard table
// says the same).

#include <QKeyCombination>

#include <array>
#include <span>

namespace kit85 {

struct Shortcut {
    const char* key;                              // the kit key it presses (object name); null for none
    const char* keys;                             // as the user reads them: "F3 or Up"
    const char* what;                             // what it does, for a row without a kit key
    std::array<QKeyCombination, 2> combinations;  // Key_unknown: none
    const char* action = nullptr;                 // a window action's object name (program files); null for none
};

std::span<const Shortcut> kitShortcuts();

// The shortcut row of the kit key with this object name, or null.
const Shortcut* shortcutFor(const char* key);

// The shortcut row of the window action with this object name, or null.
const Shortcut* shortcutForAction(const char* action);

}  // namespace kit85
