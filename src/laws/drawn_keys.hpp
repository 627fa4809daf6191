#pragma once

// Keys and IVs drawn inside a running property, shared by the block-cipher laws. A key the cipher
// refuses, or an IV it cannot read, discards the case.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include <rapidcheck.h>

#include "kavrit/hash.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/arbitrary.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "laws/hash_edges.hpp"

namespace kavrit::test::detail {

inline std::unique_ptr<const AnyKey> keyOrDiscard(const AnyBlockCipher& cipher,
                                                  const RandomBytes& seed) {
  std::unique_ptr<const AnyKey> key = cipher.buildKey(keyMaterial(cipher.keyLength(), seed.value));
  RC_PRE(static_cast<bool>(key));
  return key;
}

inline ByteString ivOrDiscard(const AnyBlockCipher& cipher, const RandomBytes& bytes) {
  std::optional<ByteString> iv = cipher.parseIV(bytes.value);
  RC_PRE(iv.has_value());
  return std::move(*iv);
}

inline LazyByteString wholeBlockPrefix(const AnyBlockCipher& cipher, const LazyByteString& input) {
  const std::size_t b = cipher.blockBytes();
  return takeLazy(input, input.size() - input.size() % b);
}

// A key of `n` bytes from the fixed pattern, shifted by `variant` so that the keys differ.
inline ByteString patternedKey(std::size_t n, std::size_t variant) {
  ByteString key = fixedMessage(n + variant);
  key.erase(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(variant));
  return key;
}

// How the key laws name a key in their reports.
inline std::string keyText(const ByteString& key) {
  return "the " + std::to_string(key.size()) + "-byte key " + toHex(key);
}

}  // namespace kavrit::test::detail
