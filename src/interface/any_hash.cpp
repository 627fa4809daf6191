#include "kavrit/test/any_hash.hpp"

#include <algorithm>

namespace kavrit::test {

std::string describeHMACImplementations(const AnyHash& hash) {
  const std::vector<std::string_view> own = hash.ownHooks();
  const bool lazy = std::find(own.begin(), own.end(), "hmac") != own.end();
  const bool strict = std::find(own.begin(), own.end(), "hmacStrict") != own.end();
  if (lazy && strict) return "own hmac/hmacStrict";
  if (lazy) return "own hmac, kavrit hmacStrict";
  if (strict) return "own hmacStrict, kavrit hmac";
  return "kavrit hmac/hmacStrict";
}

}  // namespace kavrit::test
