#include "kavrit/test/hash_chunking.hpp"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "broken/boundary_faults.hpp"
#include "openssl/openssl_digest.hpp"
#include "property_support.hpp"

namespace kavrit::test {
namespace {

using namespace propcheck;
using examples::IgnoresLastBit;
using examples::RepeatsBlockAtChunkEdge;

const std::vector<std::string> kNames{"EveryChunkSize", "EveryTwoChunkSplit", "BoundaryChunkPlans",
                                      "EveryBitCounts"};

// The text of a failed leaf, or nothing when it passes.
std::optional<std::string> failureOf(const Tree& leaf, std::uint64_t seed = kSeed) {
  if (leaf.kind() == Tree::Kind::Property) {
    const PropertyResult result = checkLeaf(leaf, seed);
    if (result.passed()) return std::nullopt;
    EXPECT_EQ(result.outcome, PropertyResult::Outcome::Failed) << head(result.report);
    return result.report;
  }
  try {
    leaf.run();
  } catch (const std::exception& error) {
    return std::string(error.what());
  }
  return std::nullopt;
}

template <class D>
class HashChunkingOnOpenSSL : public testing::Test {};

using OpenSSLDigests = testing::Types<examples::SHA1, examples::SHA224, examples::SHA256,
                                      examples::SHA384, examples::SHA512, examples::MD5>;
TYPED_TEST_SUITE(HashChunkingOnOpenSSL, OpenSSLDigests);

TYPED_TEST(HashChunkingOnOpenSSL, EveryLawHolds) {
  const Tree group = makeHashChunkingTests<TypeParam>();
  EXPECT_EQ(group.name(), "Hash Chunking Tests");
  std::vector<std::string> names;
  for (const Tree& leaf : leaves({group})) {
    names.push_back(leaf.name());
    const auto failure = failureOf(leaf);
    EXPECT_FALSE(failure) << leaf.name() << ":\n" << head(failure.value_or(""));
  }
  EXPECT_EQ(names, kNames);
}

// Runs every leaf on D: those in `failing` must fail with a report holding the given text.
template <Hash D>
void expectFailures(const std::map<std::string, std::string>& failing) {
  for (const Tree& leaf : leaves({makeHashChunkingTests<D>()})) {
    const auto failure = failureOf(leaf);
    const auto expected = failing.find(leaf.name());
    if (expected == failing.end()) {
      EXPECT_FALSE(failure) << leaf.name() << " should pass:\n" << head(failure.value_or(""));
    } else if (!failure) {
      ADD_FAILURE() << leaf.name() << " passes";
    } else {
      EXPECT_NE(failure->find(expected->second), std::string::npos)
          << leaf.name() << " lacks \"" << expected->second << "\":\n"
          << head(*failure);
    }
  }
}

// The first message that can show the fault is the 65-byte one: its chunk ending at 64 is not
// the last.
TEST(HashChunkingCatch, BlockRepeatedWhenAChunkEndsOnABlockEdge) {
  expectFailures<RepeatsBlockAtChunkEdge<examples::SHA256>>({
      {"EveryChunkSize",
       "hash of the 65-byte message in chunks [0..1|1..2|2..3|3..4|4..5|5..6|6..7|7..8|…|62..63|"
       "63..64|64..65] differs from hashStrict"},
      {"EveryTwoChunkSplit",
       "hash of the 65-byte message in chunks [0..64|64..65] differs from hashStrict"},
      {"BoundaryChunkPlans", "differs from hashStrict"},
  });
  expectFailures<RepeatsBlockAtChunkEdge<examples::SHA512>>({
      {"EveryChunkSize", "hash of the 129-byte message in chunks"},
      {"EveryTwoChunkSplit",
       "hash of the 129-byte message in chunks [0..128|128..129] differs from hashStrict"},
      {"BoundaryChunkPlans", "differs from hashStrict"},
  });
}

// A fault at one edge only: the 65-byte message split after its first block shows it.
TEST(HashChunkingCatch, BlockRepeatedOnlyAtTheFirstBlockEdge) {
  expectFailures<RepeatsBlockAtChunkEdge<examples::SHA256, true>>({
      {"EveryChunkSize", "hash of the 65-byte message in chunks [0..1|1..2|"},
      {"EveryTwoChunkSplit",
       "hash of the 65-byte message in chunks [0..64|64..65] differs from hashStrict"},
      {"BoundaryChunkPlans", "differs from hashStrict"},
  });
}

// The drawn law does not depend on luck either: it fails under every seed tried.
TEST(HashChunkingCatch, DrawnChunkPlansFindTheRepeatedBlockUnderEverySeed) {
  const Tree leaf = leafNamed({makeHashChunkingTests<RepeatsBlockAtChunkEdge<examples::SHA256>>()},
                              "BoundaryChunkPlans");
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    const PropertyResult result = checkLeaf(leaf, seed);
    EXPECT_EQ(result.outcome, PropertyResult::Outcome::Failed) << "seed " << seed;
    EXPECT_NE(result.report.find("RC_PARAMS=\"seed=" + std::to_string(seed) + "\""),
              std::string::npos);
  }
}

TEST(HashChunkingCatch, LastBitIgnored) {
  expectFailures<IgnoresLastBit<examples::SHA256>>({
      {"EveryBitCounts",
       "flipping bit 0 (mask 01) of byte 0 of the 1-byte message leaves its digest unchanged"},
  });
}

// Byte 200 first lies in the last block of the 247-byte message, where every bit is flipped.
template <Hash Real>
class IgnoresByte200Bit0 : public examples::WrappedDigest<Real, IgnoresByte200Bit0<Real>> {
  using Base = examples::WrappedDigest<Real, IgnoresByte200Bit0>;

 public:
  explicit IgnoresByte200Bit0(Real inner) : Base(std::move(inner)) {}
  static IgnoresByte200Bit0 hash(const LazyByteString& m) { return hashStrict(m.flatten()); }
  static IgnoresByte200Bit0 hashStrict(const ByteString& message) {
    ByteString read = message;
    if (read.size() > 200) read[200] &= 0xfe;
    return IgnoresByte200Bit0(Real::hashStrict(read));
  }
};

TEST(HashChunkingCatch, BitInTheLastBlockOfALongMessage) {
  expectFailures<IgnoresByte200Bit0<examples::SHA256>>({
      {"EveryBitCounts", "flipping bit 0 (mask 01) of byte 200 of the 247-byte message"},
  });
}

// A block length under one byte is reported by every leaf, never divided by.
struct FourBitBlocks : examples::WrappedDigest<examples::SHA256, FourBitBlocks> {
  explicit FourBitBlocks(examples::SHA256 inner) : WrappedDigest(std::move(inner)) {}
  static constexpr long blockLength() { return 4; }
  static FourBitBlocks hash(const LazyByteString& m) {
    return FourBitBlocks(examples::SHA256::hash(m));
  }
  static FourBitBlocks hashStrict(const ByteString& m) {
    return FourBitBlocks(examples::SHA256::hashStrict(m));
  }
};

TEST(HashChunking, BlockLengthUnderOneByteFailsEveryLeafWithTheLength) {
  std::map<std::string, std::string> failing;
  for (const std::string& name : kNames) failing[name] = "a block length of 4 bits";
  expectFailures<FourBitBlocks>(failing);
}

}  // namespace
}  // namespace kavrit::test
