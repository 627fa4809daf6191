#pragma once

// ChaCha20 (RFC 7539), ChaCha20-Poly1305 and Poly1305 over OpenSSL's EVP, adapted to
// kavrit::StreamCipher, kavrit::Aead and kavrit::Mac.
//
// EVP_chacha20 takes a 16-byte IV: the 32-bit block counter, little-endian, then the 96-bit nonce.
// Past block 2^32 - 1 it carries into the nonce's first word instead of stopping, so the stream
// type counts the bytes it has given and refuses, as a whole and without moving, any call that
// would reach past the end of the 32-bit counter space.

#include <openssl/err.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>

#include "kavrit/aead.hpp"
#include "kavrit/mac.hpp"
#include "kavrit/stream_cipher.hpp"
#include "openssl/openssl_evp_support.hpp"

namespace kavrit::examples {

class OpenSSLChaCha20 {
 public:
  static constexpr long keyLength() { return 256; }
  static constexpr long nonceLength() { return 96; }
  static constexpr long counterLength() { return 32; }
  static constexpr long blockLength() { return 512; }

  /// Takes a 32-byte key, a 12-byte nonce and a counter below 2^32.
  static std::optional<OpenSSLChaCha20> start(const ByteString& key, const ByteString& nonce,
                                              std::uint64_t counter) {
    if (key.size() != 32 || nonce.size() != 12 || counter > 0xffffffffU) return std::nullopt;
    std::uint8_t iv[16];
    for (int i = 0; i < 4; ++i) iv[i] = static_cast<std::uint8_t>(counter >> (8 * i));
    std::copy(nonce.begin(), nonce.end(), iv + 4);
    openssl_evp::CipherContext ctx;
    if (EVP_EncryptInit_ex(ctx.get(), EVP_chacha20(), nullptr, key.data(), iv) != 1) {
      throw std::runtime_error("OpenSSL: cannot set up ChaCha20");
    }
    return OpenSSLChaCha20(std::move(ctx), counter * 64);
  }

  std::optional<ByteString> apply(const ByteString& data) {
    if (!fits(data.size())) return std::nullopt;
    ByteString out(data.size());
    openssl_evp::update(ctx_.get(), out.data(), data.data(), data.size(), "ChaCha20");
    position_ += data.size();
    return out;
  }

  /// Streams every chunk through the one context, after checking the whole length fits.
  std::optional<ByteString> applyLazy(const LazyByteString& data) {
    if (!fits(data.size())) return std::nullopt;
    ByteString out(data.size());
    std::size_t done = 0;
    for (const ByteString& chunk : data.chunks()) {
      openssl_evp::update(ctx_.get(), out.data() + done, chunk.data(), chunk.size(), "ChaCha20");
      done += chunk.size();
    }
    position_ += data.size();
    return out;
  }

 private:
  // Keystream bytes in the 32-bit counter space.
  static constexpr std::uint64_t kEnd = std::uint64_t{64} << 32;

  OpenSSLChaCha20(openssl_evp::CipherContext ctx, std::uint64_t position)
      : ctx_(std::move(ctx)), position_(position) {}

  [[nodiscard]] bool fits(std::size_t length) const { return length <= kEnd - position_; }

  openssl_evp::CipherContext ctx_;
  std::uint64_t position_;  // bytes of keystream from block 0 on
};

/// ChaCha20-Poly1305 (RFC 7539 §2.8): a 256-bit key, 96-bit nonces only, 128-bit tags. Its own
/// lazy entry points stream the chunks through one context.
class OpenSSLChaCha20Poly1305 {
 public:
  static constexpr long keyLength() { return 256; }
  static constexpr long nonceLength() { return 96; }
  static constexpr bool acceptsNonceLength(long bits) { return bits == 96; }
  static constexpr long tagLength() { return 128; }

  static std::optional<OpenSSLChaCha20Poly1305> buildKey(const ByteString& key) {
    if (key.size() != 32) return std::nullopt;
    return OpenSSLChaCha20Poly1305(key);
  }

  AeadSealed seal(const ByteString& nonce, const ByteString& aad,
                  const ByteString& plaintext) const {
    return sealChunks(nonce, {&aad, 1}, {&plaintext, 1});
  }
  std::optional<ByteString> open(const ByteString& nonce, const ByteString& aad,
                                 const ByteString& ciphertext, const ByteString& tag) const {
    return openChunks(nonce, {&aad, 1}, {&ciphertext, 1}, tag);
  }
  AeadSealed sealLazy(const ByteString& nonce, const LazyByteString& aad,
                      const LazyByteString& plaintext) const {
    return sealChunks(nonce, aad.chunks(), plaintext.chunks());
  }
  std::optional<ByteString> openLazy(const ByteString& nonce, const LazyByteString& aad,
                                     const LazyByteString& ciphertext,
                                     const ByteString& tag) const {
    return openChunks(nonce, aad.chunks(), ciphertext.chunks(), tag);
  }

