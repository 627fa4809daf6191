#pragma once

// Small implementations of ChaCha20, XChaCha20, Poly1305, ChaCha20-Poly1305 (RFC 7539),
// XChaCha20-Poly1305 and RC4, written for the tests of the known-answer builders, with the faults
// those tests plant: a flipped output bit, an open that skips the tag check, RC4 refusing short
// keys. Clarity over speed: none of this is for use outside the tests.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>

#include "kavrit/aead.hpp"
#include "kavrit/byte_string.hpp"

namespace kavrit::test::reference {

enum class Fault {
  None,
  // Every apply, tag and seal output has one bit flipped; open's plaintext too.
  FlipOutput,
  // open releases the plaintext whatever the tag.
  AcceptForgery,
};

inline std::uint32_t load32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}
inline void store32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline std::uint32_t rotl(std::uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }

// The ChaCha state after its 20 rounds; `add` adds the input state back (the block function),
// HChaCha20 leaves it out.
inline std::array<std::uint32_t, 16> chachaRounds(const std::array<std::uint32_t, 16>& in,
                                                  bool add) {
  std::array<std::uint32_t, 16> x = in;
  const auto quarter = [&x](int a, int b, int c, int d) {
    x[a] += x[b], x[d] = rotl(x[d] ^ x[a], 16);
    x[c] += x[d], x[b] = rotl(x[b] ^ x[c], 12);
    x[a] += x[b], x[d] = rotl(x[d] ^ x[a], 8);
    x[c] += x[d], x[b] = rotl(x[b] ^ x[c], 7);
  };
  for (int round = 0; round < 10; ++round) {
    quarter(0, 4, 8, 12), quarter(1, 5, 9, 13), quarter(2, 6, 10, 14), quarter(3, 7, 11, 15);
    quarter(0, 5, 10, 15), quarter(1, 6, 11, 12), quarter(2, 7, 8, 13), quarter(3, 4, 9, 14);
  }
  if (add) {
    for (std::size_t i = 0; i < 16; ++i) x[i] += in[i];
  }
  return x;
}

// The constants, the key and the 16 bytes after it (counter and nonce, or HChaCha20's input).
inline std::array<std::uint32_t, 16> chachaState(const ByteString& key, const std::uint8_t* rest) {
  std::array<std::uint32_t, 16> s{0x61707865, 0x3320646e, 0x79622d32, 0x6b206574};
  for (std::size_t i = 0; i < 8; ++i) s[4 + i] = load32(key.data() + 4 * i);
  for (std::size_t i = 0; i < 4; ++i) s[12 + i] = load32(rest + 4 * i);
  return s;
}

// HChaCha20: the subkey of XChaCha20 from the key and the nonce's first 16 bytes.
inline ByteString hchacha20(const ByteString& key, const std::uint8_t* nonce16) {
  const std::array<std::uint32_t, 16> x = chachaRounds(chachaState(key, nonce16), false);
  ByteString subkey(32);
  for (std::size_t i = 0; i < 4; ++i) {
    store32(subkey.data() + 4 * i, x[i]);
    store32(subkey.data() + 16 + 4 * i, x[12 + i]);
  }
  return subkey;
}

// ChaCha20 with a 96-bit nonce and a 32-bit block counter; XChaCha20 with NonceBytes = 24.
template <Fault F = Fault::None, std::size_t NonceBytes = 12>
class ChaCha20 {
 public:
  static long keyLength() { return 256; }
  static long nonceLength() { return static_cast<long>(NonceBytes * 8); }
  static long counterLength() { return 32; }
  static long blockLength() { return 512; }

  static std::optional<ChaCha20> start(const ByteString& key, const ByteString& nonce,
                                       std::uint64_t counter) {
    if (key.size() != 32 || nonce.size() != NonceBytes || counter > 0xffffffffu) {
      return std::nullopt;
    }
    ChaCha20 stream;
    std::array<std::uint8_t, 16> rest{};
    if constexpr (NonceBytes == 24) {
      stream.key_ = hchacha20(key, nonce.data());
      std::copy(nonce.begin() + 16, nonce.end(), rest.begin() + 8);
    } else {
      stream.key_ = key;
      std::copy(nonce.begin(), nonce.end(), rest.begin() + 4);
    }
    std::copy(rest.begin() + 4, rest.end(), stream.nonce_.begin());
    stream.first_ = counter;
    return stream;
  }

