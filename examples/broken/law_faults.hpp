#pragma once

// Deliberately broken adapters with faults that pass the known-answer suites and the older laws
// (or most of them; tools/fault_catch_rates.cpp measures which): wrong key handling, state kept
// between calls, digest equality and parsing, own mode and HMAC members, and long messages. Each
// wraps a correct implementation and adds one fault, except Sha256WithShortBitCounter, which is a
// whole (small) SHA-256 with its one fault.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "broken/boundary_faults.hpp"
#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"

namespace kavrit::examples {

// Forwards the static side and the block functions to the wrapped key type.
template <BlockCipher Real, class Self>
class WrappedKey {
 public:
  static constexpr long blockSize() { return Real::blockSize(); }
  static constexpr long keyLength() { return Real::keyLength(); }
  static std::optional<Self> buildKey(const ByteString& bytes) {
    std::optional<Real> inner = Real::buildKey(bytes);
    if (!inner) return std::nullopt;
    return Self(std::move(*inner));
  }
  [[nodiscard]] ByteString encryptBlock(const ByteString& in) const {
    return inner_.encryptBlock(in);
  }
  [[nodiscard]] ByteString decryptBlock(const ByteString& in) const {
    return inner_.decryptBlock(in);
  }

 protected:
  explicit WrappedKey(Real inner) : inner_(std::move(inner)) {}
  [[nodiscard]] const Real& inner() const { return inner_; }
  Real& inner() { return inner_; }

 private:
  Real inner_;
};

/// buildKey treats an all-zero key as "no key given" and refuses it.
template <BlockCipher Real>
class RefusesZeroKey : public WrappedKey<Real, RefusesZeroKey<Real>> {
  using Base = WrappedKey<Real, RefusesZeroKey>;
  friend Base;

 public:
  static std::optional<RefusesZeroKey> buildKey(const ByteString& bytes) {
    bool zero = true;
    for (const std::uint8_t b : bytes) zero = zero && b == 0;
    if (zero) return std::nullopt;
    return Base::buildKey(bytes);
  }

 private:
  explicit RefusesZeroKey(Real inner) : Base(std::move(inner)) {}
};

/// buildKey takes any key up to keyLength bits and pads a short one with zero bytes.
template <BlockCipher Real>
class ZeroPadsShortKeys : public WrappedKey<Real, ZeroPadsShortKeys<Real>> {
  using Base = WrappedKey<Real, ZeroPadsShortKeys>;
  friend Base;

 public:
  static std::optional<ZeroPadsShortKeys> buildKey(const ByteString& bytes) {
    const auto n = static_cast<std::size_t>(Real::keyLength() / 8);
    if (bytes.size() > n) return std::nullopt;
    ByteString padded = bytes;
    padded.resize(n, 0);
    return Base::buildKey(padded);
  }

 private:
  explicit ZeroPadsShortKeys(Real inner) : Base(std::move(inner)) {}
};

/// One cipher context per key that serves both directions: decryptBlock switches it to
/// decryption, and encryptBlock only sets it up for encryption when it has not been set up at
/// all, so after a decryption the key's encryptBlock decrypts.
template <BlockCipher Real>
class DirectionSticks : public WrappedKey<Real, DirectionSticks<Real>> {
  using Base = WrappedKey<Real, DirectionSticks>;
  friend Base;

 public:
  [[nodiscard]] ByteString encryptBlock(const ByteString& in) const {
    return *decrypting_ ? this->inner().decryptBlock(in) : this->inner().encryptBlock(in);
  }
  [[nodiscard]] ByteString decryptBlock(const ByteString& in) const {
    *decrypting_ = true;
    return this->inner().decryptBlock(in);
  }

 private:
  explicit DirectionSticks(Real inner) : Base(std::move(inner)) {}
  std::shared_ptr<bool> decrypting_ = std::make_shared<bool>(false);
};

/// Moves keep the key; the copy constructor sets up a new context but forgets to load the key
/// into it, so a copy encrypts under the all-zero key.
template <BlockCipher Real>
class CopyLosesKey : public WrappedKey<Real, CopyLosesKey<Real>> {
  using Base = WrappedKey<Real, CopyLosesKey>;
  friend Base;

