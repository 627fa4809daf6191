#pragma once

// ChaCha20, Poly1305 and the ChaCha20-Poly1305 AEAD of RFC 7539, written out from scratch as a
// kavrit::StreamCipher, kavrit::Mac and kavrit::Aead, each with a switch for realistic faults.
// With the switch at None they are correct; every other value is one bug of a kind that turns up
// in real implementations. The primitive property laws (kavrit/test/stream_cipher_props.hpp,
// mac_props.hpp, aead_props.hpp) are built to catch them, all but one: a Poly1305 that drops a
// carry gets every tag wrong in the same way, which only known answers can see.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "kavrit/aead.hpp"
#include "kavrit/byte_string.hpp"
#include "kavrit/mac.hpp"
#include "kavrit/stream_cipher.hpp"

namespace kavrit::examples {

namespace chacha_detail {

inline std::uint32_t load32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline void store32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void quarterRound(std::array<std::uint32_t, 16>& x, int a, int b, int c, int d) {
  const auto rotl = [](std::uint32_t v, int n) { return (v << n) | (v >> (32 - n)); };
  x[a] += x[b];
  x[d] = rotl(x[d] ^ x[a], 16);
  x[c] += x[d];
  x[b] = rotl(x[b] ^ x[c], 12);
  x[a] += x[b];
  x[d] = rotl(x[d] ^ x[a], 8);
  x[c] += x[d];
  x[b] = rotl(x[b] ^ x[c], 7);
}

// The 64-byte keystream block of a 16-word input state: 20 rounds, then the input added back.
inline std::array<std::uint8_t, 64> block(const std::array<std::uint32_t, 16>& input) {
  std::array<std::uint32_t, 16> x = input;
  for (int round = 0; round < 10; ++round) {
    quarterRound(x, 0, 4, 8, 12);
    quarterRound(x, 1, 5, 9, 13);
    quarterRound(x, 2, 6, 10, 14);
    quarterRound(x, 3, 7, 11, 15);
    quarterRound(x, 0, 5, 10, 15);
    quarterRound(x, 1, 6, 11, 12);
    quarterRound(x, 2, 7, 8, 13);
    quarterRound(x, 3, 4, 9, 14);
  }
  std::array<std::uint8_t, 64> out{};
  for (int i = 0; i < 16; ++i) store32(out.data() + 4 * i, x[i] + input[i]);
  return out;
}

}  // namespace chacha_detail

enum class ChaChaFault {
  None,
  /// The block counter is advanced in state word 13 (the nonce's first word) instead of word 12:
  /// the first block of a call is right, every later one is wrong.
  CounterInWord13,
  /// The 32-bit counter wraps to 0 after block 2^32 - 1 instead of refusing to go on.
  WrapsCounter,
  /// Each call starts on a fresh block: what was left of the last call's block is lost.
  DropsPartialBlock,
};

/// ChaCha20 with a 256-bit key, a 96-bit nonce and a 32-bit block counter.
template <ChaChaFault Fault = ChaChaFault::None>
class ChaCha20 {
 public:
  static long keyLength() { return 256; }
  static long nonceLength() { return 96; }
  static long counterLength() { return 32; }
  static long blockLength() { return 512; }

  static std::optional<ChaCha20> start(const ByteString& key, const ByteString& nonce,
                                       std::uint64_t counter) {
    if (key.size() != 32 || nonce.size() != 12 || counter > kLastCounter) return std::nullopt;
    ChaCha20 stream;
    stream.state_ = {0x61707865, 0x3320646e, 0x79622d32, 0x6b206574};
    for (int i = 0; i < 8; ++i) stream.state_[4 + i] = chacha_detail::load32(key.data() + 4 * i);
    for (int i = 0; i < 3; ++i) {
      stream.state_[13 + i] = chacha_detail::load32(nonce.data() + 4 * i);
    }
    stream.first_ = stream.next_ = counter;
    return stream;
  }

