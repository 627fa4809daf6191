#include "boundary_suites.hpp"

#include <string>
#include <vector>

#include "kavrit/test/block_cipher_continuation.hpp"
#include "kavrit/test/differential.hpp"
#include "kavrit/test/hash_chunking.hpp"
#include "nettle/nettle_reference.hpp"
#include "nettle/nettle_twofish.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"

namespace kavrit::demo {

void addBoundarySuites(SuiteBuilds& b) {
  using namespace kavrit::examples;
  using namespace kavrit::test;
  using Trees = std::vector<Test>;
  const std::string chunking = "makeHashChunkingTests";
  b.add(chunking, "OpenSSL_MD5", "", [] { return Trees{makeHashChunkingTests<MD5>()}; });
  b.add(chunking, "OpenSSL_SHA1", "", [] { return Trees{makeHashChunkingTests<SHA1>()}; });
  b.add(chunking, "OpenSSL_SHA224", "", [] { return Trees{makeHashChunkingTests<SHA224>()}; });
  b.add(chunking, "OpenSSL_SHA256", "", [] { return Trees{makeHashChunkingTests<SHA256>()}; });
  b.add(chunking, "OpenSSL_SHA384", "", [] { return Trees{makeHashChunkingTests<SHA384>()}; });
  b.add(chunking, "OpenSSL_SHA512", "", [] { return Trees{makeHashChunkingTests<SHA512>()}; });
  const std::string continuation = "makeBlockCipherContinuationTests";
  b.add(continuation, "OpenSSL_AES128", "", modesOf<AES128>(),
        [] { return Trees{makeBlockCipherContinuationTests<AES128>()}; });
  b.add(continuation, "OpenSSL_AES192", "", modesOf<AES192>(),
        [] { return Trees{makeBlockCipherContinuationTests<AES192>()}; });
  b.add(continuation, "OpenSSL_AES256", "", modesOf<AES256>(),
        [] { return Trees{makeBlockCipherContinuationTests<AES256>()}; });
  b.add(continuation, "Nettle_Twofish128", "", modesOf<Twofish128>(),
        [] { return Trees{makeBlockCipherContinuationTests<Twofish128>()}; });
  b.add(continuation, "Nettle_Twofish192", "", modesOf<Twofish192>(),
        [] { return Trees{makeBlockCipherContinuationTests<Twofish192>()}; });
  b.add(continuation, "Nettle_Twofish256", "", modesOf<Twofish256>(),
        [] { return Trees{makeBlockCipherContinuationTests<Twofish256>()}; });
  b.add("makeDifferentialHashTests", "OpenSSL_SHA256_vs_Nettle_SHA256", "",
        bothOf(hmacOf<SHA256>(), hmacOf<NettleSHA256>()),
        [] { return Trees{makeDifferentialHashTests<SHA256, NettleSHA256>()}; });
  b.add("makeDifferentialHashTests", "OpenSSL_SHA512_vs_Nettle_SHA512", "",
        bothOf(hmacOf<SHA512>(), hmacOf<NettleSHA512>()),
        [] { return Trees{makeDifferentialHashTests<SHA512, NettleSHA512>()}; });
  b.add("makeDifferentialBlockCipherTests", "OpenSSL_AES128_vs_Nettle_AES128", "",
        bothOf(modesOf<AES128>(), modesOf<NettleAES128>()),
        [] { return Trees{makeDifferentialBlockCipherTests<AES128, NettleAES128>()}; });
  b.add("makeDifferentialBlockCipherTests", "OpenSSL_AES256_vs_Nettle_AES256", "",
        bothOf(modesOf<AES256>(), modesOf<NettleAES256>()),
        [] { return Trees{makeDifferentialBlockCipherTests<AES256, NettleAES256>()}; });
}

}  // namespace kavrit::demo
