#pragma once

// RFC 5297's S2V over the two components (aad, text), for the SIV adapters whose library cannot
// compute it for one AAD component (Nettle's SIV always adds a nonce; OpenSSL's skips empty
// inputs). The library brings the CMAC: `cmac(data, length)` gives the 16-byte tag.

#include <array>
#include <cstddef>
#include <cstdint>

#include "kavrit/byte_string.hpp"

namespace kavrit::examples::siv {

using Block = std::array<std::uint8_t, 16>;

/// Doubling in GF(2^128), as CMAC's subkeys.
inline Block dbl(const Block& in) {
  Block out{};
  for (std::size_t i = 0; i < 16; ++i) {
    out[i] = static_cast<std::uint8_t>(in[i] << 1 | (i < 15 ? in[i + 1] >> 7 : 0));
  }
  if (in[0] & 0x80) out[15] ^= 0x87;
  return out;
}

/// The synthetic IV of `text` under one AAD component.
template <class Cmac>
ByteString s2v(const Cmac& cmac, const ByteString& aad, const ByteString& text) {
  const Block zero{};
  Block d = dbl(cmac(zero.data(), zero.size()));
  const Block a = cmac(aad.data(), aad.size());
  for (std::size_t i = 0; i < 16; ++i) d[i] ^= a[i];
  ByteString t;
  if (text.size() >= 16) {
    t = text;
    for (std::size_t i = 0; i < 16; ++i) t[text.size() - 16 + i] ^= d[i];
  } else {
    d = dbl(d);
    t.assign(d.begin(), d.end());
    for (std::size_t i = 0; i < text.size(); ++i) t[i] ^= text[i];
    t[text.size()] ^= 0x80;
  }
  const Block v = cmac(t.data(), t.size());
  return ByteString(v.begin(), v.end());
}

}  // namespace kavrit::examples::siv
