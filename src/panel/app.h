#pragma once

// The kit's start: the about box, then the memory table (asking for another
// file while the one given is refused), then the kit window until it ends.
// kit85 runs it as it is; tools that picture or time the start hook in.

#include <QApplication>

#include <filesystem>
#include <functional>
#include <optional>

namespace kit85 {

class AboutBox;
class KitWindow;

// Optional calls, each once, just after the window's first paint.
struct StartHooks {
    // May accept the about box (and so go on without a user).
    std::function<void(AboutBox&)> aboutPainted;
    std::function<void(KitWindow&)> kitPainted;
};

// Names the application (version: kitVersion()), gives it the kit's icon, and keeps it running until
// the kit ends (not just until the about box closes). Call once, before
// anything is shown.
void setUpApplication();

// What the start is given on the command line.
struct StartFiles {
    std::optional<std::filesystem::path> memory;   // the memory file (else the default one)
    std::optional<std::filesystem::path> program;  // opened as Ctrl+O would, once the kit shows
};

// Runs the kit window's start and then the event loop. The exit status: 0
// when the about box is closed without OK or the kit has ended, 1 when no
// memory file could be opened.
int runWindow(const StartFiles& files, const StartHooks& hooks = {});

}  // namespace kit85
