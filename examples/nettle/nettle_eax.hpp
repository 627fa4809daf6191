#pragma once

// AES-EAX over Nettle's generic EAX (eax.h), adapted to kavrit::Aead: AES-128, AES-192 or
// AES-256, 128-bit tags, and nonces of any whole number of bytes, the empty one included (EAX
// runs the nonce through OMAC like the AAD; Wycheproof's EAX vectors have nonces of 0 to 257
// bytes, all valid). The laws use 128-bit nonces. The lazy entry points feed the chunks to one
// context, regrouped into whole 16-byte blocks.

#include <nettle/eax.h>
#include <nettle/memops.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "kavrit/aead.hpp"
#include "nettle/nettle_aes_meta.hpp"
#include "nettle/nettle_block_runs.hpp"

namespace kavrit::examples {

template <long KeyBits>
class NettleAesEax {
  using Aes = nettle_support::Aes<KeyBits>;

 public:
  static constexpr long keyLength() { return KeyBits; }
  static constexpr long nonceLength() { return 128; }
  static constexpr bool acceptsNonceLength(long bits) { return bits >= 0 && bits % 8 == 0; }
  static constexpr long tagLength() { return 128; }

  static std::optional<NettleAesEax> buildKey(const ByteString& key) {
    if (key.size() != static_cast<std::size_t>(KeyBits / 8)) return std::nullopt;
    NettleAesEax keyed;
    Aes::cipher().set_encrypt_key(&keyed.aes_, key.data());
    eax_set_key(&keyed.eax_, &keyed.aes_, encrypt());
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

  NettleAesEax() : aes_{}, eax_{} {}

  static nettle_cipher_func* encrypt() { return Aes::cipher().encrypt; }

  static std::size_t total(Chunks chunks) {
    std::size_t n = 0;
    for (const ByteString& c : chunks) n += c.size();
    return n;
  }

  // A context set to `nonce` that has taken the AAD.
  eax_ctx begin(const ByteString& nonce, Chunks aad) const {
    eax_ctx ctx{};
    eax_set_nonce(&ctx, &eax_, &aes_, encrypt(), nonce.size(), nonce.data());
    nettle_support::feedWholeBlocks(aad, EAX_BLOCK_SIZE,
                                    [&](const std::uint8_t* in, std::size_t n) {
                                      eax_update(&ctx, &eax_, &aes_, encrypt(), n, in);
                                    });
    return ctx;
  }

  // Every nonce length is taken, so sealing never throws for one.
  AeadSealed sealChunks(const ByteString& nonce, Chunks aad, Chunks plaintext) const {
    eax_ctx ctx = begin(nonce, aad);
    AeadSealed sealed{ByteString(total(plaintext)), ByteString(EAX_DIGEST_SIZE)};
    std::size_t done = 0;
    nettle_support::feedWholeBlocks(
        plaintext, EAX_BLOCK_SIZE, [&](const std::uint8_t* in, std::size_t n) {
          eax_encrypt(&ctx, &eax_, &aes_, encrypt(), n, sealed.ciphertext.data() + done, in);
          done += n;
        });
    eax_digest(&ctx, &eax_, &aes_, encrypt(), EAX_DIGEST_SIZE, sealed.tag.data());
    return sealed;
  }

  // Decrypts into a buffer released only once the tag has verified.
  std::optional<ByteString> openChunks(const ByteString& nonce, Chunks aad, Chunks ciphertext,
                                       const ByteString& tag) const {
    if (tag.size() != EAX_DIGEST_SIZE) return std::nullopt;
    eax_ctx ctx = begin(nonce, aad);
    ByteString plaintext(total(ciphertext));
    std::size_t done = 0;
    nettle_support::feedWholeBlocks(
        ciphertext, EAX_BLOCK_SIZE, [&](const std::uint8_t* in, std::size_t n) {
          eax_decrypt(&ctx, &eax_, &aes_, encrypt(), n, plaintext.data() + done, in);
          done += n;
        });
    std::uint8_t expected[EAX_DIGEST_SIZE];
    eax_digest(&ctx, &eax_, &aes_, encrypt(), EAX_DIGEST_SIZE, expected);
    if (!memeql_sec(expected, tag.data(), EAX_DIGEST_SIZE)) return std::nullopt;
    return plaintext;
  }

  typename Aes::Context aes_;
  eax_key eax_;
};

}  // namespace kavrit::examples
