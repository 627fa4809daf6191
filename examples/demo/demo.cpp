// kavrit-tests-demo: every suite of the library run against real implementations (OpenSSL, and
// Nettle for Twofish) through the GoogleTest bridge. Accepts GoogleTest's flags (--gtest_filter,
// --gtest_output, sharding via GTEST_TOTAL_SHARDS / GTEST_SHARD_INDEX) and --verbose for
// GoogleTest's own per-test output. --with-broken adds deliberately broken AES-128 and SHA-256
// adapters, to show what failures look like.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "boundary_suites.hpp"
#include "broken/broken_examples.hpp"
#include "kavrit/gtest/register_tests.hpp"
#include "kavrit/test/aes.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/hash_props.hpp"
#include "kavrit/test/hmac.hpp"
#include "kavrit/test/md5.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/twofish.hpp"
#include "nettle/nettle_twofish.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"
#include "summary.hpp"

namespace {

using namespace kavrit::examples;
using namespace kavrit::test;
using kavrit::demo::SuiteRun;

// Every builder against the real implementations. The property suites run as part of the
// known-answer builders (MD5, SHA, AES and Twofish end with them).
std::vector<SuiteRun> buildSuites() {
  std::vector<SuiteRun> runs;
  runs.push_back({"makeMD5Tests", "OpenSSL_MD5", makeMD5Tests<MD5>()});
  runs.push_back({"makeSHA1Tests", "OpenSSL_SHA1", makeSHA1Tests<SHA1>()});
  runs.push_back({"makeSHA224Tests", "OpenSSL_SHA224", makeSHA224Tests<SHA224>()});
  runs.push_back({"makeSHA256Tests", "OpenSSL_SHA256", makeSHA256Tests<SHA256>()});
  runs.push_back({"makeSHA384Tests", "OpenSSL_SHA384", makeSHA384Tests<SHA384>()});
  runs.push_back({"makeSHA512Tests", "OpenSSL_SHA512", makeSHA512Tests<SHA512>()});
  runs.push_back({"makeSHA1HMACTests", "OpenSSL_SHA1", makeSHA1HMACTests<SHA1>()});
  runs.push_back({"makeSHA224HMACTests", "OpenSSL_SHA224", makeSHA224HMACTests<SHA224>()});
  runs.push_back({"makeSHA256HMACTests", "OpenSSL_SHA256", makeSHA256HMACTests<SHA256>()});
  runs.push_back({"makeSHA384HMACTests", "OpenSSL_SHA384", makeSHA384HMACTests<SHA384>()});
  runs.push_back({"makeSHA512HMACTests", "OpenSSL_SHA512", makeSHA512HMACTests<SHA512>()});
  runs.push_back({"makeAESTests", "OpenSSL_AES128", makeAESTests<AES128>()});
  runs.push_back({"makeAESTests", "OpenSSL_AES192", makeAESTests<AES192>()});
  runs.push_back({"makeAESTests", "OpenSSL_AES256", makeAESTests<AES256>()});
  runs.push_back({"makeTwoFishTests", "Nettle_Twofish128", makeTwoFishTests<Twofish128>()});
  runs.push_back({"makeTwoFishTests", "Nettle_Twofish192", makeTwoFishTests<Twofish192>()});
  runs.push_back({"makeTwoFishTests", "Nettle_Twofish256", makeTwoFishTests<Twofish256>()});
  return runs;
}

// Deliberately broken implementations, to see what a failure looks like (--with-broken).
void addBrokenSuites(std::vector<SuiteRun>& runs) {
  runs.push_back({"makeAESTests", "Broken_DecryptAES128", makeAESTests<BrokenDecryptAES128>()});
  runs.push_back(
      {"makeSHA256Tests", "Broken_ChunkedSHA256", makeSHA256Tests<BrokenChunkedSHA256>()});
}

}  // namespace

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

  std::vector<SuiteRun> runs = buildSuites();
  kavrit::demo::addBoundarySuites(runs);
  if (withBroken) addBrokenSuites(runs);
  for (const SuiteRun& run : runs) kavrit::gtest::registerTests(run.suiteName(), run.trees);

  testing::TestEventListeners& listeners = testing::UnitTest::GetInstance()->listeners();
  if (!verbose) {
    delete listeners.Release(listeners.default_result_printer());
    listeners.Append(new kavrit::demo::FailurePrinter);
  }
  listeners.Append(new kavrit::demo::SummaryPrinter(runs));
  return RUN_ALL_TESTS();
}
