#include "kavrit/test/algorithm_suites.hpp"

#include <cstddef>
#include <string_view>
#include <utility>

#include "kavrit/test/aes.hpp"
#include "kavrit/test/aes_ctr.hpp"
#include "kavrit/test/blake2_ripemd_sm3.hpp"
#include "kavrit/test/block_cipher_continuation.hpp"
#include "kavrit/test/block_cipher_keys.hpp"
#include "kavrit/test/blowfish.hpp"
#include "kavrit/test/camellia.hpp"
#include "kavrit/test/cast5.hpp"
#include "kavrit/test/ccm.hpp"
#include "kavrit/test/cmac.hpp"
#include "kavrit/test/construction_oracles.hpp"
#include "kavrit/test/digest_laws.hpp"
#include "kavrit/test/gcm.hpp"
#include "kavrit/test/hash_chunking.hpp"
#include "kavrit/test/hkdf.hpp"
#include "kavrit/test/hmac.hpp"
#include "kavrit/test/hook_oracles.hpp"
#include "kavrit/test/key_wrap.hpp"
#include "kavrit/test/long_constructions.hpp"
#include "kavrit/test/long_messages.hpp"
#include "kavrit/test/md5.hpp"
#include "kavrit/test/padding_edges.hpp"
#include "kavrit/test/pbkdf2.hpp"
#include "kavrit/test/refusal_laws.hpp"
#include "kavrit/test/rfc_hmac.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/sha3.hpp"
#include "kavrit/test/sha3_monte.hpp"
#include "kavrit/test/sha_monte.hpp"
#include "kavrit/test/sm4_seed_idea.hpp"
#include "kavrit/test/state_laws.hpp"
#include "kavrit/test/tdes.hpp"
#include "kavrit/test/twofish.hpp"
#include "kavrit/test/variable_key_lengths.hpp"
#include "kavrit/test/wycheproof.hpp"
#include "kavrit/test/xts.hpp"
#include "quick_trees.hpp"

