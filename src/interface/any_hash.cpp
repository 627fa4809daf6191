#include "kavrit/test/any_hash.hpp"

#include "hook_description.hpp"

namespace kavrit::test {
using detail::describeHooks;

std::string describeHMACImplementations(const AnyHash& hash) {
  return describeHooks(hash.ownHooks(), {"hmac", "hmacStrict"});
}

std::string describeHKDFImplementations(const AnyHash& hash) {
  return describeHooks(hash.ownKDFHooks(), {"hkdfExtract", "hkdfExpand", "hkdf"});
}

std::string describePBKDF2Implementation(const AnyHash& hash) {
  return describeHooks(hash.ownKDFHooks(), {"pbkdf2"});
}

}  // namespace kavrit::test
