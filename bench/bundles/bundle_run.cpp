// kavrit-bench-bundle: builds one per-algorithm bundle on OpenSSL and runs every leaf of it (unit
// cases once, properties under RapidCheck's defaults), then prints the leaves, the failures, the
// seconds and the peak resident memory. "before" builds the bundle as it was before it held the
// constructions and the keyed-hash suites, from the same builders, for a ratio in the same run:
//
//   kavrit-bench-bundle aes128|sha256|chacha20poly1305 complete|before
//   farm-bench --vs 'kavrit-bench-bundle aes128 before' -- kavrit-bench-bundle aes128 complete
//
// For ChaCha20-Poly1305, "before" is the AES-128 GCM known answers and laws of the AES bundle
// (makeGCMTests), the AEAD the library had before it had the AEAD concept, on the same OpenSSL.

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "kavrit/test/aes.hpp"
#include "kavrit/test/aes_ctr.hpp"
#include "kavrit/test/algorithm_suites.hpp"
#include "kavrit/test/block_cipher_continuation.hpp"
#include "kavrit/test/block_cipher_keys.hpp"
#include "kavrit/test/digest_laws.hpp"
#include "kavrit/test/gcm.hpp"
#include "kavrit/test/hash_chunking.hpp"
#include "kavrit/test/hmac.hpp"
#include "kavrit/test/hook_oracles.hpp"
#include "kavrit/test/long_messages.hpp"
#include "kavrit/test/padding_edges.hpp"
#include "kavrit/test/primitive_suites.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/sha_monte.hpp"
#include "kavrit/test/state_laws.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_chacha20.hpp"
#include "openssl/openssl_digest.hpp"

namespace {

using namespace kavrit::test;
using kavrit::examples::AES128;
using kavrit::examples::SHA256;
using Trees = std::vector<Test>;

void append(Trees& to, const Trees& trees) { to.insert(to.end(), trees.begin(), trees.end()); }

Trees aesBefore() {
  Trees all = makeAESTests<AES128>();
  append(all, makeAESCTRTests<AES128>());
  append(all, makeAESCTREdgeTests<AES128>());
  append(all, {makeBlockCipherContinuationTests<AES128>(), makeBlockCipherKeyTests<AES128>(),
               makeBlockCipherStateTests<AES128>(), makeModeHookOracleTests<AES128>(),
               makeLongModeTests<AES128>()});
  return all;
}

Trees sha256Before() {
  Trees all = makeSHA256Tests<SHA256>();
  append(all, makeSHA256HMACTests<SHA256>());
  append(all, makeSHA256MonteTests<SHA256>());
  append(all, makeSHA256PaddingEdgeTests<SHA256>());
  append(all,
         {makeHashChunkingTests<SHA256>(), makeDigestTests<SHA256>(), makeHashStateTests<SHA256>(),
          makeHMACHookOracleTests<SHA256>(), makeLongMessageTests<SHA256>(HashAlgorithm::SHA256)});
  return all;
}

void run(const Trees& trees, std::size_t& leaves, std::size_t& failed) {
  for (const Test& tree : trees) {
    switch (tree.kind()) {
      case Test::Kind::Group:
        run(tree.children(), leaves, failed);
        break;
      case Test::Kind::Case:
        ++leaves;
        try {
          tree.run();
        } catch (const std::exception&) {
          ++failed;
        }
        break;
      case Test::Kind::Property:
        ++leaves;
        failed += tree.check(tree.name()).passed() ? 0 : 1;
        break;
    }
  }
}

std::size_t peakBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stoull(line.substr(6)) * 1024;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string algorithm = argc > 1 ? argv[1] : "";
  const std::string form = argc > 2 ? argv[2] : "";
  if ((algorithm != "aes128" && algorithm != "sha256" && algorithm != "chacha20poly1305") ||
      (form != "complete" && form != "before")) {
    std::fprintf(stderr, "usage: %s aes128|sha256|chacha20poly1305 complete|before\n", argv[0]);
    return 2;
  }
  const bool complete = form == "complete";
  const auto start = std::chrono::steady_clock::now();
  Trees trees;
  if (algorithm == "aes128") {
    trees = complete ? makeAESSuites<AES128>() : aesBefore();
  } else if (algorithm == "sha256") {
    trees = complete ? makeSHA256Suites<SHA256>() : sha256Before();
  } else {
    trees = complete ? makeChaCha20Poly1305Suites<kavrit::examples::OpenSSLChaCha20Poly1305>()
                     : makeGCMTests<AES128>();
  }
  std::size_t leaves = 0;
  std::size_t failed = 0;
  run(trees, leaves, failed);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s %s: %zu leaves, %zu failed, %.2f s, peak %.1f MB\n", algorithm.c_str(),
              form.c_str(), leaves, failed, seconds, static_cast<double>(peakBytes()) / 1e6);
  return failed == 0 ? 0 : 1;
}