namespace kavrit::test {

namespace {

using detail::appendQuick;
using detail::withoutSlow;

void append(std::vector<Test>& suites, std::vector<Test> trees) {
  detail::appendTrees(suites, std::move(trees));
}

// The laws of the constructions over a block function: a type's own construction members against
// kavrit's, and every construction at 64 KiB + 1; with `refusals` (128-bit blocks), the AEAD and
// key-wrap refusal laws.
void appendConstructionLaws(std::vector<Test>& suites, const AnyBlockCipher& cipher,
                            bool refusals) {
  suites.push_back(makeConstructionHookOracleTests(cipher));
  suites.push_back(withoutSlow(makeLongConstructionTests(cipher)));
  if (refusals) {
    suites.push_back(makeAEADRefusalTests(cipher));
    suites.push_back(makeKeyWrapRefusalTests(cipher));
  }
}

using HashBuilder = std::vector<Test> (*)(const AnyHash&);

// What a hash has beyond its own vectors and laws: the RFC HMAC, HKDF and PBKDF2 vectors where
// there are some for it, the oracle of its own HKDF and PBKDF2 members, then Wycheproof's HMAC,
// HKDF and PBKDF2 files for it.
void appendKeyedHashSuites(std::vector<Test>& suites, const AnyHash& hash,
                           std::initializer_list<HashBuilder> rfcBuilders) {
  for (HashBuilder builder : rfcBuilders) appendQuick(suites, builder(hash));
  suites.push_back(makeKDFHookOracleTests(hash));
  appendQuick(suites, makeWycheproofHashTests(hash));
}

// The laws every hash gets after its chunking laws, in the header's order.
void appendHashLaws(std::vector<Test>& suites, const AnyHash& hash, HashAlgorithm algorithm) {
  suites.push_back(makeDigestTests(hash));
  suites.push_back(makeHashStateTests(hash));
  suites.push_back(makeHMACHookOracleTests(hash));
  suites.push_back(makeLongMessageTests(hash, algorithm));
}

// The laws every cipher gets after its continuation laws, in the header's order.
void appendCipherLaws(std::vector<Test>& suites, const AnyBlockCipher& cipher,
                      std::vector<std::size_t> otherKeyBytes, bool keyLaws = true) {
  if (keyLaws) suites.push_back(makeBlockCipherKeyTests(cipher, std::move(otherKeyBytes)));
  suites.push_back(makeBlockCipherStateTests(cipher));
  suites.push_back(makeModeHookOracleTests(cipher));
  suites.push_back(makeLongModeTests(cipher));
}

// The builders are called in the order of the arguments, as the header lists them.
std::vector<Test> shaSuites(const AnyHash& hash, HashBuilder kats, HashBuilder hmac,
                            HashBuilder monte, HashAlgorithm algorithm, std::string_view name,
                            std::initializer_list<HashBuilder> rfcBuilders) {
  std::vector<Test> suites = kats(hash);
  append(suites, hmac(hash));
  append(suites, monte(hash));
  append(suites, makePaddingEdgeTests(hash, name));
  suites.push_back(makeHashChunkingTests(hash));
  appendHashLaws(suites, hash, algorithm);
  appendKeyedHashSuites(suites, hash, rfcBuilders);
  return suites;
}

// SHA-512/t and SHA-3: NIST's vectors and Monte Carlo chains, the chunking and hash laws (with no
// published long-message digests of their own), and Wycheproof's HMAC.
std::vector<Test> vectorAndMonteSuites(const AnyHash& hash, HashBuilder kats, HashBuilder monte) {
  std::vector<Test> suites = kats(hash);
  append(suites, monte(hash));
  suites.push_back(makeHashChunkingTests(hash));
  appendHashLaws(suites, hash, HashAlgorithm::Other);
  appendKeyedHashSuites(suites, hash, {});
  return suites;
}

// BLAKE2, RIPEMD-160 and SM3: their vectors, the padding edges of the Merkle-Damgard ones (an
// empty `edges` for BLAKE2), the chunking and hash laws, the RFC HMAC vectors where there are some,
// and the KDF oracle. Wycheproof's files are found by output and block length, which would take
// SHA-1's, SHA-256's or SHA-512's files for these, so they are not added.
std::vector<Test> digestSuites(const AnyHash& hash, HashBuilder kats, std::string_view edges,
                               std::initializer_list<HashBuilder> rfcBuilders) {
  std::vector<Test> suites = kats(hash);
  if (!edges.empty()) append(suites, makePaddingEdgeTests(hash, edges));
  suites.push_back(makeHashChunkingTests(hash));
  appendHashLaws(suites, hash, HashAlgorithm::Other);
  for (HashBuilder builder : rfcBuilders) appendQuick(suites, builder(hash));
  suites.push_back(makeKDFHookOracleTests(hash));
  return suites;
}

}  // namespace

std::vector<Test> makeMD5Suites(const AnyHash& hash) {
  std::vector<Test> suites = makeMD5Tests(hash);
  append(suites, makePaddingEdgeTests(hash, "MD5"));
  suites.push_back(makeHashChunkingTests(hash));
  appendHashLaws(suites, hash, HashAlgorithm::MD5);
  appendKeyedHashSuites(suites, hash, {makeRFC2202HMACTests});
  return suites;
}

std::vector<Test> makeSHA1Suites(const AnyHash& hash) {
  return shaSuites(hash, makeSHA1Tests, makeSHA1HMACTests, makeSHA1MonteTests, HashAlgorithm::SHA1,
                   "SHA1", {makeRFC2202HMACTests, makeHKDFTests, makePBKDF2Tests});
}

std::vector<Test> makeSHA224Suites(const AnyHash& hash) {
  return shaSuites(hash, makeSHA224Tests, makeSHA224HMACTests, makeSHA224MonteTests,
                   HashAlgorithm::SHA224, "SHA224", {makeRFC4231HMACTests});
}

std::vector<Test> makeSHA256Suites(const AnyHash& hash) {
  return shaSuites(hash, makeSHA256Tests, makeSHA256HMACTests, makeSHA256MonteTests,
                   HashAlgorithm::SHA256, "SHA256", {makeRFC4231HMACTests, makeHKDFTests});
}

std::vector<Test> makeSHA384Suites(const AnyHash& hash) {
  return shaSuites(hash, makeSHA384Tests, makeSHA384HMACTests, makeSHA384MonteTests,
                   HashAlgorithm::SHA384, "SHA384", {makeRFC4231HMACTests});
}

std::vector<Test> makeSHA512Suites(const AnyHash& hash) {
  return shaSuites(hash, makeSHA512Tests, makeSHA512HMACTests, makeSHA512MonteTests,
                   HashAlgorithm::SHA512, "SHA512", {makeRFC4231HMACTests});
}

std::vector<Test> makeSHA512_224Suites(const AnyHash& hash) {
  return vectorAndMonteSuites(hash, makeSHA512_224Tests, makeSHA512_224MonteTests);
}
std::vector<Test> makeSHA512_256Suites(const AnyHash& hash) {
  return vectorAndMonteSuites(hash, makeSHA512_256Tests, makeSHA512_256MonteTests);
}
std::vector<Test> makeSHA3_224Suites(const AnyHash& hash) {
  return vectorAndMonteSuites(hash, makeSHA3_224Tests, makeSHA3_224MonteTests);
}
std::vector<Test> makeSHA3_256Suites(const AnyHash& hash) {
  return vectorAndMonteSuites(hash, makeSHA3_256Tests, makeSHA3_256MonteTests);
}
std::vector<Test> makeSHA3_384Suites(const AnyHash& hash) {
  return vectorAndMonteSuites(hash, makeSHA3_384Tests, makeSHA3_384MonteTests);
}
std::vector<Test> makeSHA3_512Suites(const AnyHash& hash) {
  return vectorAndMonteSuites(hash, makeSHA3_512Tests, makeSHA3_512MonteTests);
}

std::vector<Test> makeBLAKE2b512Suites(const AnyHash& hash) {
  return digestSuites(hash, makeBLAKE2b512Tests, {}, {});
}
std::vector<Test> makeBLAKE2s256Suites(const AnyHash& hash) {
  return digestSuites(hash, makeBLAKE2s256Tests, {}, {});
}
std::vector<Test> makeRIPEMD160Suites(const AnyHash& hash) {
  return digestSuites(hash, makeRIPEMD160Tests, "RIPEMD160", {makeRFC2286HMACTests});
}
std::vector<Test> makeSM3Suites(const AnyHash& hash) {
  return digestSuites(hash, makeSM3Tests, "SM3", {});
}

std::vector<Test> makeAESSuites(const AnyBlockCipher& cipher) {
  std::vector<Test> suites = makeAESTests(cipher);
  append(suites, makeAESCTRTests(cipher));
  append(suites, makeAESCTREdgeTests(cipher));
  suites.push_back(makeBlockCipherContinuationTests(cipher));
  appendCipherLaws(suites, cipher, {});
  // The constructions over the block function: NIST's vectors with their laws, then Wycheproof's.
  append(suites, makeCMACTests(cipher));
  append(suites, makeKeyWrapTests(cipher));
  append(suites, makeXTSTests(cipher));
  append(suites, makeGCMTests(cipher));
  append(suites, makeCCMTests(cipher));
  appendConstructionLaws(suites, cipher, cipher.blockSize() == 128);
  append(suites, makeWycheproofBlockCipherTests(cipher, WycheproofCipher::AES));
  return suites;
}

std::vector<Test> makeTDESSuites(const AnyBlockCipher& cipher) {
  std::vector<Test> suites = makeTDESTests(cipher);
  suites.push_back(makeBlockCipherContinuationTests(cipher));
  // Not the key laws: DES ignores the lowest bit of every key byte (its parity bit), so
  // "EveryKeyBitMatters" does not hold for a correct Triple-DES.
  appendCipherLaws(suites, cipher, {}, false);
  // SP 800-38B's CMAC examples are for three-key Triple-DES; other key lengths get the CMAC law.
  append(suites, makeCMACTests(cipher));
  appendConstructionLaws(suites, cipher, false);
  return suites;
}

std::vector<Test> makeCamelliaSuites(const AnyBlockCipher& cipher) {
  std::vector<Test> suites = makeCamelliaTests(cipher);
  suites.push_back(makeBlockCipherContinuationTests(cipher));
  appendCipherLaws(suites, cipher, {});
  appendConstructionLaws(suites, cipher, cipher.blockSize() == 128);
  append(suites, makeWycheproofBlockCipherTests(cipher, WycheproofCipher::Camellia));
  return suites;
}

std::vector<Test> makeTwoFishSuites(const AnyBlockCipher& cipher) {
  std::vector<Test> suites = makeTwoFishTests(cipher);
  suites.push_back(makeBlockCipherContinuationTests(cipher));
  // Twofish's keys are 16, 24 or 32 bytes whatever keyLength() says (makeTwoFishTests gives every
  // vector's key to one key type).
  appendCipherLaws(suites, cipher, {16, 24, 32});
  return suites;
}

// SM4, SEED and IDEA take 128-bit keys only, so the key laws run as for AES-128.
std::vector<Test> makeSM4Suites(const AnyBlockCipher& cipher) {
  std::vector<Test> suites = makeSM4Tests(cipher);
  suites.push_back(makeBlockCipherContinuationTests(cipher));
  appendCipherLaws(suites, cipher, {});
  appendConstructionLaws(suites, cipher, cipher.blockSize() == 128);
  append(suites, makeWycheproofBlockCipherTests(cipher, WycheproofCipher::SM4));
  return suites;
}

std::vector<Test> makeSEEDSuites(const AnyBlockCipher& cipher) {
  std::vector<Test> suites = makeSEEDTests(cipher);
  suites.push_back(makeBlockCipherContinuationTests(cipher));
  appendCipherLaws(suites, cipher, {});
  appendConstructionLaws(suites, cipher, cipher.blockSize() == 128);
  append(suites, makeWycheproofBlockCipherTests(cipher, WycheproofCipher::SEED));
  return suites;
}

std::vector<Test> makeIDEASuites(const AnyBlockCipher& cipher) {
  std::vector<Test> suites = makeIDEATests(cipher);
  suites.push_back(makeBlockCipherContinuationTests(cipher));
  appendCipherLaws(suites, cipher, {});
  appendConstructionLaws(suites, cipher, cipher.blockSize() == 128);
  return suites;
}

namespace {

// Blowfish and CAST5 take a range of key lengths: each is another key size for the key laws, and
// the range gets laws of its own.
std::vector<Test> variableKeySuites(const AnyBlockCipher& cipher, std::vector<Test> suites,
                                    std::size_t minKeyBytes, std::size_t maxKeyBytes) {
  suites.push_back(makeBlockCipherContinuationTests(cipher));
  std::vector<std::size_t> keyBytes;
  for (std::size_t n = minKeyBytes; n <= maxKeyBytes; ++n) keyBytes.push_back(n);
  appendCipherLaws(suites, cipher, std::move(keyBytes));
  suites.push_back(makeVariableKeyLengthTests(cipher));
  appendConstructionLaws(suites, cipher, false);
  return suites;
}

}  // namespace

std::vector<Test> makeBlowfishSuites(const AnyBlockCipher& cipher) {
  return variableKeySuites(cipher, makeBlowfishTests(cipher), 4, 56);
}

std::vector<Test> makeCAST5Suites(const AnyBlockCipher& cipher) {
  return variableKeySuites(cipher, makeCAST5Tests(cipher), 5, 16);
}

}  // namespace kavrit::test
