// The key, state and digest laws: they hold on OpenSSL's and Nettle's adapters, and each fails on
// the broken adapter of examples/broken/law_faults.hpp that it is built for, where the older
// suites pass.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "broken/law_faults.hpp"
#include "kavrit/test/aes.hpp"
#include "kavrit/test/block_cipher_continuation.hpp"
#include "kavrit/test/block_cipher_keys.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/digest_laws.hpp"
#include "kavrit/test/hash_props.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/state_laws.hpp"
#include "nettle/nettle_reference.hpp"
#include "nettle/nettle_twofish.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"
#include "property_support.hpp"

namespace kavrit::test {
namespace {

using namespace propcheck;
namespace ex = examples;

template <class K>
class CipherLawsOnRealCiphers : public testing::Test {};
using RealCiphers =
    testing::Types<ex::AES128, ex::AES192, ex::AES256, ex::NettleAES128, ex::NettleAES256>;
TYPED_TEST_SUITE(CipherLawsOnRealCiphers, RealCiphers);

TYPED_TEST(CipherLawsOnRealCiphers, KeyAndStateLawsHold) {
  const Tree keys = makeBlockCipherKeyTests<TypeParam>();
  const Tree state = makeBlockCipherStateTests<TypeParam>();
  EXPECT_EQ(keys.name(), "Block Cipher Key Tests");
  EXPECT_EQ(
      leafNames(keys),
      (std::vector<std::string>{"AcceptsKeysOfKeyLength", "AcceptsDrawnKeys", "RefusesOtherLengths",
                                "DifferentKeysDifferentCiphertexts", "EveryKeyBitMatters"}));
  EXPECT_EQ(state.name(), "Block Cipher State Tests");
  EXPECT_EQ(leafNames(state),
            (std::vector<std::string>{"CopyAgrees", "SameOperationTwice",
                                      "EveryOperationAfterEveryOther", "InterleavedOperations"}));
  expectAllLeavesPass({keys, state});
}

// Nettle's Twofish takes 16, 24 and 32-byte keys whatever its keyLength says.
TEST(CipherLaws, TwofishWithItsOtherKeySizes) {
  expectAllLeavesPass({makeBlockCipherKeyTests<ex::Twofish128>({16, 24, 32}),
                       makeBlockCipherStateTests<ex::Twofish256>()});
  expectOnlyTheseFail(makeBlockCipherKeyTests<ex::Twofish128>(),
                      {{"RefusesOtherLengths", "buildKey accepts the 24-byte key"}});
}

template <class D>
class DigestLawsOnRealHashes : public testing::Test {};
using RealHashes = testing::Types<ex::MD5, ex::SHA1, ex::SHA224, ex::SHA256, ex::SHA384, ex::SHA512,
                                  ex::NettleSHA256, ex::NettleSHA512>;
TYPED_TEST_SUITE(DigestLawsOnRealHashes, RealHashes);

TYPED_TEST(DigestLawsOnRealHashes, DigestAndStateLawsHold) {
  const Tree digest = makeDigestTests<TypeParam>();
  const Tree state = makeHashStateTests<TypeParam>();
  EXPECT_EQ(digest.name(), "Digest Tests");
  EXPECT_EQ(leafNames(digest),
            (std::vector<std::string>{"DistinctMessagesDistinctDigests", "EqualityFollowsBytes",
                                      "ParseRefusesShortInput", "ParseReadsPrefix"}));
  EXPECT_EQ(state.name(), "Hash State Tests");
  EXPECT_EQ(leafNames(state),
            (std::vector<std::string>{"EqualBuffersEqualDigests", "BufferChangedInPlace",
                                      "DrawnBufferChangedInPlace"}));
  expectAllLeavesPass({digest, state});
}

// The older AES suites leave out the vectors whose key buildKey refuses, so a cipher that refuses
// the all-zero key (ECBGFSbox, ECBVarTxt) passes them.
TEST(KeyLawsCatch, AllZeroKeyRefused) {
  using K = ex::RefusesZeroKey<ex::AES128>;
  expectAllLeavesPass(makeAESTests<K>());
  expectOnlyTheseFail(makeBlockCipherKeyTests<K>(),
                      {{"AcceptsKeysOfKeyLength",
                        "buildKey refuses the 16-byte key 00000000000000000000000000000000"},
                       {"AcceptsDrawnKeys", "buildKey refuses the 16-byte key"},
                       {"EveryKeyBitMatters", "buildKey refuses the 16-byte key 0000"}});
}

TEST(KeyLawsCatch, ShortKeysZeroPadded) {
  using K = ex::ZeroPadsShortKeys<ex::AES128>;
  expectAllLeavesPass(makeAESTests<K>());
  expectOnlyTheseFail(
      makeBlockCipherKeyTests<K>(),
      {{"RefusesOtherLengths", "buildKey accepts the 0-byte key ; keyLength() is 128"}});
}

// A context left decrypting: the older laws never encrypt on a key after decrypting with it.
TEST(StateLawsCatch, DirectionSticksAfterDecryption) {
  using K = ex::DirectionSticks<ex::AES128>;
  expectAllLeavesPass(makeAESTests<K>());
  expectAllLeavesPass({makeBlockCipherContinuationTests<K>()});
  expectOnlyTheseFail(
      makeBlockCipherStateTests<K>(),
      {{"EveryOperationAfterEveryOther",
        "encryptBlock after decryptBlock on the same key gives another result"},
       {"InterleavedOperations", "on a key that has done"},
       // The copy shares the context, and the first decryption leaves it decrypting.
       {"CopyAgrees", "on a copy of the key gives another result"}});
}

// The library moves keys and never copies them, so only the copy law sees a copy.
TEST(StateLawsCatch, CopyLosesItsKey) {
  using K = ex::CopyLosesKey<ex::AES128>;
  expectAllLeavesPass(makeAESTests<K>());
  expectOnlyTheseFail(makeBlockCipherStateTests<K>(),
                      {{"CopyAgrees", "encryptBlock on a copy of the key gives another result"}});
}

TEST(StateLawsCatch, CbcKeepsItsChainBetweenCalls) {
  using K = ex::CbcKeepsChain<ex::AES128>;
  expectOnlyTheseFail(
      makeBlockCipherStateTests<K>(),
      {{"SameOperationTwice", "cbc called twice on one key gives another result the second time"},
       {"EveryOperationAfterEveryOther", "cbc after cbc on the same key"},
       {"InterleavedOperations", "cbc on a key that has done"},
       // The copy shares the chain the original left.
       {"CopyAgrees", "cbc on a copy of the key gives another result"}});
}

TEST(StateLawsCatch, HashCachedByBufferAddress) {
  using D = ex::CachesByAddress<ex::SHA256>;
  expectOnlyTheseFail(makeHashStateTests<D>(),
                      {{"BufferChangedInPlace", "whose byte 0 (the first) was changed in place"},
                       {"DrawnBufferChangedInPlace", "changed in place at byte"}});
}

// Equality on a prefix and the parsers pass the older hash laws (GetPutHash parses exactly a
// serialised digest and compares it with itself).
TEST(DigestLawsCatch, EqualityOnAPrefix) {
  using D = ex::PrefixEquality<ex::SHA256>;
  expectAllLeavesPass(makeSHA256Tests<D>());
  expectOnlyTheseFail(
      makeDigestTests<D>(),
      {{"EqualityFollowsBytes", "two digests that differ in byte 8 of 32 compare equal"}});
}

TEST(DigestLawsCatch, ParseOfShortInput) {
  using D = ex::ParsePadsShortInput<ex::SHA256>;
  expectAllLeavesPass({makeHashPropTests<D>()});
  expectOnlyTheseFail(
      makeDigestTests<D>(),
      {{"ParseRefusesShortInput", "parse accepts 0 bytes, fewer than the 32 of a digest"}});
}

TEST(DigestLawsCatch, ParseOfLongerInput) {
  using D = ex::ParseWantsExactLength<ex::SHA512>;
  expectAllLeavesPass({makeHashPropTests<D>()});
  expectOnlyTheseFail(makeDigestTests<D>(),
                      {{"ParseReadsPrefix", "parse refuses a digest's bytes followed by 1 more"}});
}

// A key length that is not whole bytes cannot be given to buildKey: the builder's cases say so.
struct SevenBitKeys {
  static constexpr long blockSize() { return 128; }
  static constexpr long keyLength() { return 7; }
  static std::optional<SevenBitKeys> buildKey(const ByteString&) { return SevenBitKeys{}; }
  [[nodiscard]] ByteString encryptBlock(const ByteString& in) const { return in; }
  [[nodiscard]] ByteString decryptBlock(const ByteString& in) const { return in; }
};

TEST(CipherLaws, KeyLengthNotWholeBytes) {
  const auto failure =
      leafFailure(leafNamed({makeBlockCipherKeyTests<SevenBitKeys>()}, "AcceptsKeysOfKeyLength"));
  ASSERT_TRUE(failure);
  EXPECT_NE(failure->find("a key length of 7 bits is not a whole number of bytes"),
            std::string::npos);
}

}  // namespace
}  // namespace kavrit::test
