#include "kavrit/test/sha.hpp"

#include <stdexcept>

#include "kavrit/test/hash_props.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "kavrit/test/vector_files.hpp"
#include "suites/file_rules.hpp"
#include "suites/hash_vectors.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test::detail::sha {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A Len that reads as a positive integer and is no multiple of 8 marks a bit-oriented vector,
// which a byte-oriented digest cannot take. A Len that does not read at all is kept: its test
// reports the bad field when it runs.
bool isBitOriented(std::string_view len) {
  try {
    const long long bits = readInteger("Len", len);
    return bits > 0 && bits % 8 != 0;
  } catch (const std::invalid_argument&) {
    return false;
  }
}

}  // namespace

std::string_view algorithmToken(std::string_view fileName) {
  if (!fileName.starts_with("SHA")) return {};
  std::size_t end = 3;
  while (end < fileName.size() && isDigit(fileName[end])) ++end;
  if (end == 3) return {};
  while (end + 1 < fileName.size() && fileName[end] == '_' && isDigit(fileName[end + 1])) {
    end += 2;
    while (end < fileName.size() && isDigit(fileName[end])) ++end;
  }
  return fileName.substr(0, end);
}

bool isFileOf(std::string_view algorithm, std::string_view fileName) {
  const std::string_view token = algorithmToken(fileName);
  // "SHA1_Other" has the token SHA1 but is named as a variant of it.
  return token == algorithm && (fileName.size() == token.size() || fileName[token.size()] != '_');
}

std::vector<Test> getTests(const AnyHash& hash, std::string_view algorithm,
                           std::string_view directoryName) {
  static constexpr std::string_view kRequired[] = {"Msg", "MD", "Len"};
  const VectorDirectory& directory = vectorDirectory(directoryName);
  std::size_t index = 0;
  std::vector<Test> tests = buildVectorTests(VectorSuite<bool>{
      .directory = getDataFileName(std::string(directory.name)),
      .recordKey = directory.recordKey,
      .listed = [algorithm](std::string_view name) { return isFileOf(algorithm, name); },
      .fileRule = [](const detail::ParsedFile&) { return std::optional<bool>(true); },
      .required = [](bool) -> std::span<const std::string_view> { return kRequired; },
      .addTests =
          [&](bool, const RecordRef& record, std::vector<Test>& out) {
            if (isBitOriented(*record.field("Len"))) return;
            KnownAnswer answer(record,
                               "Nist" + std::string(algorithm) + "-" + std::to_string(++index));
            out.push_back(knownAnswerTest(std::move(answer), [&hash](const KnownAnswer& vector) {
              const long long bits = vector.integer("Len");
              checkDigests(vector, hash, takeBytes(vector.bytes("Msg"), bits / 8),
                           vector.bytes("MD"));
            }));
          },
  });
  tests.push_back(makeHashPropTests(hash));
  return tests;
}

}  // namespace kavrit::test::detail::sha
