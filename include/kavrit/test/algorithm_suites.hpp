#pragma once

/// @file
/// Everything the library has for one algorithm, in one call. Each builder here returns the trees
/// of the builders it lists, called one after the other in that order with the same
/// implementation; a builder that returns one tree contributes that tree. Nothing is added or
/// renamed, so a test runs under the same name as when its own builder is called; only the groups
/// named "Slow" in a builder's trees are left out (PBKDF2's 2^24 iterations, constructions over a
/// MiB): call the builder yourself to run them.
///
///   makeMD5Suites       makeMD5Tests, makeMD5PaddingEdgeTests, makeHashChunkingTests, the hash
///                       laws with MD5, makeRFC2202HMACTests, makeKDFHookOracleTests
///   makeSHA1Suites      makeSHA1Tests, makeSHA1HMACTests, makeSHA1MonteTests,
///                       makeSHA1PaddingEdgeTests, makeHashChunkingTests, the hash laws with SHA1,
///                       makeRFC2202HMACTests, makeHKDFTests, makePBKDF2Tests,
///                       makeKDFHookOracleTests, makeWycheproofHashTests
///   makeSHA256Suites    the same for SHA-256 with makeRFC4231HMACTests and makeHKDFTests; SHA-224,
///                       SHA-384 and SHA-512 with makeRFC4231HMACTests (the RFCs have no HKDF or
///                       PBKDF2 vectors for them); each then makeKDFHookOracleTests and
///                       makeWycheproofHashTests
///   makeSHA512_224Suites, makeSHA512_256Suites, makeSHA3_224Suites … makeSHA3_512Suites
///                       the algorithm's NIST vectors (make…Tests) and Monte Carlo chains
///                       (make…MonteTests), makeHashChunkingTests, the hash laws with Other (no
///                       published long-message digests), makeKDFHookOracleTests,
///                       makeWycheproofHashTests (HMAC)
///   makeBLAKE2b512Suites, makeBLAKE2s256Suites, makeRIPEMD160Suites, makeSM3Suites
///                       the algorithm's vectors (make…Tests), for RIPEMD-160 and SM3
///                       makeRIPEMD160PaddingEdgeTests or makeSM3PaddingEdgeTests,
///                       makeHashChunkingTests, the hash laws with Other, makeRFC2286HMACTests
///                       for RIPEMD-160,
///                       makeKDFHookOracleTests. Not Wycheproof's files: they are chosen by output
///                       and block length, which these share with SHA-1, SHA-256 and SHA-512
///   makeAESSuites       makeAESTests, makeAESCTRTests, makeAESCTREdgeTests,
///                       makeBlockCipherContinuationTests, the cipher laws, makeCMACTests,
///                       makeKeyWrapTests, makeXTSTests, makeGCMTests, makeCCMTests, the
///                       construction laws, makeWycheproofBlockCipherTests (AES)
///   makeTwoFishSuites   makeTwoFishTests, makeBlockCipherContinuationTests, the cipher laws with
///                       otherKeyBytes {16, 24, 32}
///   makeTDESSuites      makeTDESTests, makeBlockCipherContinuationTests, the cipher laws but
///                       the key laws (DES ignores each key byte's parity bit, so
///                       "EveryKeyBitMatters" fails on a correct Triple-DES), makeCMACTests
///                       (SP 800-38B's examples are three-key), the construction laws
///   makeCamelliaSuites  makeCamelliaTests, makeBlockCipherContinuationTests, the cipher laws, the
///                       construction laws, makeWycheproofBlockCipherTests (Camellia)
///   makeSM4Suites, makeSEEDSuites
///                       makeSM4Tests or makeSEEDTests, makeBlockCipherContinuationTests, the
///                       cipher laws, the construction laws, makeWycheproofBlockCipherTests (SM4:
///                       GCM and CCM; SEED: GCM, CCM and key wrap)
///   makeIDEASuites      makeIDEATests, makeBlockCipherContinuationTests, the cipher laws, the
///                       construction laws (64-bit blocks: no AEAD or key-wrap refusal laws)
///   makeBlowfishSuites, makeCAST5Suites
///                       makeBlowfishTests or makeCAST5Tests, makeBlockCipherContinuationTests,
///                       the cipher laws with otherKeyBytes 4 to 56 (Blowfish) or 5 to 16 (CAST5),
///                       makeVariableKeyLengthTests, the construction laws
///
/// The hash laws are makeDigestTests, makeHashStateTests, makeHMACHookOracleTests and
/// makeLongMessageTests with the algorithm's HashAlgorithm (without its "Slow" group); the cipher
/// laws are makeBlockCipherKeyTests, makeBlockCipherStateTests, makeModeHookOracleTests and
/// makeLongModeTests; the construction laws are makeConstructionHookOracleTests,
/// makeLongConstructionTests (without its "Slow" group) and, for 128-bit blocks,
/// makeAEADRefusalTests and makeKeyWrapRefusalTests.
///
/// The known-answer builders already end with their property groups. There are no HMAC-MD5 or MD5
/// Monte Carlo vectors, no Twofish CTR vectors and no padding-edge files for SHA-512/t or SHA-3.
/// The differential builders need a second implementation and are in none of these.
///
/// The builders read the vector directories of the builders they call, in the same order, and
/// throw what the first of them that fails throws.

