#pragma once

/// @file
/// The random generators of the property suites as RapidCheck generators, for properties of your
/// own: uniform byte strings and lazy byte strings (kavrit/test/arbitrary.hpp describes their
/// distribution) and the generators aimed at block edges (kavrit/test/boundaries.hpp).
/// `rc::gen::arbitrary<RandomBytes>()` and `rc::gen::arbitrary<RandomLazyBytes>()` draw the
/// property arguments that the suites use.

#include <cstddef>
#include <cstdint>

#include <rapidcheck.h>

#include "kavrit/byte_string.hpp"
#include "kavrit/test/arbitrary.hpp"
#include "kavrit/test/boundaries.hpp"

namespace kavrit::test {

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

/// Lengths mostly at block and padding edges for blocks of `blockBytes` bytes.
rc::Gen<std::size_t> arbitraryBoundaryLength(std::size_t blockBytes);
/// Chunk plans of a `length`-byte message, cutting mostly on and next to block edges.
rc::Gen<ChunkPlan> arbitraryChunkPlan(std::size_t length, std::size_t blockBytes);
/// Byte strings of `arbitraryBoundaryLength(blockBytes)` bytes.
rc::Gen<ByteString> arbitraryBoundaryByteString(std::size_t blockBytes);
/// The same, cut into chunks by `arbitraryChunkPlan`.
rc::Gen<LazyByteString> arbitraryBoundaryLazyByteString(std::size_t blockBytes);
/// Byte strings of exactly `length` bytes, drawn as by `arbitraryByteString()`.
rc::Gen<ByteString> arbitraryByteStringOfLength(std::size_t length);

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
