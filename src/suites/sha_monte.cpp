#include "kavrit/test/sha_monte.hpp"

#include <deque>
#include <stdexcept>

#include "kavrit/test/paths.hpp"
#include "kavrit/test/sha.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "kavrit/test/vector_files.hpp"
#include "suites/file_rules.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test::detail::sha_monte {
namespace {

// The checkpoint closed by the COUNT and MD at positions `count` and `md` of the record, starting
// from the digest at `start` (the Seed or the MD before).
Test checkpointTest(const AnyHash& hash, std::string_view algorithm, std::size_t window,
                    const RecordRef& record, std::uint32_t start, std::uint32_t count,
                    std::uint32_t md) {
  const FieldList fields = record.fields();
  KnownAnswer answer(record,
                     "Nist" + std::string(algorithm) + "Monte-" + std::string(fields[count].value));
  answer.showOnly({start, count, md}).atLine(fields[count].line);
  std::string startName =
      start == 0 ? "the Seed"
                 : "the MD recorded for COUNT = " + std::string(fields[start - 1].value);
  return knownAnswerTest(
      std::move(answer), [&hash, window, start, count, md,
                          startName = std::move(startName)](const KnownAnswer& answer) {
        const FieldList f = answer.ref().fields();
        const ByteString first = answer.bytes(f[start]);
        const ByteString expected = answer.bytes(f[md]);
        const Outcome outcome = iterate(hash, first, window);
        std::string what = "checkpoint COUNT = " + std::string(f[count].value) + ", " +
                           std::to_string(kIterations) + " iterations from " + startName;
        if (outcome.firstSplit != 0) {
          what += "\nhashStrict and hash (" + std::to_string(kChunkSize) +
                  "-byte chunks) first differ at iteration " + std::to_string(outcome.firstSplit);
        }
        answer.check(what, std::pair(outcome.strict, outcome.lazy), std::pair(expected, expected));
      });
}

}  // namespace

Outcome iterate(const AnyHash& hash, const ByteString& start, std::size_t window) {
  if (window == 0) throw std::invalid_argument("Monte Carlo procedure: a window of no digests");
  // The last `window` digests of each entry point, oldest first.
  std::deque<ByteString> strict(window, start);
  std::deque<ByteString> lazy = strict;
  Outcome outcome;
  ByteString message;
  const auto join = [&message](const std::deque<ByteString>& mds) -> const ByteString& {
    message.clear();
    for (const ByteString& md : mds) message.insert(message.end(), md.begin(), md.end());
    return message;
  };
  for (std::size_t step = 1; step <= kIterations; ++step) {
    ByteString s = hash.hashStrictBytes(join(strict));
    ByteString l = hash.hashBytes(chunked(join(lazy), kChunkSize));
    if (outcome.firstSplit == 0 && s != l) outcome.firstSplit = step;
    strict.pop_front();
    strict.push_back(std::move(s));
    lazy.pop_front();
    lazy.push_back(std::move(l));
  }
  outcome.strict = std::move(strict.back());
  outcome.lazy = std::move(lazy.back());
  return outcome;
}

std::vector<Test> getTests(const AnyHash& hash, std::string_view algorithm,
                           std::string_view directoryName, std::size_t window) {
  static constexpr std::string_view kRequired[] = {"Seed"};
  const VectorDirectory& directory = vectorDirectory(directoryName);
  return buildVectorTests(VectorSuite<bool>{
      .directory = getDataFileName(std::string(directory.name)),
      .recordKey = directory.recordKey,
      .listed = [algorithm](std::string_view name) { return sha::isFileOf(algorithm, name); },
      .fileRule = [](const detail::ParsedFile&) { return std::optional<bool>(true); },
      .required = [](bool) -> std::span<const std::string_view> { return kRequired; },
      .addTests =
          [&](bool, const RecordRef& record, std::vector<Test>& out) {
            // Records start at the Seed, so that one record holds a whole chain of COUNT/MD
            // pairs. `start` is the position of the digest the next checkpoint starts from.
            const FieldList fields = record.fields();
            constexpr std::uint32_t kNone = ~std::uint32_t{0};
            std::uint32_t start = 0;
            std::uint32_t count = kNone;
            for (std::uint32_t i = 1; i < fields.size(); ++i) {
              if (fields[i].name == "COUNT") {
                if (count != kNone) start = kNone;  // the previous COUNT had no MD: chain broken
                count = i;
              } else if (fields[i].name == "MD" && count != kNone) {
                if (start != kNone) {
                  out.push_back(checkpointTest(hash, algorithm, window, record, start, count, i));
                }
                start = i;
                count = kNone;
              }
            }
          },
  });
}

}  // namespace kavrit::test::detail::sha_monte
