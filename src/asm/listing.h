#pragma once

// The assembler's listing: each source line with its address and bytes, the
// warnings under the line they are about, then the symbols with their values.

#include <string>
#include <string_view>

#include "asm/assembler.h"

namespace kit85::assembler {

// `sourceName` heads the listing and names the file in its warnings.
std::string formatListing(const Assembly& assembly, std::string_view sourceName);

}  // namespace kit85::assembler
