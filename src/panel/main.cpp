// kit85: the trainer kit's window.
//
//   kit85 [--memory FILE]
//
// Shows the about box; its OK opens the memory table (asking for another file
// while the one given is refused) and shows the kit window. Closing the about
// box any other way ends the program without showing the kit.

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <filesystem>
#include <optional>

#include "panel/app.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    kit85::setUpApplication();

    QCommandLineParser parser;
    parser.setApplicationDescription("kit85 \u2014 8085 trainer kit simulator");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption memoryOption(
        {"m", "memory"}, "Keep the kit's memory in FILE (created with every byte 00 if missing).", "FILE");
    parser.addOption(memoryOption);
    if (!parser.parse(QApplication::arguments())) {
        std::fprintf(stderr, "kit85: %s\n\n%s", qPrintable(parser.errorText()), qPrintable(parser.helpText()));
        return 2;
    }
    if (parser.isSet("help")) parser.showHelp(0);
    if (parser.isSet("version")) parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "kit85: unexpected argument '%s'\n\n%s", qPrintable(parser.positionalArguments().first()),
                     qPrintable(parser.helpText()));
        return 2;
    }
    std::optional<std::filesystem::path> file;
    if (parser.isSet(memoryOption)) file = std::filesystem::path(parser.value(memoryOption).toStdString());
    return kit85::runWindow(file);
}