  std::optional<ByteString> apply(const ByteString& data) {
    constexpr std::uint64_t kKeystream = (std::uint64_t{1} << 32) * 64;
    if ((first_ * 64 + used_ + data.size()) > kKeystream) return std::nullopt;
    ByteString out(data.size());
    for (std::size_t i = 0; i < data.size(); ++i, ++used_) {
      if (used_ % 64 == 0) refill(first_ + used_ / 64);
      out[i] = static_cast<std::uint8_t>(data[i] ^ keystream_[used_ % 64]);
    }
    if constexpr (F == Fault::FlipOutput) {
      if (!out.empty()) out[0] ^= 0x01;
    }
    return out;
  }

 private:
  void refill(std::uint64_t block) {
    std::array<std::uint8_t, 16> rest{};
    store32(rest.data(), static_cast<std::uint32_t>(block));
    std::copy(nonce_.begin(), nonce_.end(), rest.begin() + 4);
    const std::array<std::uint32_t, 16> x = chachaRounds(chachaState(key_, rest.data()), true);
    for (std::size_t i = 0; i < 16; ++i) store32(keystream_.data() + 4 * i, x[i]);
  }

  ByteString key_;
  std::array<std::uint8_t, 12> nonce_{};
  std::uint64_t first_ = 0;
  // Keystream bytes used since the first block.
  std::uint64_t used_ = 0;
  std::array<std::uint8_t, 64> keystream_{};
};

