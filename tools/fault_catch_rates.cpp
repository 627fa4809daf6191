// kavrit-fault-catch-rates: how often each suite catches the faults of
// examples/broken/boundary_faults.hpp, examples/broken/law_faults.hpp and
// examples/broken/refusal_faults.hpp over a number of RapidCheck seeds (20 by default). A suite
// catches a fault under a seed when any of its leaves fails: a unit case by throwing, a property
// by failing (giving up does not count). Prints one row per fault and suite with the rate and the
// leaves that failed under at least one seed.
//
//   kavrit-fault-catch-rates [seeds [first seed]]

#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "broken/boundary_faults.hpp"
#include "broken/law_faults.hpp"
#include "broken/refusal_faults.hpp"
#include "kavrit/test/aes.hpp"
#include "kavrit/test/aes_ctr.hpp"
#include "kavrit/test/block_cipher_continuation.hpp"
#include "kavrit/test/block_cipher_keys.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/ccm.hpp"
#include "kavrit/test/differential.hpp"
#include "kavrit/test/digest_laws.hpp"
#include "kavrit/test/gcm.hpp"
#include "kavrit/test/hash_chunking.hpp"
#include "kavrit/test/hash_props.hpp"
#include "kavrit/test/hmac.hpp"
#include "kavrit/test/hook_oracles.hpp"
#include "kavrit/test/key_wrap.hpp"
#include "kavrit/test/long_messages.hpp"
#include "kavrit/test/md5.hpp"
#include "kavrit/test/padding_edges.hpp"
#include "kavrit/test/refusal_laws.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/state_laws.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"
// Own construction members, against their NIST suites and the construction hook oracles.
#include "broken/construction_faults.hpp"
#include "kavrit/test/ccm.hpp"
#include "kavrit/test/cmac.hpp"
#include "kavrit/test/construction_oracles.hpp"
#include "kavrit/test/gcm.hpp"
#include "kavrit/test/hkdf.hpp"
#include "kavrit/test/xts.hpp"

