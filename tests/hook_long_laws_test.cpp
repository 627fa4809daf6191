// The hook oracles and the long-message laws: they hold on OpenSSL's and Nettle's adapters and on
// types whose own members are another library's modes and HMAC, and each fails on the broken
// adapter of examples/broken/law_faults.hpp that it is built for, where the older suites pass.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "broken/law_faults.hpp"
#include "kavrit/test/aes_ctr.hpp"
#include "kavrit/test/block_cipher_continuation.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/hash_chunking.hpp"
#include "kavrit/test/hmac.hpp"
#include "kavrit/test/hook_oracles.hpp"
#include "kavrit/test/long_messages.hpp"
#include "kavrit/test/sha.hpp"
#include "nettle/nettle_reference.hpp"
#include "nettle/nettle_twofish.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"
#include "own_hooks_support.hpp"
#include "property_support.hpp"

namespace kavrit::test {
namespace {

using namespace propcheck;
namespace ex = examples;

// Types without members of their own have nothing to compare: empty groups.
TEST(HookOracles, NothingToCompareWithoutHooks) {
  const Tree modes = makeModeHookOracleTests<ex::AES128>();
  EXPECT_EQ(modes.name(), "Mode Hook Oracle Tests");
  EXPECT_TRUE(modes.children().empty());
  const Tree hmac = makeHMACHookOracleTests<ex::SHA256>();
  EXPECT_EQ(hmac.name(), "HMAC Hook Oracle Tests");
  EXPECT_TRUE(hmac.children().empty());
  EXPECT_TRUE(makeModeHookOracleTests<ex::Twofish128>().children().empty());
  EXPECT_TRUE(makeHMACHookOracleTests<ex::NettleSHA512>().children().empty());
}

// OpenSSL's own CTR and CBC behind the hooks, Nettle's HMAC behind the HMAC hooks.
TEST(HookOracles, AnotherLibrarysModesAndHmacAgree) {
  const Tree modes = makeModeHookOracleTests<hooks::OpenSSLModesAES128>();
  EXPECT_EQ(leafNames(modes), (std::vector<std::string>{"CBCHookEdges", "CBCHookDrawn",
                                                        "CTRHookEdges", "CTRHookDrawn"}));
  const Tree hmac = makeHMACHookOracleTests<hooks::NettleHmacSHA256>();
  EXPECT_EQ(leafNames(hmac), (std::vector<std::string>{"HMACHookEdges", "HMACHookDrawn"}));
  expectAllLeavesPass({modes, hmac});
}

// Neither fault shows in the CTR vectors (no counter there crosses 2^32) or the random laws.
TEST(HookOraclesCatch, CounterOf32Bits) {
  using K = ex::Ctr32BitCounter<ex::AES128>;
  expectAllLeavesPass(makeAESCTRTests<K>());
  expectAllLeavesPass(makeBlockCipherPropTests<K>());
  expectAllLeavesPass({makeBlockCipherContinuationTests<K>()});
  expectOnlyTheseFail(
      makeModeHookOracleTests<K>(),
      {{"CTRHookEdges", "ctr on 1 block from IV ffffffffffffffffffffffffffffffff: another next IV"},
       {"CTRHookDrawn", "ctr"}});
}

TEST(HookOraclesCatch, CounterWrapsAt2To64) {
  using K = ex::Ctr64BitCounter<ex::AES128>;
  expectAllLeavesPass(makeAESCTRTests<K>());
  expectAllLeavesPass({makeBlockCipherContinuationTests<K>()});
  expectOnlyTheseFail(
      makeModeHookOracleTests<K>(),
      {{"CTRHookEdges", "ctr on 1 block from IV ffffffffffffffffffffffffffffffff: another next IV"},
       {"CTRHookDrawn", "another"}});
}

// The NIST HMAC vectors all have messages of 128 bytes.
TEST(HookOraclesCatch, HmacOfEmptyLazyMessage) {
  using D = ex::HmacLosesKeyOnEmptyMessage<ex::SHA256>;
  expectAllLeavesPass(makeSHA256HMACTests<D>());
  expectOnlyTheseFail(
      makeHMACHookOracleTests<D>(),
      {{"HMACHookEdges", "hmac of the 0-byte message under the 0-byte key in chunks [] differs"},
       {"HMACHookDrawn", "own hmac differs"}});
}

TEST(LongMessages, HoldOnOpenSSLAndNettle) {
  const Tree sha256 = makeLongMessageTests<ex::SHA256>(HashAlgorithm::SHA256);
  EXPECT_EQ(sha256.name(), "Long Message Tests");
  EXPECT_EQ(leafNames(sha256),
            (std::vector<std::string>{"MillionA", "Strict64KiBPlus1", "Strict1MiB"}));
  expectAllLeavesPass({sha256, makeLongMessageTests<ex::MD5>(HashAlgorithm::MD5),
                       makeLongMessageTests<ex::SHA1>(HashAlgorithm::SHA1),
                       makeLongMessageTests<ex::SHA224>(HashAlgorithm::SHA224),
                       makeLongMessageTests<ex::SHA384>(HashAlgorithm::SHA384),
                       makeLongMessageTests<ex::SHA512>(HashAlgorithm::SHA512),
                       makeLongMessageTests<ex::NettleSHA256>(HashAlgorithm::SHA256),
                       makeLongMessageTests<ex::NettleSHA512>(HashAlgorithm::SHA512),
                       makeLongMessageTests<ex::SHA256>(HashAlgorithm::Other)});
}

// A wrong published digest is caught: SHA-1 checked as SHA-256 fails its first case.
TEST(LongMessages, AnotherAlgorithmsDigestFails) {
  expectOnlyTheseFail(makeLongMessageTests<ex::SHA1>(HashAlgorithm::SHA256),
                      {{"MillionA", "differs from its published digest"}});
}

// The slow group is there only when asked for, under a name a filter can leave out; its digest
// is checked here for MD5, the fastest.
TEST(LongMessages, SlowGroupOnRequest) {
  const Tree slow = makeLongMessageTests<ex::MD5>(HashAlgorithm::MD5, {.slow = true});
  ASSERT_EQ(slow.children().size(), 4u);
  EXPECT_EQ(slow.children()[3].name(), "Slow");
  EXPECT_EQ(leafNames(slow.children()[3]), std::vector<std::string>{"HalfGiBPlusOne"});
  expectAllLeavesPass({slow.children()[3]});
}

// 16-bit length counters: the SHA-256 vectors are all shorter than 8 KiB, so they pass.
TEST(LongMessagesCatch, BitCounterOf16Bits) {
  using D = ex::Sha256WithShortBitCounter;
  expectAllLeavesPass(makeSHA256Tests<D>());
  expectAllLeavesPass({makeHashChunkingTests<D>()});
  expectOnlyTheseFail(makeLongMessageTests<D>(HashAlgorithm::SHA256),
                      {{"MillionA",
                        "hashStrict of the message of 1,000,000 'a' (1000000 bytes) "
                        "differs from its published digest"}});
}

TEST(LongMessagesCatch, UpdateLengthOf16Bits) {
  using D = ex::UpdateLength16<ex::SHA256>;
  expectAllLeavesPass(makeSHA256Tests<D>());
  expectOnlyTheseFail(makeLongMessageTests<D>(HashAlgorithm::SHA256),
                      {{"MillionA", "differs from its published digest"},
                       {"Strict64KiBPlus1", "in chunks of 1000 bytes differs from hashStrict"},
                       {"Strict1MiB", "in chunks of 1000 bytes differs from hashStrict"}});
}

TEST(LongModes, HoldOnOpenSSLAndNettle) {
  const Tree aes = makeLongModeTests<ex::AES128>();
  EXPECT_EQ(aes.name(), "Long Mode Tests");
  EXPECT_EQ(leafNames(aes),
            (std::vector<std::string>{"ECBLongMessage", "CBCLongMessage", "CFBLongMessage",
                                      "OFBLongMessage", "CTRLongMessage"}));
  expectAllLeavesPass({aes, makeLongModeTests<ex::AES256>(), makeLongModeTests<ex::NettleAES128>(),
                       makeLongModeTests<ex::Twofish256>(),
                       makeLongModeTests<hooks::OpenSSLModesAES128>()});
}

// No older law gives OFB more than 256 blocks.
TEST(LongModesCatch, OfbKeystreamBufferWraps) {
  using K = ex::OfbBufferWraps<ex::AES128>;
  expectAllLeavesPass(makeBlockCipherPropTests<K>());
  expectAllLeavesPass({makeBlockCipherContinuationTests<K>()});
  expectOnlyTheseFail(
      makeLongModeTests<K>(),
      {{"OFBLongMessage", "OFB encryption of 257 blocks split after block 1 differs"}});
}

}  // namespace
}  // namespace kavrit::test