#include <vector>

#include "kavrit/block_cipher.hpp"
#include "kavrit/hash.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/any_hash.hpp"
#include "kavrit/test/test_tree.hpp"

namespace kavrit::test {

/// makeMD5Tests, makeMD5PaddingEdgeTests, makeHashChunkingTests, then the hash laws.
std::vector<Test> makeMD5Suites(const AnyHash& hash);
/// makeSHA1Tests, makeSHA1HMACTests, makeSHA1MonteTests, makeSHA1PaddingEdgeTests,
/// makeHashChunkingTests, then the hash laws.
std::vector<Test> makeSHA1Suites(const AnyHash& hash);
/// makeSHA224Tests, makeSHA224HMACTests, makeSHA224MonteTests, makeSHA224PaddingEdgeTests,
/// makeHashChunkingTests, then the hash laws.
std::vector<Test> makeSHA224Suites(const AnyHash& hash);
/// makeSHA256Tests, makeSHA256HMACTests, makeSHA256MonteTests, makeSHA256PaddingEdgeTests,
/// makeHashChunkingTests, then the hash laws.
std::vector<Test> makeSHA256Suites(const AnyHash& hash);
/// makeSHA384Tests, makeSHA384HMACTests, makeSHA384MonteTests, makeSHA384PaddingEdgeTests,
/// makeHashChunkingTests, then the hash laws.
std::vector<Test> makeSHA384Suites(const AnyHash& hash);
/// makeSHA512Tests, makeSHA512HMACTests, makeSHA512MonteTests, makeSHA512PaddingEdgeTests,
/// makeHashChunkingTests, then the hash laws.
std::vector<Test> makeSHA512Suites(const AnyHash& hash);
/// The NIST vectors and Monte Carlo chains of SHA-512/224, SHA-512/256 and SHA3-224 … SHA3-512,
/// makeHashChunkingTests, the hash laws, then makeWycheproofHashTests.
std::vector<Test> makeSHA512_224Suites(const AnyHash& hash);
std::vector<Test> makeSHA512_256Suites(const AnyHash& hash);
std::vector<Test> makeSHA3_224Suites(const AnyHash& hash);
std::vector<Test> makeSHA3_256Suites(const AnyHash& hash);
std::vector<Test> makeSHA3_384Suites(const AnyHash& hash);
std::vector<Test> makeSHA3_512Suites(const AnyHash& hash);
/// The algorithm's vectors, makeHashChunkingTests, the hash laws, makeRFC2286HMACTests for
/// RIPEMD-160, then makeKDFHookOracleTests.
std::vector<Test> makeBLAKE2b512Suites(const AnyHash& hash);
std::vector<Test> makeBLAKE2s256Suites(const AnyHash& hash);
std::vector<Test> makeRIPEMD160Suites(const AnyHash& hash);
std::vector<Test> makeSM3Suites(const AnyHash& hash);
/// makeAESTests, makeAESCTRTests, makeAESCTREdgeTests, makeBlockCipherContinuationTests, the
/// cipher laws, makeCMACTests, makeKeyWrapTests, makeXTSTests, makeGCMTests, makeCCMTests, the
/// construction laws, then makeWycheproofBlockCipherTests for AES.
std::vector<Test> makeAESSuites(const AnyBlockCipher& cipher);
/// makeTwoFishTests, makeBlockCipherContinuationTests, then the cipher laws.
std::vector<Test> makeTwoFishSuites(const AnyBlockCipher& cipher);
/// makeTDESTests, makeBlockCipherContinuationTests, the cipher laws but the key laws,
/// makeCMACTests, then the construction laws.
std::vector<Test> makeTDESSuites(const AnyBlockCipher& cipher);
/// makeCamelliaTests, makeBlockCipherContinuationTests, the cipher laws, the construction laws,
/// then makeWycheproofBlockCipherTests for Camellia.
std::vector<Test> makeCamelliaSuites(const AnyBlockCipher& cipher);
/// makeSM4Tests, makeBlockCipherContinuationTests, the cipher laws, the construction laws, then
/// makeWycheproofBlockCipherTests for SM4.
std::vector<Test> makeSM4Suites(const AnyBlockCipher& cipher);
/// makeSEEDTests, makeBlockCipherContinuationTests, the cipher laws, the construction laws, then
/// makeWycheproofBlockCipherTests for SEED.
std::vector<Test> makeSEEDSuites(const AnyBlockCipher& cipher);
/// makeIDEATests, makeBlockCipherContinuationTests, the cipher laws, then the construction laws.
std::vector<Test> makeIDEASuites(const AnyBlockCipher& cipher);
/// makeBlowfishTests or makeCAST5Tests, makeBlockCipherContinuationTests, the cipher laws with the
/// cipher's key lengths as otherKeyBytes, makeVariableKeyLengthTests, then the construction laws.
std::vector<Test> makeBlowfishSuites(const AnyBlockCipher& cipher);
std::vector<Test> makeCAST5Suites(const AnyBlockCipher& cipher);

// The same for digest type D or key type K.
template <Hash D>
std::vector<Test> makeMD5Suites() {
  return makeMD5Suites(anyHash<D>());
}
template <Hash D>
std::vector<Test> makeSHA1Suites() {
  return makeSHA1Suites(anyHash<D>());
}
template <Hash D>
std::vector<Test> makeSHA224Suites() {
  return makeSHA224Suites(anyHash<D>());
}
template <Hash D>
std::vector<Test> makeSHA256Suites() {
  return makeSHA256Suites(anyHash<D>());
}
template <Hash D>
std::vector<Test> makeSHA384Suites() {
  return makeSHA384Suites(anyHash<D>());
}
template <Hash D>
std::vector<Test> makeSHA512Suites() {
  return makeSHA512Suites(anyHash<D>());
}
template <BlockCipher K>
std::vector<Test> makeAESSuites() {
  return makeAESSuites(anyBlockCipher<K>());
}
template <BlockCipher K>
std::vector<Test> makeTwoFishSuites() {
  return makeTwoFishSuites(anyBlockCipher<K>());
}

// The bundles added since, for digest type D or key type K, and for a value at hand.
#define KAVRIT_HASH_BUNDLE(NAME)                \
  template <Hash D>                             \
  std::vector<Test> NAME() {                    \
    return NAME(anyHash<D>());                  \
  }                                             \
  template <Hash D>                             \
  std::vector<Test> NAME(const D& /*digest*/) { \
    return NAME(anyHash<D>());                  \
  }
KAVRIT_HASH_BUNDLE(makeSHA512_224Suites)
KAVRIT_HASH_BUNDLE(makeSHA512_256Suites)
KAVRIT_HASH_BUNDLE(makeSHA3_224Suites)
KAVRIT_HASH_BUNDLE(makeSHA3_256Suites)
KAVRIT_HASH_BUNDLE(makeSHA3_384Suites)
KAVRIT_HASH_BUNDLE(makeSHA3_512Suites)
KAVRIT_HASH_BUNDLE(makeBLAKE2b512Suites)
KAVRIT_HASH_BUNDLE(makeBLAKE2s256Suites)
KAVRIT_HASH_BUNDLE(makeRIPEMD160Suites)
KAVRIT_HASH_BUNDLE(makeSM3Suites)
#undef KAVRIT_HASH_BUNDLE
#define KAVRIT_CIPHER_BUNDLE(NAME)           \
  template <BlockCipher K>                   \
  std::vector<Test> NAME() {                 \
    return NAME(anyBlockCipher<K>());        \
  }                                          \
  template <BlockCipher K>                   \
  std::vector<Test> NAME(const K& /*key*/) { \
    return NAME(anyBlockCipher<K>());        \
  }
KAVRIT_CIPHER_BUNDLE(makeTDESSuites)
KAVRIT_CIPHER_BUNDLE(makeCamelliaSuites)
KAVRIT_CIPHER_BUNDLE(makeSM4Suites)
KAVRIT_CIPHER_BUNDLE(makeSEEDSuites)
KAVRIT_CIPHER_BUNDLE(makeIDEASuites)
KAVRIT_CIPHER_BUNDLE(makeBlowfishSuites)
KAVRIT_CIPHER_BUNDLE(makeCAST5Suites)
#undef KAVRIT_CIPHER_BUNDLE

// The same, for a caller that has a digest or key value at hand; the value is never read.
template <Hash D>
std::vector<Test> makeMD5Suites(const D& /*digest*/) {
  return makeMD5Suites<D>();
}
template <Hash D>
std::vector<Test> makeSHA1Suites(const D& /*digest*/) {
  return makeSHA1Suites<D>();
}
template <Hash D>
std::vector<Test> makeSHA224Suites(const D& /*digest*/) {
  return makeSHA224Suites<D>();
}
template <Hash D>
std::vector<Test> makeSHA256Suites(const D& /*digest*/) {
  return makeSHA256Suites<D>();
}
template <Hash D>
std::vector<Test> makeSHA384Suites(const D& /*digest*/) {
  return makeSHA384Suites<D>();
}
template <Hash D>
std::vector<Test> makeSHA512Suites(const D& /*digest*/) {
  return makeSHA512Suites<D>();
}
template <BlockCipher K>
std::vector<Test> makeAESSuites(const K& /*key*/) {
  return makeAESSuites<K>();
}
template <BlockCipher K>
std::vector<Test> makeTwoFishSuites(const K& /*key*/) {
  return makeTwoFishSuites<K>();
}

}  // namespace kavrit::test
