// Tests of the tests: every builder, run on the committed vector files against an implementation
// with a one-bit fault, must fail, and each known-answer suite must still hold every vector the
// files carry. A suite that quietly turned into one that passes whatever happens (an empty or
// missing data directory, vectors skipped after a parsing change, a comparison that compares
// nothing) fails here.

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "broken/broken_examples.hpp"
#include "kat_fixture.hpp"
#include "kavrit/test/aes.hpp"
#include "kavrit/test/aes_ctr.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/hash_props.hpp"
#include "kavrit/test/hmac.hpp"
#include "kavrit/test/md5.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/sha3.hpp"
#include "kavrit/test/sha3_monte.hpp"
#include "kavrit/test/sha_monte.hpp"
#include "kavrit/test/twofish.hpp"
#include "nettle/nettle_twofish.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"
#include "property_support.hpp"

namespace {

using kavrit::ByteString;
using kavrit::LazyByteString;
using kavrit::test::propcheck::checkLeaf;
using kavrit::test::propcheck::leaves;
using kavrit::test::propcheck::Tree;
namespace ex = kavrit::examples;

// D with the lowest bit of the last digest byte flipped, on both entry points.
template <class D>
struct FlippedDigest {
  ByteString bytes;
  static constexpr long outputLength() { return D::outputLength(); }
  static constexpr long blockLength() { return D::blockLength(); }
  static FlippedDigest flip(ByteString b) {
    if (!b.empty()) b.back() ^= 1;
    return {std::move(b)};
  }
  static FlippedDigest hashStrict(const ByteString& m) {
    return flip(D::hashStrict(m).serialize());
  }
  static FlippedDigest hash(const LazyByteString& m) { return flip(D::hash(m).serialize()); }
  [[nodiscard]] ByteString serialize() const { return bytes; }
  static std::optional<FlippedDigest> parse(const ByteString& b) {
    const auto n = static_cast<std::size_t>(outputLength() / 8);
    if (b.size() < n) return std::nullopt;
    return FlippedDigest{ByteString(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n))};
  }
  friend bool operator==(const FlippedDigest&, const FlippedDigest&) = default;
};

// K whose encryption and decryption both flip the lowest bit of every output block.
template <class K>
class FlippedCipher {
 public:
  static constexpr long blockSize() { return K::blockSize(); }
  static constexpr long keyLength() { return K::keyLength(); }
  static std::optional<FlippedCipher> buildKey(const ByteString& key) {
    auto inner = K::buildKey(key);
    if (!inner) return std::nullopt;
    return FlippedCipher(*inner);
  }
  [[nodiscard]] ByteString encryptBlock(const ByteString& in) const {
    return flip(inner_.encryptBlock(in));
  }
  [[nodiscard]] ByteString decryptBlock(const ByteString& in) const {
    return flip(inner_.decryptBlock(in));
  }

 private:
  explicit FlippedCipher(K inner) : inner_(std::move(inner)) {}
  static ByteString flip(ByteString b) {
    for (std::size_t i = 0; i < b.size(); i += static_cast<std::size_t>(blockSize() / 8)) {
      b[i] ^= 1;
    }
    return b;
  }
  K inner_;
};

struct Verdicts {
  std::size_t cases = 0;
  std::size_t failingCases = 0;
  std::size_t properties = 0;
  std::size_t failingProperties = 0;
};

Verdicts run(const std::vector<Tree>& trees) {
  Verdicts v;
  for (const Tree& leaf : leaves(trees)) {
    if (leaf.kind() == Tree::Kind::Case) {
      ++v.cases;
      if (kavrit::test::fixture::failureOf(leaf)) ++v.failingCases;
    } else {
      ++v.properties;
      if (!checkLeaf(leaf).passed()) ++v.failingProperties;
    }
  }
  return v;
}

// The committed data directory; kavrit_tests_datadir is unset for the test.
class SuiteSensitivity : public ::testing::Test {
 protected:
  kavrit::test::fixture::DataDir data{false};
};

// Every vector of the files is a test, and a one-bit fault fails every one of them.
void expectAllVectorsFail(const std::vector<Tree>& trees, std::size_t vectors) {
  const Verdicts v = run(trees);
  EXPECT_EQ(v.cases, vectors);
  EXPECT_EQ(v.failingCases, v.cases);
}

TEST_F(SuiteSensitivity, ShaSuitesFailOnEveryVector) {
  expectAllVectorsFail(kavrit::test::makeSHA1Tests<FlippedDigest<ex::SHA1>>(), 129);
  expectAllVectorsFail(kavrit::test::makeSHA224Tests<FlippedDigest<ex::SHA224>>(), 129);
  expectAllVectorsFail(kavrit::test::makeSHA256Tests<FlippedDigest<ex::SHA256>>(), 129);
  expectAllVectorsFail(kavrit::test::makeSHA384Tests<FlippedDigest<ex::SHA384>>(), 257);
  expectAllVectorsFail(kavrit::test::makeSHA512Tests<FlippedDigest<ex::SHA512>>(), 257);
}

