#pragma once

// kit85-run's escaping is shared with kit85-asm: see values/escape.h.
#include "values/escape.h"