  std::optional<ByteString> apply(const ByteString& data) {
    if constexpr (Fault != ChaChaFault::WrapsCounter) {
      const std::size_t buffered = kBlockBytes - used_;
      const std::uint64_t blocksLeft = kLastCounter + 1 - next_;
      if (data.size() > buffered &&
          (data.size() - buffered + kBlockBytes - 1) / kBlockBytes > blocksLeft) {
        return std::nullopt;
      }
    }
    ByteString out(data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
      if (used_ == kBlockBytes) refill();
      out[i] = static_cast<std::uint8_t>(data[i] ^ block_[used_++]);
    }
    if constexpr (Fault == ChaChaFault::DropsPartialBlock) used_ = kBlockBytes;
    return out;
  }

 private:
  static constexpr std::uint64_t kLastCounter = 0xffffffff;
  static constexpr std::size_t kBlockBytes = 64;

  void refill() {
    std::array<std::uint32_t, 16> input = state_;
    if constexpr (Fault == ChaChaFault::CounterInWord13) {
      input[12] = static_cast<std::uint32_t>(first_);
      input[13] += static_cast<std::uint32_t>(next_ - first_);
    } else {
      input[12] = static_cast<std::uint32_t>(next_);
    }
    block_ = chacha_detail::block(input);
    ++next_;
    used_ = 0;
  }

  std::array<std::uint32_t, 16> state_{};
  std::array<std::uint8_t, 64> block_{};
  std::size_t used_ = kBlockBytes;  // bytes of block_ already used
  std::uint64_t first_ = 0;         // the counter the stream started at
  std::uint64_t next_ = 0;          // the counter of the next block to make
};

namespace chacha_detail {

// Poly1305 over 26-bit limbs (the layout of poly1305-donna), fed in pieces of any size.
class Poly1305State {
 public:
  // The final addition of s drops the carries between its 32-bit words.
  enum class Carry { Kept, Dropped };

  explicit Poly1305State(const std::uint8_t* key) {
    r_[0] = load32(key) & 0x3ffffff;
    r_[1] = (load32(key + 3) >> 2) & 0x3ffff03;
    r_[2] = (load32(key + 6) >> 4) & 0x3ffc0ff;
    r_[3] = (load32(key + 9) >> 6) & 0x3f03fff;
    r_[4] = (load32(key + 12) >> 8) & 0x00fffff;
    for (int i = 0; i < 4; ++i) s_[i] = load32(key + 16 + 4 * i);
  }

  void update(const std::uint8_t* m, std::size_t n) {
    while (n > 0) {
      const std::size_t take = std::min(n, std::size_t{16} - used_);
      for (std::size_t i = 0; i < take; ++i) buffer_[used_ + i] = m[i];
      used_ += take;
      m += take;
      n -= take;
      if (used_ == 16) {
        absorb(buffer_.data(), 1u << 24);
        used_ = 0;
      }
    }
  }
  void update(const ByteString& m) { update(m.data(), m.size()); }

  // Absorbs a partial block as the last one of a message (its 1 byte after the data).
  void closePartialBlock() {
    if (used_ == 0) return;
    buffer_[used_] = 1;
    for (std::size_t i = used_ + 1; i < 16; ++i) buffer_[i] = 0;
    absorb(buffer_.data(), 0);
    used_ = 0;
  }

