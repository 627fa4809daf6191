#include "kavrit/test/primitive_suites.hpp"

#include <utility>

#include "kavrit/test/aead_props.hpp"
#include "kavrit/test/chacha20.hpp"
#include "kavrit/test/mac_props.hpp"
#include "kavrit/test/rc4.hpp"
#include "kavrit/test/shake.hpp"
#include "kavrit/test/stream_cipher_props.hpp"
#include "kavrit/test/wycheproof_aead.hpp"
#include "kavrit/test/xof_props.hpp"
#include "quick_trees.hpp"

namespace kavrit::test {

namespace {

// The known answers, in the header's order, then the concept's laws without their "Slow" groups.
std::vector<Test> bundle(std::initializer_list<std::vector<Test>> knownAnswers, const Test& laws) {
  std::vector<Test> suites;
  for (const std::vector<Test>& trees : knownAnswers) detail::appendQuick(suites, trees);
  suites.push_back(detail::withoutSlow(laws));
  return suites;
}

}  // namespace

std::vector<Test> makeChaCha20Suites(const AnyStreamCipher& cipher) {
  return bundle({makeChaCha20Tests(cipher)}, makeStreamCipherPropTests(cipher));
}
std::vector<Test> makeRC4Suites(const AnyStreamCipher& cipher) {
  return bundle({makeRC4Tests(cipher)}, makeStreamCipherPropTests(cipher));
}
std::vector<Test> makePoly1305Suites(const AnyMac& mac) {
  return bundle({makePoly1305Tests(mac)}, makeMACPropTests(mac));
}
std::vector<Test> makeChaCha20Poly1305Suites(const AnyAead& aead) {
  return bundle({makeChaCha20Poly1305Tests(aead), makeWycheproofChaCha20Poly1305Tests(aead)},
                makeAEADPropTests(aead));
}
std::vector<Test> makeXChaCha20Poly1305Suites(const AnyAead& aead) {
  return bundle({makeWycheproofXChaCha20Poly1305Tests(aead)}, makeAEADPropTests(aead));
}
std::vector<Test> makeAESEAXSuites(const AnyAead& aead) {
  return bundle({makeWycheproofAESEAXTests(aead)}, makeAEADPropTests(aead));
}
std::vector<Test> makeAESGCMSIVSuites(const AnyAead& aead) {
  return bundle({makeWycheproofAESGCMSIVTests(aead)}, makeAEADPropTests(aead));
}
std::vector<Test> makeAESSIVSuites(const AnyAead& aead) {
  return bundle({makeWycheproofAESSIVTests(aead)}, makeAEADPropTests(aead));
}

std::vector<Test> makeSHAKE128Suites(const AnyXof& xof) {
  return bundle({makeSHAKE128Tests(xof), makeSHAKE128MonteTests(xof)}, makeXOFPropTests(xof));
}
std::vector<Test> makeSHAKE256Suites(const AnyXof& xof) {
  return bundle({makeSHAKE256Tests(xof), makeSHAKE256MonteTests(xof)}, makeXOFPropTests(xof));
}

}  // namespace kavrit::test
