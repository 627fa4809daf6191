#pragma once

// Shared by the AEAD, stream-cipher and MAC laws: key bytes from drawn seeds, chunk plans for
// long inputs, single-bit changes and their text, and what an open gave.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include <rapidcheck.h>

#include "kavrit/byte_string.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/rapidcheck/generators.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/boundaries.hpp"
#include "laws/drawn_bytes.hpp"
#include "laws/hash_edges.hpp"

namespace kavrit::test::detail {

inline constexpr std::size_t kLongBytes = 65536 + 1;
inline constexpr std::size_t kSlowBytes = std::size_t{1} << 20;

// Key bytes of `bits` / 8 from a seed: the seed cycled (keyMaterial) over a fixed pattern, so that
// small draws (RapidCheck's first cases are all zeros) still give keys with every byte set, not
// the all-zero key under which Poly1305 ignores its message.
inline ByteString keyFromSeed(long bits, const ByteString& seed) {
  ByteString key = keyMaterial(bits, seed);
  const ByteString pattern = fixedMessage(key.size() + 5);
  for (std::size_t i = 0; i < key.size(); ++i) key[i] ^= pattern[i + 5];
  return key;
}

// Key bytes from a drawn seed; the seed is printed with the failing case.
inline ByteString drawKeyBytes(long bits) {
  return keyFromSeed(bits, pickBytes(arbitraryByteString()));
}

inline ByteString drawBytesOfLength(std::size_t n) {
  return pickBytes(arbitraryByteStringOfLength(n));
}

// Chunks that straddle 16- and 64-byte edges in every way, and one of more than 4 KiB.
inline ChunkPlan unevenChunks(std::size_t n) {
  static constexpr std::size_t kSizes[] = {1, 15, 17, 1000, 4097, 3, 255, 63, 65};
  ChunkPlan plan{n, {}};
  std::size_t at = 0;
  for (std::size_t i = 0;; ++i) {
    at += kSizes[i % std::size(kSizes)];
    if (at >= n) break;
    plan.cuts.push_back(at);
  }
  return plan;
}

inline LazyByteString unevenly(const ByteString& bytes) {
  return applyChunkPlan(bytes, unevenChunks(bytes.size()));
}

inline ByteString withBitFlipped(ByteString bytes, std::size_t bit) {
  bytes[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
  return bytes;
}

// "bit 12 (byte 1, mask 10)".
inline std::string bitText(std::size_t bit) {
  return "bit " + std::to_string(bit) + " (byte " + std::to_string(bit / 8) + ", mask " +
         toHex({static_cast<std::uint8_t>(1u << (bit % 8))}) + ")";
}

inline std::string bytesText(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

// What an open gave: a refusal (an empty optional), released bytes, or an exception.
struct Opened {
  enum class Kind { Refused, Released, Threw } kind = Kind::Refused;
  ByteString bytes;
  std::string error;
  bool invalidArgument = false;

  // "released 17 bytes (the plaintext)", "threw std::invalid_argument: ...".
  [[nodiscard]] std::string text(const ByteString* plaintext = nullptr) const {
    switch (kind) {
      case Kind::Refused:
        return "refused";
      case Kind::Released:
        return "released " + bytesText(bytes.size()) +
               (plaintext == nullptr  ? ""
                : bytes == *plaintext ? " (the plaintext)"
                                      : " (not the plaintext)");
      case Kind::Threw:
        return std::string("threw ") +
               (invalidArgument ? "std::invalid_argument" : "an exception") + ": " + error;
    }
    return "?";
  }
};

template <class Open>
Opened tryOpen(Open&& open) {
  Opened out;
  try {
    std::optional<ByteString> bytes = open();
    if (bytes) {
      out.kind = Opened::Kind::Released;
      out.bytes = std::move(*bytes);
    }
  } catch (const std::invalid_argument& e) {
    out.kind = Opened::Kind::Threw;
    out.invalidArgument = true;
    out.error = e.what();
  } catch (const std::exception& e) {
    out.kind = Opened::Kind::Threw;
    out.error = e.what();
  }
  return out;
}

}  // namespace kavrit::test::detail