  ByteString finish(Carry carry = Carry::Kept) {
    closePartialBlock();
    constexpr std::uint32_t mask = 0x3ffffff;
    std::uint32_t h0 = h_[0], h1 = h_[1], h2 = h_[2], h3 = h_[3], h4 = h_[4];
    std::uint32_t c = h1 >> 26;
    h1 &= mask;
    h2 += c;
    c = h2 >> 26;
    h2 &= mask;
    h3 += c;
    c = h3 >> 26;
    h3 &= mask;
    h4 += c;
    c = h4 >> 26;
    h4 &= mask;
    h0 += c * 5;
    c = h0 >> 26;
    h0 &= mask;
    h1 += c;
    // h - p, and h itself when that is negative.
    std::uint32_t g0 = h0 + 5;
    c = g0 >> 26;
    g0 &= mask;
    std::uint32_t g1 = h1 + c;
    c = g1 >> 26;
    g1 &= mask;
    std::uint32_t g2 = h2 + c;
    c = g2 >> 26;
    g2 &= mask;
    std::uint32_t g3 = h3 + c;
    c = g3 >> 26;
    g3 &= mask;
    const std::uint32_t g4 = h4 + c - (1u << 26);
    const std::uint32_t useG = (g4 >> 31) - 1;
    h0 = (h0 & ~useG) | (g0 & useG);
    h1 = (h1 & ~useG) | (g1 & useG);
    h2 = (h2 & ~useG) | (g2 & useG);
    h3 = (h3 & ~useG) | (g3 & useG);
    h4 = (h4 & ~useG) | (g4 & useG);
    const std::uint32_t words[4] = {h0 | (h1 << 26), (h1 >> 6) | (h2 << 20),
                                    (h2 >> 12) | (h3 << 14), (h3 >> 18) | (h4 << 8)};
    ByteString tag(16);
    std::uint64_t f = 0;
    for (int i = 0; i < 4; ++i) {
      f = static_cast<std::uint64_t>(words[i]) + s_[i] + (carry == Carry::Kept ? f >> 32 : 0);
      store32(tag.data() + 4 * i, static_cast<std::uint32_t>(f));
    }
    return tag;
  }

 private:
  void absorb(const std::uint8_t* m, std::uint32_t hibit) {
    const std::uint64_t r0 = r_[0], r1 = r_[1], r2 = r_[2], r3 = r_[3], r4 = r_[4];
    const std::uint64_t s1 = r1 * 5, s2 = r2 * 5, s3 = r3 * 5, s4 = r4 * 5;
    std::uint64_t h0 = h_[0] + (load32(m) & 0x3ffffff);
    std::uint64_t h1 = h_[1] + ((load32(m + 3) >> 2) & 0x3ffffff);
    std::uint64_t h2 = h_[2] + ((load32(m + 6) >> 4) & 0x3ffffff);
    std::uint64_t h3 = h_[3] + ((load32(m + 9) >> 6) & 0x3ffffff);
    std::uint64_t h4 = h_[4] + ((load32(m + 12) >> 8) | hibit);
    std::uint64_t d0 = h0 * r0 + h1 * s4 + h2 * s3 + h3 * s2 + h4 * s1;
    std::uint64_t d1 = h0 * r1 + h1 * r0 + h2 * s4 + h3 * s3 + h4 * s2;
    std::uint64_t d2 = h0 * r2 + h1 * r1 + h2 * r0 + h3 * s4 + h4 * s3;
    std::uint64_t d3 = h0 * r3 + h1 * r2 + h2 * r1 + h3 * r0 + h4 * s4;
    std::uint64_t d4 = h0 * r4 + h1 * r3 + h2 * r2 + h3 * r1 + h4 * r0;
    d1 += d0 >> 26;
    d2 += d1 >> 26;
    d3 += d2 >> 26;
    d4 += d3 >> 26;
    std::uint64_t c = d4 >> 26;
    h0 = (d0 & 0x3ffffff) + c * 5;
    h_[0] = static_cast<std::uint32_t>(h0 & 0x3ffffff);
    h_[1] = static_cast<std::uint32_t>((d1 & 0x3ffffff) + (h0 >> 26));
    h_[2] = static_cast<std::uint32_t>(d2 & 0x3ffffff);
    h_[3] = static_cast<std::uint32_t>(d3 & 0x3ffffff);
    h_[4] = static_cast<std::uint32_t>(d4 & 0x3ffffff);
  }

