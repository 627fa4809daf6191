#pragma once

/// @file
/// NIST's SHA Monte Carlo tests from the files in `Test/KAT_SHA_MONTE`: the digest iterated on its
/// own output, which shakes out state that leaks from one message into the next.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kavrit/hash.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/test_tree.hpp"
#include "kavrit/test/vector_files.hpp"

namespace kavrit::test {

namespace sha_monte {

/// Digests computed per checkpoint.
inline constexpr std::size_t kIterations = 1000;
/// Chunk size of the lazy messages; divides no block size.
inline constexpr std::size_t kChunkSize = 37;

/// One checkpoint as read from its file; the hex stays text until the test runs, so that a bad
/// value fails only its own test.
struct Checkpoint {
  /// "Nist<algorithm>Monte-<COUNT>".
  std::string name;
  /// The head of a failure report: name, checkpoint and its start, then the vector file.
  std::string prefix;
  /// The digest the iterations start from: the Seed, or the MD recorded for the checkpoint before.
  std::string startHex;
  std::string mdHex;
};

/// The checkpoints of `algorithm` from the files of getDataFileName("Test/KAT_SHA_MONTE") that
/// sha_kat::isFileOf selects, in directory order. A Seed opens a chain; each COUNT and the MD
/// after it close a checkpoint, which starts from the Seed or from the MD before it. A COUNT
/// without an MD gives no checkpoint, and neither does the one after it, whose start is then
/// unknown. Throws std::filesystem::filesystem_error when the directory or a file cannot be read.
std::vector<Checkpoint> readCheckpoints(std::string_view algorithm);

/// The start digest and the recorded MD of a checkpoint. Throws std::invalid_argument, headed by
/// the checkpoint's prefix, when either is not hex.
std::pair<ByteString, ByteString> decode(const Checkpoint& checkpoint);

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
template <Hash D>
Outcome iterate(const ByteString& start) {
  std::array<ByteString, 3> strict{start, start, start};
  std::array<ByteString, 3> lazy = strict;
  Outcome outcome;
  ByteString message;
  for (std::size_t step = 1; step <= kIterations; ++step) {
    message.clear();
    for (const ByteString& md : strict) message.insert(message.end(), md.begin(), md.end());
    ByteString s = D::hashStrict(message).serialize();
    message.clear();
    for (const ByteString& md : lazy) message.insert(message.end(), md.begin(), md.end());
    ByteString l = D::hash(chunked(message, kChunkSize)).serialize();
    if (outcome.firstSplit == 0 && s != l) outcome.firstSplit = step;
    strict = {std::move(strict[1]), std::move(strict[2]), std::move(s)};
    lazy = {std::move(lazy[1]), std::move(lazy[2]), std::move(l)};
  }
  outcome.strict = std::move(strict[2]);
  outcome.lazy = std::move(lazy[2]);
  return outcome;
}

/// The report head with the step at which the entry points split, when they did.
std::string failurePrefix(const Checkpoint& checkpoint, std::size_t firstSplit);

/// One unit case per checkpoint: from its own start, both entry points reach the recorded MD.
/// Every checkpoint starts from the recorded digest before it, so each fails on its own and the
/// first failing one is the first checkpoint that diverges.
template <Hash D>
std::vector<Test> getTests(std::string_view algorithm) {
  std::vector<Test> tests;
  for (Checkpoint& checkpoint : readCheckpoints(algorithm)) {
    std::string name = checkpoint.name;
    tests.push_back(testCase(std::move(name), [c = std::move(checkpoint)] {
      const auto [start, md] = decode(c);
      const Outcome outcome = iterate<D>(start);
      assertEqual(failurePrefix(c, outcome.firstSplit), std::pair(outcome.strict, outcome.lazy),
                  std::pair(md, md), ValueLabels{"computed", "vector"});
    }));
  }
  return tests;
}

}  // namespace sha_monte

/// The NIST SHA-1 Monte Carlo checkpoints ("NistSHA1Monte-0" … "NistSHA1Monte-99").
template <Hash D>
std::vector<Test> makeSHA1MonteTests() {
  return sha_monte::getTests<D>("SHA1");
}
/// The NIST SHA-224 Monte Carlo checkpoints ("NistSHA224Monte-<COUNT>").
template <Hash D>
std::vector<Test> makeSHA224MonteTests() {
  return sha_monte::getTests<D>("SHA224");
}
/// The NIST SHA-256 Monte Carlo checkpoints ("NistSHA256Monte-<COUNT>").
template <Hash D>
std::vector<Test> makeSHA256MonteTests() {
  return sha_monte::getTests<D>("SHA256");
}
/// The NIST SHA-384 Monte Carlo checkpoints ("NistSHA384Monte-<COUNT>").
template <Hash D>
std::vector<Test> makeSHA384MonteTests() {
  return sha_monte::getTests<D>("SHA384");
}
/// The NIST SHA-512 Monte Carlo checkpoints ("NistSHA512Monte-<COUNT>").
template <Hash D>
std::vector<Test> makeSHA512MonteTests() {
  return sha_monte::getTests<D>("SHA512");
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
