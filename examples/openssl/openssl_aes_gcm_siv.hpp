#pragma once

// AES-GCM-SIV (RFC 8452) over OpenSSL's AES, since OpenSSL 3.0 (like Nettle 3.8 and Botan 2) has
// no GCM-SIV: the mode is written here over the OpenSSL AES adapter's block function: per-nonce
// keys derived from the key, POLYVAL over the AAD, the plaintext and their lengths, the tag from
// it, and CTR from the tag with a 32-bit little-endian counter.

#include <openssl/crypto.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "kavrit/aead.hpp"
#include "openssl/openssl_aes.hpp"

namespace kavrit::examples {

/// AEAD_AES_128_GCM_SIV (KeyBits 128) or AEAD_AES_256_GCM_SIV (256): 96-bit nonces only, 128-bit
/// tags.
template <long KeyBits>
class OpenSSLAesGcmSiv {
  static_assert(KeyBits == 128 || KeyBits == 256, "AES-GCM-SIV keys are 128 or 256 bits");
  using Aes = examples::OpenSSLAES<KeyBits>;

 public:
  static constexpr long keyLength() { return KeyBits; }
  static constexpr long nonceLength() { return 96; }
  static constexpr bool acceptsNonceLength(long bits) { return bits == 96; }
  static constexpr long tagLength() { return 128; }

  static std::optional<OpenSSLAesGcmSiv> buildKey(const ByteString& key) {
    std::optional<Aes> aes = Aes::buildKey(key);
    if (!aes) return std::nullopt;
    return OpenSSLAesGcmSiv(std::move(*aes));
  }

  AeadSealed seal(const ByteString& nonce, const ByteString& aad,
                  const ByteString& plaintext) const {
    if (nonce.size() != 12) {
      throw std::invalid_argument("OpenSSLAesGcmSiv::seal: a nonce of " +
                                  std::to_string(nonce.size()) + " bytes; this AEAD takes 12");
    }
    const Keys keys = derive(nonce);
    ByteString tag = tagOf(keys, nonce, aad, plaintext);
    ByteString ciphertext = ctr(keys.encryption, tag, plaintext);
    return {std::move(ciphertext), std::move(tag)};
  }

  std::optional<ByteString> open(const ByteString& nonce, const ByteString& aad,
                                 const ByteString& ciphertext, const ByteString& tag) const {
    if (nonce.size() != 12 || tag.size() != 16) return std::nullopt;
    const Keys keys = derive(nonce);
    ByteString plaintext = ctr(keys.encryption, tag, ciphertext);
    if (CRYPTO_memcmp(tagOf(keys, nonce, aad, plaintext).data(), tag.data(), 16) != 0) {
      return std::nullopt;
    }
    return plaintext;
  }

 private:
  // A field element of POLYVAL: bytes 0-7 and 8-15, little-endian; bit i is the coefficient of x^i.
  struct Element {
    std::uint64_t lo = 0, hi = 0;
  };
  struct Keys {
    Element authentication;
    Aes encryption;
  };

  explicit OpenSSLAesGcmSiv(Aes key) : key_(std::move(key)) {}

  static Element load(const std::uint8_t* p) {
    Element e;
    for (int i = 7; i >= 0; --i) e.lo = e.lo << 8 | p[i];
    for (int i = 15; i >= 8; --i) e.hi = e.hi << 8 | p[i];
    return e;
  }

  // a * b * x^-128 modulo x^128 + x^127 + x^126 + x^121 + 1: each bit of a adds b, then the sum
  // is divided by x, so bit i of a comes out as b * x^(i - 128).
  static Element dot(const Element& a, const Element& b) {
    Element r;
    for (int i = 0; i < 128; ++i) {
      if (((i < 64 ? a.lo >> i : a.hi >> (i - 64)) & 1) != 0) r.lo ^= b.lo, r.hi ^= b.hi;
      // Divide by x: add the modulus first when the constant term is set.
      const std::uint64_t odd = r.lo & 1;
      if (odd != 0) r.lo ^= 1, r.hi ^= 0xc200000000000000U;
      r.lo = r.lo >> 1 | r.hi << 63;
      r.hi = r.hi >> 1 | odd << 63;
    }
    return r;
  }

