#pragma once

// Where every control of the kit window stands, in the kit's twips (1/1440
// inch), and the turning of twips into pixels.
//
// The kit sets the window's outer height (4770 twips with the register panel
// hidden, 8040 shown); the window turns that into a client height by taking
// off a fixed frame allowance (kFrameTwips…), whatever the window manager's
// real frame is, so the same bands show on every desktop and under the
// offscreen platform, where there is no frame at all.

#include <span>

class QWidget;

namespace kit85 {

// Pixels for a length in twips on the widget's screen (96 dpi without one).
int twipsToPixels(int twips, const QWidget* widget);

// What the window frame takes off the outer size, in twips: title bar and
// borders of the frame the kit was laid out for. Client = outer - frame.
constexpr int kFrameTwipsWide = 90;   // 6480 outer -> 6390 client
constexpr int kFrameTwipsHigh = 375;  // 8040 outer -> 7665 client

enum class ControlKind {
    Display,      // Text1..Text4: read-only, blue; Text1/Text3 take 4 characters, Text2/Text4 2
    HexKey,       // c0..cf: the keypad; the caption is the digit
    Key,          // the other keys
    Register,     // a register field the user types into; the name is the register's
    Title,        // a caption centred in its box
    Label,        // a caption in the print face
    NarrowLabel,  // the same in the narrow face
    FlagCell,     // a flag's 0/1, or a blank bit of the flag register
    Line,         // a printed line on the board
    Plate,        // Adodc1, the plate naming the memory file
};

enum class Face { None, Blue, Grey, Red };

// One placed control. Caption and tip may be null; a key's tip gets the
// computer keyboard's keys for it from the shortcut table.
struct Placement {
    const char* name;
    ControlKind kind;
    Face face;
    int left, top, width, height;
    const char* caption;
    const char* tip;
};

// Every control of the window, in the order they are made (later ones lie on
// top of earlier ones).
std::span<const Placement> kitLayout();

}  // namespace kit85
