#include "kavrit/test/pbkdf2.hpp"

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "suites/hash_vectors.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test {

std::vector<Test> makePBKDF2Tests(const AnyHash& hash) {
  static constexpr std::string_view kAlgorithms[] = {"SHA1"};
  static constexpr std::string_view kRequired[] = {"COUNT",      "PASSWORD", "SALT",
                                                   "ITERATIONS", "LENGTH",   "DERIVED_KEY"};
  const std::string algorithm(
      detail::vectorAlgorithm(hash, kAlgorithms, "RFC 6070 has PBKDF2 vectors"));
  std::vector<Test> slow;
  std::vector<Test> tests = detail::singleFileTests(
      "Test/KAT_PBKDF2", "RFC6070-" + algorithm + ".rsp", kRequired,
      [&](const detail::RecordRef& record, std::vector<Test>& out) {
        detail::KnownAnswer answer(
            record, "RFC6070PBKDF2" + algorithm + "-" + std::string(*record.field("COUNT")));
        // A count that does not read fails in its own test; it is not slow.
        long long count = 0;
        try {
          count = readInteger("ITERATIONS", *record.field("ITERATIONS"));
        } catch (const std::invalid_argument&) {
        }
        std::vector<Test>& into =
            count >= static_cast<long long>(kSlowPBKDF2Iterations) ? slow : out;
        into.push_back(
            detail::knownAnswerTest(std::move(answer), [&hash](const detail::KnownAnswer& vector) {
              const long long iterations = vector.integer("ITERATIONS");
              const ByteString key = vector.bytes("DERIVED_KEY");
              const std::size_t length =
                  detail::checkedLength(vector, "LENGTH", "DERIVED_KEY", key);
              if (iterations < 1) vector.fail("ITERATIONS must be at least 1");
              vector.check(
                  "pbkdf2 of PASSWORD, SALT, ITERATIONS and LENGTH against the "
                  "DERIVED_KEY",
                  hash.pbkdf2(vector.bytes("PASSWORD"), vector.bytes("SALT"),
                              static_cast<std::uint64_t>(iterations),
                              static_cast<std::size_t>(length)),
                  key);
            }));
      });
  if (!slow.empty()) tests.push_back(testGroup("Slow", std::move(slow)));
  tests.push_back(makePBKDF2LawTests(hash));
  return tests;
}

}  // namespace kavrit::test
