#pragma once

// The study view's status line as the kit keeps it, without a toolkit: a note
// (a confirmation of what a menu action did, or a refusal) that the line
// shows instead of how the last Execute or Step Exe ended, until the next key
// or run clears it. The view reads the note here at every redraw; whoever
// shows the line listens for notes said outside a key's work.

#include <functional>
#include <string>
#include <utility>

#include "panel/model/study_status.h"

namespace kit85 {

class StatusLine {
public:
    const StatusNote& note() const { return note_; }

    // Says `text` (a refusal when `problem`) and tells the listener at once:
    // a menu action outside a key's work, which redraws nothing by itself.
    void say(std::string text, bool problem = false) {
        note_ = {std::move(text), problem};
        if (said_) said_();
    }
    // Keeps a note without telling anyone: a key's work, redrawn when it ends.
    void keep(StatusNote note) { note_ = std::move(note); }
    void clear() { note_ = {}; }

    void onSaid(std::function<void()> listener) { said_ = std::move(listener); }

private:
    StatusNote note_;
    std::function<void()> said_;
};

}  // namespace kit85
