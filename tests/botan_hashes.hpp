#pragma once

// Second implementations of the hashes kavrit-tests reads BLAKE2, RIPEMD-160 and SM3 vectors for:
// Botan's BLAKE2b-512, RIPEMD-160 and SM3 as kavrit digest types, and BLAKE2s-256 (which neither
// Botan 2 nor Nettle 3.8 has) written out here from RFC 7693.

#include <botan/hash.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include "kavrit/hash.hpp"

namespace kavrit::test {

/// Botan's hash named Algorithm::name. Throws Botan::Lookup_Error when this Botan lacks it.
template <class Algorithm, long OutputBits, long BlockBits>
class BotanDigest {
 public:
  static constexpr long outputLength() { return OutputBits; }
  static constexpr long blockLength() { return BlockBits; }

  static BotanDigest hash(const LazyByteString& message) {
    const std::unique_ptr<Botan::HashFunction> hash =
        Botan::HashFunction::create_or_throw(Algorithm::name);
    for (const ByteString& chunk : message.chunks()) hash->update(chunk.data(), chunk.size());
    return finish(*hash);
  }
  static BotanDigest hashStrict(const ByteString& message) {
    const std::unique_ptr<Botan::HashFunction> hash =
        Botan::HashFunction::create_or_throw(Algorithm::name);
    hash->update(message.data(), message.size());
    return finish(*hash);
  }

  [[nodiscard]] ByteString serialize() const { return bytes_; }
  static std::optional<BotanDigest> parse(const ByteString& bytes) {
    if (bytes.size() < OutputBits / 8) return std::nullopt;
    return BotanDigest(ByteString(bytes.begin(), bytes.begin() + OutputBits / 8));
  }
  friend bool operator==(const BotanDigest&, const BotanDigest&) = default;

 private:
  explicit BotanDigest(ByteString bytes) : bytes_(std::move(bytes)) {}
  static BotanDigest finish(Botan::HashFunction& hash) {
    ByteString out(hash.output_length());
    hash.final(out.data());
    return BotanDigest(std::move(out));
  }
  ByteString bytes_;
};

struct BotanBLAKE2b512Name {
  static constexpr const char* name = "BLAKE2b(512)";
};
struct BotanRIPEMD160Name {
  static constexpr const char* name = "RIPEMD-160";
};
struct BotanSM3Name {
  static constexpr const char* name = "SM3";
};
using BotanBLAKE2b512 = BotanDigest<BotanBLAKE2b512Name, 512, 1024>;
using BotanRIPEMD160 = BotanDigest<BotanRIPEMD160Name, 160, 512>;
using BotanSM3 = BotanDigest<BotanSM3Name, 256, 512>;

/// BLAKE2s-256 without a key (RFC 7693), streaming: the last block is held back until the end,
/// since the final compression is flagged.
class ReferenceBLAKE2s256 {
 public:
  static constexpr long outputLength() { return 256; }
  static constexpr long blockLength() { return 512; }

  static ReferenceBLAKE2s256 hash(const LazyByteString& message) {
    State state;
    for (const ByteString& chunk : message.chunks()) state.update(chunk);
    return ReferenceBLAKE2s256(state.finish());
  }
  static ReferenceBLAKE2s256 hashStrict(const ByteString& message) {
    State state;
    state.update(message);
    return ReferenceBLAKE2s256(state.finish());
  }

  [[nodiscard]] ByteString serialize() const { return bytes_; }
  static std::optional<ReferenceBLAKE2s256> parse(const ByteString& bytes) {
    if (bytes.size() < 32) return std::nullopt;
    return ReferenceBLAKE2s256(ByteString(bytes.begin(), bytes.begin() + 32));
  }
  friend bool operator==(const ReferenceBLAKE2s256&, const ReferenceBLAKE2s256&) = default;

 private:
  explicit ReferenceBLAKE2s256(ByteString bytes) : bytes_(std::move(bytes)) {}