 private:
  using Chunks = std::span<const ByteString>;

  explicit OpenSSLChaCha20Poly1305(ByteString key) : key_(std::move(key)) {}

  static std::size_t total(Chunks chunks) {
    std::size_t n = 0;
    for (const ByteString& c : chunks) n += c.size();
    return n;
  }

  // A context keyed for `nonce` that has taken the AAD.
  openssl_evp::CipherContext begin(const ByteString& nonce, Chunks aad, int encrypt) const {
    openssl_evp::CipherContext ctx;
    if (EVP_CipherInit_ex(ctx.get(), EVP_chacha20_poly1305(), nullptr, key_.data(), nonce.data(),
                          encrypt) != 1) {
      throw std::runtime_error("OpenSSL: cannot set up ChaCha20-Poly1305");
    }
    for (const ByteString& c : aad) {
      openssl_evp::update(ctx.get(), nullptr, c.data(), c.size(), "ChaCha20-Poly1305 AAD");
    }
    return ctx;
  }

  static ByteString run(EVP_CIPHER_CTX* ctx, Chunks text) {
    ByteString out(total(text));
    std::size_t done = 0;
    for (const ByteString& c : text) {
      openssl_evp::update(ctx, out.data() + done, c.data(), c.size(), "ChaCha20-Poly1305");
      done += c.size();
    }
    return out;
  }

  AeadSealed sealChunks(const ByteString& nonce, Chunks aad, Chunks plaintext) const {
    openssl_evp::requireNonce("OpenSSLChaCha20Poly1305::seal", nonce.size(), 12);
    openssl_evp::CipherContext ctx = begin(nonce, aad, 1);
    AeadSealed sealed{run(ctx.get(), plaintext), ByteString(16)};
    int written = 0;
    std::uint8_t last[16];
    if (EVP_EncryptFinal_ex(ctx.get(), last, &written) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_GET_TAG, 16, sealed.tag.data()) != 1) {
      throw std::runtime_error("OpenSSL: ChaCha20-Poly1305 cannot finish sealing");
    }
    return sealed;
  }

  // Decrypts into a buffer released only once OpenSSL has verified the tag.
  std::optional<ByteString> openChunks(const ByteString& nonce, Chunks aad, Chunks ciphertext,
                                       const ByteString& tag) const {
    if (nonce.size() != 12 || tag.size() != 16) return std::nullopt;
    openssl_evp::CipherContext ctx = begin(nonce, aad, 0);
    ByteString plaintext = run(ctx.get(), ciphertext);
    ByteString expected = tag;
    int written = 0;
    std::uint8_t last[16];
    if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_SET_TAG, 16, expected.data()) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), last, &written) != 1) {
      ERR_clear_error();
      return std::nullopt;
    }
    return plaintext;
  }

  ByteString key_;
};

/// Poly1305 (RFC 7539 §2.5) through EVP_MAC: a 256-bit one-time key, 128-bit tags. `tagLazy`
/// feeds the chunks to one MAC context.
class OpenSSLPoly1305 {
 public:
  static constexpr long keyLength() { return 256; }
  static constexpr long tagLength() { return 128; }

  static std::optional<OpenSSLPoly1305> buildKey(const ByteString& key) {
    if (key.size() != 32) return std::nullopt;
    return OpenSSLPoly1305(key);
  }

  ByteString tag(const ByteString& message) const { return tagChunks({&message, 1}); }
  ByteString tagLazy(const LazyByteString& message) const { return tagChunks(message.chunks()); }

 private:
  explicit OpenSSLPoly1305(ByteString key) : key_(std::move(key)) {}

  static EVP_MAC* mac() {
    static EVP_MAC* const fetched = [] {
      EVP_MAC* m = openssl_fetch::fetchWithLegacy(EVP_MAC_fetch, "POLY1305");
      if (m == nullptr) openssl_fetch::throwMissing("MAC", "POLY1305");
      return m;
    }();
    return fetched;
  }

  ByteString tagChunks(std::span<const ByteString> chunks) const {
    const std::unique_ptr<EVP_MAC_CTX, void (*)(EVP_MAC_CTX*)> ctx(EVP_MAC_CTX_new(mac()),
                                                                   EVP_MAC_CTX_free);
    if (!ctx || EVP_MAC_init(ctx.get(), key_.data(), key_.size(), nullptr) != 1) {
      throw std::runtime_error("OpenSSL: cannot set up Poly1305");
    }
    for (const ByteString& c : chunks) {
      if (!c.empty() && EVP_MAC_update(ctx.get(), c.data(), c.size()) != 1) {
        throw std::runtime_error("OpenSSL: Poly1305 update failed");
      }
    }
    ByteString out(16);
    std::size_t written = 0;
    if (EVP_MAC_final(ctx.get(), out.data(), &written, out.size()) != 1 || written != 16) {
      throw std::runtime_error("OpenSSL: Poly1305 final failed");
    }
    return out;
  }

  ByteString key_;
};

}  // namespace kavrit::examples