// Poly1305 in 26-bit limbs.
inline ByteString poly1305(const ByteString& key, const ByteString& message) {
  constexpr std::uint32_t kMask = 0x3ffffff;
  const std::uint8_t* k = key.data();
  const std::uint32_t r0 = load32(k) & 0x3ffffff, r1 = (load32(k + 3) >> 2) & 0x3ffff03,
                      r2 = (load32(k + 6) >> 4) & 0x3ffc0ff, r3 = (load32(k + 9) >> 6) & 0x3f03fff,
                      r4 = (load32(k + 12) >> 8) & 0x00fffff;
  const std::uint64_t s1 = r1 * 5ull, s2 = r2 * 5ull, s3 = r3 * 5ull, s4 = r4 * 5ull;
  std::uint32_t h0 = 0, h1 = 0, h2 = 0, h3 = 0, h4 = 0;
  for (std::size_t at = 0; at < message.size(); at += 16) {
    std::array<std::uint8_t, 17> block{};
    const std::size_t n = std::min<std::size_t>(16, message.size() - at);
    std::copy(message.begin() + static_cast<std::ptrdiff_t>(at),
              message.begin() + static_cast<std::ptrdiff_t>(at + n), block.begin());
    block[n] = 1;  // the padding bit, above the block's bytes
    const std::uint8_t* m = block.data();
    h0 += load32(m) & kMask;
    h1 += (load32(m + 3) >> 2) & kMask;
    h2 += (load32(m + 6) >> 4) & kMask;
    h3 += (load32(m + 9) >> 6) & kMask;
    h4 += (load32(m + 12) >> 8) | (std::uint32_t{block[16]} << 24);
    const std::uint64_t d0 = std::uint64_t{h0} * r0 + h1 * s4 + h2 * s3 + h3 * s2 + h4 * s1;
    std::uint64_t d1 =
        std::uint64_t{h0} * r1 + std::uint64_t{h1} * r0 + h2 * s4 + h3 * s3 + h4 * s2;
    std::uint64_t d2 = std::uint64_t{h0} * r2 + std::uint64_t{h1} * r1 + std::uint64_t{h2} * r0 +
                       h3 * s4 + h4 * s3;
    std::uint64_t d3 = std::uint64_t{h0} * r3 + std::uint64_t{h1} * r2 + std::uint64_t{h2} * r1 +
                       std::uint64_t{h3} * r0 + h4 * s4;
    std::uint64_t d4 = std::uint64_t{h0} * r4 + std::uint64_t{h1} * r3 + std::uint64_t{h2} * r2 +
                       std::uint64_t{h3} * r1 + std::uint64_t{h4} * r0;
    h0 = static_cast<std::uint32_t>(d0) & kMask;
    d1 += d0 >> 26;
    h1 = static_cast<std::uint32_t>(d1) & kMask;
    d2 += d1 >> 26;
    h2 = static_cast<std::uint32_t>(d2) & kMask;
    d3 += d2 >> 26;
    h3 = static_cast<std::uint32_t>(d3) & kMask;
    d4 += d3 >> 26;
    h4 = static_cast<std::uint32_t>(d4) & kMask;
    h0 += static_cast<std::uint32_t>(d4 >> 26) * 5;
    h1 += h0 >> 26;
    h0 &= kMask;
  }
  // Full carry, then h - p where that does not go below 0.
  std::uint32_t c = h1 >> 26;
  h1 &= kMask, h2 += c, c = h2 >> 26, h2 &= kMask, h3 += c, c = h3 >> 26, h3 &= kMask;
  h4 += c, c = h4 >> 26, h4 &= kMask, h0 += c * 5, c = h0 >> 26, h0 &= kMask, h1 += c;
  std::uint32_t g0 = h0 + 5;
  c = g0 >> 26, g0 &= kMask;
  std::uint32_t g1 = h1 + c;
  c = g1 >> 26, g1 &= kMask;
  std::uint32_t g2 = h2 + c;
  c = g2 >> 26, g2 &= kMask;
  std::uint32_t g3 = h3 + c;
  c = g3 >> 26, g3 &= kMask;
  const std::uint32_t g4 = h4 + c - (1u << 26);
  const std::uint32_t useG = (g4 >> 31) - 1;  // all ones when h >= p
  h0 = (h0 & ~useG) | (g0 & useG), h1 = (h1 & ~useG) | (g1 & useG);
  h2 = (h2 & ~useG) | (g2 & useG), h3 = (h3 & ~useG) | (g3 & useG);
  h4 = (h4 & ~useG) | (g4 & useG);
  const std::uint32_t w[4] = {h0 | (h1 << 26), (h1 >> 6) | (h2 << 20), (h2 >> 12) | (h3 << 14),
                              (h3 >> 18) | (h4 << 8)};
  ByteString tag(16);
  std::uint64_t f = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    f += std::uint64_t{w[i]} + load32(k + 16 + 4 * i);
    store32(tag.data() + 4 * i, static_cast<std::uint32_t>(f));
    f >>= 32;
  }
  return tag;
}

template <Fault F = Fault::None>
class Poly1305 {
 public:
  static long keyLength() { return 256; }
  static long tagLength() { return 128; }
  static std::optional<Poly1305> buildKey(const ByteString& key) {
    if (key.size() != 32) return std::nullopt;
    Poly1305 built;
    built.key_ = key;
    return built;
  }
  [[nodiscard]] ByteString tag(const ByteString& message) const {
    ByteString out = poly1305(key_, message);
    if constexpr (F == Fault::FlipOutput) out[15] ^= 0x80;
    return out;
  }

 private:
  ByteString key_;
};

// ChaCha20-Poly1305 of RFC 7539, and XChaCha20-Poly1305 with NonceBytes = 24.
template <Fault F = Fault::None, std::size_t NonceBytes = 12>
class ChaCha20Poly1305 {
 public:
  static long keyLength() { return 256; }
  static long nonceLength() { return static_cast<long>(NonceBytes * 8); }
  static bool acceptsNonceLength(long bits) { return bits == nonceLength(); }
  static long tagLength() { return 128; }
  static std::optional<ChaCha20Poly1305> buildKey(const ByteString& key) {
    if (key.size() != 32) return std::nullopt;
    ChaCha20Poly1305 built;
    built.key_ = key;
    return built;
  }

