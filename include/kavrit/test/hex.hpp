#pragma once

/// @file
/// Hex text of vector fields to bytes.

#include <string_view>

#include "kavrit/byte_string.hpp"

namespace kavrit::test {

/// Decodes a string of hex digit pairs ("00ff7A...") into bytes. Both upper and
/// lower case digits are accepted; nothing else is (no "0x" prefix, no spaces).
///
/// Throws std::invalid_argument when the input has an odd number of characters
/// (this check comes first) or when any pair holds a character that is not a
/// hex digit; the latter message names the pair and its offset.
ByteString hexStringToBS(std::string_view text);

}  // namespace kavrit::test
