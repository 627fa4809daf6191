#pragma once

/// @file
/// Known-answer suites of SHAKE128 and SHAKE256 from NIST's SHA3VS files in Test/KAT_SHAKE of the
/// data directory (byte-oriented ShortMsg, LongMsg, VariableOut and Monte).
///
/// Every record is one case that absorbs its message twice, with absorbStrict and with absorb in
/// kVectorChunkSize-byte chunks, and squeezes the record's output length from each in one call:
/// - "NistSHAKE128-<i>", "NistSHAKE256-<i>": ShortMsg, then LongMsg, numbered from 1 in that
///   order; the output length is the file's `[Outputlen = ...]` head;
/// - "NistSHAKE128VariableOut-<COUNT>", "NistSHAKE256VariableOut-<COUNT>": a 16- or 32-byte
///   message and the record's own Outputlen;
/// - "NistSHAKE128Monte-<COUNT>", "NistSHAKE256Monte-<COUNT>": one checkpoint of the Monte Carlo
///   chain. From Output0 (the Msg for COUNT = 0, else the Output recorded for COUNT − 1), 1000
///   times: M = the first 16 bytes of the last output (zero-padded when shorter), the next output
///   = SHAKE(M) of Outputlen bytes, then Outputlen = min + (its last two bytes, big-endian)
///   mod (max − min + 1) in bytes, from the file's Minimum and Maximum Output Length heads. The
///   first Outputlen is max for COUNT = 0 and, after that, the one the recorded Output for
///   COUNT − 1 gives; the case checks the Outputlen and the Output of the 1000th step. Each
///   checkpoint is computed on its own, so a failure is the checkpoint's alone.
/// A length that is not whole bytes, an output that is not Outputlen long and an output length
/// above 1 MiB fail their case, naming the file and line.

#include <string_view>
#include <vector>

#include "kavrit/test/any_xof.hpp"
#include "kavrit/test/builder_forms.hpp"
#include "kavrit/test/test_tree.hpp"
#include "kavrit/xof.hpp"

namespace kavrit::test {

namespace detail::shake {
inline constexpr std::string_view kDirectory = "Test/KAT_SHAKE";
/// The ShortMsg, LongMsg and VariableOut cases of "SHAKE128" or "SHAKE256".
std::vector<Test> getTests(const AnyXof& xof, std::string_view algorithm);
/// The Monte Carlo checkpoints of "SHAKE128" or "SHAKE256".
std::vector<Test> getMonteTests(const AnyXof& xof, std::string_view algorithm);
}  // namespace detail::shake

/// The SHAKE128 ShortMsg, LongMsg ("NistSHAKE128-<i>") and VariableOut
/// ("NistSHAKE128VariableOut-<COUNT>") cases.
inline std::vector<Test> makeSHAKE128Tests(const AnyXof& xof) {
  return detail::shake::getTests(xof, "SHAKE128");
}
/// The SHAKE256 ShortMsg, LongMsg ("NistSHAKE256-<i>") and VariableOut
/// ("NistSHAKE256VariableOut-<COUNT>") cases.
inline std::vector<Test> makeSHAKE256Tests(const AnyXof& xof) {
  return detail::shake::getTests(xof, "SHAKE256");
}
/// The SHAKE128 Monte Carlo checkpoints ("NistSHAKE128Monte-<COUNT>").
inline std::vector<Test> makeSHAKE128MonteTests(const AnyXof& xof) {
  return detail::shake::getMonteTests(xof, "SHAKE128");
}
/// The SHAKE256 Monte Carlo checkpoints ("NistSHAKE256Monte-<COUNT>").
inline std::vector<Test> makeSHAKE256MonteTests(const AnyXof& xof) {
  return detail::shake::getMonteTests(xof, "SHAKE256");
}

KAVRIT_BUILDER_FORMS(makeSHAKE128Tests, anyXof, AnyXof)
KAVRIT_BUILDER_FORMS(makeSHAKE256Tests, anyXof, AnyXof)
KAVRIT_BUILDER_FORMS(makeSHAKE128MonteTests, anyXof, AnyXof)
KAVRIT_BUILDER_FORMS(makeSHAKE256MonteTests, anyXof, AnyXof)

}  // namespace kavrit::test
