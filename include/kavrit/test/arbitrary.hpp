#pragma once

/// @file
/// Random inputs of the property suites. A byte string has a length drawn uniformly from 0 to
/// 4096 whatever the size parameter, and bytes drawn like `rc::gen::arbitrary<std::uint8_t>()`
/// (small values at small sizes). A lazy byte string is 0 to 10 such draws, one chunk per
/// non-empty draw. Neither shrinks, so a failure is reported exactly as drawn.
///
/// kavrit/test/boundaries.hpp has generators that aim at block edges instead.

#include <ostream>

#include <rapidcheck.h>

#include "kavrit/byte_string.hpp"

namespace kavrit::test {

/// Longest byte string the generator draws.
inline constexpr std::size_t kMaxDrawnBytes = 4096;
/// Most chunks a lazy byte string draw has.
inline constexpr std::size_t kMaxDrawnChunks = 10;

/// Random byte strings of 0 to 4096 bytes.
rc::Gen<ByteString> arbitraryByteString();
/// Random lazy byte strings of 0 to 10 chunks of 0 to 4096 bytes each.
rc::Gen<LazyByteString> arbitraryLazyByteString();

namespace detail {
/// Uniform in 0..bound.
std::size_t uniformUpTo(rc::Random& random, std::size_t bound);
}  // namespace detail

/// Fills `out` with bytes distributed like `rc::gen::arbitrary<std::uint8_t>()` at `size`.
void drawBytes(rc::Random& random, int size, std::uint8_t* out, std::size_t n);

/// A drawn byte string as a property argument; RapidCheck prints it as a quoted literal.
struct RandomBytes {
  ByteString value;
};
/// A drawn lazy byte string as a property argument; printed as its quoted chunks.
struct RandomLazyBytes {
  LazyByteString value;
};

void showValue(const RandomBytes& bytes, std::ostream& os);
void showValue(const RandomLazyBytes& bytes, std::ostream& os);

}  // namespace kavrit::test

template <>
struct rc::Arbitrary<kavrit::test::RandomBytes> {
  static Gen<kavrit::test::RandomBytes> arbitrary() {
    return gen::map(kavrit::test::arbitraryByteString(),
                    [](kavrit::ByteString b) { return kavrit::test::RandomBytes{std::move(b)}; });
  }
};

template <>
struct rc::Arbitrary<kavrit::test::RandomLazyBytes> {
  static Gen<kavrit::test::RandomLazyBytes> arbitrary() {
    return gen::map(kavrit::test::arbitraryLazyByteString(), [](kavrit::LazyByteString b) {
      return kavrit::test::RandomLazyBytes{std::move(b)};
    });
  }
};
