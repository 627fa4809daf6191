#pragma once

/// @file
/// Laws that every extendable-output function obeys, checked on fixed and random inputs.

#include <concepts>

#include "kavrit/test/any_xof.hpp"
#include "kavrit/test/test_tree.hpp"
#include "kavrit/xof.hpp"

namespace kavrit::test {

struct XOFPropOptions {
  /// Adds the group "Slow": "Long1MiB", the long case at 1 MiB. Off by default.
  bool slow = false;
};

/// The group "XOF Property Tests". R is blockLength/8 bytes (the rate).
/// - "LazyEqualsStrict" (property): absorb of a drawn message over a drawn chunking squeezes what
///   absorbStrict of the joined bytes squeezes;
/// - "SplitSqueezeEqualsOneSqueeze" (property): squeezing n then m bytes gives what squeezing
///   n + m at once gives, for drawn n and m (often at or next to a multiple of R);
/// - "SqueezeSplitsAtTheRate" (unit case): the same for n = j·R − 1, j·R, j·R + 1 (j = 1, 2),
///   with m taking the output past 3·R;
/// - "ManySmallSqueezes" (unit case): squeezes of 1, 2, 3, ... 17 bytes in turn over 4·R + 5
///   bytes give one squeeze of them;
/// - "LongerOutputExtendsShorter" (property): the first n bytes of a longer output from a fresh
///   state are the output of n bytes;
/// - "OutputLengths" (unit case): squeezes of 0, 1, R − 1, R, R + 1, 2·R − 1, 2·R and 2·R + 1
///   bytes give that many bytes, each the start of one longer output;
/// - "MessageLengthsAroundTheRate" (unit case): for messages of 0, 1, R − 1, R, R + 1, 2·R − 1,
///   2·R and 2·R + 1 bytes, absorb over uneven chunks and byte by byte equals absorbStrict, and
///   appending a zero byte, or flipping the last bit, changes the output;
/// - "CopiesSqueezeIndependently" (property): after a drawn prefix, a copy of the state and the
///   state itself, squeezed in turn, each give the rest of the one output; the state goes on
///   alone once its copy is gone;
/// - "Long64KiBPlus1" (unit case): a message of 64 KiB + 1 bytes absorbed strictly and in uneven
///   chunks, and an output of 64 KiB + 1 bytes squeezed in one call and in uneven calls, agree.
/// With options.slow, then the group "Slow" with "Long1MiB": the same at 1 MiB.
Test makeXOFPropTests(const AnyXof& xof, XOFPropOptions options = {});

/// The same for state type X.
template <class X>
Test makeXOFPropTests(XOFPropOptions options = {}) {
  return makeXOFPropTests(anyXof<X>(), options);
}

/// The same, for a caller that has a state value at hand; the value is never read.
template <class X>
requires(!std::derived_from<X, AnyXof>) Test
    makeXOFPropTests(const X& /*state*/, XOFPropOptions options = {}) {
  return makeXOFPropTests<X>(options);
}

}  // namespace kavrit::test
