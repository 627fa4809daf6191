// kavrit-tests-demo: every suite of the library run against real implementations (OpenSSL, and
// Nettle for Twofish) through the GoogleTest bridge. Accepts GoogleTest's flags (--gtest_filter,
// --gtest_output, sharding via GTEST_TOTAL_SHARDS / GTEST_SHARD_INDEX) and --verbose for
// GoogleTest's own per-test output. --with-broken adds deliberately broken AES-128 and SHA-256
// adapters, to show what failures look like.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "boundary_suites.hpp"
#include "broken/broken_examples.hpp"
#include "build_checks.hpp"
#include "kavrit/gtest/register_tests.hpp"
#include "kavrit/test/aes.hpp"
#include "kavrit/test/aes_ctr.hpp"
#include "kavrit/test/algorithm_suites.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/ccm.hpp"
#include "kavrit/test/cmac.hpp"
#include "kavrit/test/gcm.hpp"
#include "kavrit/test/hash_props.hpp"
#include "kavrit/test/hmac.hpp"
#include "kavrit/test/key_wrap.hpp"
#include "kavrit/test/manifest.hpp"
#include "kavrit/test/md5.hpp"
#include "kavrit/test/padding_edges.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/sha3.hpp"
#include "kavrit/test/sha3_monte.hpp"
// BLAKE2, RIPEMD-160 and SM3 known answers.
#include "kavrit/test/blake2_ripemd_sm3.hpp"
#include "kavrit/test/sha_monte.hpp"
#include "kavrit/test/twofish.hpp"
#include "kavrit/test/user_vectors.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "kavrit/test/wycheproof.hpp"
#include "nettle/nettle_reference.hpp"
#include "nettle/nettle_twofish.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_camellia.hpp"
#include "openssl/openssl_digest.hpp"
#include "primitive_suites.hpp"
#include "summary.hpp"
#include "wycheproof_suites.hpp"
// HMAC from the RFCs, HKDF and PBKDF2.
#include "kavrit/test/hkdf.hpp"
#include "kavrit/test/pbkdf2.hpp"
#include "kavrit/test/rfc_hmac.hpp"
#include "openssl/openssl_kdf.hpp"
// Triple-DES and Camellia known answers.
#include "kavrit/test/camellia.hpp"
#include "kavrit/test/tdes.hpp"
#include "nettle/nettle_tdes.hpp"
#include "openssl/openssl_tdes.hpp"
// Blowfish and CAST5, every key length through one key type.
#include "kavrit/test/blowfish.hpp"
#include "kavrit/test/cast5.hpp"
#include "nettle/nettle_blowfish_cast5.hpp"
#include "openssl/openssl_blowfish_cast5.hpp"
// XTS.
#include "kavrit/test/xts.hpp"
#include "openssl/openssl_xts.hpp"
// SM4 and SEED over OpenSSL; IDEA written out here (Debian's OpenSSL is built without it).
#include "kavrit/test/sm4_seed_idea.hpp"
#include "openssl/openssl_seed.hpp"
#include "openssl/openssl_sm4.hpp"
#include "reference_idea.hpp"

