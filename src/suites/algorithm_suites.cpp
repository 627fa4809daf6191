#include "kavrit/test/algorithm_suites.hpp"

#include <iterator>
#include <utility>

#include "kavrit/test/aes.hpp"
#include "kavrit/test/aes_ctr.hpp"
#include "kavrit/test/block_cipher_continuation.hpp"
#include "kavrit/test/hash_chunking.hpp"
#include "kavrit/test/hmac.hpp"
#include "kavrit/test/md5.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/sha_monte.hpp"
#include "kavrit/test/twofish.hpp"

namespace kavrit::test {

namespace {

void append(std::vector<Test>& suites, std::vector<Test> trees) {
  suites.insert(suites.end(), std::make_move_iterator(trees.begin()),
                std::make_move_iterator(trees.end()));
}

using HashBuilder = std::vector<Test> (*)(const AnyHash&);

// The builders are called in the order of the arguments, as the header lists them.
std::vector<Test> shaSuites(const AnyHash& hash, HashBuilder kats, HashBuilder hmac,
                            HashBuilder monte) {
  std::vector<Test> suites = kats(hash);
  append(suites, hmac(hash));
  append(suites, monte(hash));
  suites.push_back(makeHashChunkingTests(hash));
  return suites;
}

}  // namespace

std::vector<Test> makeMD5Suites(const AnyHash& hash) {
  std::vector<Test> suites = makeMD5Tests(hash);
  suites.push_back(makeHashChunkingTests(hash));
  return suites;
}

std::vector<Test> makeSHA1Suites(const AnyHash& hash) {
  return shaSuites(hash, makeSHA1Tests, makeSHA1HMACTests, makeSHA1MonteTests);
}

std::vector<Test> makeSHA224Suites(const AnyHash& hash) {
  return shaSuites(hash, makeSHA224Tests, makeSHA224HMACTests, makeSHA224MonteTests);
}

std::vector<Test> makeSHA256Suites(const AnyHash& hash) {
  return shaSuites(hash, makeSHA256Tests, makeSHA256HMACTests, makeSHA256MonteTests);
}

std::vector<Test> makeSHA384Suites(const AnyHash& hash) {
  return shaSuites(hash, makeSHA384Tests, makeSHA384HMACTests, makeSHA384MonteTests);
}

std::vector<Test> makeSHA512Suites(const AnyHash& hash) {
  return shaSuites(hash, makeSHA512Tests, makeSHA512HMACTests, makeSHA512MonteTests);
}

std::vector<Test> makeAESSuites(const AnyBlockCipher& cipher) {
  std::vector<Test> suites = makeAESTests(cipher);
  append(suites, makeAESCTRTests(cipher));
  suites.push_back(makeBlockCipherContinuationTests(cipher));
  return suites;
}

std::vector<Test> makeTwoFishSuites(const AnyBlockCipher& cipher) {
  std::vector<Test> suites = makeTwoFishTests(cipher);
  suites.push_back(makeBlockCipherContinuationTests(cipher));
  return suites;
}

}  // namespace kavrit::test