  std::array<std::uint32_t, 5> r_{};
  std::array<std::uint32_t, 4> s_{};
  std::array<std::uint32_t, 5> h_{};
  std::array<std::uint8_t, 16> buffer_{};
  std::size_t used_ = 0;
};

}  // namespace chacha_detail

enum class Poly1305Fault {
  None,
  /// The final addition of s adds its four 32-bit words without the carries between them. The
  /// tag is wrong for nearly every message, alike through tag and tagLazy.
  DropsFinalCarry,
  /// tagLazy starts a new block at every chunk: the tail of each chunk is padded and absorbed as
  /// if the message ended there.
  LazyRestartsPerChunk,
};

/// Poly1305 under a 256-bit one-time key (r, then s), with 128-bit tags.
template <Poly1305Fault Fault = Poly1305Fault::None>
class Poly1305 {
 public:
  static long keyLength() { return 256; }
  static long tagLength() { return 128; }

  static std::optional<Poly1305> buildKey(const ByteString& key) {
    if (key.size() != 32) return std::nullopt;
    return Poly1305(key);
  }

  ByteString tag(const ByteString& message) const {
    chacha_detail::Poly1305State state(key_.data());
    state.update(message);
    return state.finish(carry());
  }

  ByteString tagLazy(const LazyByteString& message) const {
    chacha_detail::Poly1305State state(key_.data());
    for (const ByteString& chunk : message.chunks()) {
      state.update(chunk);
      if constexpr (Fault == Poly1305Fault::LazyRestartsPerChunk) state.closePartialBlock();
    }
    return state.finish(carry());
  }

 private:
  explicit Poly1305(ByteString key) : key_(std::move(key)) {}
  static constexpr chacha_detail::Poly1305State::Carry carry() {
    return Fault == Poly1305Fault::DropsFinalCarry ? chacha_detail::Poly1305State::Carry::Dropped
                                                   : chacha_detail::Poly1305State::Carry::Kept;
  }
  ByteString key_;
};

enum class AeadFault {
  None,
  /// open gives the decryption whether or not the tag verifies (the check's result is computed,
  /// then ignored).
  ReleasesOnBadTag,
  /// sealLazy pads the AAD to 16 bytes after each of its chunks instead of once after all of it.
  LazyPadsAadPerChunk,
  /// The MAC leaves out the last byte of the AAD (an off-by-one in its length).
  IgnoresLastAadByte,
  /// open compares only as many tag bytes as it is given, so a cut tag (even an empty one)
  /// verifies.
  AcceptsTruncatedTag,
};

/// AEAD_CHACHA20_POLY1305: a 256-bit key, 96-bit nonces, 128-bit tags, with its own lazy entry
/// points (the AAD and text go through the MAC chunk by chunk).
template <AeadFault Fault = AeadFault::None>
class ChaCha20Poly1305 {
 public:
  static long keyLength() { return 256; }
  static long nonceLength() { return 96; }
  static bool acceptsNonceLength(long bits) { return bits == 96; }
  static long tagLength() { return 128; }

  static std::optional<ChaCha20Poly1305> buildKey(const ByteString& key) {
    if (key.size() != 32) return std::nullopt;
    return ChaCha20Poly1305(key);
  }

  AeadSealed seal(const ByteString& nonce, const ByteString& aad,
                  const ByteString& plaintext) const {
    return sealChunks(nonce, {aad}, {plaintext}, false);
  }
  std::optional<ByteString> open(const ByteString& nonce, const ByteString& aad,
                                 const ByteString& ciphertext, const ByteString& tag) const {
    return openChunks(nonce, {aad}, {ciphertext}, tag);
  }
  AeadSealed sealLazy(const ByteString& nonce, const LazyByteString& aad,
                      const LazyByteString& plaintext) const {
    return sealChunks(nonce, aad.chunks(), plaintext.chunks(),
                      Fault == AeadFault::LazyPadsAadPerChunk);
  }
  std::optional<ByteString> openLazy(const ByteString& nonce, const LazyByteString& aad,
                                     const LazyByteString& ciphertext,
                                     const ByteString& tag) const {
    return openChunks(nonce, aad.chunks(), ciphertext.chunks(), tag);
  }

 private:
  using Chunks = std::vector<ByteString>;

  explicit ChaCha20Poly1305(ByteString key) : key_(std::move(key)) {}