  // The per-nonce authentication key and encryption key: the first 8 bytes of AES under the key
  // of LE32(i) || nonce, for i = 0, 1 and then 2, 3 (and 4, 5 for a 256-bit key).
  Keys derive(const ByteString& nonce) const {
    constexpr std::size_t kBlocks = 2 + KeyBits / 64;
    ByteString in(16 * kBlocks);
    for (std::size_t i = 0; i < kBlocks; ++i) {
      in[16 * i] = static_cast<std::uint8_t>(i);
      for (std::size_t j = 0; j < 12; ++j) in[16 * i + 4 + j] = nonce[j];
    }
    const ByteString out = key_.encryptBlock(in);
    ByteString halves(8 * kBlocks);
    for (std::size_t i = 0; i < halves.size(); ++i) halves[i] = out[16 * (i / 8) + i % 8];
    return {load(halves.data()), *Aes::buildKey(ByteString(halves.begin() + 16, halves.end()))};
  }

  // POLYVAL over the zero-padded AAD, the zero-padded plaintext and the bit lengths of both; XOR
  // the nonce, clear the top bit, encrypt.
  static ByteString tagOf(const Keys& keys, const ByteString& nonce, const ByteString& aad,
                          const ByteString& plaintext) {
    Element s;
    const auto absorb = [&](const std::uint8_t* block) {
      const Element x = load(block);
      s.lo ^= x.lo, s.hi ^= x.hi;
      s = dot(s, keys.authentication);
    };
    for (const ByteString* text : {&aad, &plaintext}) {
      for (std::size_t at = 0; at < text->size(); at += 16) {
        std::uint8_t block[16] = {};
        for (std::size_t i = at; i < text->size() && i < at + 16; ++i) block[i - at] = (*text)[i];
        absorb(block);
      }
    }
    std::uint8_t lengths[16];
    const std::uint64_t bits[2] = {std::uint64_t{aad.size()} * 8,
                                   std::uint64_t{plaintext.size()} * 8};
    for (int i = 0; i < 16; ++i)
      lengths[i] = static_cast<std::uint8_t>(bits[i / 8] >> (8 * (i % 8)));
    absorb(lengths);
    ByteString block(16);
    for (int i = 0; i < 8; ++i) {
      block[i] = static_cast<std::uint8_t>(s.lo >> (8 * i));
      block[8 + i] = static_cast<std::uint8_t>(s.hi >> (8 * i));
    }
    for (std::size_t i = 0; i < 12; ++i) block[i] ^= nonce[i];
    block[15] &= 0x7f;
    return keys.encryption.encryptBlock(block);
  }

  // CTR from the tag with its top bit set; the first 4 bytes count, little-endian, modulo 2^32.
  static ByteString ctr(const Aes& key, const ByteString& tag, const ByteString& text) {
    const std::size_t blocks = (text.size() + 15) / 16;
    ByteString counters;
    std::uint32_t count = static_cast<std::uint32_t>(tag[0] | tag[1] << 8 | tag[2] << 16) |
                          static_cast<std::uint32_t>(tag[3]) << 24;
    for (std::size_t b = 0; b < blocks; ++b, ++count) {
      for (int i = 0; i < 4; ++i) counters.push_back(static_cast<std::uint8_t>(count >> (8 * i)));
      counters.insert(counters.end(), tag.begin() + 4, tag.end());
      counters.back() |= 0x80;
    }
    const ByteString stream = key.encryptBlock(counters);
    ByteString out(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) out[i] = text[i] ^ stream[i];
    return out;
  }

  Aes key_;
};

}  // namespace kavrit::examples
