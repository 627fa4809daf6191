#include "hook_description.hpp"
#include "kavrit/test/any_aead.hpp"
#include "kavrit/test/any_mac.hpp"
#include "kavrit/test/any_stream_cipher.hpp"
#include "kavrit/test/any_xof.hpp"

namespace kavrit::test {

std::string describeAEADImplementations(const AnyAead& aead) {
  return detail::describeHooks(aead.ownHooks(), {"sealLazy", "openLazy"});
}

std::string describeStreamCipherImplementation(const AnyStreamCipher& cipher) {
  return detail::describeHooks(cipher.ownHooks(), {"applyLazy"});
}

std::string describeMACImplementation(const AnyMac& mac) {
  return detail::describeHooks(mac.ownHooks(), {"tagLazy"});
}

std::string describeXOFImplementation(const AnyXof& xof) {
  return detail::describeHooks(xof.ownHooks(), {"absorb"});
}

}  // namespace kavrit::test