 public:
  CopyLosesKey(const CopyLosesKey& /*other*/)
      : Base(Real::buildKey(ByteString(static_cast<std::size_t>(Real::keyLength() / 8))).value()) {}
  CopyLosesKey(CopyLosesKey&&) noexcept = default;
  CopyLosesKey& operator=(const CopyLosesKey&) = delete;
  CopyLosesKey& operator=(CopyLosesKey&&) noexcept = default;
  ~CopyLosesKey() = default;

 private:
  explicit CopyLosesKey(Real inner) : Base(std::move(inner)) {}
};

/// A CBC member whose context is given the IV on its first call only: later calls go on from
/// where the previous one ended, whatever IV they are given.
template <BlockCipher Real>
class CbcKeepsChain : public WrappedKey<Real, CbcKeepsChain<Real>> {
  using Base = WrappedKey<Real, CbcKeepsChain>;
  friend Base;

 public:
  template <class Iv>
  std::pair<ByteString, Iv> cbc(const Iv& iv, const ByteString& in) const {
    const ByteString start = chain_->empty() ? iv.bytes() : *chain_;
    auto [out, next] = kavrit::cbc(this->inner(), IV<Real>::parse(start).value(), in);
    *chain_ = next.bytes();
    return {std::move(out), Iv::parse(next.bytes()).value()};
  }

 private:
  explicit CbcKeepsChain(Real inner) : Base(std::move(inner)) {}
  std::shared_ptr<ByteString> chain_ = std::make_shared<ByteString>();
};

// CTR over the wrapped key with a counter that carries only through its last `CounterBytes`
// bytes: the strict and lazy forms of ctr and unCtr.
template <BlockCipher Real, std::size_t CounterBytes, class Self>
class NarrowCounter : public WrappedKey<Real, Self> {
  using Base = WrappedKey<Real, Self>;

 public:
  template <class Iv>
  std::pair<ByteString, Iv> ctr(const Iv& iv, const ByteString& in) const {
    const std::size_t b = blockBytes<Real>();
    ByteString counter = iv.bytes();
    ByteString out(in.size());
    for (std::size_t off = 0; off < in.size(); off += b) {
      const ByteString stream = this->inner().encryptBlock(counter);
      for (std::size_t i = 0; i < b; ++i) out[off + i] = in[off + i] ^ stream[i];
      for (std::size_t i = b; i-- > b - CounterBytes;) {
        if (++counter[i] != 0) break;
      }
    }
    return {std::move(out), Iv::parse(counter).value()};
  }
  template <class Iv>
  std::pair<ByteString, Iv> unCtr(const Iv& iv, const ByteString& in) const {
    return ctr(iv, in);
  }
  template <class Iv>
  std::pair<LazyByteString, Iv> ctrLazy(const Iv& iv, const LazyByteString& in) const {
    auto [out, next] = ctr(iv, in.flatten());
    return {LazyByteString({std::move(out)}), std::move(next)};
  }
  template <class Iv>
  std::pair<LazyByteString, Iv> unCtrLazy(const Iv& iv, const LazyByteString& in) const {
    return ctrLazy(iv, in);
  }

 protected:
  explicit NarrowCounter(Real inner) : Base(std::move(inner)) {}
};

/// CTR members that increment only the low 32 bits of the counter block.
template <BlockCipher Real>
class Ctr32BitCounter : public NarrowCounter<Real, 4, Ctr32BitCounter<Real>> {
  using Base = NarrowCounter<Real, 4, Ctr32BitCounter>;
  friend WrappedKey<Real, Ctr32BitCounter>;

  explicit Ctr32BitCounter(Real inner) : Base(std::move(inner)) {}
};

/// CTR members whose counter is a 64-bit integer: it wraps at 2^64 without carrying further.
template <BlockCipher Real>
class Ctr64BitCounter : public NarrowCounter<Real, 8, Ctr64BitCounter<Real>> {
  using Base = NarrowCounter<Real, 8, Ctr64BitCounter>;
  friend WrappedKey<Real, Ctr64BitCounter>;

  explicit Ctr64BitCounter(Real inner) : Base(std::move(inner)) {}
};

/// OFB members that compute the keystream into a buffer of 256 blocks and index it modulo 256:
/// block 256 of a message is encrypted with block 0's keystream again.
template <BlockCipher Real>
class OfbBufferWraps : public WrappedKey<Real, OfbBufferWraps<Real>> {
  using Base = WrappedKey<Real, OfbBufferWraps>;
  friend Base;

