#include "memory/intel_hex.h"
