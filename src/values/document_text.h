#pragma once

// Texts put into documents other programs open: spreadsheet cells and HTML.
// Used by the keying sheet and the grader's reports, so that a source line or
// a student's file name can neither run as a formula nor break the page.

#include <string>
#include <string_view>

namespace kit85 {

// A CSV field, quoted when it holds a comma, a quote or a line end. A field
// that starts as a formula would (= + - @, or a tab or return) gets a leading
// ' so that a spreadsheet shows it instead of running it.
std::string csvField(std::string_view text);

// Text for an HTML page: & < > " as entities, and control characters other
// than line ends and tabs as '?', which no page shows otherwise.
std::string htmlText(std::string_view text);

}  // namespace kit85
