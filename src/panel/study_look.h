#pragma once

// What the study view's panes share: their colours, the fixed-width font and
// the texts of bytes and addresses as they draw them.

#include <QColor>
#include <QFont>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

#include "values/text.h"

namespace kit85::look {

inline const QColor kPaper("#FCFBF6");
inline const QColor kInk("#1D2330");
inline const QColor kFaint("#8A93A3");
inline const QColor kAddressInk("#4C6A92");
inline const QColor kCurrentLine("#E4ECF8");
inline const QColor kCurrentCell("#2456A8");
inline const QColor kChangedCell("#FFE08A");
inline const QColor kChangedInk("#9A2A00");
inline const QColor kOddCell("#F1E4F7");
inline const QColor kOddInk("#7A2C9E");
inline const QColor kBreakpoint("#D0312D");
inline const QColor kSelectedCell("#C9DCF5");
inline const QColor kGutter("#EEF0EA");

QFont monoFont();

// "00".."FF", made once: a redraw draws from these instead of formatting.
const std::array<QString, 256>& byteTexts();

inline QString word(uint32_t v) { return byteTexts()[(v >> 8) & 0xFF] + byteTexts()[v & 0xFF]; }

inline bool isByte(const Text& t) { return t.isHex() && t.size() == 2; }

// A data text for the panes: a byte as it is, anything else in quotes.
QString quoted(const Text& t);

// The value of an address text of four hex digits.
std::optional<uint16_t> addressOf(const Text& t);

}  // namespace kit85::look