 public:
  template <class Iv>
  std::pair<ByteString, Iv> ofb(const Iv& iv, const ByteString& in) const {
    const std::size_t b = blockBytes<Real>();
    const std::size_t blocks = in.size() / b;
    std::vector<ByteString> stream;
    ByteString state = iv.bytes();
    for (std::size_t i = 0; i < blocks && i < 256; ++i) {
      state = this->inner().encryptBlock(state);
      stream.push_back(state);
    }
    ByteString out(in.size());
    for (std::size_t j = 0; j < blocks; ++j) {
      for (std::size_t i = 0; i < b; ++i) out[j * b + i] = in[j * b + i] ^ stream[j % 256][i];
    }
    const ByteString next = blocks == 0 ? iv.bytes() : stream[(blocks - 1) % 256];
    return {std::move(out), Iv::parse(next).value()};
  }
  template <class Iv>
  std::pair<ByteString, Iv> unOfb(const Iv& iv, const ByteString& in) const {
    return ofb(iv, in);
  }
  template <class Iv>
  std::pair<LazyByteString, Iv> ofbLazy(const Iv& iv, const LazyByteString& in) const {
    auto [out, next] = ofb(iv, in.flatten());
    return {LazyByteString({std::move(out)}), std::move(next)};
  }
  template <class Iv>
  std::pair<LazyByteString, Iv> unOfbLazy(const Iv& iv, const LazyByteString& in) const {
    return ofbLazy(iv, in);
  }

 private:
  explicit OfbBufferWraps(Real inner) : Base(std::move(inner)) {}
};

/// hashStrict remembers the last buffer it hashed by address and length, and gives its digest
/// again for the same buffer, even when its bytes have changed since.
template <Hash Real>
class CachesByAddress : public WrappedDigest<Real, CachesByAddress<Real>> {
  using Base = WrappedDigest<Real, CachesByAddress>;

 public:
  explicit CachesByAddress(Real inner) : Base(std::move(inner)) {}
  static CachesByAddress hash(const LazyByteString& message) {
    return CachesByAddress(Real::hash(message));
  }
  static CachesByAddress hashStrict(const ByteString& message) {
    static std::optional<std::pair<std::pair<const std::uint8_t*, std::size_t>, Real>> last;
    const std::pair<const std::uint8_t*, std::size_t> where(message.data(), message.size());
    if (!last || last->first != where) last.emplace(where, Real::hashStrict(message));
    return CachesByAddress(last->second);
  }
};

// Forwards hashing to the wrapped digest type; the subclasses change equality or parsing.
template <Hash Real, class Self>
class DigestOf {
 public:
  static constexpr long outputLength() { return Real::outputLength(); }
  static constexpr long blockLength() { return Real::blockLength(); }
  static Self hash(const LazyByteString& message) { return Self(Real::hash(message).serialize()); }
  static Self hashStrict(const ByteString& message) {
    return Self(Real::hashStrict(message).serialize());
  }
  [[nodiscard]] ByteString serialize() const { return bytes_; }
  static std::optional<Self> parse(const ByteString& bytes) {
    std::optional<Real> inner = Real::parse(bytes);
    if (!inner) return std::nullopt;
    return Self(inner->serialize());
  }
  friend bool operator==(const DigestOf& a, const DigestOf& b) { return a.bytes_ == b.bytes_; }

 protected:
  explicit DigestOf(ByteString bytes) : bytes_(std::move(bytes)) {}
  [[nodiscard]] const ByteString& bytes() const { return bytes_; }

 private:
  ByteString bytes_;
};

/// `==` compares the first 8 bytes of the digests only (a "fast path" that was meant to be
/// followed by the rest).
template <Hash Real>
class PrefixEquality : public DigestOf<Real, PrefixEquality<Real>> {
  using Base = DigestOf<Real, PrefixEquality>;
  friend Base;

 public:
  friend bool operator==(const PrefixEquality& a, const PrefixEquality& b) {
    return std::equal(a.bytes().begin(), a.bytes().begin() + 8, b.bytes().begin());
  }

 private:
  explicit PrefixEquality(ByteString bytes) : Base(std::move(bytes)) {}
};

/// parse pads input shorter than a digest with zero bytes instead of refusing it.
template <Hash Real>
class ParsePadsShortInput : public DigestOf<Real, ParsePadsShortInput<Real>> {
  using Base = DigestOf<Real, ParsePadsShortInput>;
  friend Base;

