#pragma once

/// @file
/// CCM (NIST SP 800-38C) over any `BlockCipher` with 128-bit blocks:
///
///     AeadSealed ccmEncrypt(key, nonce, aad, plaintext, tagBytes);
///     std::optional<ByteString> ccmDecrypt(key, nonce, aad, ciphertext, tag);
///
/// The nonce is 7 to 13 bytes; the tag 4, 6, 8, 10, 12, 14 or 16 bytes; the text at most
/// 2^(8q) - 1 bytes, where q = 15 - nonce length is the width of CCM's length and counter field.
/// These are parameters both sides agree on, so breaking one throws std::invalid_argument saying
/// which rule, in both directions; decryption refuses with an empty optional exactly when the tag
/// does not verify (compared in constant time), and gives no plaintext then.
///
/// A key type may bring its own CCM by defining const members of the same names and shapes:
///
///     AeadSealed ccmEncrypt(const ByteString& nonce, const ByteString& aad,
///                           const ByteString& plaintext, std::size_t tagBytes) const;
///     std::optional<ByteString> ccmDecrypt(const ByteString& nonce, const ByteString& aad,
///                                          const ByteString& ciphertext,
///                                          const ByteString& tag) const;
///
/// The free function then calls that member instead of the generic implementation here, which
/// needs only `encryptBlock`. A member with one of these names but another shape is a
/// compile-time error naming the hook. `ownCCMHooks<K>()` lists the hooks a key type brings.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "kavrit/aead.hpp"
#include "kavrit/block_cipher.hpp"
#include "kavrit/byte_string.hpp"
#include "kavrit/construction_hooks.hpp"

