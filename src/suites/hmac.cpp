#include "kavrit/test/hmac.hpp"

#include <stdexcept>

#include "kavrit/test/assert.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "kavrit/test/vector_files.hpp"
#include "suites/hash_vectors.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test::detail::hmac {

std::string algToLen(std::string_view algorithm) {
  if (algorithm == "SHA1") return "20";
  if (algorithm == "SHA224") return "28";
  if (algorithm == "SHA256") return "32";
  if (algorithm == "SHA384") return "48";
  if (algorithm == "SHA512") return "64";
  throw std::logic_error(
      "there are HMAC vectors for SHA1, SHA224, SHA256, SHA384 and SHA512, "
      "not for \"" +
      std::string(algorithm) + "\"\nTest/HMAC:(78,1)-(82,24)|function algToLen");
}

std::vector<Test> getTests(const AnyHash& hash, std::string_view algorithm) {
  static constexpr std::string_view kRequired[] = {"Msg", "Key", "Mac", "Count", "Tlen"};
  static constexpr std::string_view kHeads[] = {"L"};
  const std::string length = algToLen(algorithm);
  const VectorDirectory& directory = vectorDirectory("Test/KAT_HMAC");
  return buildVectorTests(VectorSuite<bool>{
      .directory = getDataFileName(std::string(directory.name)),
      .recordKey = directory.recordKey,
      .listed = {},
      .fileRule = [](const detail::ParsedFile&) { return std::optional<bool>(true); },
      .takesCategory =
          [&length](bool, const FieldList& heads) {
            const detail::FieldText l = lookupField(heads, "L");
            return l != nullptr && *l == length;
          },
      .required = [](bool) -> std::span<const std::string_view> { return kRequired; },
      .addTests =
          [&](bool, const RecordRef& record, std::vector<Test>& out) {
            KnownAnswer answer(record, "NistHMAC" + std::string(algorithm) + "-" +
                                           quoteText(*record.field("Count")));
            answer.showHeads(kHeads);
            out.push_back(knownAnswerTest(std::move(answer), [&hash](const KnownAnswer& vector) {
              const ByteString key = vector.bytes("Key");
              const ByteString message = vector.bytes("Msg");
              const ByteString mac = vector.bytes("Mac");
              checkMacs(vector, hash, key, message, mac, vector.integer("Tlen"));
            }));
          },
  });
}

}  // namespace kavrit::test::detail::hmac