  static constexpr std::array<std::uint32_t, 8> kIV = {0x6A09E667, 0xBB67AE85, 0x3C6EF372,
                                                       0xA54FF53A, 0x510E527F, 0x9B05688C,
                                                       0x1F83D9AB, 0x5BE0CD19};
  static constexpr std::uint8_t kSigma[10][16] = {
      {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
      {14, 10, 4, 8, 9, 15, 13, 6, 1, 12, 0, 2, 11, 7, 5, 3},
      {11, 8, 12, 0, 5, 2, 15, 13, 10, 14, 3, 6, 7, 1, 9, 4},
      {7, 9, 3, 1, 13, 12, 11, 14, 2, 6, 5, 10, 4, 0, 15, 8},
      {9, 0, 5, 7, 2, 4, 10, 15, 14, 1, 11, 12, 6, 8, 3, 13},
      {2, 12, 6, 10, 0, 11, 8, 3, 4, 13, 7, 5, 15, 14, 1, 9},
      {12, 5, 1, 15, 14, 13, 4, 10, 0, 7, 6, 3, 9, 2, 8, 11},
      {13, 11, 7, 14, 12, 1, 3, 9, 5, 0, 15, 4, 8, 6, 2, 10},
      {6, 15, 14, 9, 11, 3, 0, 8, 12, 2, 13, 7, 1, 4, 10, 5},
      {10, 2, 8, 4, 7, 6, 1, 5, 15, 11, 9, 14, 3, 12, 13, 0}};

  static constexpr std::uint32_t rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

  class State {
   public:
    State() : h_(kIV) { h_[0] ^= 0x01010000u ^ 32u; }  // no key, 32-byte digest

    void update(const ByteString& bytes) {
      for (const std::uint8_t byte : bytes) {
        if (filled_ == 64) {  // a full block that is not the last: compress it now
          compress(false);
          filled_ = 0;
        }
        block_[filled_++] = byte;
        ++length_;
      }
    }

    ByteString finish() {
      for (std::size_t i = filled_; i < 64; ++i) block_[i] = 0;
      compress(true);
      ByteString out(32);
      for (std::size_t i = 0; i < 32; ++i) {
        out[i] = static_cast<std::uint8_t>(h_[i / 4] >> (8 * (i % 4)));
      }
      return out;
    }

   private:
    void compress(bool last) {
      std::uint32_t m[16];
      for (std::size_t i = 0; i < 16; ++i) {
        m[i] = static_cast<std::uint32_t>(block_[4 * i]) |
               static_cast<std::uint32_t>(block_[4 * i + 1]) << 8 |
               static_cast<std::uint32_t>(block_[4 * i + 2]) << 16 |
               static_cast<std::uint32_t>(block_[4 * i + 3]) << 24;
      }
      std::uint32_t v[16];
      for (std::size_t i = 0; i < 8; ++i) {
        v[i] = h_[i];
        v[i + 8] = kIV[i];
      }
      v[12] ^= static_cast<std::uint32_t>(length_);
      v[13] ^= static_cast<std::uint32_t>(length_ >> 32);
      if (last) v[14] = ~v[14];
      const auto g = [&v](int a, int b, int c, int d, std::uint32_t x, std::uint32_t y) {
        v[a] = v[a] + v[b] + x;
        v[d] = rotr(v[d] ^ v[a], 16);
        v[c] = v[c] + v[d];
        v[b] = rotr(v[b] ^ v[c], 12);
        v[a] = v[a] + v[b] + y;
        v[d] = rotr(v[d] ^ v[a], 8);
        v[c] = v[c] + v[d];
        v[b] = rotr(v[b] ^ v[c], 7);
      };
      for (const auto& s : kSigma) {
        g(0, 4, 8, 12, m[s[0]], m[s[1]]);
        g(1, 5, 9, 13, m[s[2]], m[s[3]]);
        g(2, 6, 10, 14, m[s[4]], m[s[5]]);
        g(3, 7, 11, 15, m[s[6]], m[s[7]]);
        g(0, 5, 10, 15, m[s[8]], m[s[9]]);
        g(1, 6, 11, 12, m[s[10]], m[s[11]]);
        g(2, 7, 8, 13, m[s[12]], m[s[13]]);
        g(3, 4, 9, 14, m[s[14]], m[s[15]]);
      }
      for (std::size_t i = 0; i < 8; ++i) h_[i] ^= v[i] ^ v[i + 8];
    }

    std::array<std::uint32_t, 8> h_;
    std::array<std::uint8_t, 64> block_{};
    std::size_t filled_ = 0;
    std::uint64_t length_ = 0;  // bytes taken in so far, the counter t
  };

  ByteString bytes_;
};

}  // namespace kavrit::test
