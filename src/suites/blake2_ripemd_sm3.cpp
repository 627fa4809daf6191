#include "kavrit/test/blake2_ripemd_sm3.hpp"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "kavrit/test/hash_props.hpp"
#include "kavrit/test/vector_files.hpp"
#include "suites/hash_vectors.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test {
namespace {

// Every record of Test/KAT_HASHES/<algorithm>.rsp, numbered from 1, then the property group.
std::vector<Test> digestTests(const AnyHash& hash, std::string_view algorithm) {
  static constexpr std::string_view kRequired[] = {"Len", "Msg", "MD"};
  std::size_t index = 0;
  std::vector<Test> tests = detail::singleFileTests(
      "Test/KAT_HASHES", std::string(algorithm) + ".rsp", kRequired,
      [&](const detail::RecordRef& record, std::vector<Test>& out) {
        detail::KnownAnswer answer(record, std::string(algorithm) + "-" + std::to_string(++index));
        out.push_back(
            detail::knownAnswerTest(std::move(answer), [&hash](const detail::KnownAnswer& vector) {
              const long long bits = vector.integer("Len");
              if (bits < 0 || bits % 8 != 0) {
                vector.fail("Len = " + std::to_string(bits) + " is not a whole number of bytes");
              }
              detail::checkDigests(vector, hash, takeBytes(vector.bytes("Msg"), bits / 8),
                                   vector.bytes("MD"));
            }));
      });
  tests.push_back(makeHashPropTests(hash));
  return tests;
}

}  // namespace

std::vector<Test> makeBLAKE2b512Tests(const AnyHash& hash) {
  return digestTests(hash, "BLAKE2b512");
}
std::vector<Test> makeBLAKE2s256Tests(const AnyHash& hash) {
  return digestTests(hash, "BLAKE2s256");
}
std::vector<Test> makeRIPEMD160Tests(const AnyHash& hash) { return digestTests(hash, "RIPEMD160"); }
std::vector<Test> makeSM3Tests(const AnyHash& hash) { return digestTests(hash, "SM3"); }

}  // namespace kavrit::test
