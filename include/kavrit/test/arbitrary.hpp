#pragma once

/// @file
/// Random inputs of the property suites. A byte string has a length drawn uniformly from 0 to
/// 4096 whatever the size parameter, and bytes drawn like `rc::gen::arbitrary<std::uint8_t>()`
/// (small values at small sizes). A lazy byte string is 0 to 10 such draws, one chunk per
/// non-empty draw. Neither shrinks, so a failure is reported exactly as drawn.
///
/// The generators themselves return RapidCheck types and live in kavrit/rapidcheck/generators.hpp;
/// this header holds what needs no RapidCheck.

#include <cstddef>
#include <ostream>

#include "kavrit/byte_string.hpp"

namespace kavrit::test {

/// Longest byte string the generator draws.
inline constexpr std::size_t kMaxDrawnBytes = 4096;
/// Most chunks a lazy byte string draw has.
inline constexpr std::size_t kMaxDrawnChunks = 10;

/// A drawn byte string as a property argument. RapidCheck prints it by describeDrawnBytes: a quoted
/// literal up to 64 bytes, its length, ends and SHA-256 above that.
struct RandomBytes {
  ByteString value;
};
/// A drawn lazy byte string as a property argument, printed by describeDrawnLazyBytes.
struct RandomLazyBytes {
  LazyByteString value;
};

void showValue(const RandomBytes& bytes, std::ostream& os);
void showValue(const RandomLazyBytes& bytes, std::ostream& os);

}  // namespace kavrit::test
