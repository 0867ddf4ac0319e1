#pragma once

// The small questions the study view's menu asks: an address to go to, and a
// range of rows with the byte to fill them with.

#include <cstdint>
#include <optional>

class QWidget;

namespace kit85 {

struct FillRequest {
    uint16_t start = 0x8000;
    uint16_t end = 0x80FF;
    uint8_t value = 0;
};

// One to four hex digits; none when cancelled.
std::optional<uint16_t> askAddress(QWidget* parent, uint16_t offered);
std::optional<FillRequest> askFill(QWidget* parent, const FillRequest& offered);

}  // namespace kit85
