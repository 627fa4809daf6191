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

/// How many of the last digests make each message: three in NIST's SHA-1 and SHA-2 procedure,
/// the last one alone in its SHA-3 procedure.
inline constexpr std::size_t kSHA2Window = 3;
inline constexpr std::size_t kSHA3Window = 1;

/// The NIST procedure from `start` over the last `window` digests: MD0 = … = MD(w-1) = start,
/// then MDi = SHA(MDi-w || … || MDi-1) for i = w … kIterations + w - 1; the result is the last
/// MD. With a window of 3 that is SHA-2's MDi = SHA(MDi-3 || MDi-2 || MDi-1); with 1, SHA-3's
/// MDi = SHA3(MDi-1). Run once through hashStrict and once through hash in kChunkSize-byte
/// chunks, in step.
Outcome iterate(const AnyHash& hash, const ByteString& start, std::size_t window = kSHA2Window);

/// One unit case per checkpoint of `algorithm` in the files of getDataFileName(directory) that
/// detail::sha::getTests takes for `algorithm`, in directory order, named
/// "Nist<algorithm>Monte-<COUNT>". A Seed opens a chain; each COUNT and the MD after it close a
/// checkpoint, which starts from the Seed or from the MD before it, so each fails on its own and
/// the first failing one is the first checkpoint that diverges. A COUNT without an MD gives no
/// checkpoint, and neither does the one after it, whose start is then unknown. From its start, both
/// entry points must reach the recorded MD through iterate with `window`.
std::vector<Test> getTests(const AnyHash& hash, std::string_view algorithm,
                           std::string_view directory = "Test/KAT_SHA_MONTE",
                           std::size_t window = kSHA2Window);

/// The same for digest type D.
template <Hash D>
std::vector<Test> getTests(std::string_view algorithm,
                           std::string_view directory = "Test/KAT_SHA_MONTE",
                           std::size_t window = kSHA2Window) {
  return getTests(anyHash<D>(), algorithm, directory, window);
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
/// The NIST SHA-512/224 Monte Carlo checkpoints ("NistSHA512_224Monte-<COUNT>").
inline std::vector<Test> makeSHA512_224MonteTests(const AnyHash& hash) {
  return detail::sha_monte::getTests(hash, "SHA512_224");
}
template <Hash D>
std::vector<Test> makeSHA512_224MonteTests() {
  return detail::sha_monte::getTests<D>("SHA512_224");
}
/// The NIST SHA-512/256 Monte Carlo checkpoints ("NistSHA512_256Monte-<COUNT>").
inline std::vector<Test> makeSHA512_256MonteTests(const AnyHash& hash) {
  return detail::sha_monte::getTests(hash, "SHA512_256");
}
template <Hash D>
std::vector<Test> makeSHA512_256MonteTests() {
  return detail::sha_monte::getTests<D>("SHA512_256");
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
template <Hash D>
std::vector<Test> makeSHA512_224MonteTests(const D& /*digest*/) {
  return makeSHA512_224MonteTests<D>();
}
template <Hash D>
std::vector<Test> makeSHA512_256MonteTests(const D& /*digest*/) {
  return makeSHA512_256MonteTests<D>();
}

}  // namespace kavrit::test