namespace {

using namespace kavrit::examples;
using namespace kavrit::test;
using kavrit::demo::hmacOf;
using kavrit::demo::modesOf;
using kavrit::demo::SuiteBuilds;
using kavrit::demo::SuiteRun;

// The vector directories of the file-driven builders, below the data directory.
const std::string kSHA = std::string(vectorDirectory("Test/KAT_SHA").name);
const std::string kHMAC = std::string(vectorDirectory("Test/KAT_HMAC").name);
const std::string kAES = std::string(vectorDirectory("Test/KAT_AES").name);
const std::string kTwofish = std::string(vectorDirectory("Test/KAT_TWOFISH").name);
const std::string kAESCTR = std::string(vectorDirectory("Test/KAT_AES_CTR").name);
const std::string kMonte = std::string(vectorDirectory("Test/KAT_SHA_MONTE").name);
const std::string kCTREdges = std::string(vectorDirectory("Test/KAT_AES_CTR_EDGES").name);
const std::string kHashEdges = std::string(vectorDirectory("Test/KAT_HASH_EDGES").name);
const std::string kCamellia = std::string(vectorDirectory("Test/KAT_CAMELLIA").name);
const std::string kSHA3 = std::string(vectorDirectory("Test/KAT_SHA3").name);
const std::string kSHA3Monte = std::string(vectorDirectory("Test/KAT_SHA3_MONTE").name);
const std::string kCMAC = std::string(vectorDirectory("Test/KAT_CMAC").name);
const std::string kHashes = std::string(vectorDirectory("Test/KAT_HASHES").name);
const std::string kKeyWrap = std::string(vectorDirectory("Test/KAT_KEYWRAP").name);

// Which CMAC and key wrap the suites of key type K test.
constexpr std::string_view kCMACEntries[] = {"cmac", "cmacLazy"};
constexpr std::string_view kKeyWrapEntries[] = {"keyWrap", "keyUnwrap", "keyWrapPad",
                                                "keyUnwrapPad"};
template <class K>
std::string cmacOf() {
  return describeConstructionImplementations(anyBlockCipher<K>(), kCMACEntries);
}
template <class K>
std::string keyWrapOf() {
  return describeConstructionImplementations(anyBlockCipher<K>(), kKeyWrapEntries);
}

// Every builder against the real implementations. The property suites run as part of the
// known-answer builders (MD5, SHA, AES and Twofish end with them).
void buildSuites(SuiteBuilds& b) {
  b.add("makeMD5Tests", "OpenSSL_MD5", "", [] { return makeMD5Tests<MD5>(); });
  b.add("makeSHA1Tests", "OpenSSL_SHA1", kSHA, [] { return makeSHA1Tests<SHA1>(); });
  b.add("makeSHA224Tests", "OpenSSL_SHA224", kSHA, [] { return makeSHA224Tests<SHA224>(); });
  b.add("makeSHA256Tests", "OpenSSL_SHA256", kSHA, [] { return makeSHA256Tests<SHA256>(); });
  b.add("makeSHA384Tests", "OpenSSL_SHA384", kSHA, [] { return makeSHA384Tests<SHA384>(); });
  b.add("makeSHA512Tests", "OpenSSL_SHA512", kSHA, [] { return makeSHA512Tests<SHA512>(); });
  b.add("makeSHA1HMACTests", "OpenSSL_SHA1", kHMAC, hmacOf<SHA1>(),
        [] { return makeSHA1HMACTests<SHA1>(); });
  b.add("makeSHA224HMACTests", "OpenSSL_SHA224", kHMAC, hmacOf<SHA224>(),
        [] { return makeSHA224HMACTests<SHA224>(); });
  b.add("makeSHA256HMACTests", "OpenSSL_SHA256", kHMAC, hmacOf<SHA256>(),
        [] { return makeSHA256HMACTests<SHA256>(); });
  b.add("makeSHA384HMACTests", "OpenSSL_SHA384", kHMAC, hmacOf<SHA384>(),
        [] { return makeSHA384HMACTests<SHA384>(); });
  b.add("makeSHA512HMACTests", "OpenSSL_SHA512", kHMAC, hmacOf<SHA512>(),
        [] { return makeSHA512HMACTests<SHA512>(); });
  b.add("makeAESTests", "OpenSSL_AES128", kAES, modesOf<AES128>(),
        [] { return makeAESTests<AES128>(); });
  b.add("makeAESTests", "OpenSSL_AES192", kAES, modesOf<AES192>(),
        [] { return makeAESTests<AES192>(); });
  b.add("makeAESTests", "OpenSSL_AES256", kAES, modesOf<AES256>(),
        [] { return makeAESTests<AES256>(); });
  b.add("makeAESCTRTests", "OpenSSL_AES128", kAESCTR, modesOf<AES128>(),
        [] { return makeAESCTRTests<AES128>(); });
  b.add("makeAESCTRTests", "OpenSSL_AES192", kAESCTR, modesOf<AES192>(),
        [] { return makeAESCTRTests<AES192>(); });
  b.add("makeAESCTRTests", "OpenSSL_AES256", kAESCTR, modesOf<AES256>(),
        [] { return makeAESCTRTests<AES256>(); });
  b.add("makeSHA1MonteTests", "OpenSSL_SHA1", kMonte, [] { return makeSHA1MonteTests<SHA1>(); });
  b.add("makeSHA224MonteTests", "OpenSSL_SHA224", kMonte,
        [] { return makeSHA224MonteTests<SHA224>(); });
  b.add("makeSHA256MonteTests", "OpenSSL_SHA256", kMonte,
        [] { return makeSHA256MonteTests<SHA256>(); });
  b.add("makeSHA384MonteTests", "OpenSSL_SHA384", kMonte,
        [] { return makeSHA384MonteTests<SHA384>(); });
  b.add("makeSHA512MonteTests", "OpenSSL_SHA512", kMonte,
        [] { return makeSHA512MonteTests<SHA512>(); });
  b.add("makeTwoFishTests", "Nettle_Twofish128", kTwofish, modesOf<Twofish128>(),
        [] { return makeTwoFishTests<Twofish128>(); });
  b.add("makeTwoFishTests", "Nettle_Twofish192", kTwofish, modesOf<Twofish192>(),
        [] { return makeTwoFishTests<Twofish192>(); });
  b.add("makeTwoFishTests", "Nettle_Twofish256", kTwofish, modesOf<Twofish256>(),
        [] { return makeTwoFishTests<Twofish256>(); });
  b.add("makeAESCTREdgeTests", "OpenSSL_AES128", kCTREdges, modesOf<AES128>(),
        [] { return makeAESCTREdgeTests<AES128>(); });
  b.add("makeAESCTREdgeTests", "OpenSSL_AES256", kCTREdges, modesOf<AES256>(),
        [] { return makeAESCTREdgeTests<AES256>(); });
  b.add("makeMD5PaddingEdgeTests", "OpenSSL_MD5", kHashEdges, hmacOf<MD5>(),
        [] { return makeMD5PaddingEdgeTests<MD5>(); });
  b.add("makeSHA1PaddingEdgeTests", "OpenSSL_SHA1", kHashEdges, hmacOf<SHA1>(),
        [] { return makeSHA1PaddingEdgeTests<SHA1>(); });
  b.add("makeSHA224PaddingEdgeTests", "OpenSSL_SHA224", kHashEdges, hmacOf<SHA224>(),
        [] { return makeSHA224PaddingEdgeTests<SHA224>(); });
  b.add("makeSHA256PaddingEdgeTests", "OpenSSL_SHA256", kHashEdges, hmacOf<SHA256>(),
        [] { return makeSHA256PaddingEdgeTests<SHA256>(); });
  b.add("makeSHA384PaddingEdgeTests", "OpenSSL_SHA384", kHashEdges, hmacOf<SHA384>(),
        [] { return makeSHA384PaddingEdgeTests<SHA384>(); });
  b.add("makeSHA512PaddingEdgeTests", "OpenSSL_SHA512", kHashEdges, hmacOf<SHA512>(),
        [] { return makeSHA512PaddingEdgeTests<SHA512>(); });
  b.add("makeRIPEMD160PaddingEdgeTests", "OpenSSL_RIPEMD160", kHashEdges, hmacOf<RIPEMD160>(),
        [] { return makeRIPEMD160PaddingEdgeTests<RIPEMD160>(); });
  b.add("makeSM3PaddingEdgeTests", "OpenSSL_SM3", kHashEdges, hmacOf<SM3>(),
        [] { return makeSM3PaddingEdgeTests<SM3>(); });
  // SHA-512/224 and SHA-512/256: their vectors and checkpoints sit beside SHA-512's.
  b.add("makeSHA512_224Tests", "OpenSSL_SHA512_224", kSHA,
        [] { return makeSHA512_224Tests<SHA512_224>(); });
  b.add("makeSHA512_256Tests", "OpenSSL_SHA512_256", kSHA,
        [] { return makeSHA512_256Tests<SHA512_256>(); });
  b.add("makeSHA512_224MonteTests", "OpenSSL_SHA512_224", kMonte,
        [] { return makeSHA512_224MonteTests<SHA512_224>(); });
  b.add("makeSHA512_256MonteTests", "OpenSSL_SHA512_256", kMonte,
        [] { return makeSHA512_256MonteTests<SHA512_256>(); });
  // SHA-3: the vectors, then SHA3VS's Monte Carlo chains (one digest per message).
  b.add("makeSHA3_224Tests", "OpenSSL_SHA3_224", kSHA3,
        [] { return makeSHA3_224Tests<SHA3_224>(); });
  b.add("makeSHA3_256Tests", "OpenSSL_SHA3_256", kSHA3,
        [] { return makeSHA3_256Tests<SHA3_256>(); });
  b.add("makeSHA3_384Tests", "OpenSSL_SHA3_384", kSHA3,
        [] { return makeSHA3_384Tests<SHA3_384>(); });
  b.add("makeSHA3_512Tests", "OpenSSL_SHA3_512", kSHA3,
        [] { return makeSHA3_512Tests<SHA3_512>(); });
  b.add("makeSHA3_224MonteTests", "OpenSSL_SHA3_224", kSHA3Monte,
        [] { return makeSHA3_224MonteTests<SHA3_224>(); });
  b.add("makeSHA3_256MonteTests", "OpenSSL_SHA3_256", kSHA3Monte,
        [] { return makeSHA3_256MonteTests<SHA3_256>(); });
  b.add("makeSHA3_384MonteTests", "OpenSSL_SHA3_384", kSHA3Monte,
        [] { return makeSHA3_384MonteTests<SHA3_384>(); });
  b.add("makeSHA3_512MonteTests", "OpenSSL_SHA3_512", kSHA3Monte,
        [] { return makeSHA3_512MonteTests<SHA3_512>(); });
  // BLAKE2b-512, BLAKE2s-256, RIPEMD-160 and SM3: one file each.
  b.add("makeBLAKE2b512Tests", "OpenSSL_BLAKE2b512", kHashes,
        [] { return makeBLAKE2b512Tests<BLAKE2b512>(); });
  b.add("makeBLAKE2s256Tests", "OpenSSL_BLAKE2s256", kHashes,
        [] { return makeBLAKE2s256Tests<BLAKE2s256>(); });
  b.add("makeRIPEMD160Tests", "OpenSSL_RIPEMD160", kHashes,
        [] { return makeRIPEMD160Tests<RIPEMD160>(); });
  b.add("makeSM3Tests", "OpenSSL_SM3", kHashes, [] { return makeSM3Tests<SM3>(); });
  // A cipher the library has no suite for, from vector files in the NIST layout.
  for (const auto& entry : {std::pair{"CBCCamellia-e.rsp", BlockMode::CBC},
                            std::pair{"CFB128Camellia-e.rsp", BlockMode::CFB},
                            std::pair{"OFBCamellia-e.rsp", BlockMode::OFB}}) {
    const std::string file = entry.first;
    const BlockMode mode = entry.second;
    const std::string path = getDataFileName(kCamellia + "/" + file);
    b.add("makeBlockCipherKATTests", std::string("OpenSSL_Camellia128 ") + file, kCamellia,
          modesOf<Camellia128>(),
          [path, mode] { return makeBlockCipherKATTests<Camellia128>(path, mode); });
    b.add("makeBlockCipherKATTests", std::string("OpenSSL_Camellia256 ") + file, kCamellia,
          modesOf<Camellia256>(),
          [path, mode] { return makeBlockCipherKATTests<Camellia256>(path, mode); });
  }
  // CMAC and key wrap over OpenSSL's AES block functions, one key length per row.
  b.add("makeCMACTests", "OpenSSL_AES128", kCMAC, cmacOf<AES128>(),
        [] { return makeCMACTests<AES128>(); });
  b.add("makeCMACTests", "OpenSSL_AES192", kCMAC, cmacOf<AES192>(),
        [] { return makeCMACTests<AES192>(); });
  b.add("makeCMACTests", "OpenSSL_AES256", kCMAC, cmacOf<AES256>(),
        [] { return makeCMACTests<AES256>(); });
  b.add("makeKeyWrapTests", "OpenSSL_AES128", kKeyWrap, keyWrapOf<AES128>(),
        [] { return makeKeyWrapTests<AES128>(); });
  b.add("makeKeyWrapTests", "OpenSSL_AES192", kKeyWrap, keyWrapOf<AES192>(),
        [] { return makeKeyWrapTests<AES192>(); });
  b.add("makeKeyWrapTests", "OpenSSL_AES256", kKeyWrap, keyWrapOf<AES256>(),
        [] { return makeKeyWrapTests<AES256>(); });
  // GCM over the same block functions; the decryption records marked FAIL must be refused.
  const std::string gcm(vectorDirectory("Test/KAT_GCM").name);
  static constexpr std::string_view kGCMEntries[] = {"gcmEncrypt", "gcmDecrypt", "gcmEncryptLazy",
                                                     "gcmDecryptLazy"};
  b.add("makeGCMTests", "OpenSSL_AES128", gcm,
        describeConstructionImplementations(anyBlockCipher<AES128>(), kGCMEntries),
        [] { return makeGCMTests<AES128>(); });
  b.add("makeGCMTests", "OpenSSL_AES192", gcm,
        describeConstructionImplementations(anyBlockCipher<AES192>(), kGCMEntries),
        [] { return makeGCMTests<AES192>(); });
  b.add("makeGCMTests", "OpenSSL_AES256", gcm,
        describeConstructionImplementations(anyBlockCipher<AES256>(), kGCMEntries),
        [] { return makeGCMTests<AES256>(); });
  // CCM likewise, refusing the decryption records with Result = Fail.
  const std::string ccm(vectorDirectory("Test/KAT_CCM").name);
  static constexpr std::string_view kCCMEntries[] = {"ccmEncrypt", "ccmDecrypt"};
  b.add("makeCCMTests", "OpenSSL_AES128", ccm,
        describeConstructionImplementations(anyBlockCipher<AES128>(), kCCMEntries),
        [] { return makeCCMTests<AES128>(); });
  b.add("makeCCMTests", "OpenSSL_AES192", ccm,
        describeConstructionImplementations(anyBlockCipher<AES192>(), kCCMEntries),
        [] { return makeCCMTests<AES192>(); });
  b.add("makeCCMTests", "OpenSSL_AES256", ccm,
        describeConstructionImplementations(anyBlockCipher<AES256>(), kCCMEntries),
        [] { return makeCCMTests<AES256>(); });
}

// HMAC from the RFC test cases, HKDF and PBKDF2: kavrit's generic HKDF over OpenSSL's digests and
// OpenSSL's own HKDF and PBKDF2 as hooks. The PBKDF2 row holds the "Slow" group (RFC 6070's 2^24
// iterations, a few seconds through OpenSSL; about half a minute through kavrit's generic PBKDF2).
void buildKDFSuites(SuiteBuilds& b) {
  const std::string hmacRFC(vectorDirectory("Test/KAT_HMAC_RFC").name);
  const std::string hkdf(vectorDirectory("Test/KAT_HKDF").name);
  const std::string pbkdf2(vectorDirectory("Test/KAT_PBKDF2").name);
  b.add("makeRFC4231HMACTests", "OpenSSL_SHA224", hmacRFC, hmacOf<SHA224>(),
        [] { return makeRFC4231HMACTests<SHA224>(); });
  b.add("makeRFC4231HMACTests", "OpenSSL_SHA256", hmacRFC, hmacOf<SHA256>(),
        [] { return makeRFC4231HMACTests<SHA256>(); });
  b.add("makeRFC4231HMACTests", "OpenSSL_SHA384", hmacRFC, hmacOf<SHA384>(),
        [] { return makeRFC4231HMACTests<SHA384>(); });
  b.add("makeRFC4231HMACTests", "OpenSSL_SHA512", hmacRFC, hmacOf<SHA512>(),
        [] { return makeRFC4231HMACTests<SHA512>(); });
  b.add("makeRFC2202HMACTests", "OpenSSL_MD5", hmacRFC, hmacOf<MD5>(),
        [] { return makeRFC2202HMACTests<MD5>(); });
  b.add("makeRFC2202HMACTests", "OpenSSL_SHA1", hmacRFC, hmacOf<SHA1>(),
        [] { return makeRFC2202HMACTests<SHA1>(); });
  b.add("makeRFC2286HMACTests", "OpenSSL_RIPEMD160", hmacRFC, hmacOf<RIPEMD160>(),
        [] { return makeRFC2286HMACTests<RIPEMD160>(); });
  b.add("makeHKDFTests", "OpenSSL_SHA1", hkdf, describeHKDFImplementations(anyHash<SHA1>()),
        [] { return makeHKDFTests<SHA1>(); });
  b.add("makeHKDFTests", "OpenSSL_SHA256", hkdf, describeHKDFImplementations(anyHash<SHA256>()),
        [] { return makeHKDFTests<SHA256>(); });
  b.add("makeHKDFTests", "OpenSSL_KDF_SHA256", hkdf,
        describeHKDFImplementations(anyHash<OpenSSLKDFSHA256>()),
        [] { return makeHKDFTests<OpenSSLKDFSHA256>(); });
  b.add("makePBKDF2Tests", "OpenSSL_KDF_SHA1", pbkdf2,
        describePBKDF2Implementation(anyHash<OpenSSLKDFSHA1>()),
        [] { return makePBKDF2Tests<OpenSSLKDFSHA1>(); });
}

// Triple-DES (64-bit blocks; two- and three-key, and Nettle's three-key as a second opinion) and
// Camellia, each key size on its own row; then SM4 and SEED over OpenSSL, and IDEA written out
// in examples/reference_idea.hpp (Debian's OpenSSL is built without it); Blowfish and CAST5 over
// OpenSSL and Nettle.
void buildCipherFamilySuites(SuiteBuilds& b) {
  const std::string tdes(vectorDirectory("Test/KAT_TDES").name);
  const std::string camellia(vectorDirectory("Test/KAT_CAMELLIA_NIST").name);
  b.add("makeTDESTests", "OpenSSL_TripleDES3", tdes, modesOf<TripleDES3>(),
        [] { return makeTDESTests<TripleDES3>(); });
  b.add("makeTDESTests", "OpenSSL_TripleDES2", tdes, modesOf<TripleDES2>(),
        [] { return makeTDESTests<TripleDES2>(); });
  b.add("makeTDESTests", "Nettle_TripleDES3", tdes, modesOf<NettleTripleDES3>(),
        [] { return makeTDESTests<NettleTripleDES3>(); });
  // The 3DES CMAC file needs a three-key Triple-DES.
  b.add("makeCMACTests", "OpenSSL_TripleDES3", kCMAC, cmacOf<TripleDES3>(),
        [] { return makeCMACTests<TripleDES3>(); });
  b.add("makeCamelliaTests", "OpenSSL_Camellia128", camellia, modesOf<Camellia128>(),
        [] { return makeCamelliaTests<Camellia128>(); });
  b.add("makeCamelliaTests", "OpenSSL_Camellia192", camellia, modesOf<Camellia192>(),
        [] { return makeCamelliaTests<Camellia192>(); });
  b.add("makeCamelliaTests", "OpenSSL_Camellia256", camellia, modesOf<Camellia256>(),
        [] { return makeCamelliaTests<Camellia256>(); });
  b.add("makeSM4Tests", "OpenSSL_SM4", std::string(vectorDirectory("Test/KAT_SM4").name),
        modesOf<OpenSSLSM4>(), [] { return makeSM4Tests<OpenSSLSM4>(); });
  b.add("makeSEEDTests", "OpenSSL_SEED", std::string(vectorDirectory("Test/KAT_SEED").name),
        modesOf<OpenSSLSEED>(), [] { return makeSEEDTests<OpenSSLSEED>(); });
  b.add("makeIDEATests", "Reference_IDEA", std::string(vectorDirectory("Test/KAT_IDEA").name),
        modesOf<ReferenceIDEA>(), [] { return makeIDEATests<ReferenceIDEA>(); });
  const std::string blowfish(vectorDirectory("Test/KAT_BLOWFISH").name);
  const std::string cast5(vectorDirectory("Test/KAT_CAST5").name);
  b.add("makeBlowfishTests", "OpenSSL_Blowfish", blowfish, modesOf<OpenSSLBlowfish>(),
        [] { return makeBlowfishTests<OpenSSLBlowfish>(); });
  b.add("makeBlowfishTests", "Nettle_Blowfish", blowfish, modesOf<NettleBlowfish>(),
        [] { return makeBlowfishTests<NettleBlowfish>(); });
  b.add("makeCAST5Tests", "OpenSSL_CAST5", cast5, modesOf<OpenSSLCAST5>(),
        [] { return makeCAST5Tests<OpenSSLCAST5>(); });
  b.add("makeCAST5Tests", "Nettle_CAST5", cast5, modesOf<NettleCAST5>(),
        [] { return makeCAST5Tests<NettleCAST5>(); });
}

// Everything for one algorithm in one call, for one hash and one cipher: the same tests as the
// rows of their builders above, with the same test names. Both read several vector directories,
// all below Test/.
void addAlgorithmSuites(SuiteBuilds& b) {
  b.add("makeSHA256Suites", "OpenSSL_SHA256", "Test", hmacOf<SHA256>(),
        [] { return makeSHA256Suites<SHA256>(); });
  b.add("makeAESSuites", "OpenSSL_AES128", "Test", modesOf<AES128>(),
        [] { return makeAESSuites<AES128>(); });
  b.add("makeSHA512_256Suites", "OpenSSL_SHA512_256", "Test", hmacOf<SHA512_256>(),
        [] { return makeSHA512_256Suites<SHA512_256>(); });
  b.add("makeSHA3_256Suites", "OpenSSL_SHA3_256", "Test", hmacOf<SHA3_256>(),
        [] { return makeSHA3_256Suites<SHA3_256>(); });
  b.add("makeRIPEMD160Suites", "OpenSSL_RIPEMD160", "Test", hmacOf<RIPEMD160>(),
        [] { return makeRIPEMD160Suites<RIPEMD160>(); });
  b.add("makeRIPEMD160Suites", "Nettle_RIPEMD160", "Test", hmacOf<NettleRIPEMD160>(),
        [] { return makeRIPEMD160Suites<NettleRIPEMD160>(); });
  b.add("makeSM3Suites", "OpenSSL_SM3", "Test", hmacOf<SM3>(), [] { return makeSM3Suites<SM3>(); });
  b.add("makeSM3Suites", "Nettle_SM3", "Test", hmacOf<NettleSM3>(),
        [] { return makeSM3Suites<NettleSM3>(); });
  b.add("makeTDESSuites", "OpenSSL_TripleDES3", "Test", modesOf<TripleDES3>(),
        [] { return makeTDESSuites<TripleDES3>(); });
  b.add("makeCamelliaSuites", "OpenSSL_Camellia128", "Test", modesOf<Camellia128>(),
        [] { return makeCamelliaSuites<Camellia128>(); });
  b.add("makeSM4Suites", "OpenSSL_SM4", "Test", modesOf<OpenSSLSM4>(),
        [] { return makeSM4Suites<OpenSSLSM4>(); });
  b.add("makeSEEDSuites", "OpenSSL_SEED", "Test", modesOf<OpenSSLSEED>(),
        [] { return makeSEEDSuites<OpenSSLSEED>(); });
  b.add("makeIDEASuites", "Reference_IDEA", "Test", modesOf<ReferenceIDEA>(),
        [] { return makeIDEASuites<ReferenceIDEA>(); });
  b.add("makeBlowfishSuites", "OpenSSL_Blowfish", "Test", modesOf<OpenSSLBlowfish>(),
        [] { return makeBlowfishSuites<OpenSSLBlowfish>(); });
  b.add("makeCAST5Suites", "OpenSSL_CAST5", "Test", modesOf<OpenSSLCAST5>(),
        [] { return makeCAST5Suites<OpenSSLCAST5>(); });
}

// Deliberately broken implementations, to see what a failure looks like (--with-broken).
void addBrokenSuites(SuiteBuilds& b) {
  b.add("makeAESTests", "Broken_DecryptAES128", kAES, modesOf<BrokenDecryptAES128>(),
        [] { return makeAESTests<BrokenDecryptAES128>(); });
  b.add("makeSHA256Tests", "Broken_ChunkedSHA256", kSHA,
        [] { return makeSHA256Tests<BrokenChunkedSHA256>(); });
}

}  // namespace