 public:
  static std::optional<ParsePadsShortInput> parse(const ByteString& bytes) {
    ByteString padded = bytes;
    if (padded.size() < static_cast<std::size_t>(Real::outputLength() / 8)) {
      padded.resize(static_cast<std::size_t>(Real::outputLength() / 8), 0);
    }
    return Base::parse(padded);
  }

 private:
  explicit ParsePadsShortInput(ByteString bytes) : Base(std::move(bytes)) {}
};

/// parse wants exactly a digest's length and refuses longer input.
template <Hash Real>
class ParseWantsExactLength : public DigestOf<Real, ParseWantsExactLength<Real>> {
  using Base = DigestOf<Real, ParseWantsExactLength>;
  friend Base;

 public:
  static std::optional<ParseWantsExactLength> parse(const ByteString& bytes) {
    if (bytes.size() != static_cast<std::size_t>(Real::outputLength() / 8)) return std::nullopt;
    return Base::parse(bytes);
  }

 private:
  explicit ParseWantsExactLength(ByteString bytes) : Base(std::move(bytes)) {}
};

/// A streaming `hmac` member that feeds the padded key to the inner hash together with the
/// message's first chunk: a message of no chunks gets no key in its inner hash. `hmacStrict` is
/// kavrit's.
template <Hash Real>
class HmacLosesKeyOnEmptyMessage : public WrappedDigest<Real, HmacLosesKeyOnEmptyMessage<Real>> {
  using Base = WrappedDigest<Real, HmacLosesKeyOnEmptyMessage>;

 public:
  explicit HmacLosesKeyOnEmptyMessage(Real inner) : Base(std::move(inner)) {}
  static HmacLosesKeyOnEmptyMessage hash(const LazyByteString& message) {
    return HmacLosesKeyOnEmptyMessage(Real::hash(message));
  }
  static HmacLosesKeyOnEmptyMessage hashStrict(const ByteString& message) {
    return HmacLosesKeyOnEmptyMessage(Real::hashStrict(message));
  }
  template <class Key>
  static HmacLosesKeyOnEmptyMessage hmac(const Key& key, const LazyByteString& message) {
    const MacKey<Real> realKey(key.bytes());
    std::vector<ByteString> chunks;
    for (const ByteString& chunk : message.chunks()) {
      if (chunks.empty()) chunks.push_back(kavrit::detail::hmacPad(realKey, 0x36));
      chunks.push_back(chunk);
    }
    return HmacLosesKeyOnEmptyMessage(
        kavrit::detail::hmacOuter(realKey, Real::hash(LazyByteString(std::move(chunks)))));
  }
};

/// A streaming hash whose update takes the chunk length as a 16-bit integer: a chunk of 65,536
/// bytes or more is fed only its length modulo 65,536 bytes.
template <Hash Real>
class UpdateLength16 : public WrappedDigest<Real, UpdateLength16<Real>> {
  using Base = WrappedDigest<Real, UpdateLength16>;

 public:
  explicit UpdateLength16(Real inner) : Base(std::move(inner)) {}
  static UpdateLength16 hash(const LazyByteString& message) {
    std::vector<ByteString> fed;
    for (const ByteString& chunk : message.chunks()) {
      const auto n = static_cast<std::uint16_t>(chunk.size());
      fed.emplace_back(chunk.begin(), chunk.begin() + n);
    }
    return UpdateLength16(Real::hash(LazyByteString(std::move(fed))));
  }
  static UpdateLength16 hashStrict(const ByteString& message) {
    return hash(LazyByteString({message}));
  }
};

/// A hash whose padding goes wrong when the message ends `Residue` bytes into a block, where the
/// length field no longer fits after the 0x80 marker (56 for MD5, SHA-1 and SHA-256): it digests
/// the message with one zero byte more, as if the marker had been written a byte late. Every
/// other length is right.
template <Hash Real, std::size_t Residue>
class WrongAtPaddingEdge : public WrappedDigest<Real, WrongAtPaddingEdge<Real, Residue>> {
  using Base = WrappedDigest<Real, WrongAtPaddingEdge>;

