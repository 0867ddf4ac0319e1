#pragma once

// The small questions the study view's menu asks: an address to go to, and a
// range of rows with the byte to fill them with.

#include <cstdint>
#include <optional>

#include <initializer_list>
#include <string>

class QDialog;
class QFormLayout;
class QLineEdit;
class QWidget;

namespace kit85 {

struct FillRequest {
    uint16_t start = 0x8000;
    uint16_t end = 0x80FF;
    uint8_t value = 0;
};

// A field of one to `digits` hex digits on `dialog`, named `name`.
QLineEdit* hexField(QDialog& dialog, const char* name, const std::string& value, int digits);
// Adds OK and Cancel to `form` and runs the dialog; OK is offered only while
// every one of `fields` is filled in. True when OK was pressed.
bool ask(QDialog& dialog, QFormLayout* form, std::initializer_list<const QLineEdit*> fields);

// One to four hex digits; none when cancelled.
std::optional<uint16_t> askAddress(QWidget* parent, uint16_t offered);
// The range and byte to fill; with nothing `offered` the range's fields start
// empty (OK waits for both).
std::optional<FillRequest> askFill(QWidget* parent, const std::optional<FillRequest>& offered);

}  // namespace kit85
