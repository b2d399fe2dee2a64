#pragma once

#include <cstdint>

namespace qm {

/// The kind of a property; the numbers are stored and must not change.
enum class TPropKind : std::uint8_t {
    pkInherit = 0,  ///< Boolean switch between a property's own value and its parent's
    pkString = 1,   ///< text, may hold line breaks
    pkInteger = 2,  ///< 32-bit signed integer
    pkBoolean = 3,
    pkColor = 4,  ///< colour as a 32-bit integer, red in the low byte
};

}  // namespace qm
