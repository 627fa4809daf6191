#include "kavrit/test/sha_monte.hpp"

#include <array>
#include <stdexcept>

#include "kavrit/test/assert.hpp"
#include "kavrit/test/hex.hpp"
#include "kavrit/test/parse_nist_kats.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/vector_files.hpp"

namespace kavrit::test::sha_monte {

std::vector<Checkpoint> readCheckpoints(std::string_view algorithm) {
  std::vector<Checkpoint> checkpoints;
  // Records start at the Seed, so that one record holds a whole chain of COUNT/MD pairs.
  forEachVectorFile(
      getDataFileName("Test/KAT_SHA_MONTE"), "Seed",
      [algorithm](std::string_view name) { return sha_kat::isFileOf(algorithm, name); },
      [&](VectorFile& file) {
        for (KatCategory& category : file.categories) {
          for (KatRecord& record : category.records) {
            std::optional<std::string> start = record.front().value;
            std::string startName = "the Seed";
            std::optional<std::string> count;
            int countLine = 0;
            for (std::size_t i = 1; i < record.size(); ++i) {
              KatField& field = record[i];
              if (field.name == "COUNT") {
                if (count) start.reset();  // the previous COUNT had no MD: the chain is broken
                count = field.value;
                countLine = field.line;
              } else if (field.name == "MD" && count) {
                if (start) {
                  std::string name = "Nist" + std::string(algorithm) + "Monte-" + *count;
                  std::string prefix = name + ": checkpoint COUNT = " + *count + ", " +
                                       std::to_string(kIterations) + " iterations from " +
                                       startName + "\nvector file: " + file.path;
                  checkpoints.push_back({std::move(name), std::move(prefix), std::move(*start),
                                         field.value, file.path, countLine});
                }
                start = field.value;
                startName = "the MD recorded for COUNT = " + *count;
                count.reset();
              }
            }
          }
        }
      });
  return checkpoints;
}

std::pair<ByteString, ByteString> decode(const Checkpoint& checkpoint) {
  try {
    return {hexStringToBS(checkpoint.startHex), hexStringToBS(checkpoint.mdHex)};
  } catch (const std::invalid_argument& e) {
    throw std::invalid_argument(checkpoint.prefix + "\n" + e.what());
  }
}

std::string failurePrefix(const Checkpoint& checkpoint, std::size_t firstSplit) {
  if (firstSplit == 0) return checkpoint.prefix;
  return checkpoint.prefix + "\nhashStrict and hash (" + std::to_string(kChunkSize) +
         "-byte chunks) first differ at iteration " + std::to_string(firstSplit);
}

Outcome iterate(const AnyHash& hash, const ByteString& start) {
  std::array<ByteString, 3> strict{start, start, start};
  std::array<ByteString, 3> lazy = strict;
  Outcome outcome;
  ByteString message;
  for (std::size_t step = 1; step <= kIterations; ++step) {
    message.clear();
    for (const ByteString& md : strict) message.insert(message.end(), md.begin(), md.end());
    ByteString s = hash.hashStrictBytes(message);
    message.clear();
    for (const ByteString& md : lazy) message.insert(message.end(), md.begin(), md.end());
    ByteString l = hash.hashBytes(chunked(message, kChunkSize));
    if (outcome.firstSplit == 0 && s != l) outcome.firstSplit = step;
    strict = {std::move(strict[1]), std::move(strict[2]), std::move(s)};
    lazy = {std::move(lazy[1]), std::move(lazy[2]), std::move(l)};
  }
  outcome.strict = std::move(strict[2]);
  outcome.lazy = std::move(lazy[2]);
  return outcome;
}

std::vector<Test> getTests(const AnyHash& hash, std::string_view algorithm) {
  std::vector<Test> tests;
  for (Checkpoint& checkpoint : readCheckpoints(algorithm)) {
    std::string name = checkpoint.name;
    SourceLocation location{checkpoint.path, checkpoint.line};
    tests.push_back(testCase(
        std::move(name),
        [&hash, c = std::move(checkpoint)] {
          const auto [start, md] = decode(c);
          const Outcome outcome = iterate(hash, start);
          assertEqual(failurePrefix(c, outcome.firstSplit), std::pair(outcome.strict, outcome.lazy),
                      std::pair(md, md), ValueLabels{"computed", "vector"});
        },
        std::move(location)));
  }
  return tests;
}

}  // namespace kavrit::test::sha_monte