  ChaCha20<> stream(const ByteString& nonce, std::uint64_t counter, const char* entry) const {
    std::optional<ChaCha20<>> s = ChaCha20<>::start(key_, nonce, counter);
    if (!s) {
      throw std::invalid_argument(std::string("ChaCha20Poly1305::") + entry + ": a nonce of " +
                                  std::to_string(nonce.size()) + " bytes; it takes 12");
    }
    return *s;
  }

  static ByteString applyAll(ChaCha20<>& s, const ByteString& chunk) {
    std::optional<ByteString> out = s.apply(chunk);
    if (!out) throw std::invalid_argument("ChaCha20Poly1305: a text longer than 256 GiB");
    return std::move(*out);
  }

  static void padTo16(chacha_detail::Poly1305State& mac, std::size_t length) {
    static constexpr std::uint8_t zeros[16] = {};
    if (length % 16 != 0) mac.update(zeros, 16 - length % 16);
  }

  // The tag of RFC 7539 section 2.8 under the one-time key of block 0.
  ByteString tagOf(const ByteString& nonce, const Chunks& aadChunks, const Chunks& ciphertext,
                   bool padPerChunk, const char* entry) const {
    ChaCha20<> block0 = stream(nonce, 0, entry);
    const ByteString oneTimeKey = applyAll(block0, ByteString(32));
    chacha_detail::Poly1305State mac(oneTimeKey.data());
    Chunks aad = aadChunks;
    if constexpr (Fault == AeadFault::IgnoresLastAadByte) {
      while (!aad.empty() && aad.back().empty()) aad.pop_back();
      if (!aad.empty()) aad.back().pop_back();
    }
    std::uint64_t aadBytes = 0, textBytes = 0;
    for (const ByteString& chunk : aad) {
      mac.update(chunk);
      aadBytes += chunk.size();
      if (padPerChunk) padTo16(mac, chunk.size());
    }
    if (!padPerChunk) padTo16(mac, aadBytes);
    for (const ByteString& chunk : ciphertext) {
      mac.update(chunk);
      textBytes += chunk.size();
    }
    padTo16(mac, textBytes);
    std::uint8_t lengths[16];
    for (int i = 0; i < 8; ++i) {
      lengths[i] = static_cast<std::uint8_t>(aadBytes >> (8 * i));
      lengths[8 + i] = static_cast<std::uint8_t>(textBytes >> (8 * i));
    }
    mac.update(lengths, 16);
    return mac.finish();
  }

  AeadSealed sealChunks(const ByteString& nonce, const Chunks& aad, const Chunks& plaintext,
                        bool padPerChunk) const {
    ChaCha20<> s = stream(nonce, 1, "seal");
    Chunks ciphertext;
    AeadSealed sealed;
    for (const ByteString& chunk : plaintext) {
      ciphertext.push_back(applyAll(s, chunk));
      sealed.ciphertext.insert(sealed.ciphertext.end(), ciphertext.back().begin(),
                               ciphertext.back().end());
    }
    sealed.tag = tagOf(nonce, aad, ciphertext, padPerChunk, "seal");
    return sealed;
  }

  std::optional<ByteString> openChunks(const ByteString& nonce, const Chunks& aad,
                                       const Chunks& ciphertext, const ByteString& tag) const {
    if (nonce.size() != 12) return std::nullopt;
    ByteString expected = tagOf(nonce, aad, ciphertext, false, "open");
    if constexpr (Fault == AeadFault::AcceptsTruncatedTag) {
      if (tag.size() < expected.size()) expected.resize(tag.size());
    }
    const bool verified = kavrit::detail::aeadTagsEqual(expected, tag);
    if (!verified && Fault != AeadFault::ReleasesOnBadTag) return std::nullopt;
    ChaCha20<> s = stream(nonce, 1, "open");
    ByteString plaintext;
    for (const ByteString& chunk : ciphertext) {
      const ByteString piece = applyAll(s, chunk);
      plaintext.insert(plaintext.end(), piece.begin(), piece.end());
    }
    return plaintext;
  }

  ByteString key_;
};

}  // namespace kavrit::examples