namespace kavrit {

namespace detail {

/// Checks CCM's parameters; throws std::invalid_argument naming `operation` and the rule broken.
inline void requireCcmParameters(const char* operation, std::size_t blockBytes,
                                 std::size_t nonceBytes, std::size_t tagBytes,
                                 std::size_t textBytes) {
  const std::string name(operation);
  if (blockBytes != 16) {
    throw std::invalid_argument(name + ": a block of " + std::to_string(blockBytes * 8) +
                                " bits; CCM is defined for 128-bit blocks");
  }
  if (nonceBytes < 7 || nonceBytes > 13) {
    throw std::invalid_argument(name + ": a nonce of " + std::to_string(nonceBytes) +
                                " bytes; CCM nonces are 7 to 13 bytes");
  }
  if (tagBytes < 4 || tagBytes > 16 || tagBytes % 2 != 0) {
    throw std::invalid_argument(name + ": a tag of " + std::to_string(tagBytes) +
                                " bytes; CCM tags are 4, 6, 8, 10, 12, 14 or 16 bytes");
  }
  const std::size_t q = 15 - nonceBytes;
  if (q < sizeof(std::size_t) && (textBytes >> (8 * q)) != 0) {
    throw std::invalid_argument(name + ": a text of " + std::to_string(textBytes) +
                                " bytes; with a nonce of " + std::to_string(nonceBytes) +
                                " bytes CCM takes at most 2^" + std::to_string(8 * q) +
                                " - 1 bytes");
  }
}

/// Block `index` of the counter, Ctr_i = [q - 1] || N || [i]_q.
inline ByteString ccmCounterBlock(const ByteString& nonce, std::uint64_t index) {
  ByteString block(16, 0);
  block[0] = static_cast<std::uint8_t>(14 - nonce.size());
  std::copy(nonce.begin(), nonce.end(), block.begin() + 1);
  for (std::size_t i = 15; i > nonce.size() && index != 0; --i, index >>= 8) {
    block[i] = static_cast<std::uint8_t>(index);
  }
  return block;
}

/// The full CBC-MAC over B0, the encoded AAD and the plaintext (its first tagBytes bytes are T).
template <class Key>
ByteString ccmMac(const Key& key, const ByteString& nonce, const ByteString& aad,
                  const ByteString& plaintext, std::size_t tagBytes) {
  ByteString b0(16, 0);
  b0[0] = static_cast<std::uint8_t>((aad.empty() ? 0 : 0x40) | ((tagBytes - 2) / 2) << 3 |
                                    (14 - nonce.size()));
  std::copy(nonce.begin(), nonce.end(), b0.begin() + 1);
  std::uint64_t length = plaintext.size();
  for (std::size_t i = 15; i > nonce.size(); --i, length >>= 8) {
    b0[i] = static_cast<std::uint8_t>(length);
  }
  ByteString input = b0;
  if (!aad.empty()) {
    const std::uint64_t a = aad.size();
    if (a < 0xFF00) {
      input.insert(input.end(), {static_cast<std::uint8_t>(a >> 8), static_cast<std::uint8_t>(a)});
    } else {
      const int bytes = a <= 0xFFFFFFFFu ? 4 : 8;
      input.insert(input.end(), {0xFF, static_cast<std::uint8_t>(bytes == 4 ? 0xFE : 0xFF)});
      for (int i = bytes; i-- > 0;) input.push_back(static_cast<std::uint8_t>(a >> (8 * i)));
    }
    input.insert(input.end(), aad.begin(), aad.end());
    input.resize((input.size() + 15) / 16 * 16, 0);
  }
  input.insert(input.end(), plaintext.begin(), plaintext.end());
  input.resize((input.size() + 15) / 16 * 16, 0);
  ByteString chain(16, 0);
  for (std::size_t at = 0; at < input.size(); at += 16) {
    for (std::size_t i = 0; i < 16; ++i) chain[i] ^= input[at + i];
    chain = encryptChecked(key, chain);
  }
  return chain;
}

/// `text` XOR the key stream of counter blocks 1, 2, ...
template <class Key>
ByteString ccmCounter(const Key& key, const ByteString& nonce, const ByteString& text) {
  ByteString out(text.size());
  for (std::size_t at = 0; at < text.size(); at += 16) {
    const ByteString stream = encryptChecked(key, ccmCounterBlock(nonce, at / 16 + 1));
    for (std::size_t i = at; i < std::min(at + 16, text.size()); ++i) {
      out[i] = static_cast<std::uint8_t>(text[i] ^ stream[i - at]);
    }
  }
  return out;
}

/// T XOR the first bytes of S0 = E(Ctr_0).
template <class Key>
ByteString ccmTag(const Key& key, const ByteString& nonce, const ByteString& aad,
                  const ByteString& plaintext, std::size_t tagBytes) {
  ByteString tag = ccmMac(key, nonce, aad, plaintext, tagBytes);
  const ByteString s0 = encryptChecked(key, ccmCounterBlock(nonce, 0));
  tag.resize(tagBytes);
  for (std::size_t i = 0; i < tagBytes; ++i) tag[i] ^= s0[i];
  return tag;
}

template <class Key>
AeadSealed ccmEncryptOver(const Key& key, std::size_t blockBytes, const ByteString& nonce,
                          const ByteString& aad, const ByteString& plaintext,
                          std::size_t tagBytes) {
  requireCcmParameters("ccmEncrypt", blockBytes, nonce.size(), tagBytes, plaintext.size());
  return AeadSealed{ccmCounter(key, nonce, plaintext),
                    ccmTag(key, nonce, aad, plaintext, tagBytes)};
}

template <class Key>
std::optional<ByteString> ccmDecryptOver(const Key& key, std::size_t blockBytes,
                                         const ByteString& nonce, const ByteString& aad,
                                         const ByteString& ciphertext, const ByteString& tag) {
  requireCcmParameters("ccmDecrypt", blockBytes, nonce.size(), tag.size(), ciphertext.size());
  ByteString plaintext = ccmCounter(key, nonce, ciphertext);
  if (!aeadTagsEqual(ccmTag(key, nonce, aad, plaintext, tag.size()), tag)) return std::nullopt;
  return plaintext;
}

KAVRIT_CONSTRUCTION_HOOK4(ccmEncrypt, AeadSealed, ByteString, ByteString, ByteString, std::size_t,
                          "AeadSealed ccmEncrypt(const ByteString& nonce, const ByteString& aad, "
                          "const ByteString& plaintext, std::size_t tagBytes) const",
                          "CCM")
KAVRIT_CONSTRUCTION_HOOK4(ccmDecrypt, std::optional<ByteString>, ByteString, ByteString, ByteString,
                          ByteString,
                          "std::optional<ByteString> ccmDecrypt(const ByteString& nonce, const "
                          "ByteString& aad, const ByteString& ciphertext, const ByteString& tag) "
                          "const",
                          "CCM")

}  // namespace detail

/// The ciphertext of `plaintext` and its tag of `tagBytes` bytes, over `aad` as well.
KAVRIT_HOOKED_FUNCTION4(ccmEncrypt, AeadSealed, ByteString, ByteString, ByteString, std::size_t,
                        ccmEncryptOver)
/// The plaintext, or nothing when the tag does not verify.
KAVRIT_HOOKED_FUNCTION4(ccmDecrypt, std::optional<ByteString>, ByteString, ByteString, ByteString,
                        ByteString, ccmDecryptOver)

/// The CCM hooks that key type K brings itself, in the order ccmEncrypt, ccmDecrypt.
template <BlockCipher K>
std::vector<std::string_view> ownCCMHooks() {
  std::vector<std::string_view> own;
  if (detail::own_ccmEncrypt<K>) own.push_back("ccmEncrypt");
  if (detail::own_ccmDecrypt<K>) own.push_back("ccmDecrypt");
  return own;
}

}  // namespace kavrit
