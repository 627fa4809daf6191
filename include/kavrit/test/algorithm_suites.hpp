#pragma once

/// @file
/// Everything the library has for one algorithm, in one call. Each builder here returns exactly
/// the trees of the builders it lists, called one after the other in that order with the same
/// implementation; a builder that returns one tree contributes that tree. Nothing is added,
/// renamed or left out, so a test runs under the same name as when its own builder is called.
///
///   makeMD5Suites       makeMD5Tests, makeMD5PaddingEdgeTests, makeHashChunkingTests, then the
///                       hash laws with MD5
///   makeSHA256Suites    makeSHA256Tests, makeSHA256HMACTests, makeSHA256MonteTests,
///                       makeSHA256PaddingEdgeTests, makeHashChunkingTests, then the hash laws
///                       with SHA256 (and so for SHA-1, SHA-224, SHA-384 and SHA-512)
///   makeAESSuites       makeAESTests, makeAESCTRTests, makeAESCTREdgeTests,
///                       makeBlockCipherContinuationTests, then the cipher laws
///   makeTwoFishSuites   makeTwoFishTests, makeBlockCipherContinuationTests, then the cipher
///                       laws with otherKeyBytes {16, 24, 32}
///
/// The hash laws are makeDigestTests, makeHashStateTests, makeHMACHookOracleTests and
/// makeLongMessageTests with the algorithm's HashAlgorithm (without its "Slow" group); the cipher
/// laws are makeBlockCipherKeyTests, makeBlockCipherStateTests, makeModeHookOracleTests and
/// makeLongModeTests.
///
/// makeMD5Tests, the SHA builders, makeAESTests and makeTwoFishTests already end with the
/// property groups. There are no HMAC-MD5 or MD5 Monte Carlo vectors, and no Twofish CTR vectors.
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
/// makeAESTests, makeAESCTRTests, makeAESCTREdgeTests, makeBlockCipherContinuationTests, then the
/// cipher laws.
std::vector<Test> makeAESSuites(const AnyBlockCipher& cipher);
/// makeTwoFishTests, makeBlockCipherContinuationTests, then the cipher laws.
std::vector<Test> makeTwoFishSuites(const AnyBlockCipher& cipher);

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