 public:
  explicit WrongAtPaddingEdge(Real inner) : Base(std::move(inner)) {}
  static WrongAtPaddingEdge hash(const LazyByteString& message) {
    return hashStrict(message.flatten());
  }
  static WrongAtPaddingEdge hashStrict(ByteString message) {
    if (message.size() % static_cast<std::size_t>(Real::blockLength() / 8) == Residue) {
      message.push_back(0);
    }
    return WrongAtPaddingEdge(Real::hashStrict(message));
  }
};

/// SHA-256 written out, streaming, whose message length in bits is counted in 16 bits: messages
/// of 8 KiB or more get a wrong length in their last block.
class Sha256WithShortBitCounter {
 public:
  static constexpr long outputLength() { return 256; }
  static constexpr long blockLength() { return 512; }

  static Sha256WithShortBitCounter hash(const LazyByteString& message) {
    State state;
    for (const ByteString& chunk : message.chunks()) state.update(chunk.data(), chunk.size());
    return Sha256WithShortBitCounter(state.finish());
  }
  static Sha256WithShortBitCounter hashStrict(const ByteString& message) {
    State state;
    state.update(message.data(), message.size());
    return Sha256WithShortBitCounter(state.finish());
  }
  [[nodiscard]] ByteString serialize() const { return bytes_; }
  static std::optional<Sha256WithShortBitCounter> parse(const ByteString& bytes) {
    if (bytes.size() < 32) return std::nullopt;
    return Sha256WithShortBitCounter(ByteString(bytes.begin(), bytes.begin() + 32));
  }
  friend bool operator==(const Sha256WithShortBitCounter&,
                         const Sha256WithShortBitCounter&) = default;

 private:
  explicit Sha256WithShortBitCounter(ByteString bytes) : bytes_(std::move(bytes)) {}

  class State {
   public:
    void update(const std::uint8_t* p, std::size_t n) {
      for (std::size_t i = 0; i < n; ++i) {
        block_[used_++] = p[i];
        bits_ = static_cast<std::uint16_t>(bits_ + 8);  // the fault: 16 bits of length
        if (used_ == 64) {
          compress();
          used_ = 0;
        }
      }
    }
    ByteString finish() {
      const std::uint64_t bits = bits_;
      const std::uint8_t one = 0x80;
      const std::uint8_t zero = 0;
      update(&one, 1);
      while (used_ != 56) update(&zero, 1);
      for (int i = 7; i >= 0; --i) {
        block_[used_++] = static_cast<std::uint8_t>(bits >> (8 * i));
      }
      compress();
      ByteString out;
      for (const std::uint32_t word : h_) {
        for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(word >> (8 * i)));
      }
      return out;
    }

   private:
    static std::uint32_t rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }
    void compress() {
      static constexpr std::uint32_t k[64] = {
          0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
          0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
          0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
          0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
          0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
          0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
          0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
          0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
          0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
          0xc67178f2};
      std::uint32_t w[64];
      for (int i = 0; i < 16; ++i) {
        w[i] = static_cast<std::uint32_t>(block_[4 * i]) << 24 |
               static_cast<std::uint32_t>(block_[4 * i + 1]) << 16 |
               static_cast<std::uint32_t>(block_[4 * i + 2]) << 8 | block_[4 * i + 3];
      }
      for (int i = 16; i < 64; ++i) {
        const std::uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const std::uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
      }
      std::array<std::uint32_t, 8> v = h_;
      for (int i = 0; i < 64; ++i) {
        const std::uint32_t s1 = rotr(v[4], 6) ^ rotr(v[4], 11) ^ rotr(v[4], 25);
        const std::uint32_t ch = (v[4] & v[5]) ^ (~v[4] & v[6]);
        const std::uint32_t t1 = v[7] + s1 + ch + k[i] + w[i];
        const std::uint32_t s0 = rotr(v[0], 2) ^ rotr(v[0], 13) ^ rotr(v[0], 22);
        const std::uint32_t maj = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
        const std::uint32_t t2 = s0 + maj;
        v = {t1 + t2, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
      }
      for (std::size_t i = 0; i < 8; ++i) h_[i] += v[i];
    }

    std::array<std::uint32_t, 8> h_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                    0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::array<std::uint8_t, 64> block_{};
    std::size_t used_ = 0;
    std::uint16_t bits_ = 0;
  };

  ByteString bytes_;
};

}  // namespace kavrit::examples
