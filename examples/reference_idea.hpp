#pragma once

// IDEA (Lai and Massey, 1991) written out from its description, adapted to kavrit::BlockCipher.
// Debian's OpenSSL is built without IDEA and Nettle has none, so this is the demo's IDEA and a
// second opinion beside Botan's. Plain, not constant-time: a reference, not a cipher to deploy.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>

#include "kavrit/block_cipher.hpp"

namespace kavrit::examples {

class ReferenceIDEA {
 public:
  static constexpr long blockSize() { return 64; }
  static constexpr long keyLength() { return 128; }

  /// Accepts exactly 16 bytes.
  static std::optional<ReferenceIDEA> buildKey(const ByteString& key) {
    if (key.size() != 16) return std::nullopt;
    return ReferenceIDEA(key);
  }

  [[nodiscard]] ByteString encryptBlock(const ByteString& in) const { return apply(encrypt_, in); }
  [[nodiscard]] ByteString decryptBlock(const ByteString& in) const { return apply(decrypt_, in); }

 private:
  static constexpr std::size_t kSubkeys = 52;
  using Schedule = std::array<std::uint16_t, kSubkeys>;

  explicit ReferenceIDEA(const ByteString& key)
      : encrypt_(encryptionSchedule(key)), decrypt_(decryptionSchedule(encrypt_)) {}

  // Multiplication modulo 2^16 + 1, where 0 stands for 2^16.
  static std::uint16_t mul(std::uint16_t a, std::uint16_t b) {
    const std::uint32_t x = a == 0 ? 0x10000u : a;
    const std::uint32_t y = b == 0 ? 0x10000u : b;
    const auto product = static_cast<std::uint32_t>((std::uint64_t{x} * y) % 0x10001u);
    return static_cast<std::uint16_t>(product);  // 2^16 becomes 0
  }

  // The multiplicative inverse: x^(2^16 - 1) modulo the prime 2^16 + 1.
  static std::uint16_t inverse(std::uint16_t x) {
    std::uint16_t result = 1;
    std::uint16_t power = x;
    for (std::uint32_t e = 0xFFFFu; e != 0; e >>= 1) {
      if ((e & 1u) != 0) result = mul(result, power);
      power = mul(power, power);
    }
    return result;
  }

  static std::uint16_t negate(std::uint16_t x) { return static_cast<std::uint16_t>(0x10000u - x); }

  // Eight subkeys from the key, then eight more after each rotation of it left by 25 bits.
  static Schedule encryptionSchedule(const ByteString& key) {
    std::array<std::uint8_t, 16> k{};
    for (std::size_t i = 0; i < 16; ++i) k[i] = key[i];
    Schedule schedule{};
    for (std::size_t i = 0; i < kSubkeys; ++i) {
      if (i != 0 && i % 8 == 0) {
        std::array<std::uint8_t, 16> rotated{};
        // 25 bits: 3 whole bytes, then 1 bit.
        for (std::size_t j = 0; j < 16; ++j) {
          rotated[j] = static_cast<std::uint8_t>(k[(j + 3) % 16] << 1 | k[(j + 4) % 16] >> 7);
        }
        k = rotated;
      }
      schedule[i] = static_cast<std::uint16_t>(k[2 * (i % 8)] << 8 | k[2 * (i % 8) + 1]);
    }
    return schedule;
  }

  // The inverse subkeys, last round first; the middle rounds swap their two additive keys, since
  // the rounds swap the middle words.
  static Schedule decryptionSchedule(const Schedule& e) {
    Schedule d{};
    for (std::size_t round = 0; round <= 8; ++round) {
      const std::size_t from = 48 - 6 * round;
      const bool outer = round == 0 || round == 8;
      d[6 * round] = inverse(e[from]);
      d[6 * round + 1] = negate(e[from + (outer ? 1 : 2)]);
      d[6 * round + 2] = negate(e[from + (outer ? 2 : 1)]);
      d[6 * round + 3] = inverse(e[from + 3]);
      if (round < 8) {
        d[6 * round + 4] = e[from - 2];
        d[6 * round + 5] = e[from - 1];
      }
    }
    return d;
  }

  static ByteString apply(const Schedule& key, const ByteString& in) {
    if (in.size() % 8 != 0) throw std::invalid_argument("IDEA: input is not whole blocks");
    ByteString out(in.size());
    const auto word = [&in](std::size_t at) {
      return static_cast<std::uint16_t>(in[at] << 8 | in[at + 1]);
    };
    for (std::size_t at = 0; at < in.size(); at += 8) {
      std::uint16_t x1 = word(at), x2 = word(at + 2), x3 = word(at + 4), x4 = word(at + 6);
      const std::uint16_t* k = key.data();
      for (int round = 0; round < 8; ++round, k += 6) {
        x1 = mul(x1, k[0]);
        x2 = static_cast<std::uint16_t>(x2 + k[1]);
        x3 = static_cast<std::uint16_t>(x3 + k[2]);
        x4 = mul(x4, k[3]);
        const std::uint16_t t0 = mul(static_cast<std::uint16_t>(x1 ^ x3), k[4]);
        const std::uint16_t t1 = mul(static_cast<std::uint16_t>(t0 + (x2 ^ x4)), k[5]);
        const auto t2 = static_cast<std::uint16_t>(t0 + t1);
        x1 ^= t1;
        x4 ^= t2;
        const auto swapped = static_cast<std::uint16_t>(x2 ^ t2);
        x2 = static_cast<std::uint16_t>(x3 ^ t1);
        x3 = swapped;
      }
      // The output transformation undoes the last round's swap of the middle words.
      const std::uint16_t y[4] = {mul(x1, k[0]), static_cast<std::uint16_t>(x3 + k[1]),
                                  static_cast<std::uint16_t>(x2 + k[2]), mul(x4, k[3])};
      for (std::size_t i = 0; i < 4; ++i) {
        out[at + 2 * i] = static_cast<std::uint8_t>(y[i] >> 8);
        out[at + 2 * i + 1] = static_cast<std::uint8_t>(y[i]);
      }
    }
    return out;
  }

  Schedule encrypt_;
  Schedule decrypt_;
};

}  // namespace kavrit::examples
