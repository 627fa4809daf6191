#include "kavrit/test/any_hash.hpp"

#include <algorithm>
#include <initializer_list>

namespace kavrit::test {
namespace {

// "own a/b, kavrit c": which of `hooks` the type brings (`own`) and which kavrit serves.
std::string describeHooks(const std::vector<std::string_view>& own,
                          std::initializer_list<std::string_view> hooks) {
  std::string ownText;
  std::string kavritText;
  for (const std::string_view hook : hooks) {
    std::string& text = std::find(own.begin(), own.end(), hook) != own.end() ? ownText : kavritText;
    text += text.empty() ? "" : "/";
    text += hook;
  }
  if (ownText.empty()) return "kavrit " + kavritText;
  if (kavritText.empty()) return "own " + ownText;
  return "own " + ownText + ", kavrit " + kavritText;
}

}  // namespace

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
