#include "boundary_suites.hpp"

#include "kavrit/test/block_cipher_continuation.hpp"
#include "kavrit/test/differential.hpp"
#include "kavrit/test/hash_chunking.hpp"
#include "nettle/nettle_reference.hpp"
#include "nettle/nettle_twofish.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_digest.hpp"

namespace kavrit::demo {

void addBoundarySuites(std::vector<SuiteRun>& runs) {
  using namespace kavrit::examples;
  using namespace kavrit::test;
  const char* chunking = "makeHashChunkingTests";
  runs.push_back({chunking, "OpenSSL_MD5", {makeHashChunkingTests<MD5>()}});
  runs.push_back({chunking, "OpenSSL_SHA1", {makeHashChunkingTests<SHA1>()}});
  runs.push_back({chunking, "OpenSSL_SHA224", {makeHashChunkingTests<SHA224>()}});
  runs.push_back({chunking, "OpenSSL_SHA256", {makeHashChunkingTests<SHA256>()}});
  runs.push_back({chunking, "OpenSSL_SHA384", {makeHashChunkingTests<SHA384>()}});
  runs.push_back({chunking, "OpenSSL_SHA512", {makeHashChunkingTests<SHA512>()}});
  const char* continuation = "makeBlockCipherContinuationTests";
  runs.push_back({continuation, "OpenSSL_AES128", {makeBlockCipherContinuationTests<AES128>()}});
  runs.push_back({continuation, "OpenSSL_AES192", {makeBlockCipherContinuationTests<AES192>()}});
  runs.push_back({continuation, "OpenSSL_AES256", {makeBlockCipherContinuationTests<AES256>()}});
  runs.push_back(
      {continuation, "Nettle_Twofish128", {makeBlockCipherContinuationTests<Twofish128>()}});
  runs.push_back(
      {continuation, "Nettle_Twofish192", {makeBlockCipherContinuationTests<Twofish192>()}});
  runs.push_back(
      {continuation, "Nettle_Twofish256", {makeBlockCipherContinuationTests<Twofish256>()}});
  runs.push_back({"makeDifferentialHashTests",
                  "OpenSSL_SHA256_vs_Nettle_SHA256",
                  {makeDifferentialHashTests<SHA256, NettleSHA256>()}});
  runs.push_back({"makeDifferentialHashTests",
                  "OpenSSL_SHA512_vs_Nettle_SHA512",
                  {makeDifferentialHashTests<SHA512, NettleSHA512>()}});
  runs.push_back({"makeDifferentialBlockCipherTests",
                  "OpenSSL_AES128_vs_Nettle_AES128",
                  {makeDifferentialBlockCipherTests<AES128, NettleAES128>()}});
  runs.push_back({"makeDifferentialBlockCipherTests",
                  "OpenSSL_AES256_vs_Nettle_AES256",
                  {makeDifferentialBlockCipherTests<AES256, NettleAES256>()}});
}

}  // namespace kavrit::demo
