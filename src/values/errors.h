#pragma once

#include <stdexcept>
#include <string>

namespace kit85 {

// Every failure the core reports. The drivers catch these around each
// instruction and turn them into a stop with a message for the user; nothing
// in the core ends the program.
class KitError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A conversion whose result leaves its integer width (a long or odd text).
class ConversionOverflow : public KitError {
public:
    using KitError::KitError;
};

// A write while the memory cursor stands on no row.
class NoRowError : public KitError {
public:
    using KitError::KitError;
};

// The memory file could not be opened, read or written.
class StoreError : public KitError {
public:
    using KitError::KitError;
};

}  // namespace kit85
