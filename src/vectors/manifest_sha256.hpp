#pragma once

/// @file
/// A plain SHA-256, so that the library can check its vector files against data/MANIFEST without
/// depending on a cryptographic library. Not for anything else.

#include <string>
#include <string_view>

namespace kavrit::test::detail {

/// The SHA-256 of `bytes` as 64 lower-case hex digits.
std::string sha256Hex(std::string_view bytes);

}  // namespace kavrit::test::detail
