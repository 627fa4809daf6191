#pragma once

/// @file
/// What the authenticated-encryption modes (kavrit/gcm.hpp, kavrit/ccm.hpp) share: the result of
/// sealing a message, and the tag comparison.

#include <cstddef>
#include <cstdint>

#include "kavrit/byte_string.hpp"

namespace kavrit {

/// A sealed message: the ciphertext, as long as the plaintext, and the authentication tag.
struct AeadSealed {
  ByteString ciphertext;
  ByteString tag;

  friend bool operator==(const AeadSealed&, const AeadSealed&) = default;
};

namespace detail {

/// Whether two tags are equal, in a time that depends on their lengths only: a comparison that
/// stops at the first wrong byte tells a forger how much of a guessed tag was right.
inline bool aeadTagsEqual(const ByteString& a, const ByteString& b) {
  if (a.size() != b.size()) return false;
  std::uint8_t difference = 0;
  for (std::size_t i = 0; i < a.size(); ++i) difference |= static_cast<std::uint8_t>(a[i] ^ b[i]);
  return difference == 0;
}

}  // namespace detail
}  // namespace kavrit
