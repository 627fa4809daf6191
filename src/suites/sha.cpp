#include "kavrit/test/sha.hpp"

#include <stdexcept>

#include "kavrit/test/assert.hpp"
#include "kavrit/test/hash_props.hpp"
#include "kavrit/test/hex.hpp"
#include "kavrit/test/parse_nist_kats.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_files.hpp"

namespace kavrit::test::sha_kat {
namespace {

// A Len that reads as a positive integer and is no multiple of 8 marks a bit-oriented vector,
// which a byte-oriented digest cannot take. A Len that does not read at all is kept: its test
// reports the bad field when it runs.
bool isBitOriented(const std::string& len) {
  try {
    const long long bits = readInteger("Len", len);
    return bits > 0 && bits % 8 != 0;
  } catch (const std::invalid_argument&) {
    return false;
  }
}

}  // namespace

bool isFileOf(std::string_view algorithm, std::string_view fileName) {
  if (!fileName.starts_with(algorithm)) return false;
  return fileName.size() == algorithm.size() || fileName[algorithm.size()] != '_';
}

std::vector<Vector> readVectors(std::string_view algorithm) {
  std::vector<Vector> vectors;
  // Each parsed file is ours while it is visited: its field values move into the vectors.
  forEachVectorFile(
      getDataFileName("Test/KAT_SHA"), "Len",
      [algorithm](std::string_view name) { return isFileOf(algorithm, name); },
      [&](VectorFile& file) {
        for (KatCategory& category : file.categories) {
          for (KatRecord& record : category.records) {
            std::string* msg = lookupField(record, "Msg");
            std::string* md = lookupField(record, "MD");
            std::string* len = lookupField(record, "Len");
            if (msg == nullptr || md == nullptr || len == nullptr || isBitOriented(*len)) continue;
            std::string name =
                "Nist" + std::string(algorithm) + "-" + std::to_string(vectors.size() + 1);
            std::string prefix = name + "\nvector file: " + file.path;
            vectors.push_back({std::move(name), std::move(prefix), std::move(*len), std::move(*msg),
                               std::move(*md), file.path, record.front().line});
          }
        }
      });
  return vectors;
}

Inputs decode(const Vector& vector) {
  try {
    const long long bits = readInteger("Len", vector.len);
    return Inputs{takeBytes(hexStringToBS(vector.msg), bits / 8), hexStringToBS(vector.md)};
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
          const ByteString strict = hash.hashStrictBytes(in.message);
          const ByteString lazy = hash.hashBytes(chunked(in.message, kChunkSize));
          assertEqual(vector.prefix, std::pair(strict, lazy), std::pair(in.digest, in.digest),
                      ValueLabels{"computed", "vector"});
        },
        std::move(location)));
  }
  tests.push_back(makeHashPropTests(hash));
  return tests;
}

}  // namespace kavrit::test::sha_kat
