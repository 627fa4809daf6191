#pragma once

// Byte strings drawn inside a running property. RapidCheck prints every value a failing property
// drew, by its type: a ByteString (a std::vector) as a list of decimal numbers, a LazyByteString
// as "<???>". These draw from the same generators but as RandomBytes and RandomLazyBytes, which
// print as describeDrawnBytes and describeDrawnLazyBytes do (a literal with hex escapes, long
// values by their length, ends and SHA-256), and give the bytes back. Mapping a generator leaves
// its draws as they are, so a seed gives the same inputs as with the generator itself.

#include <utility>

#include <rapidcheck.h>

#include "kavrit/byte_string.hpp"
#include "kavrit/test/arbitrary.hpp"

namespace kavrit::test::detail {

inline ByteString pickBytes(rc::Gen<ByteString> gen) {
  return (*rc::gen::map(std::move(gen), [](ByteString b) { return RandomBytes{std::move(b)}; }))
      .value;
}

inline LazyByteString pickLazyBytes(rc::Gen<LazyByteString> gen) {
  return (*rc::gen::map(std::move(gen),
                        [](LazyByteString b) { return RandomLazyBytes{std::move(b)}; }))
      .value;
}

}  // namespace kavrit::test::detail