  [[nodiscard]] AeadSealed seal(const ByteString& nonce, const ByteString& aad,
                                const ByteString& plaintext) const {
    if (nonce.size() != NonceBytes) throw std::invalid_argument("ChaCha20Poly1305: nonce length");
    AeadSealed sealed;
    sealed.ciphertext = *stream(nonce, 1).apply(plaintext);
    sealed.tag = mac(nonce, aad, sealed.ciphertext);
    if constexpr (F == Fault::FlipOutput) sealed.tag[0] ^= 0x01;
    return sealed;
  }
  [[nodiscard]] std::optional<ByteString> open(const ByteString& nonce, const ByteString& aad,
                                               const ByteString& ciphertext,
                                               const ByteString& tag) const {
    if (nonce.size() != NonceBytes || tag.size() != 16) return std::nullopt;
    if (F != Fault::AcceptForgery &&
        !::kavrit::detail::aeadTagsEqual(mac(nonce, aad, ciphertext), tag)) {
      return std::nullopt;
    }
    ByteString plaintext = *stream(nonce, 1).apply(ciphertext);
    if constexpr (F == Fault::FlipOutput) {
      if (!plaintext.empty()) plaintext[0] ^= 0x01;
    }
    return plaintext;
  }

 private:
  [[nodiscard]] ChaCha20<Fault::None, NonceBytes> stream(const ByteString& nonce,
                                                         std::uint64_t counter) const {
    return *ChaCha20<Fault::None, NonceBytes>::start(key_, nonce, counter);
  }
  [[nodiscard]] ByteString mac(const ByteString& nonce, const ByteString& aad,
                               const ByteString& ciphertext) const {
    ByteString oneTimeKey = *stream(nonce, 0).apply(ByteString(32, 0));
    ByteString data = aad;
    data.resize((data.size() + 15) / 16 * 16, 0);
    data.insert(data.end(), ciphertext.begin(), ciphertext.end());
    data.resize((data.size() + 15) / 16 * 16, 0);
    for (const std::uint64_t length :
         {std::uint64_t{aad.size()}, std::uint64_t{ciphertext.size()}}) {
      for (int i = 0; i < 8; ++i) data.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    }
    return poly1305(oneTimeKey, data);
  }

  ByteString key_;
};

// RC4, taking keys of MinKeyBytes to 256 bytes.
template <Fault F = Fault::None, std::size_t MinKeyBytes = 1>
class RC4 {
 public:
  static long keyLength() { return 128; }
  static long nonceLength() { return 0; }
  static long counterLength() { return 0; }
  static long blockLength() { return 8; }
  static std::optional<RC4> start(const ByteString& key, const ByteString& nonce,
                                  std::uint64_t counter) {
    if (key.size() < MinKeyBytes || key.size() > 256 || !nonce.empty() || counter != 0) {
      return std::nullopt;
    }
    RC4 stream;
    for (std::size_t i = 0; i < 256; ++i) stream.s_[i] = static_cast<std::uint8_t>(i);
    std::uint8_t j = 0;
    for (std::size_t i = 0; i < 256; ++i) {
      j = static_cast<std::uint8_t>(j + stream.s_[i] + key[i % key.size()]);
      std::swap(stream.s_[i], stream.s_[j]);
    }
    return stream;
  }
  std::optional<ByteString> apply(const ByteString& data) {
    ByteString out(data.size());
    for (std::size_t k = 0; k < data.size(); ++k) {
      i_ = static_cast<std::uint8_t>(i_ + 1);
      j_ = static_cast<std::uint8_t>(j_ + s_[i_]);
      std::swap(s_[i_], s_[j_]);
      out[k] = static_cast<std::uint8_t>(data[k] ^ s_[static_cast<std::uint8_t>(s_[i_] + s_[j_])]);
    }
    if constexpr (F == Fault::FlipOutput) {
      if (!out.empty()) out[0] ^= 0x01;
    }
    return out;
  }

 private:
  std::array<std::uint8_t, 256> s_{};
  std::uint8_t i_ = 0;
  std::uint8_t j_ = 0;
};

}  // namespace kavrit::test::reference
