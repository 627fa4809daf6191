#pragma once

/// @file
/// Random inputs aimed at block edges, where streaming code breaks: message lengths one byte
/// before, at and after a whole number of blocks or a hash's length field, and chunk plans that
/// cut on and next to block edges.
///
/// Distributions, for a block of B bytes and L = B / 8 (the length field of MD5, SHA-1 and SHA-2:
/// 8 bytes for 64-byte blocks, 16 for 128-byte blocks):
///
/// - `boundaryLengths(B, k)` lists j·B − L − 1, j·B − L, j·B − 1, j·B and j·B + 1 for j = 0..k,
///   ascending, without repeats and without negative values. For B = 64 and k = 2: 0 1 55 56 63
///   64 65 119 120 127 128 129. A message of j·B − L − 1 bytes is the longest whose padding fits
///   in j blocks; one byte more needs another block.
/// - `arbitraryBoundaryLength(B)`: 7 draws in 8 take one of `boundaryLengths(B,
///   kBoundaryBlocks)`, each equally likely; 1 in 8 is uniform in 0..(kBoundaryBlocks + 1)·B.
/// - `arbitraryChunkPlan(n, B)`: 0 to kMaxPlanCuts cuts (uniform count). Each cut is, 3 times in
///   4, one of j·B − 1, j·B, j·B + 1 that lies strictly inside the message (each equally likely),
///   otherwise uniform in 1..n − 1. Repeated cuts merge, so a plan may have fewer.
/// - `arbitraryBoundaryByteString(B)`: a length from `arbitraryBoundaryLength(B)`, bytes drawn as
///   by `arbitraryByteString()`; the lazy form cuts it by `arbitraryChunkPlan`.
///
/// Like the uniform generators, none of these shrinks: a failure is reported as drawn. The
/// generators return RapidCheck types and live in kavrit/rapidcheck/generators.hpp.

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "kavrit/byte_string.hpp"

namespace kavrit::test {

/// Block multiples that `arbitraryBoundaryLength` aims at (j = 0..kBoundaryBlocks).
inline constexpr std::size_t kBoundaryBlocks = 8;
/// Most cuts a drawn chunk plan has.
inline constexpr std::size_t kMaxPlanCuts = 8;
/// Largest block, in bytes, that the boundary generators accept.
inline constexpr std::size_t kMaxBoundaryBlockBytes = 4096;

/// The message lengths around block edges and the padding edge for blocks of `blockBytes` bytes,
/// for j = 0..blocks (see the file comment). Throws std::invalid_argument when `blockBytes` is 0
/// or above kMaxBoundaryBlockBytes.
std::vector<std::size_t> boundaryLengths(std::size_t blockBytes, std::size_t blocks);

/// How a message of `length` bytes is cut into chunks: the offsets strictly between 0 and
/// `length` at which one chunk ends and the next begins, ascending and without repeats.
struct ChunkPlan {
  std::size_t length = 0;
  std::vector<std::size_t> cuts;
};

/// Chunks of `chunkSize` bytes, the last one shorter when the size does not divide the length.
ChunkPlan fixedSizeChunks(std::size_t length, std::size_t chunkSize);
/// Two chunks, the first of `at` bytes (one chunk when `at` is 0 or the whole length).
ChunkPlan splitAt(std::size_t length, std::size_t at);

/// The bytes [from, to) of `message` as chunks cut where `plan` cuts. Throws
/// std::invalid_argument when the plan is for another length or the range is out of bounds.
LazyByteString applyChunkPlan(const ByteString& message, const ChunkPlan& plan, std::size_t from,
                              std::size_t to);
/// The whole message as chunks cut where `plan` cuts.
LazyByteString applyChunkPlan(const ByteString& message, const ChunkPlan& plan);

/// The plan as byte ranges, "[0..63|63..64|64..129]"; "[]" for an empty message. A plan of more
/// than 12 chunks shows its first 8 and last 3 with "…" between them.
std::string describeChunkPlan(const ChunkPlan& plan);

/// RapidCheck prints a drawn plan through this.
void showValue(const ChunkPlan& plan, std::ostream& os);

}  // namespace kavrit::test
