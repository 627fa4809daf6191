#include "kavrit/test/algorithm_suites.hpp"

#include <cstddef>
#include <iterator>
#include <string_view>
#include <utility>

#include "kavrit/test/aes.hpp"
#include "kavrit/test/aes_ctr.hpp"
#include "kavrit/test/block_cipher_continuation.hpp"
#include "kavrit/test/block_cipher_keys.hpp"
#include "kavrit/test/digest_laws.hpp"
#include "kavrit/test/hash_chunking.hpp"
#include "kavrit/test/hmac.hpp"
#include "kavrit/test/hook_oracles.hpp"
#include "kavrit/test/long_messages.hpp"
#include "kavrit/test/md5.hpp"
#include "kavrit/test/padding_edges.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/sha_monte.hpp"
#include "kavrit/test/state_laws.hpp"
#include "kavrit/test/twofish.hpp"

namespace kavrit::test {

namespace {

void append(std::vector<Test>& suites, std::vector<Test> trees) {
  suites.insert(suites.end(), std::make_move_iterator(trees.begin()),
                std::make_move_iterator(trees.end()));
}

using HashBuilder = std::vector<Test> (*)(const AnyHash&);

// The laws every hash gets after its chunking laws, in the header's order.
void appendHashLaws(std::vector<Test>& suites, const AnyHash& hash, HashAlgorithm algorithm) {
  suites.push_back(makeDigestTests(hash));
  suites.push_back(makeHashStateTests(hash));
  suites.push_back(makeHMACHookOracleTests(hash));
  suites.push_back(makeLongMessageTests(hash, algorithm));
}

// The laws every cipher gets after its continuation laws, in the header's order.
void appendCipherLaws(std::vector<Test>& suites, const AnyBlockCipher& cipher,
                      std::vector<std::size_t> otherKeyBytes) {
  suites.push_back(makeBlockCipherKeyTests(cipher, std::move(otherKeyBytes)));
  suites.push_back(makeBlockCipherStateTests(cipher));
  suites.push_back(makeModeHookOracleTests(cipher));
  suites.push_back(makeLongModeTests(cipher));
}

// The builders are called in the order of the arguments, as the header lists them.
std::vector<Test> shaSuites(const AnyHash& hash, HashBuilder kats, HashBuilder hmac,
                            HashBuilder monte, HashAlgorithm algorithm, std::string_view name) {
  std::vector<Test> suites = kats(hash);
  append(suites, hmac(hash));
  append(suites, monte(hash));
  append(suites, makePaddingEdgeTests(hash, name));
  suites.push_back(makeHashChunkingTests(hash));
  appendHashLaws(suites, hash, algorithm);
  return suites;
}

}  // namespace

std::vector<Test> makeMD5Suites(const AnyHash& hash) {
  std::vector<Test> suites = makeMD5Tests(hash);
  append(suites, makePaddingEdgeTests(hash, "MD5"));
  suites.push_back(makeHashChunkingTests(hash));
  appendHashLaws(suites, hash, HashAlgorithm::MD5);
  return suites;
}

std::vector<Test> makeSHA1Suites(const AnyHash& hash) {
  return shaSuites(hash, makeSHA1Tests, makeSHA1HMACTests, makeSHA1MonteTests, HashAlgorithm::SHA1,
                   "SHA1");
}

std::vector<Test> makeSHA224Suites(const AnyHash& hash) {
  return shaSuites(hash, makeSHA224Tests, makeSHA224HMACTests, makeSHA224MonteTests,
                   HashAlgorithm::SHA224, "SHA224");
}

std::vector<Test> makeSHA256Suites(const AnyHash& hash) {
  return shaSuites(hash, makeSHA256Tests, makeSHA256HMACTests, makeSHA256MonteTests,
                   HashAlgorithm::SHA256, "SHA256");
}

std::vector<Test> makeSHA384Suites(const AnyHash& hash) {
  return shaSuites(hash, makeSHA384Tests, makeSHA384HMACTests, makeSHA384MonteTests,
                   HashAlgorithm::SHA384, "SHA384");
}

std::vector<Test> makeSHA512Suites(const AnyHash& hash) {
  return shaSuites(hash, makeSHA512Tests, makeSHA512HMACTests, makeSHA512MonteTests,
                   HashAlgorithm::SHA512, "SHA512");
}

std::vector<Test> makeAESSuites(const AnyBlockCipher& cipher) {
  std::vector<Test> suites = makeAESTests(cipher);
  append(suites, makeAESCTRTests(cipher));
  append(suites, makeAESCTREdgeTests(cipher));
  suites.push_back(makeBlockCipherContinuationTests(cipher));
  appendCipherLaws(suites, cipher, {});
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

}  // namespace kavrit::test
