#include "wycheproof_suites.hpp"

#include <exception>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kavrit/test/paths.hpp"
#include "kavrit/test/wycheproof.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_camellia.hpp"
#include "openssl/openssl_digest.hpp"
#include "openssl/openssl_kdf.hpp"
#include "openssl/openssl_seed.hpp"
#include "openssl/openssl_sm4.hpp"

namespace kavrit::demo {
namespace {

using namespace kavrit::examples;
using namespace kavrit::test;

const std::string kDirectory = "Test/WYCHEPROOF";

// Whose implementation of each entry point a construction's rows test.
constexpr std::string_view kGCM[] = {"gcmEncrypt", "gcmDecrypt", "gcmEncryptLazy",
                                     "gcmDecryptLazy"};
constexpr std::string_view kCCM[] = {"ccmEncrypt", "ccmDecrypt"};
constexpr std::string_view kCMAC[] = {"cmac", "cmacLazy"};
constexpr std::string_view kKW[] = {"keyWrap", "keyUnwrap"};
constexpr std::string_view kKWP[] = {"keyWrapPad", "keyUnwrapPad"};
constexpr std::string_view kXTS[] = {"xtsEncrypt", "xtsDecrypt"};
constexpr std::string_view kCBCPad[] = {"cbcPad", "unCbcPad", "cbcPadLazy", "unCbcPadLazy"};

template <class K>
void addCipherRows(SuiteBuilds& b, const std::string& implementation, WycheproofCipher family) {
  const AnyBlockCipher& cipher = anyBlockCipher<K>();
  const auto row = [&](const char* builder, std::span<const std::string_view> entries,
                       std::vector<Test> (*make)(const AnyBlockCipher&, WycheproofCipher)) {
    // Rows only for the files Wycheproof publishes for the family; a file that is there but
    // cannot be read is a row whose build fails, which the summary reports.
    try {
      if (make(cipher, family).empty()) return;
    } catch (const std::exception&) {
    }
    b.add(builder, implementation, kDirectory, describeConstructionImplementations(cipher, entries),
          [&cipher, make, family] { return make(cipher, family); });
  };
  row("makeWycheproofGCMTests", kGCM, makeWycheproofGCMTests);
  row("makeWycheproofGMACTests", kGCM, makeWycheproofGMACTests);
  row("makeWycheproofCCMTests", kCCM, makeWycheproofCCMTests);
  row("makeWycheproofCMACTests", kCMAC, makeWycheproofCMACTests);
  row("makeWycheproofKeyWrapTests", kKW, makeWycheproofKeyWrapTests);
  row("makeWycheproofKeyWrapPadTests", kKWP, makeWycheproofKeyWrapPadTests);
  row("makeWycheproofXTSTests", kXTS, makeWycheproofXTSTests);
  row("makeWycheproofCBCPadTests", kCBCPad, makeWycheproofCBCPadTests);
}

}  // namespace

void addWycheproofSuites(SuiteBuilds& b) {
  addCipherRows<AES128>(b, "OpenSSL_AES128", WycheproofCipher::AES);
  addCipherRows<AES256>(b, "OpenSSL_AES256", WycheproofCipher::AES);
  addCipherRows<Camellia128>(b, "OpenSSL_Camellia128", WycheproofCipher::Camellia);
  addCipherRows<OpenSSLSEED>(b, "OpenSSL_SEED", WycheproofCipher::SEED);
  addCipherRows<OpenSSLSM4>(b, "OpenSSL_SM4", WycheproofCipher::SM4);
  b.add("makeWycheproofHMACTests", "OpenSSL_SHA256", kDirectory, hmacOf<SHA256>(),
        [] { return makeWycheproofHMACTests<SHA256>(); });
  b.add("makeWycheproofHMACTests", "OpenSSL_SHA512_256", kDirectory, hmacOf<SHA512_256>(),
        [] { return makeWycheproofHMACTests<SHA512_256>(); });
  b.add("makeWycheproofHMACTests", "OpenSSL_SHA3_256", kDirectory, hmacOf<SHA3_256>(),
        [] { return makeWycheproofHMACTests<SHA3_256>(); });
  b.add("makeWycheproofHKDFTests", "OpenSSL_SHA256", kDirectory,
        describeHKDFImplementations(anyHash<SHA256>()),
        [] { return makeWycheproofHKDFTests<SHA256>(); });
  b.add("makeWycheproofHKDFTests", "OpenSSL_KDF_SHA256", kDirectory,
        describeHKDFImplementations(anyHash<OpenSSLKDFSHA256>()),
        [] { return makeWycheproofHKDFTests<OpenSSLKDFSHA256>(); });
  // OpenSSL's own PBKDF2 (SHA-1's file holds RFC 6070's 2^24 iterations, which the makePBKDF2Tests
  // row already runs).
  b.add("makeWycheproofPBKDF2Tests", "OpenSSL_KDF_SHA256", kDirectory,
        describePBKDF2Implementation(anyHash<OpenSSLKDFSHA256>()),
        [] { return makeWycheproofPBKDF2Tests<OpenSSLKDFSHA256>(); });
  b.add("makeWycheproofPBKDF2Tests", "OpenSSL_SHA512", kDirectory,
        describePBKDF2Implementation(anyHash<SHA512>()),
        [] { return makeWycheproofPBKDF2Tests<SHA512>(); });
  // A file read as a user's own: Camellia's key wrap for 256-bit keys.
  const std::string file = getDataFileName(kDirectory + "/camellia_wrap_test.json");
  b.add("makeWycheproofTests", "OpenSSL_Camellia256 camellia_wrap_test.json", kDirectory,
        describeConstructionImplementations(anyBlockCipher<Camellia256>(), kKW),
        [file] { return makeWycheproofTests<Camellia256>(file); });
}

}  // namespace kavrit::demo
