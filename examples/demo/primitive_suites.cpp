#include "primitive_suites.hpp"

#include <string>

#include "kavrit/block_cipher_aead.hpp"
#include "kavrit/test/aead_props.hpp"
#include "kavrit/test/primitive_suites.hpp"
#include "nettle/nettle_arcfour.hpp"
#include "nettle/nettle_chacha.hpp"
#include "nettle/nettle_eax.hpp"
#include "nettle/nettle_shake.hpp"
#include "nettle/nettle_siv.hpp"
#include "openssl/openssl_aes.hpp"
#include "openssl/openssl_aes_gcm_siv.hpp"
#include "openssl/openssl_aes_siv.hpp"
#include "openssl/openssl_chacha20.hpp"
#include "openssl/openssl_rc4.hpp"
#include "openssl/openssl_shake.hpp"
#include "openssl/openssl_xchacha20_poly1305.hpp"

namespace kavrit::demo {
namespace {

using namespace kavrit::examples;
using namespace kavrit::test;

const std::string kChaCha20 = "Test/KAT_CHACHA20";
const std::string kPoly1305 = "Test/KAT_POLY1305";
const std::string kChaChaPoly = "Test/KAT_CHACHA20_POLY1305";
const std::string kRC4 = "Test/KAT_RC4";
const std::string kWycheproof = "Test/WYCHEPROOF";

template <class S>
void streamRow(SuiteBuilds& b, const char* builder, const char* implementation,
               const std::string& directory, std::vector<Test> (*make)(const AnyStreamCipher&)) {
  const AnyStreamCipher& cipher = anyStreamCipher<S>();
  b.add(builder, implementation, directory, describeStreamCipherImplementation(cipher),
        [&cipher, make] { return make(cipher); });
}

template <class A>
void aeadRow(SuiteBuilds& b, const char* builder, const char* implementation,
             const std::string& directory, std::vector<Test> (*make)(const AnyAead&)) {
  const AnyAead& aead = anyAead<A>();
  b.add(builder, implementation, directory, describeAEADImplementations(aead),
        [&aead, make] { return make(aead); });
}

}  // namespace

void addPrimitiveSuites(SuiteBuilds& b) {
  streamRow<OpenSSLChaCha20>(b, "makeChaCha20Suites", "OpenSSL_ChaCha20", kChaCha20,
                             makeChaCha20Suites);
  streamRow<NettleChaCha20>(b, "makeChaCha20Suites", "Nettle_ChaCha20", kChaCha20,
                            makeChaCha20Suites);
  streamRow<OpenSSLRC4>(b, "makeRC4Suites", "OpenSSL_RC4", kRC4, makeRC4Suites);
  streamRow<NettleArcfour>(b, "makeRC4Suites", "Nettle_Arcfour", kRC4, makeRC4Suites);
  const AnyMac& poly = anyMac<OpenSSLPoly1305>();
  b.add("makePoly1305Suites", "OpenSSL_Poly1305", kPoly1305, describeMACImplementation(poly),
        [&poly] { return makePoly1305Suites(poly); });
  aeadRow<OpenSSLChaCha20Poly1305>(b, "makeChaCha20Poly1305Suites", "OpenSSL_ChaCha20Poly1305",
                                   kChaChaPoly, makeChaCha20Poly1305Suites);
  aeadRow<NettleChaCha20Poly1305>(b, "makeChaCha20Poly1305Suites", "Nettle_ChaCha20Poly1305",
                                  kChaChaPoly, makeChaCha20Poly1305Suites);
  aeadRow<OpenSSLXChaCha20Poly1305>(b, "makeXChaCha20Poly1305Suites", "OpenSSL_XChaCha20Poly1305",
                                    kWycheproof, makeXChaCha20Poly1305Suites);
  aeadRow<NettleAesEax<128>>(b, "makeAESEAXSuites", "Nettle_AES128_EAX", kWycheproof,
                             makeAESEAXSuites);
  aeadRow<NettleAesEax<256>>(b, "makeAESEAXSuites", "Nettle_AES256_EAX", kWycheproof,
                             makeAESEAXSuites);
  aeadRow<OpenSSLAesGcmSiv<128>>(b, "makeAESGCMSIVSuites", "OpenSSL_AES128_GCM_SIV", kWycheproof,
                                 makeAESGCMSIVSuites);
  aeadRow<OpenSSLAesSiv<256>>(b, "makeAESSIVSuites", "OpenSSL_AES_SIV256", kWycheproof,
                              makeAESSIVSuites);
  aeadRow<NettleAesSiv<256>>(b, "makeAESSIVSuites", "Nettle_AES_SIV256", kWycheproof,
                             makeAESSIVSuites);
  // GCM and CCM as AEADs: the same laws over kavrit's GCM and CCM of OpenSSL's AES-128.
  const auto lawsOnly = [](const AnyAead& aead) {
    return std::vector<Test>{makeAEADPropTests(aead)};
  };
  const AnyAead& gcm = anyAead<kavrit::GcmAead<AES128>>();
  b.add("makeAEADPropTests", "OpenSSL_AES128 GcmAead", "", describeAEADImplementations(gcm),
        [&gcm, lawsOnly] { return lawsOnly(gcm); });
  const AnyAead& ccm = anyAead<kavrit::CcmAead<AES128>>();
  b.add("makeAEADPropTests", "OpenSSL_AES128 CcmAead", "", describeAEADImplementations(ccm),
        [&ccm, lawsOnly] { return lawsOnly(ccm); });
  // SHAKE: OpenSSL has both, Nettle SHAKE256 alone.
  const auto xofRow = [&b](const char* builder, const char* implementation, const AnyXof& xof,
                           std::vector<Test> (*make)(const AnyXof&)) {
    b.add(builder, implementation, "Test/KAT_SHAKE", describeXOFImplementation(xof),
          [&xof, make] { return make(xof); });
  };
  xofRow("makeSHAKE128Suites", "OpenSSL_SHAKE128", anyXof<OpenSSLShake128>(), makeSHAKE128Suites);
  xofRow("makeSHAKE256Suites", "OpenSSL_SHAKE256", anyXof<OpenSSLShake256>(), makeSHAKE256Suites);
  xofRow("makeSHAKE256Suites", "Nettle_SHAKE256", anyXof<NettleShake256>(), makeSHAKE256Suites);
}

}  // namespace kavrit::demo
