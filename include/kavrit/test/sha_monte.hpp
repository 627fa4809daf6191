#pragma once

/// @file
/// NIST's SHA Monte Carlo tests from the files in `Test/KAT_SHA_MONTE`: the digest iterated on its
/// own output, which shakes out state that leaks from one message into the next.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/hash.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"
#include "kavrit/test/vector_files.hpp"

namespace kavrit::test {

namespace detail::sha_monte {

/// Digests computed per checkpoint.
inline constexpr std::size_t kIterations = 1000;
/// Chunk size of the lazy messages; divides no block size.
inline constexpr std::size_t kChunkSize = kVectorChunkSize;

/// The last digests of both entry points after kIterations steps, and the first step (from 1)
/// at which they disagreed, 0 when they never did.
struct Outcome {
  ByteString strict;
  ByteString lazy;
  std::size_t firstSplit = 0;
};

/// The NIST procedure from `start`: MD0 = MD1 = MD2 = start, then MDi = SHA(MDi-3 || MDi-2 ||
/// MDi-1) for i = 3 … kIterations + 2; the result is the last MD. Run once through hashStrict and
/// once through hash in kChunkSize-byte chunks, in step.
Outcome iterate(const AnyHash& hash, const ByteString& start);

/// One unit case per checkpoint of `algorithm` in the files of
/// getDataFileName("Test/KAT_SHA_MONTE") that detail::sha::isFileOf selects, in directory order,
/// named "Nist<algorithm>Monte-<COUNT>". A Seed opens a chain; each COUNT and the MD after it
/// close a checkpoint, which starts from the Seed or from the MD before it, so each fails on its
/// own and the first failing one is the first checkpoint that diverges. A COUNT without an MD
/// gives no checkpoint, and neither does the one after it, whose start is then unknown. From its
/// start, both entry points must reach the recorded MD.
std::vector<Test> getTests(const AnyHash& hash, std::string_view algorithm);

/// The same for digest type D.
template <Hash D>
std::vector<Test> getTests(std::string_view algorithm) {
  return getTests(anyHash<D>(), algorithm);
}

}  // namespace detail::sha_monte

/// The NIST SHA-1 Monte Carlo checkpoints ("NistSHA1Monte-0" … "NistSHA1Monte-99").
inline std::vector<Test> makeSHA1MonteTests(const AnyHash& hash) {
  return detail::sha_monte::getTests(hash, "SHA1");
}
template <Hash D>
std::vector<Test> makeSHA1MonteTests() {
  return detail::sha_monte::getTests<D>("SHA1");
}
/// The NIST SHA-224 Monte Carlo checkpoints ("NistSHA224Monte-<COUNT>").
inline std::vector<Test> makeSHA224MonteTests(const AnyHash& hash) {
  return detail::sha_monte::getTests(hash, "SHA224");
}
template <Hash D>
std::vector<Test> makeSHA224MonteTests() {
  return detail::sha_monte::getTests<D>("SHA224");
}
/// The NIST SHA-256 Monte Carlo checkpoints ("NistSHA256Monte-<COUNT>").
inline std::vector<Test> makeSHA256MonteTests(const AnyHash& hash) {
  return detail::sha_monte::getTests(hash, "SHA256");
}
template <Hash D>
std::vector<Test> makeSHA256MonteTests() {
  return detail::sha_monte::getTests<D>("SHA256");
}
/// The NIST SHA-384 Monte Carlo checkpoints ("NistSHA384Monte-<COUNT>").
inline std::vector<Test> makeSHA384MonteTests(const AnyHash& hash) {
  return detail::sha_monte::getTests(hash, "SHA384");
}
template <Hash D>
std::vector<Test> makeSHA384MonteTests() {
  return detail::sha_monte::getTests<D>("SHA384");
}
/// The NIST SHA-512 Monte Carlo checkpoints ("NistSHA512Monte-<COUNT>").
inline std::vector<Test> makeSHA512MonteTests(const AnyHash& hash) {
  return detail::sha_monte::getTests(hash, "SHA512");
}
template <Hash D>
std::vector<Test> makeSHA512MonteTests() {
  return detail::sha_monte::getTests<D>("SHA512");
}

// The same, for a caller that has a digest value at hand; the value is never read.
template <Hash D>
std::vector<Test> makeSHA1MonteTests(const D& /*digest*/) {
  return makeSHA1MonteTests<D>();
}
template <Hash D>
std::vector<Test> makeSHA224MonteTests(const D& /*digest*/) {
  return makeSHA224MonteTests<D>();
}
template <Hash D>
std::vector<Test> makeSHA256MonteTests(const D& /*digest*/) {
  return makeSHA256MonteTests<D>();
}
template <Hash D>
std::vector<Test> makeSHA384MonteTests(const D& /*digest*/) {
  return makeSHA384MonteTests<D>();
}
template <Hash D>
std::vector<Test> makeSHA512MonteTests(const D& /*digest*/) {
  return makeSHA512MonteTests<D>();
}

}  // namespace kavrit::test
