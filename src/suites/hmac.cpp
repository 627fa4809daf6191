#include "kavrit/test/hmac.hpp"

#include <stdexcept>

#include "kavrit/test/assert.hpp"
#include "kavrit/test/hex.hpp"
#include "kavrit/test/parse_nist_kats.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_files.hpp"

namespace kavrit::test::hmac_kat {

std::string algToLen(std::string_view algorithm) {
  if (algorithm == "SHA1") return "20";
  if (algorithm == "SHA224") return "28";
  if (algorithm == "SHA256") return "32";
  if (algorithm == "SHA384") return "48";
  if (algorithm == "SHA512") return "64";
  throw std::logic_error("Test/HMAC:(78,1)-(82,24)|function algToLen: no HMAC vectors for \"" +
                         std::string(algorithm) + "\"");
}

std::vector<Vector> readVectors(std::string_view algorithm) {
  const std::string length = algToLen(algorithm);
  std::vector<Vector> vectors;
  // Each parsed file is ours while it is visited: its field values move into the vectors.
  forEachVectorFile(getDataFileName("Test/KAT_HMAC"), "Count", {}, [&](VectorFile& file) {
    for (KatCategory& category : file.categories) {
      const std::string* l = lookupField(category.properties, "L");
      if (l == nullptr || *l != length) continue;
      for (KatRecord& record : category.records) {
        std::string* msg = lookupField(record, "Msg");
        std::string* key = lookupField(record, "Key");
        std::string* mac = lookupField(record, "Mac");
        const std::string* count = lookupField(record, "Count");
        std::string* tlen = lookupField(record, "Tlen");
        if (!msg || !key || !mac || !count || !tlen) continue;
        std::string name = "NistHMAC" + std::string(algorithm) + "-" + quoteText(*count);
        std::string prefix = name + "\nvector file: " + file.path;
        vectors.push_back({std::move(name), std::move(prefix), std::move(*key), std::move(*msg),
                           std::move(*mac), std::move(*tlen), file.path, record.front().line});
      }
    }
  });
  return vectors;
}

Inputs decode(const Vector& vector) {
  try {
    return Inputs{hexStringToBS(vector.key), hexStringToBS(vector.msg), hexStringToBS(vector.mac),
                  readInteger("Tlen", vector.tlen)};
  } catch (const std::invalid_argument& e) {
    throw std::invalid_argument(vector.prefix + "\n" + e.what());
  }
}

std::vector<Test> getTests(const AnyHash& hash, std::string_view algorithm) {
  std::vector<Test> tests;
  for (Vector& vector : readVectors(algorithm)) {
    std::string name = vector.name;
    SourceLocation location{vector.path, vector.line};
    tests.push_back(testCase(
        std::move(name),
        [&hash, vector = std::move(vector)] {
          const Inputs in = decode(vector);
          const ByteString strict =
              takeBytes(hash.hmacStrict(in.key, in.message).serialize(), in.tagBytes);
          const ByteString lazy = takeBytes(
              hash.hmac(in.key, chunked(in.message, kChunkSize)).serialize(), in.tagBytes);
          assertEqual(vector.prefix, std::pair(strict, lazy), std::pair(in.mac, in.mac),
                      ValueLabels{"computed", "vector"});
        },
        std::move(location)));
  }
  return tests;
}

}  // namespace kavrit::test::hmac_kat
