#pragma once

// Deliberately broken adapters with faults at block edges, which the boundary, continuation and
// differential laws are built to catch. Each wraps a correct implementation and adds one fault.

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"

namespace kavrit::examples {

// Forwards everything but `hash` and `hashStrict` to the wrapped digest type.
template <Hash Real, class Self>
class WrappedDigest {
 public:
  static constexpr long outputLength() { return Real::outputLength(); }
  static constexpr long blockLength() { return Real::blockLength(); }
  [[nodiscard]] ByteString serialize() const { return inner_.serialize(); }
  static std::optional<Self> parse(const ByteString& bytes) {
    std::optional<Real> inner = Real::parse(bytes);
    if (!inner) return std::nullopt;
    return Self(std::move(*inner));
  }
  friend bool operator==(const WrappedDigest&, const WrappedDigest&) = default;

 protected:
  explicit WrappedDigest(Real inner) : inner_(std::move(inner)) {}

 private:
  Real inner_;
};

/// A streaming hash that, when a chunk other than the last ends exactly on a block edge,
/// compresses the block it has just completed a second time (its buffer is not emptied). With
/// FirstEdgeOnly, only a chunk ending exactly at the end of the first block does this (the path
/// that handles the first full buffer is the faulty one).
template <Hash Real, bool FirstEdgeOnly = false>
class RepeatsBlockAtChunkEdge
    : public WrappedDigest<Real, RepeatsBlockAtChunkEdge<Real, FirstEdgeOnly>> {
  using Base = WrappedDigest<Real, RepeatsBlockAtChunkEdge>;

 public:
  explicit RepeatsBlockAtChunkEdge(Real inner) : Base(std::move(inner)) {}

  static RepeatsBlockAtChunkEdge hash(const LazyByteString& message) {
    const std::size_t b = static_cast<std::size_t>(Real::blockLength() / 8);
    const std::vector<ByteString>& chunks = message.chunks();
    ByteString seen;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
      seen.insert(seen.end(), chunks[i].begin(), chunks[i].end());
      const bool edge = FirstEdgeOnly ? seen.size() == b : seen.size() % b == 0;
      if (i + 1 < chunks.size() && edge) {
        seen.insert(seen.end(), seen.end() - static_cast<std::ptrdiff_t>(b), seen.end());
      }
    }
    return RepeatsBlockAtChunkEdge(Real::hashStrict(seen));
  }
  static RepeatsBlockAtChunkEdge hashStrict(const ByteString& message) {
    return RepeatsBlockAtChunkEdge(Real::hashStrict(message));
  }
};

/// A hash that reads every byte but the lowest bit of the last one (as if it were always 0).
template <Hash Real>
class IgnoresLastBit : public WrappedDigest<Real, IgnoresLastBit<Real>> {
  using Base = WrappedDigest<Real, IgnoresLastBit>;

 public:
  explicit IgnoresLastBit(Real inner) : Base(std::move(inner)) {}

  static IgnoresLastBit hash(const LazyByteString& message) {
    return hashStrict(message.flatten());
  }
  static IgnoresLastBit hashStrict(const ByteString& message) {
    ByteString read = message;
    if (!read.empty()) read.back() &= 0xfe;
    return IgnoresLastBit(Real::hashStrict(read));
  }
};

/// A cipher whose CBC encryption, strict and lazy, returns the IV it was given as the next IV
/// when the input is exactly one block (a one-block fast path that forgets to advance the IV).
/// The output bytes and every other mode are right.
template <BlockCipher Real>
class OneBlockCbcKeepsIv {
 public:
  static constexpr long blockSize() { return Real::blockSize(); }
  static constexpr long keyLength() { return Real::keyLength(); }
  static std::optional<OneBlockCbcKeepsIv> buildKey(const ByteString& bytes) {
    std::optional<Real> inner = Real::buildKey(bytes);
    if (!inner) return std::nullopt;
    return OneBlockCbcKeepsIv(std::move(*inner));
  }
  [[nodiscard]] ByteString encryptBlock(const ByteString& in) const {
    return inner_.encryptBlock(in);
  }
  [[nodiscard]] ByteString decryptBlock(const ByteString& in) const {
    return inner_.decryptBlock(in);
  }

  // IV<OneBlockCbcKeepsIv> cannot be named while the class is incomplete, hence the template.
  template <class Iv>
  std::pair<ByteString, Iv> cbc(const Iv& iv, const ByteString& in) const {
    auto [out, next] = kavrit::cbc(inner_, IV<Real>::parse(iv.bytes()).value(), in);
    if (in.size() == blockBytes<Real>()) return {std::move(out), iv};
    return {std::move(out), Iv::parse(next.bytes()).value()};
  }
  template <class Iv>
  std::pair<LazyByteString, Iv> cbcLazy(const Iv& iv, const LazyByteString& in) const {
    auto [out, next] = cbc(iv, in.flatten());
    LazyByteString lazy;
    lazy.append(std::move(out));
    return {std::move(lazy), std::move(next)};
  }

 private:
  explicit OneBlockCbcKeepsIv(Real inner) : inner_(std::move(inner)) {}
  Real inner_;
};

}  // namespace kavrit::examples
