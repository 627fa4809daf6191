#include "kavrit/test/hash_props.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "openssl/openssl_digest.hpp"
#include "property_support.hpp"

namespace kavrit::test {
namespace {

using namespace propcheck;

template <class D>
class HashPropsOnOpenSSL : public testing::Test {};

using OpenSSLDigests = testing::Types<examples::SHA1, examples::SHA224, examples::SHA256,
                                      examples::SHA384, examples::SHA512, examples::MD5>;
TYPED_TEST_SUITE(HashPropsOnOpenSSL, OpenSSLDigests);

TYPED_TEST(HashPropsOnOpenSSL, EveryPropertyPasses) {
  const std::vector<Tree> all = leaves({makeHashPropTests<TypeParam>()});
  ASSERT_EQ(all.size(), 5U);
  for (const Tree& leaf : all) {
    const PropertyResult result = checkLeaf(leaf);
    EXPECT_TRUE(result.passed()) << leaf.name() << ": " << outcomeName(result.outcome) << "\n"
                                 << head(result.report);
    EXPECT_EQ(result.successes, 100) << leaf.name();
  }
}

// Users select these by name, so the names are part of the interface.
TEST(HashProps, GroupAndPropertyNames) {
  const Tree tree = makeHashPropTests<examples::SHA256>();
  EXPECT_EQ(tree.name(), "Cryptographic Digest Property Tests");
  std::vector<std::string> names;
  for (const Tree& leaf : leaves({tree})) {
    EXPECT_EQ(leaf.kind(), Tree::Kind::Property) << leaf.name();
    names.push_back(leaf.name());
  }
  EXPECT_EQ(names,
            (std::vector<std::string>{"LazyStrictEqual", "DigestLen", "GetPutHash",
                                      "BlockLengthIsByteAligned", "OutputLengthIsByteAligned"}));
}

enum class Fault {
  ChunkBoundary,  // hash loses the last byte of every chunk but the final one
  LengthPrefix,   // serialize puts a length byte in front; parse reads past it
  ParseOther,     // parse digests its input instead of reading it
  ParseRejects,   // parse never accepts anything
  BlockBits,      // blockLength() of 1 bit
  OutputBits,     // outputLength() of 257 bits: 32 whole bytes, but not byte aligned
};

// OpenSSL's SHA-256 with one fault.
template <Fault F>
class BrokenSha256 {
  using Real = examples::SHA256;

 public:
  static constexpr long outputLength() { return F == Fault::OutputBits ? 257 : 256; }
  static constexpr long blockLength() { return F == Fault::BlockBits ? 1 : 512; }

  static BrokenSha256 hash(const LazyByteString& message) {
    if constexpr (F == Fault::ChunkBoundary) {
      std::vector<ByteString> chunks = message.chunks();
      for (std::size_t i = 0; i + 1 < chunks.size(); ++i) chunks[i].pop_back();
      return BrokenSha256(Real::hash(LazyByteString(std::move(chunks))));
    } else {
      return BrokenSha256(Real::hash(message));
    }
  }

  static BrokenSha256 hashStrict(const ByteString& message) {
    return BrokenSha256(Real::hashStrict(message));
  }

  [[nodiscard]] ByteString serialize() const {
    ByteString bytes = digest_.serialize();
    if constexpr (F == Fault::LengthPrefix) {
      bytes.insert(bytes.begin(), static_cast<std::uint8_t>(bytes.size()));
    }
    return bytes;
  }

  static std::optional<BrokenSha256> parse(const ByteString& bytes) {
    std::optional<Real> real;
    if constexpr (F == Fault::LengthPrefix) {
      if (bytes.empty() || bytes.size() < 1U + bytes[0]) return std::nullopt;
      real = Real::parse(ByteString(bytes.begin() + 1, bytes.end()));
    } else if constexpr (F == Fault::ParseOther) {
      real = Real::hashStrict(bytes);
    } else if constexpr (F == Fault::ParseRejects) {
      return std::nullopt;
    } else {
      real = Real::parse(bytes);
    }
    if (!real) return std::nullopt;
    return BrokenSha256(*real);
  }

  friend bool operator==(const BrokenSha256&, const BrokenSha256&) = default;

 private:
  explicit BrokenSha256(Real digest) : digest_(std::move(digest)) {}
  Real digest_;
};

// Runs all five properties on D: those named in `failing` must fail with a report holding the
// given text, the rest must pass.
template <Hash D>
void expectFailures(const std::map<std::string, std::string>& failing) {
  std::size_t failed = 0;
  for (const Tree& leaf : leaves({makeHashPropTests<D>()})) {
    const PropertyResult result = checkLeaf(leaf);
    const auto expected = failing.find(leaf.name());
    if (expected == failing.end()) {
      EXPECT_TRUE(result.passed()) << leaf.name() << " should pass: " << head(result.report);
      continue;
    }
    ++failed;
    EXPECT_EQ(result.outcome, PropertyResult::Outcome::Failed)
        << leaf.name() << ": " << outcomeName(result.outcome);
    EXPECT_NE(result.report.find(expected->second), std::string::npos)
        << leaf.name() << " report lacks \"" << expected->second << "\":\n"
        << head(result.report);
    EXPECT_NE(result.report.find("RC_PARAMS=\"seed=" + std::to_string(kSeed) + "\""),
              std::string::npos)
        << head(result.report);
  }
  EXPECT_EQ(failed, failing.size());
}

TEST(HashPropsCatch, LazyEntryPointLosingBytesAtChunkBoundaries) {
  expectFailures<BrokenSha256<Fault::ChunkBoundary>>(
      {{"LazyStrictEqual", "hash and hashStrict give different digests"}});
}

TEST(HashPropsCatch, SerialisedFormLongerThanOutputLength) {
  expectFailures<BrokenSha256<Fault::LengthPrefix>>(
      {{"DigestLen", "the digest of hash does not serialise to outputLength/8 = 32 bytes"}});
}

TEST(HashPropsCatch, ParseGivingAnotherDigest) {
  expectFailures<BrokenSha256<Fault::ParseOther>>(
      {{"GetPutHash", "the serialised digest parses to another digest"}});
}

TEST(HashPropsCatch, ParseRejectingItsOwnOutput) {
  expectFailures<BrokenSha256<Fault::ParseRejects>>(
      {{"GetPutHash", "parse rejects the serialised digest"}});
}

TEST(HashPropsCatch, BlockLengthNotWholeBytes) {
  expectFailures<BrokenSha256<Fault::BlockBits>>(
      {{"BlockLengthIsByteAligned", "Property \"BlockLengthIsByteAligned\""}});
}

// 257 bits still serialise to 257/8 = 32 bytes, so only the alignment law can see it.
TEST(HashPropsCatch, OutputLengthNotWholeBytes) {
  expectFailures<BrokenSha256<Fault::OutputBits>>(
      {{"OutputLengthIsByteAligned", "Property \"OutputLengthIsByteAligned\""}});
}

TEST(HashPropsCatch, FailureRepeatsWithTheSameSeed) {
  const Tree leaf =
      leafNamed({makeHashPropTests<BrokenSha256<Fault::ChunkBoundary>>()}, "LazyStrictEqual");
  const PropertyResult first = checkLeaf(leaf);
  const PropertyResult again = checkLeaf(leaf);
  ASSERT_EQ(first.outcome, PropertyResult::Outcome::Failed);
  EXPECT_EQ(first.seed, kSeed);
  EXPECT_EQ(first.successes, again.successes);
  EXPECT_EQ(first.report, again.report);
}

}  // namespace
}  // namespace kavrit::test
