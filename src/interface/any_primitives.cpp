#include "hook_description.hpp"
#include "kavrit/test/any_aead.hpp"
#include "kavrit/test/any_mac.hpp"
#include "kavrit/test/any_stream_cipher.hpp"

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

}  // namespace kavrit::test