// XTS: kavrit's generic XTS over OpenSSL's AES block functions, and OpenSSL's own aes-128-xts and
// aes-256-xts as hooks. 192-bit keys have no XTSVS file, so no row here: the demo wants vectors in
// every file-driven row.
constexpr std::string_view kXTSEntries[] = {"xtsEncrypt", "xtsDecrypt"};
template <class K>
std::string xtsOf() {
  return describeConstructionImplementations(anyBlockCipher<K>(), kXTSEntries);
}
void buildXTSSuites(SuiteBuilds& b) {
  const std::string xts(vectorDirectory("Test/KAT_XTS").name);
  b.add("makeXTSTests", "OpenSSL_AES128", xts, xtsOf<AES128>(),
        [] { return makeXTSTests<AES128>(); });
  b.add("makeXTSTests", "OpenSSL_AES256", xts, xtsOf<AES256>(),
        [] { return makeXTSTests<AES256>(); });
  b.add("makeXTSTests", "OpenSSL_XTSAES128", xts, xtsOf<XTSAES128>(),
        [] { return makeXTSTests<XTSAES128>(); });
  b.add("makeXTSTests", "OpenSSL_XTSAES256", xts, xtsOf<XTSAES256>(),
        [] { return makeXTSTests<XTSAES256>(); });
}

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  bool verbose = false;
  bool withBroken = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--verbose") == 0) {
      verbose = true;
    } else if (std::strcmp(argv[i], "--with-broken") == 0) {
      withBroken = true;
    } else {
      std::fprintf(stderr,
                   "kavrit-tests-demo: unknown option %s (GoogleTest's own flags, "
                   "--verbose and --with-broken are accepted)\n",
                   argv[i]);
      return 2;
    }
  }

  SuiteBuilds builds;
  // Suites over missing or altered vector files prove little: every difference from the manifest
  // is a problem that fails the run, named file by file.
  for (const DataProblem& problem : verifyDataDirectory()) {
    builds.addProblem("VECTOR DATA: " + describe(problem));
  }
  buildSuites(builds);
  buildKDFSuites(builds);
  buildCipherFamilySuites(builds);
  buildXTSSuites(builds);
  kavrit::demo::addBoundarySuites(builds);
  kavrit::demo::addWycheproofSuites(builds);
  kavrit::demo::addPrimitiveSuites(builds);
  addAlgorithmSuites(builds);
  if (withBroken) addBrokenSuites(builds);
  builds.printProblems(std::cout);
  const std::vector<SuiteRun>& runs = builds.runs();
  for (const SuiteRun& run : runs) kavrit::gtest::registerTests(run.suiteName(), run.trees);

  testing::TestEventListeners& listeners = testing::UnitTest::GetInstance()->listeners();
  if (!verbose) {
    delete listeners.Release(listeners.default_result_printer());
    listeners.Append(new kavrit::demo::FailurePrinter);
  }
  listeners.Append(new kavrit::demo::SummaryPrinter(runs));
  const int status = RUN_ALL_TESTS();
  // Wycheproof's "acceptable" inputs pass either way; which way the implementations went.
  const WycheproofTally tally = wycheproofAcceptableTally();
  if (tally.accepted + tally.refused > 0) {
    std::cout << "Wycheproof acceptable tests: " << tally.accepted << " accepted, " << tally.refused
              << " refused\n";
  }
  // Said again after the summary, where it is read; a problem fails the run even when every test
  // that could be built passed.
  builds.printProblems(std::cout);
  return builds.hasProblems() ? 1 : status;
}
