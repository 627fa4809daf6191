#pragma once

// Fixed messages at block edges, shared by the hash chunking laws and the differential hash laws.

#include <cstddef>
#include <string>
#include <vector>

#include "kavrit/byte_string.hpp"
#include "kavrit/test/boundaries.hpp"

namespace kavrit::test::detail {

/// A block length in bits as whole bytes for the boundary laws. Throws std::invalid_argument
/// naming the length when it is under one byte or above kMaxBoundaryBlockBytes.
std::size_t boundaryBlockBytes(long bits);

/// The same fixed message of `n` bytes on every run; neighbouring bytes differ.
ByteString fixedMessage(std::size_t n);

/// The bits the bit law flips in a message of `n` bytes with blocks of `blockBytes` bytes, as
/// byte index · 8 + bit (0 is the lowest bit, mask 0x01).
std::vector<std::size_t> bitsToFlip(std::size_t n, std::size_t blockBytes);

/// "the 129-byte message in chunks [0..63|63..129]".
std::string chunkedMessageText(const ChunkPlan& plan);

}  // namespace kavrit::test::detail
