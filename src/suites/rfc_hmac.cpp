#include "kavrit/test/rfc_hmac.hpp"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "suites/hash_vectors.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test {
namespace {

// The tests of the RFC's file for the hash of `hash`: "<rfc>-<algorithm>.rsp".
std::vector<Test> rfcHMACTests(const AnyHash& hash, std::string_view rfc,
                               std::span<const std::string_view> supported) {
  static constexpr std::string_view kRequired[] = {"COUNT", "Key", "Msg", "MD"};
  const std::string algorithm(
      detail::vectorAlgorithm(hash, supported, std::string(rfc) + " has HMAC vectors"));
  return detail::singleFileTests(
      "Test/KAT_HMAC_RFC", std::string(rfc) + "-" + algorithm + ".rsp", kRequired,
      [&](const detail::RecordRef& record, std::vector<Test>& out) {
        detail::KnownAnswer answer(record, std::string(rfc) + "HMAC" + algorithm + "-" +
                                               std::string(*record.field("COUNT")));
        out.push_back(
            detail::knownAnswerTest(std::move(answer), [&hash](const detail::KnownAnswer& vector) {
              const ByteString mac = vector.bytes("MD");
              const auto digestBytes = static_cast<std::size_t>(hash.outputLength() / 8);
              if (mac.empty()) vector.fail("the MD is empty: there is nothing to compare");
              std::optional<long long> prefix;
              if (mac.size() < digestBytes) prefix = static_cast<long long>(mac.size());
              detail::checkMacs(vector, hash, vector.bytes("Key"), vector.bytes("Msg"), mac,
                                prefix);
            }));
      });
}

}  // namespace

std::vector<Test> makeRFC2286HMACTests(const AnyHash& hash) {
  static constexpr std::string_view kAlgorithms[] = {"RIPEMD160"};
  return rfcHMACTests(hash, "RFC2286", kAlgorithms);
}

std::vector<Test> makeRFC4231HMACTests(const AnyHash& hash) {
  static constexpr std::string_view kAlgorithms[] = {"SHA224", "SHA256", "SHA384", "SHA512"};
  return rfcHMACTests(hash, "RFC4231", kAlgorithms);
}

std::vector<Test> makeRFC2202HMACTests(const AnyHash& hash) {
  static constexpr std::string_view kAlgorithms[] = {"MD5", "SHA1"};
  return rfcHMACTests(hash, "RFC2202", kAlgorithms);
}

}  // namespace kavrit::test
