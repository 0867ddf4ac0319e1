// kit85: the trainer kit's window.
//
//   kit85 [--memory FILE] [PROGRAM.asm|PROGRAM.hex]
//
// Shows the about box; its OK opens the memory table (asking for another file
// while the one given is refused) and shows the kit window, with the program
// opened as Ctrl+O would open it. Closing the about box any other way ends the
// program without showing the kit.
//
// The arguments are read before the toolkit starts, so --help, --version and
// a mistake in the arguments answer on a terminal without a display.

#include <CLI/CLI.hpp>

#include <QApplication>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "panel/about_box.h"
#include "panel/app.h"
#include "panel/model/program_loader.h"

namespace {

struct Arguments {
    std::optional<std::filesystem::path> memory;
    std::optional<std::filesystem::path> program;
};

// The arguments, or the exit status when the program ends here (help,
// version, or a mistake, told on standard error).
std::optional<int> parse(int argc, char** argv, Arguments& args) {
    CLI::App cli("kit85 \u2014 8085 trainer kit simulator", "kit85");
    cli.set_version_flag("-v,--version", std::string("kit85 ") + kit85::kitVersion());
    std::string memory;
    std::string program;
    cli.add_option("-m,--memory", memory, "Keep the kit's memory in FILE (created with every byte 00 if missing).")
        ->type_name("FILE");
    cli.add_option("PROGRAM", program, "An Intel HEX file (.hex, .ihx) or 8085 source (.asm, .a85, .s) to open at start.")
        ->type_name("PROGRAM.asm|PROGRAM.hex");
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version end well; a mistake ends with 2, as before.
        const int status = cli.exit(e);
        return status == 0 ? 0 : 2;
    }
    if (!memory.empty()) args.memory = memory;
    if (!program.empty()) {
        if (!kit85::programKind(program)) {
            std::fprintf(stderr,
                         "kit85: unexpected argument '%s': a program to open is an Intel HEX file (.hex, .ihx) or an "
                         "8085 source (.asm, .a85, .s); a memory file goes with --memory\n",
                         program.c_str());
            return 2;
        }
        args.program = program;
    }
    return std::nullopt;
}

bool setIn(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

// Whether the X server DISPLAY names answers.
bool xServerAnswers() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const bool answers = xcb_connection_has_error(c) == 0;
    xcb_disconnect(c);
    return answers;
}

// Without a display (and no other platform asked for) the toolkit would abort
// with a core dump; a plain message and status 1 tell what is missing. A
// DISPLAY left over from a session that ended (a stale DISPLAY in a terminal)
// is missing too.
bool displayMissing() {
    if (setIn("QT_QPA_PLATFORM") || setIn("WAYLAND_DISPLAY")) return false;
    if (!setIn("DISPLAY")) {
        std::fprintf(
            stderr, "kit85: no display to open the kit on (DISPLAY is not set); kit85-run runs programs without one\n");
        return true;
    }
    if (xServerAnswers()) return false;
    std::fprintf(stderr,
                 "kit85: no display to open the kit on (no X server answers at DISPLAY %s); kit85-run runs programs "
                 "without one\n",
                 std::getenv("DISPLAY"));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (const std::optional<int> done = parse(argc, argv, args)) return *done;
    if (displayMissing()) return 1;
    QApplication app(argc, argv);
    kit85::setUpApplication();
    return kit85::runWindow({args.memory, args.program});
}