namespace {

using namespace kavrit;
using namespace kavrit::examples;
using test::Test;

struct Suite {
  const char* fault;
  const char* suite;
  std::function<std::vector<Test>()> build;
};

void collect(const Test& tree, std::vector<Test>& out) {
  if (tree.kind() != Test::Kind::Group) {
    out.push_back(tree);
    return;
  }
  for (const Test& child : tree.children()) collect(child, out);
}

bool fails(const Test& leaf, std::uint64_t seed) {
  if (leaf.kind() == Test::Kind::Case) {
    try {
      leaf.run();
      return false;
    } catch (const std::exception&) {
      return true;
    }
  }
  kavrit::test::PropertyParams params;
  params.seed = seed;
  return leaf.check(leaf.name(), params).outcome == test::PropertyResult::Outcome::Failed;
}

std::vector<Suite> suites() {
  using Repeat256 = RepeatsBlockAtChunkEdge<SHA256>;
  using Repeat512 = RepeatsBlockAtChunkEdge<SHA512>;
  using First256 = RepeatsBlockAtChunkEdge<SHA256, true>;
  using LastBit = IgnoresLastBit<SHA256>;
  using OneBlock = OneBlockCbcKeepsIv<AES128>;
  const char* repeat256 = "SHA-256 repeating the block a chunk ends on";
  const char* repeat512 = "SHA-512 repeating the block a chunk ends on";
  const char* first256 = "SHA-256 repeating the first block at a chunk edge";
  const char* lastBit = "SHA-256 ignoring the last bit";
  const char* oneBlock = "AES-128 CBC with a wrong next IV for one block";
  // One fault of each class of the key, state, digest, hook and long-message laws and of the edge
  // known answers, against the older suites of its algorithm (known answers, property groups,
  // continuation or chunking laws) and against the builders made to catch it.
  using ZeroKey = RefusesZeroKey<AES128>;
  using Sticky = DirectionSticks<AES128>;
  using Prefix = PrefixEquality<SHA256>;
  using Ctr32 = Ctr32BitCounter<AES128>;
  using Update16 = UpdateLength16<SHA256>;
  const char* zeroKey = "AES-128 refusing the all-zero key";
  const char* sticky = "AES-128 context left decrypting";
  const char* prefix = "SHA-256 == comparing 8 bytes";
  const char* ctr32 = "AES-128 CTR member with a 32-bit counter";
  const char* update16 = "SHA-256 update length in 16 bits";
  using Ctr64 = Ctr64BitCounter<AES128>;
  using OfbWraps = OfbBufferWraps<AES128>;
  using PadsKeys = ZeroPadsShortKeys<AES128>;
  using Md5Edge = WrongAtPaddingEdge<MD5, 56>;
  using EmptyHmac = HmacLosesKeyOnEmptyMessage<SHA256>;
  const char* ctr64 = "AES-128 CTR member wrapping at 2^64";
  const char* ofbWraps = "AES-128 OFB keystream buffer of 256 blocks";
  const char* padsKeys = "AES-128 zero-padding short keys";
  const char* md5Edge = "MD5 wrong at 56 mod 64 bytes";
  const char* emptyHmac = "HMAC-SHA-256 member losing the key (empty msg)";
  const auto olderAES = [](auto cipher) {
    using K = std::remove_cvref_t<decltype(*cipher)>;
    std::vector<Test> trees = test::makeAESTests<K>();
    for (Test& tree : test::makeAESCTRTests<K>()) trees.push_back(tree);
    trees.push_back(test::makeBlockCipherContinuationTests<K>());
    return trees;
  };
  const auto olderSHA256 = [](auto digest) {
    using D = std::remove_cvref_t<decltype(*digest)>;
    std::vector<Test> trees = test::makeSHA256Tests<D>();
    trees.push_back(test::makeHashChunkingTests<D>());
    return trees;
  };
  const auto olderHMAC = [](auto digest) {
    using D = std::remove_cvref_t<decltype(*digest)>;
    std::vector<Test> trees = test::makeSHA256Tests<D>();
    for (Test& tree : test::makeSHA256HMACTests<D>()) trees.push_back(tree);
    trees.push_back(test::makeHashChunkingTests<D>());
    return trees;
  };
  return {
      // Own GCM, CCM, XTS, CMAC and HKDF members against their NIST suites and the construction
      // hook oracles.
      {"AES-128 GCM member carrying the counter into the IV", "makeGCMTests (KATs + props)",
       [] { return test::makeGCMTests<GcmCounterCarries<AES128>>(); }},
      {"AES-128 GCM member carrying the counter into the IV", "makeConstructionHookOracleTests",
       [] {
         return std::vector<Test>{
             test::makeConstructionHookOracleTests<GcmCounterCarries<AES128>>()};
       }},
      {"AES-128 GCM member keeping 256 bytes of AAD", "makeGCMTests (KATs + props)",
       [] { return test::makeGCMTests<GcmAadBuffer256<AES128>>(); }},
      {"AES-128 GCM member keeping 256 bytes of AAD", "makeConstructionHookOracleTests",
       [] {
         return std::vector<Test>{test::makeConstructionHookOracleTests<GcmAadBuffer256<AES128>>()};
       }},
      {"AES-128 CCM member with a 2-byte AAD length", "makeCCMTests (KATs + props)",
       [] { return test::makeCCMTests<CcmShortAadLength<AES128>>(); }},
      {"AES-128 CCM member with a 2-byte AAD length", "makeConstructionHookOracleTests",
       [] {
         return std::vector<Test>{
             test::makeConstructionHookOracleTests<CcmShortAadLength<AES128>>()};
       }},
      {"AES-128 XTS member reusing 32 tweaks", "makeXTSTests (KATs + props)",
       [] { return test::makeXTSTests<XtsTweakTable32<AES128>>(); }},
      {"AES-128 XTS member reusing 32 tweaks", "makeConstructionHookOracleTests",
       [] {
         return std::vector<Test>{test::makeConstructionHookOracleTests<XtsTweakTable32<AES128>>()};
       }},
      {"AES-128 CMAC member deriving K1 without R_b", "makeCMACTests (KATs + props)",
       [] { return test::makeCMACTests<CmacK1WithoutRb<AES128>>(); }},
      {"AES-128 CMAC member deriving K1 without R_b", "makeConstructionHookOracleTests",
       [] {
         return std::vector<Test>{test::makeConstructionHookOracleTests<CmacK1WithoutRb<AES128>>()};
       }},
      {"SHA-256 hkdf member dropping info without salt", "makeHKDFTests (KATs + law)",
       [] { return test::makeHKDFTests<HkdfDropsInfoWithoutSalt>(); }},
      {"SHA-256 hkdf member dropping info without salt", "makeKDFHookOracleTests",
       [] { return std::vector<Test>{test::makeKDFHookOracleTests<HkdfDropsInfoWithoutSalt>()}; }},
      {repeat256, "makeHashPropTests",
       [] { return std::vector<Test>{test::makeHashPropTests<Repeat256>()}; }},
      {repeat256, "makeSHA256Tests (KATs + props)",
       [] { return test::makeSHA256Tests<Repeat256>(); }},
      {repeat256, "makeHashChunkingTests",
       [] { return std::vector<Test>{test::makeHashChunkingTests<Repeat256>()}; }},
      {repeat256, "makeDifferentialHashTests",
       [] { return std::vector<Test>{test::makeDifferentialHashTests<Repeat256, SHA256>()}; }},
      {repeat512, "makeHashPropTests",
       [] { return std::vector<Test>{test::makeHashPropTests<Repeat512>()}; }},
      {repeat512, "makeSHA512Tests (KATs + props)",
       [] { return test::makeSHA512Tests<Repeat512>(); }},
      {repeat512, "makeHashChunkingTests",
       [] { return std::vector<Test>{test::makeHashChunkingTests<Repeat512>()}; }},
      {repeat512, "makeDifferentialHashTests",
       [] { return std::vector<Test>{test::makeDifferentialHashTests<Repeat512, SHA512>()}; }},
      {first256, "makeHashPropTests",
       [] { return std::vector<Test>{test::makeHashPropTests<First256>()}; }},
      {first256, "makeSHA256Tests (KATs + props)",
       [] { return test::makeSHA256Tests<First256>(); }},
      {first256, "makeHashChunkingTests",
       [] { return std::vector<Test>{test::makeHashChunkingTests<First256>()}; }},
      {first256, "makeDifferentialHashTests",
       [] { return std::vector<Test>{test::makeDifferentialHashTests<First256, SHA256>()}; }},
      {lastBit, "makeHashPropTests",
       [] { return std::vector<Test>{test::makeHashPropTests<LastBit>()}; }},
      {lastBit, "makeSHA256Tests (KATs + props)", [] { return test::makeSHA256Tests<LastBit>(); }},
      {lastBit, "makeHashChunkingTests",
       [] { return std::vector<Test>{test::makeHashChunkingTests<LastBit>()}; }},
      {lastBit, "makeDifferentialHashTests",
       [] { return std::vector<Test>{test::makeDifferentialHashTests<LastBit, SHA256>()}; }},
      {oneBlock, "makeBlockCipherPropTests",
       [] { return test::makeBlockCipherPropTests<OneBlock>(); }},
      {oneBlock, "makeAESTests (KATs + props)", [] { return test::makeAESTests<OneBlock>(); }},
      {oneBlock, "makeBlockCipherContinuationTests",
       [] { return std::vector<Test>{test::makeBlockCipherContinuationTests<OneBlock>()}; }},
      {oneBlock, "makeDifferentialBlockCipherTests",
       [] {
         return std::vector<Test>{test::makeDifferentialBlockCipherTests<OneBlock, AES128>()};
       }},
      {zeroKey, "older AES suites (KATs, props, CTR, cont.)",
       [olderAES] { return olderAES(static_cast<ZeroKey*>(nullptr)); }},
      {zeroKey, "makeBlockCipherKeyTests",
       [] { return std::vector<Test>{test::makeBlockCipherKeyTests<ZeroKey>()}; }},
      {sticky, "older AES suites (KATs, props, CTR, cont.)",
       [olderAES] { return olderAES(static_cast<Sticky*>(nullptr)); }},
      {sticky, "makeBlockCipherStateTests",
       [] { return std::vector<Test>{test::makeBlockCipherStateTests<Sticky>()}; }},
      {prefix, "older SHA-256 suites (KATs, props, chunking)",
       [olderSHA256] { return olderSHA256(static_cast<Prefix*>(nullptr)); }},
      {prefix, "makeDigestTests",
       [] { return std::vector<Test>{test::makeDigestTests<Prefix>()}; }},
      {ctr32, "older AES suites (KATs, props, CTR, cont.)",
       [olderAES] { return olderAES(static_cast<Ctr32*>(nullptr)); }},
      {ctr32, "makeModeHookOracleTests",
       [] { return std::vector<Test>{test::makeModeHookOracleTests<Ctr32>()}; }},
      {update16, "older SHA-256 suites (KATs, props, chunking)",
       [olderSHA256] { return olderSHA256(static_cast<Update16*>(nullptr)); }},
      {update16, "makeLongMessageTests",
       [] {
         return std::vector<Test>{
             test::makeLongMessageTests<Update16>(test::HashAlgorithm::SHA256)};
       }},
      {ctr64, "older AES suites (KATs, props, CTR, cont.)",
       [olderAES] { return olderAES(static_cast<Ctr64*>(nullptr)); }},
      {ctr64, "makeAESCTREdgeTests", [] { return test::makeAESCTREdgeTests<Ctr64>(); }},
      {ctr64, "makeModeHookOracleTests",
       [] { return std::vector<Test>{test::makeModeHookOracleTests<Ctr64>()}; }},
      {ofbWraps, "older AES suites (KATs, props, CTR, cont.)",
       [olderAES] { return olderAES(static_cast<OfbWraps*>(nullptr)); }},
      {ofbWraps, "makeLongModeTests",
       [] { return std::vector<Test>{test::makeLongModeTests<OfbWraps>()}; }},
      {padsKeys, "older AES suites (KATs, props, CTR, cont.)",
       [olderAES] { return olderAES(static_cast<PadsKeys*>(nullptr)); }},
      {padsKeys, "makeBlockCipherKeyTests",
       [] { return std::vector<Test>{test::makeBlockCipherKeyTests<PadsKeys>()}; }},
      {md5Edge, "older MD5 suites (KATs, props, chunking)",
       [] {
         std::vector<Test> trees = test::makeMD5Tests<Md5Edge>();
         trees.push_back(test::makeHashChunkingTests<Md5Edge>());
         return trees;
       }},
      {md5Edge, "makeMD5PaddingEdgeTests", [] { return test::makeMD5PaddingEdgeTests<Md5Edge>(); }},
      {emptyHmac, "older SHA-256 suites (KATs, HMAC, chunking)",
       [olderHMAC] { return olderHMAC(static_cast<EmptyHmac*>(nullptr)); }},
      {emptyHmac, "makeHMACHookOracleTests",
       [] { return std::vector<Test>{test::makeHMACHookOracleTests<EmptyHmac>()}; }},
      // GCM, CCM, KW and KWP members that open what they must refuse, against the NIST suites
      // of their construction (for GCM and CCM with the older laws) and the refusal laws.
      {"AES-128 GCM comparing 4 tag bytes", "makeGCMTests (KATs + props)",
       [] { return test::makeGCMTests<GcmComparesFourTagBytes<AES128>>(); }},
      {"AES-128 GCM comparing 4 tag bytes", "makeAEADRefusalTests",
       [] {
         return std::vector<Test>{test::makeAEADRefusalTests<GcmComparesFourTagBytes<AES128>>()};
       }},
      {"AES-128 GCM taking tags under 4 bytes", "makeGCMTests (KATs + props)",
       [] { return test::makeGCMTests<GcmTakesShortTags<AES128>>(); }},
      {"AES-128 GCM taking tags under 4 bytes", "makeAEADRefusalTests",
       [] { return std::vector<Test>{test::makeAEADRefusalTests<GcmTakesShortTags<AES128>>()}; }},
      {"AES-128 CCM comparing a cut tag", "makeCCMTests (KATs + props)",
       [] { return test::makeCCMTests<CcmComparesCutTag<AES128>>(); }},
      {"AES-128 CCM comparing a cut tag", "makeAEADRefusalTests",
       [] { return std::vector<Test>{test::makeAEADRefusalTests<CcmComparesCutTag<AES128>>()}; }},
      {"AES-128 KW checking 4 ICV bytes", "makeKeyWrapTests",
       [] { return test::makeKeyWrapTests<KwChecksFourIcvBytes<AES128>>(); }},
      {"AES-128 KW checking 4 ICV bytes", "makeKeyWrapRefusalTests",
       [] {
         return std::vector<Test>{test::makeKeyWrapRefusalTests<KwChecksFourIcvBytes<AES128>>()};
       }},
      {"AES-128 KWP not checking the padding", "makeKeyWrapTests",
       [] { return test::makeKeyWrapTests<KwpIgnoresPadding<AES128>>(); }},
      {"AES-128 KWP not checking the padding", "makeKeyWrapRefusalTests",
       [] {
         return std::vector<Test>{test::makeKeyWrapRefusalTests<KwpIgnoresPadding<AES128>>()};
       }},
      {"AES-128 KWP without the MLI range check", "makeKeyWrapTests",
       [] { return test::makeKeyWrapTests<KwpSkipsLengthCheck<AES128>>(); }},
      {"AES-128 KWP without the MLI range check", "makeKeyWrapRefusalTests",
       [] {
         return std::vector<Test>{test::makeKeyWrapRefusalTests<KwpSkipsLengthCheck<AES128>>()};
       }},
  };
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint64_t seeds = argc > 1 ? std::stoull(argv[1]) : 20;
  const std::uint64_t first = argc > 2 ? std::stoull(argv[2]) : 1;
  std::printf("%-50s %-44s %8s  %s\n", "fault", "suite", "caught", "leaves that failed");
  for (const Suite& suite : suites()) {
    std::vector<Test> leaves;
    for (const Test& tree : suite.build()) collect(tree, leaves);
    std::uint64_t caught = 0;
    std::map<std::string, int> failed;
    for (std::uint64_t seed = first; seed < first + seeds; ++seed) {
      bool any = false;
      for (const Test& leaf : leaves) {
        if (fails(leaf, seed)) {
          any = true;
          ++failed[leaf.name()];
        }
      }
      caught += any ? 1 : 0;
    }
    // Known-answer cases fail under every seed alike; name a few and count the rest.
    std::string names;
    std::size_t shown = 0;
    for (const auto& [name, count] : failed) {
      if (shown++ == 4) {
        names += ", and " + std::to_string(failed.size() - 4) + " more";
        break;
      }
      names += (names.empty() ? "" : ", ") + name + " " + std::to_string(count) + "/" +
               std::to_string(seeds);
    }
    std::printf("%-50s %-44s %5llu/%llu  %s\n", suite.fault, suite.suite,
                static_cast<unsigned long long>(caught), static_cast<unsigned long long>(seeds),
                names.c_str());
    std::fflush(stdout);
  }
  return 0;
}
