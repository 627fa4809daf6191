#include "kavrit/test/hkdf.hpp"

#include <string>
#include <string_view>
#include <utility>

#include "suites/hash_vectors.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test {

std::vector<Test> makeHKDFTests(const AnyHash& hash) {
  static constexpr std::string_view kAlgorithms[] = {"SHA1", "SHA256"};
  static constexpr std::string_view kRequired[] = {"COUNT", "IKM", "salt", "info",
                                                   "L",     "PRK", "OKM"};
  const std::string algorithm(
      detail::vectorAlgorithm(hash, kAlgorithms, "RFC 5869 has HKDF vectors"));
  // The record's own name of the hash ("Hash = SHA-256").
  const std::string hashName = algorithm == "SHA1" ? "SHA-1" : "SHA-256";
  std::vector<Test> tests = detail::singleFileTests(
      "Test/KAT_HKDF", "RFC5869-" + algorithm + ".rsp", kRequired,
      [&](const detail::RecordRef& record, std::vector<Test>& out) {
        detail::KnownAnswer answer(
            record, "RFC5869HKDF" + algorithm + "-" + std::string(*record.field("COUNT")));
        out.push_back(detail::knownAnswerTest(
            std::move(answer), [&hash, hashName](const detail::KnownAnswer& vector) {
              if (const detail::FieldText named = vector.ref().field("Hash");
                  named != nullptr && *named != hashName) {
                vector.fail("the record is for " + std::string(*named) + ", not " + hashName);
              }
              const ByteString salt = vector.bytes("salt");
              const ByteString ikm = vector.bytes("IKM");
              const ByteString info = vector.bytes("info");
              const ByteString okm = vector.bytes("OKM");
              const std::size_t l = detail::checkedLength(vector, "L", "OKM", okm);
              vector.check("hkdfExtract of salt and IKM against the PRK",
                           hash.hkdfExtract(salt, ikm), vector.bytes("PRK"));
              vector.check(
                  "hkdfExpand of the PRK, info and L, and hkdf of salt, IKM, info and L, "
                  "against the OKM",
                  std::pair(hash.hkdfExpand(vector.bytes("PRK"), info, l),
                            hash.hkdf(salt, ikm, info, l)),
                  std::pair(okm, okm));
            }));
      });
  tests.push_back(makeHKDFLawTests(hash));
  return tests;
}

}  // namespace kavrit::test
