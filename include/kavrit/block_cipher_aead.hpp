#pragma once

/// @file
/// GCM and CCM over any 128-bit block cipher, as `Aead` key types: `GcmAead<K>` is
/// AEAD_AES_128_GCM of RFC 5116 when K is AES-128 (a 96-bit nonce, a 128-bit tag), `CcmAead<K>`
/// AEAD_AES_128_CCM (a 96-bit nonce, a 128-bit tag); the template arguments choose other tag and
/// nonce lengths. Both go through kavrit::gcmEncrypt, kavrit::ccmDecrypt, ..., so a key type's own
/// GCM and CCM members are what they run, and one AEAD suite tests them as it tests
/// ChaCha20-Poly1305. Nonces and tags of other lengths are refused as the `Aead` concept says:
/// sealing throws std::invalid_argument, opening gives an empty optional.

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "kavrit/aead.hpp"
#include "kavrit/block_cipher.hpp"
#include "kavrit/byte_string.hpp"
#include "kavrit/ccm.hpp"
#include "kavrit/gcm.hpp"

namespace kavrit {

namespace detail {

inline void requireAeadNonce(const char* what, const ByteString& nonce, std::size_t bytes) {
  if (nonce.size() != bytes) {
    throw std::invalid_argument(std::string(what) + ": a nonce of " + std::to_string(nonce.size()) +
                                " bytes; this AEAD takes " + std::to_string(bytes));
  }
}

}  // namespace detail

/// GCM with `TagBytes`-byte tags (4 to 16) and `NonceBytes`-byte nonces over key type K.
template <BlockCipher K, std::size_t TagBytes = 16, std::size_t NonceBytes = 12>
class GcmAead {
  static_assert(TagBytes >= 4 && TagBytes <= 16, "GCM tags are 4 to 16 bytes");
  static_assert(NonceBytes >= 1, "GCM needs a nonce of at least one byte");

 public:
  static long keyLength() { return static_cast<long>(K::keyLength()); }
  static long nonceLength() { return static_cast<long>(NonceBytes * 8); }
  static bool acceptsNonceLength(long bits) { return bits == nonceLength(); }
  static long tagLength() { return static_cast<long>(TagBytes * 8); }

  static std::optional<GcmAead> buildKey(const ByteString& bytes) {
    std::optional<K> key = K::buildKey(bytes);
    if (!key) return std::nullopt;
    return GcmAead(std::move(*key));
  }

  AeadSealed seal(const ByteString& nonce, const ByteString& aad,
                  const ByteString& plaintext) const {
    detail::requireAeadNonce("GcmAead::seal", nonce, NonceBytes);
    return gcmEncrypt(key_, nonce, aad, plaintext, TagBytes);
  }
  std::optional<ByteString> open(const ByteString& nonce, const ByteString& aad,
                                 const ByteString& ciphertext, const ByteString& tag) const {
    if (nonce.size() != NonceBytes || tag.size() != TagBytes) return std::nullopt;
    return gcmDecrypt(key_, nonce, aad, ciphertext, tag);
  }
  AeadSealed sealLazy(const ByteString& nonce, const LazyByteString& aad,
                      const LazyByteString& plaintext) const {
    detail::requireAeadNonce("GcmAead::sealLazy", nonce, NonceBytes);
    return gcmEncryptLazy(key_, nonce, aad, plaintext, TagBytes);
  }
  std::optional<ByteString> openLazy(const ByteString& nonce, const LazyByteString& aad,
                                     const LazyByteString& ciphertext,
                                     const ByteString& tag) const {
    if (nonce.size() != NonceBytes || tag.size() != TagBytes) return std::nullopt;
    return gcmDecryptLazy(key_, nonce, aad, ciphertext, tag);
  }

  /// The block cipher's key underneath.
  [[nodiscard]] const K& blockCipherKey() const noexcept { return key_; }

 private:
  explicit GcmAead(K key) : key_(std::move(key)) {}
  K key_;
};

/// CCM with `TagBytes`-byte tags (4, 6, ..., 16) and `NonceBytes`-byte nonces (7 to 13) over key
/// type K. The lazy entry points are kavrit's, from the strict ones: CCM has no lazy form.
template <BlockCipher K, std::size_t TagBytes = 16, std::size_t NonceBytes = 12>
class CcmAead {
  static_assert(TagBytes >= 4 && TagBytes <= 16 && TagBytes % 2 == 0,
                "CCM tags are 4, 6, 8, 10, 12, 14 or 16 bytes");
  static_assert(NonceBytes >= 7 && NonceBytes <= 13, "CCM nonces are 7 to 13 bytes");

 public:
  static long keyLength() { return static_cast<long>(K::keyLength()); }
  static long nonceLength() { return static_cast<long>(NonceBytes * 8); }
  static bool acceptsNonceLength(long bits) { return bits == nonceLength(); }
  static long tagLength() { return static_cast<long>(TagBytes * 8); }

  static std::optional<CcmAead> buildKey(const ByteString& bytes) {
    std::optional<K> key = K::buildKey(bytes);
    if (!key) return std::nullopt;
    return CcmAead(std::move(*key));
  }

  AeadSealed seal(const ByteString& nonce, const ByteString& aad,
                  const ByteString& plaintext) const {
    detail::requireAeadNonce("CcmAead::seal", nonce, NonceBytes);
    return ccmEncrypt(key_, nonce, aad, plaintext, TagBytes);
  }
  std::optional<ByteString> open(const ByteString& nonce, const ByteString& aad,
                                 const ByteString& ciphertext, const ByteString& tag) const {
    if (nonce.size() != NonceBytes || tag.size() != TagBytes) return std::nullopt;
    return ccmDecrypt(key_, nonce, aad, ciphertext, tag);
  }

  /// The block cipher's key underneath.
  [[nodiscard]] const K& blockCipherKey() const noexcept { return key_; }

 private:
  explicit CcmAead(K key) : key_(std::move(key)) {}
  K key_;
};

}  // namespace kavrit
