// The kit window's layout table: every control, one row a line.

#include "panel/kit_layout.h"

#include <QWidget>

namespace kit85 {

int twipsToPixels(int twips, const QWidget* widget) {
    const double dpi = widget ? widget->logicalDpiY() : 96.0;
    return static_cast<int>(twips * dpi / 1440.0 + 0.5);
}

namespace {

using enum ControlKind;
constexpr Face kNone = Face::None, kBlue = Face::Blue, kGrey = Face::Grey, kRed = Face::Red;

// The upper band (displays, keypad, keys, plate) above Line1 at 4200; the
// register panel below it, in sight only while the window is 8040 twips high.
// The flag block shows bit 7 first, one cell every 360 twips.
constexpr Placement kLayout[] = {
    {"Text1", Display, kNone, 3360, 240, 975, 495, " ", "Address display: the address of the current memory location"},
    {"Text2", Display, kNone, 4320, 240, 615, 495, " ", "Data display: the byte at the current memory location"},
    {"Text3", Display, kNone, 3360, 240, 975, 495, " ", "The address being keyed in"},
    {"Text4", Display, kNone, 4320, 240, 615, 495, " ", nullptr},
    {"c0", HexKey, kBlue, 720, 1080, 735, 375, "0", "Hex key 0 (keyboard: 0)"},
    {"c1", HexKey, kBlue, 1680, 1080, 735, 375, "1", "Hex key 1 (keyboard: 1)"},
    {"c2", HexKey, kBlue, 2640, 1080, 735, 375, "2", "Hex key 2 (keyboard: 2)"},
    {"c3", HexKey, kBlue, 3600, 1080, 735, 375, "3", "Hex key 3 (keyboard: 3)"},
    {"c4", HexKey, kBlue, 720, 1680, 735, 375, "4", "Hex key 4 (keyboard: 4)"},
    {"c5", HexKey, kBlue, 1680, 1680, 735, 375, "5", "Hex key 5 (keyboard: 5)"},
    {"c6", HexKey, kBlue, 2640, 1680, 735, 375, "6", "Hex key 6 (keyboard: 6)"},
    {"c7", HexKey, kBlue, 3600, 1680, 735, 375, "7", "Hex key 7 (keyboard: 7)"},
    {"c8", HexKey, kBlue, 720, 2280, 735, 375, "8", "Hex key 8 (keyboard: 8)"},
    {"c9", HexKey, kBlue, 1680, 2280, 735, 375, "9", "Hex key 9 (keyboard: 9)"},
    {"ca", HexKey, kBlue, 2640, 2280, 735, 375, "A", "Hex key A (keyboard: A)"},
    {"cb", HexKey, kBlue, 3600, 2280, 735, 375, "B", "Hex key B (keyboard: B)"},
    {"cc", HexKey, kBlue, 720, 2880, 735, 375, "C", "Hex key C (keyboard: C)"},
    {"cd", HexKey, kBlue, 1680, 2880, 735, 375, "D", "Hex key D (keyboard: D)"},
    {"ce", HexKey, kBlue, 2640, 2880, 735, 375, "E", "Hex key E (keyboard: E)"},
    {"cf", HexKey, kBlue, 3600, 2880, 735, 375, "F", "Hex key F (keyboard: F)"},
    {"execute", Key, kBlue, 4560, 1080, 735, 375, "Execute", "Execute: run the program from the current location"},
    {"address", Key, kBlue, 4560, 1680, 735, 375, "Address", "Address: key in a memory address, four hex digits"},
    {"prev", Key, kBlue, 4560, 2280, 735, 375, "Prev", "Prev: the previous memory location"},
    {"next", Key, kBlue, 4560, 2880, 735, 375, "Next", "Next: the next memory location"},
    {"regmod", Key, kGrey, 1080, 3480, 975, 375, "show panal", "Show or hide the register panel"},
    {"stop", Key, kRed, 2160, 3480, 855, 375, "Stop", "Stop: interrupt a running program"},
    {"stepexe", Key, kBlue, 3120, 3480, 855, 375, "Step Exe", "Step Exe: carry out one instruction"},
    {"end", Key, kGrey, 4560, 3480, 735, 375, "CLOSE", "CLOSE: end the kit"},
    {"Adodc1", Plate, kNone, 600, 360, 2175, 330, nullptr, nullptr},
    {"Label1", Title, kNone, 1800, 4440, 2895, 255, "MICROPROCESSER REGISTERS", nullptr},
    {"Label19", NarrowLabel, kNone, 4080, 4800, 975, 255, "Flag Register", nullptr},
    {"A", Register, kNone, 1200, 5520, 495, 375, nullptr, nullptr},
    {"Label2", Label, kNone, 720, 5640, 240, 255, "A", nullptr},
    {"F", Register, kNone, 2160, 5520, 495, 375, nullptr, nullptr},
    {"Label20", Label, kNone, 1920, 5640, 240, 255, "FF", nullptr},
    {"B", Register, kNone, 1200, 6000, 495, 375, nullptr, nullptr},
    {"Label8", Label, kNone, 720, 6120, 240, 255, "B", nullptr},
    {"C", Register, kNone, 2160, 6000, 495, 375, nullptr, nullptr},
    {"Label5", Label, kNone, 1920, 6120, 240, 255, "C", nullptr},
    {"D", Register, kNone, 1200, 6480, 495, 375, nullptr, nullptr},
    {"Label7", Label, kNone, 720, 6600, 240, 255, "D", nullptr},
    {"E", Register, kNone, 2160, 6480, 495, 375, nullptr, nullptr},
    {"Label4", Label, kNone, 1920, 6600, 240, 255, "E", nullptr},
    {"H", Register, kNone, 1200, 6960, 495, 375, nullptr, nullptr},
    {"Label6", Label, kNone, 720, 7080, 240, 255, "H", nullptr},
    {"L", Register, kNone, 2160, 6960, 495, 375, nullptr, nullptr},
    {"Label9", Label, kNone, 1920, 7080, 240, 255, "L", nullptr},
    {"SP", Register, kNone, 4440, 6360, 855, 375, nullptr, nullptr},
    {"Label3", Label, kNone, 3720, 6480, 495, 255, "SP", nullptr},
    {"PC", Register, kNone, 4440, 6960, 855, 375, nullptr, nullptr},
    {"Label10", Label, kNone, 3720, 7080, 495, 255, "PC", nullptr},
    {"slb", FlagCell, kNone, 3240, 5400, 135, 255, "0", "Flag S"},
    {"flagS", Label, kNone, 3240, 5880, 240, 255, "S", nullptr},
    {"zlb", FlagCell, kNone, 3600, 5400, 135, 255, "0", "Flag Z"},
    {"flagZ", Label, kNone, 3600, 5880, 240, 255, "Z", nullptr},
    {"Label15", FlagCell, kNone, 3960, 5400, 135, 255, " ", nullptr},
    {"auxlb", FlagCell, kNone, 4320, 5400, 135, 255, "0", "Flag Aux"},
    {"flagAux", Label, kNone, 4200, 5880, 375, 255, "Aux", nullptr},
    {"Label13", FlagCell, kNone, 4680, 5400, 135, 255, " ", nullptr},
    {"plb", FlagCell, kNone, 5040, 5400, 135, 255, "0", "Flag P"},
    {"flagP", Label, kNone, 5040, 5880, 240, 255, "P", nullptr},
    {"Label11", FlagCell, kNone, 5400, 5400, 135, 255, " ", nullptr},
    {"clb", FlagCell, kNone, 5760, 5400, 135, 255, "0", "Flag Cy"},
    {"flagCy", Label, kNone, 5760, 5880, 240, 255, "Cy", nullptr},
    {"Line1", Line, kNone, 120, 4200, 6135, 15, nullptr, nullptr},
    {"Line2", Line, kNone, 120, 120, 15, 7455, nullptr, nullptr},
    {"Line3", Line, kNone, 6240, 120, 15, 7455, nullptr, nullptr},
    {"Line4", Line, kNone, 120, 120, 6135, 15, nullptr, nullptr},
    {"Line5", Line, kNone, 120, 7560, 6135, 15, nullptr, nullptr},
    {"Line6", Line, kNone, 3120, 5280, 15, 495, nullptr, nullptr},
    {"Line7", Line, kNone, 3480, 5280, 15, 495, nullptr, nullptr},
    {"Line8", Line, kNone, 3840, 5280, 15, 495, nullptr, nullptr},
    {"Line9", Line, kNone, 4200, 5280, 15, 495, nullptr, nullptr},
    {"Line10", Line, kNone, 4560, 5280, 15, 495, nullptr, nullptr},
    {"Line11", Line, kNone, 4920, 5280, 15, 495, nullptr, nullptr},
    {"Line12", Line, kNone, 5280, 5280, 15, 495, nullptr, nullptr},
    {"Line13", Line, kNone, 5640, 5280, 15, 495, nullptr, nullptr},
    {"Line14", Line, kNone, 6000, 5280, 15, 495, nullptr, nullptr},
    {"Line15", Line, kNone, 3120, 5280, 2895, 15, nullptr, nullptr},
    {"Line16", Line, kNone, 3120, 5760, 2895, 15, nullptr, nullptr},
};

}  // namespace

std::span<const Placement> kitLayout() { return kLayout; }

}  // namespace kit85
