#pragma once

#include <string>

#include "values/text.h"

namespace kit85 {

// A row's text for a message: quoted, whole when short, else its start and
// its length, so a long or hostile text never floods a message.
// Built by appending: `"\"" + s` here trips a false -Wrestrict in GCC 12.
inline std::string shown(const Text& t) {
    const std::string s = t.str();
    std::string out(1, '"');
    out.append(s, 0, 40);
    if (s.size() <= 40) return out += '"';
    return out.append("...\" (").append(std::to_string(s.size())).append(" characters)");
}

}  // namespace kit85
