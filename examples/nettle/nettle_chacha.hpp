#pragma once

// ChaCha20 (RFC 7539) and ChaCha20-Poly1305 over Nettle, adapted to kavrit::StreamCipher and
// kavrit::Aead.
//
// Nettle's 96-bit-nonce ChaCha (chacha_set_nonce96, chacha_set_counter32, chacha_crypt32) throws
// away the rest of a keystream block after a call whose length is not a whole number of blocks,
// and does not stop at the end of the 32-bit counter. So the stream type keeps its place as a byte
// count: each call sets the counter of the block it starts in and skips into that block; a call
// that would reach past block 2^32 - 1 is refused as a whole, the stream unmoved.

#include <nettle/chacha-poly1305.h>
#include <nettle/chacha.h>
#include <nettle/memops.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>

#include "kavrit/aead.hpp"
#include "kavrit/stream_cipher.hpp"
#include "nettle/nettle_block_runs.hpp"

namespace kavrit::examples {

class NettleChaCha20 {
 public:
  static constexpr long keyLength() { return 256; }
  static constexpr long nonceLength() { return 96; }
  static constexpr long counterLength() { return 32; }
  static constexpr long blockLength() { return 512; }

  /// Takes a 32-byte key, a 12-byte nonce and a counter below 2^32.
  static std::optional<NettleChaCha20> start(const ByteString& key, const ByteString& nonce,
                                             std::uint64_t counter) {
    if (key.size() != CHACHA_KEY_SIZE || nonce.size() != CHACHA_NONCE96_SIZE ||
        counter > 0xffffffffU) {
      return std::nullopt;
    }
    NettleChaCha20 stream(counter * CHACHA_BLOCK_SIZE);
    chacha_set_key(&stream.ctx_, key.data());
    chacha_set_nonce96(&stream.ctx_, nonce.data());
    return stream;
  }

  std::optional<ByteString> apply(const ByteString& data) {
    if (data.size() > kEnd - position_) return std::nullopt;
    if (data.empty()) return ByteString();
    const std::uint64_t block = position_ / CHACHA_BLOCK_SIZE;
    const std::size_t skip = position_ % CHACHA_BLOCK_SIZE;
    std::uint8_t counter[CHACHA_COUNTER32_SIZE];
    for (int i = 0; i < 4; ++i) counter[i] = static_cast<std::uint8_t>(block >> (8 * i));
    chacha_ctx ctx = ctx_;
    chacha_set_counter32(&ctx, counter);
    // The skipped bytes are zeros, so the keystream; the data follows them.
    ByteString buffer(skip + data.size());
    std::copy(data.begin(), data.end(), buffer.begin() + static_cast<long>(skip));
    chacha_crypt32(&ctx, buffer.size(), buffer.data(), buffer.data());
    position_ += data.size();
    return ByteString(buffer.begin() + static_cast<long>(skip), buffer.end());
  }

 private:
  // Keystream bytes in the 32-bit counter space.
  static constexpr std::uint64_t kEnd = std::uint64_t{CHACHA_BLOCK_SIZE} << 32;

  explicit NettleChaCha20(std::uint64_t position) : ctx_{}, position_(position) {}

  chacha_ctx ctx_;          // key and nonce; the counter is set per call
  std::uint64_t position_;  // bytes of keystream from block 0 on
};

/// ChaCha20-Poly1305 (RFC 7539 §2.8): a 256-bit key, 96-bit nonces only, 128-bit tags. Its own
/// lazy entry points feed the chunks to one context, regrouped into whole 64-byte blocks.
class NettleChaCha20Poly1305 {
 public:
  static constexpr long keyLength() { return 256; }
  static constexpr long nonceLength() { return 96; }
  static constexpr bool acceptsNonceLength(long bits) { return bits == 96; }
  static constexpr long tagLength() { return 128; }

  static std::optional<NettleChaCha20Poly1305> buildKey(const ByteString& key) {
    if (key.size() != CHACHA_POLY1305_KEY_SIZE) return std::nullopt;
    NettleChaCha20Poly1305 keyed;
    chacha_poly1305_set_key(&keyed.ctx_, key.data());
    return keyed;
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

  NettleChaCha20Poly1305() : ctx_{} {}

  static std::size_t total(Chunks chunks) {
    std::size_t n = 0;
    for (const ByteString& c : chunks) n += c.size();
    return n;
  }

  // A copy of the keyed context, set to `nonce`, that has taken the AAD (Nettle's AAD update
  // takes any lengths).
  chacha_poly1305_ctx begin(const ByteString& nonce, Chunks aad) const {
    chacha_poly1305_ctx ctx = ctx_;
    chacha_poly1305_set_nonce(&ctx, nonce.data());
    for (const ByteString& c : aad) chacha_poly1305_update(&ctx, c.size(), c.data());
    return ctx;
  }

  AeadSealed sealChunks(const ByteString& nonce, Chunks aad, Chunks plaintext) const {
    if (nonce.size() != CHACHA_POLY1305_NONCE_SIZE) {
      throw std::invalid_argument("NettleChaCha20Poly1305::seal: a nonce of " +
                                  std::to_string(nonce.size()) + " bytes; this AEAD takes 12");
    }
    chacha_poly1305_ctx ctx = begin(nonce, aad);
    AeadSealed sealed{ByteString(total(plaintext)), ByteString(CHACHA_POLY1305_DIGEST_SIZE)};
    std::size_t done = 0;
    nettle_support::feedWholeBlocks(
        plaintext, CHACHA_POLY1305_BLOCK_SIZE, [&](const std::uint8_t* in, std::size_t n) {
          chacha_poly1305_encrypt(&ctx, n, sealed.ciphertext.data() + done, in);
          done += n;
        });
    chacha_poly1305_digest(&ctx, CHACHA_POLY1305_DIGEST_SIZE, sealed.tag.data());
    return sealed;
  }

  // Decrypts into a buffer released only once the tag has verified.
  std::optional<ByteString> openChunks(const ByteString& nonce, Chunks aad, Chunks ciphertext,
                                       const ByteString& tag) const {
    if (nonce.size() != CHACHA_POLY1305_NONCE_SIZE || tag.size() != CHACHA_POLY1305_DIGEST_SIZE) {
      return std::nullopt;
    }
    chacha_poly1305_ctx ctx = begin(nonce, aad);
    ByteString plaintext(total(ciphertext));
    std::size_t done = 0;
    nettle_support::feedWholeBlocks(ciphertext, CHACHA_POLY1305_BLOCK_SIZE,
                                    [&](const std::uint8_t* in, std::size_t n) {
                                      chacha_poly1305_decrypt(&ctx, n, plaintext.data() + done, in);
                                      done += n;
                                    });
    std::uint8_t expected[CHACHA_POLY1305_DIGEST_SIZE];
    chacha_poly1305_digest(&ctx, CHACHA_POLY1305_DIGEST_SIZE, expected);
    if (!memeql_sec(expected, tag.data(), CHACHA_POLY1305_DIGEST_SIZE)) return std::nullopt;
    return plaintext;
  }

  chacha_poly1305_ctx ctx_;  // keyed; each call works on a copy
};

}  // namespace kavrit::examples