TEST_F(SuiteSensitivity, HmacSuitesFailOnEveryVector) {
  expectAllVectorsFail(kavrit::test::makeSHA1HMACTests<FlippedDigest<ex::SHA1>>(), 300);
  expectAllVectorsFail(kavrit::test::makeSHA224HMACTests<FlippedDigest<ex::SHA224>>(), 375);
  expectAllVectorsFail(kavrit::test::makeSHA256HMACTests<FlippedDigest<ex::SHA256>>(), 225);
  expectAllVectorsFail(kavrit::test::makeSHA384HMACTests<FlippedDigest<ex::SHA384>>(), 300);
  expectAllVectorsFail(kavrit::test::makeSHA512HMACTests<FlippedDigest<ex::SHA512>>(), 375);
}

TEST_F(SuiteSensitivity, MonteCarloSuitesFailOnEveryCheckpoint) {
  expectAllVectorsFail(kavrit::test::makeSHA1MonteTests<FlippedDigest<ex::SHA1>>(), 100);
  expectAllVectorsFail(kavrit::test::makeSHA224MonteTests<FlippedDigest<ex::SHA224>>(), 100);
  expectAllVectorsFail(kavrit::test::makeSHA256MonteTests<FlippedDigest<ex::SHA256>>(), 100);
  expectAllVectorsFail(kavrit::test::makeSHA384MonteTests<FlippedDigest<ex::SHA384>>(), 100);
  expectAllVectorsFail(kavrit::test::makeSHA512MonteTests<FlippedDigest<ex::SHA512>>(), 100);
}

TEST_F(SuiteSensitivity, Sha512TruncationSuitesFailOnEveryVectorAndCheckpoint) {
  using D224 = FlippedDigest<ex::SHA512_224>;
  using D256 = FlippedDigest<ex::SHA512_256>;
  expectAllVectorsFail(kavrit::test::makeSHA512_224Tests<D224>(), 257);
  expectAllVectorsFail(kavrit::test::makeSHA512_256Tests<D256>(), 257);
  expectAllVectorsFail(kavrit::test::makeSHA512_224MonteTests<D224>(), 100);
  expectAllVectorsFail(kavrit::test::makeSHA512_256MonteTests<D256>(), 100);
}

TEST_F(SuiteSensitivity, Sha3SuitesFailOnEveryVectorAndCheckpoint) {
  expectAllVectorsFail(kavrit::test::makeSHA3_224Tests<FlippedDigest<ex::SHA3_224>>(), 245);
  expectAllVectorsFail(kavrit::test::makeSHA3_256Tests<FlippedDigest<ex::SHA3_256>>(), 237);
  expectAllVectorsFail(kavrit::test::makeSHA3_384Tests<FlippedDigest<ex::SHA3_384>>(), 205);
  expectAllVectorsFail(kavrit::test::makeSHA3_512Tests<FlippedDigest<ex::SHA3_512>>(), 173);
  expectAllVectorsFail(kavrit::test::makeSHA3_224MonteTests<FlippedDigest<ex::SHA3_224>>(), 100);
  expectAllVectorsFail(kavrit::test::makeSHA3_256MonteTests<FlippedDigest<ex::SHA3_256>>(), 100);
  expectAllVectorsFail(kavrit::test::makeSHA3_384MonteTests<FlippedDigest<ex::SHA3_384>>(), 100);
  expectAllVectorsFail(kavrit::test::makeSHA3_512MonteTests<FlippedDigest<ex::SHA3_512>>(), 100);
}

TEST_F(SuiteSensitivity, CtrSuiteFailsOnEveryVector) {
  expectAllVectorsFail(kavrit::test::makeAESCTRTests<FlippedCipher<ex::AES128>>(), 8);
  expectAllVectorsFail(kavrit::test::makeAESCTRTests<FlippedCipher<ex::AES256>>(), 8);
}

TEST_F(SuiteSensitivity, Md5SuiteFailsOnEveryVector) {
  expectAllVectorsFail(kavrit::test::makeMD5Tests<FlippedDigest<ex::MD5>>(), 7);
}

TEST_F(SuiteSensitivity, CipherSuitesFailOnEveryVectorAndInTheirLaws) {
  const auto check = [](const std::vector<Tree>& trees, std::size_t vectors) {
    const Verdicts v = run(trees);
    EXPECT_EQ(v.cases, vectors);
    EXPECT_EQ(v.failingCases, v.cases);
    EXPECT_EQ(v.properties, 10u);
    EXPECT_GT(v.failingProperties, 0u);
  };
  check(kavrit::test::makeAESTests<FlippedCipher<ex::AES128>>(), 2352);
  check(kavrit::test::makeAESTests<FlippedCipher<ex::AES192>>(), 2880);
  check(kavrit::test::makeAESTests<FlippedCipher<ex::AES256>>(), 3320);
  check(kavrit::test::makeTwoFishTests<FlippedCipher<ex::Twofish128>>(), 1347);
}

// The laws alone, with faults that known answers of whole messages would not see.
TEST_F(SuiteSensitivity, PropertySuitesFailOnBrokenImplementations) {
  EXPECT_GT(run({kavrit::test::makeHashPropTests<ex::BrokenChunkedSHA256>()}).failingProperties,
            0u);
  EXPECT_GT(
      run(kavrit::test::makeBlockCipherPropTests<ex::BrokenDecryptAES128>()).failingProperties, 0u);
}

}  // namespace
