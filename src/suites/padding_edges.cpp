#include "kavrit/test/padding_edges.hpp"

#include <stdexcept>
#include <string>

#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "kavrit/test/vector_files.hpp"
#include "suites/hash_vectors.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test {
namespace {

// The message rule of the files: byte i of the n-byte message is (31 i + n) mod 256.
ByteString edgeMessage(std::size_t n) {
  ByteString message(n);
  for (std::size_t i = 0; i < n; ++i) message[i] = static_cast<std::uint8_t>((31 * i + n) % 256);
  return message;
}

// The message length in bytes for a test's name; a Len that does not read stays as it is, and its
// test reports it.
std::string bytesOfLength(std::string_view len) {
  try {
    return std::to_string(readInteger("Len", len) / 8);
  } catch (const std::invalid_argument&) {
    return std::string(len);
  }
}

}  // namespace

std::vector<Test> makePaddingEdgeTests(const AnyHash& hash, std::string_view algorithm) {
  static constexpr std::string_view kRequired[] = {"Len", "MD", "Mac"};
  static constexpr std::string_view kHeads[] = {"Key"};
  const VectorDirectory& directory = vectorDirectory("Test/KAT_HASH_EDGES");
  const std::string fileName = std::string(algorithm) + "Edges.rsp";
  return detail::buildVectorTests(detail::VectorSuite<bool>{
      .directory = getDataFileName(std::string(directory.name)),
      .recordKey = directory.recordKey,
      .listed = [&fileName](std::string_view name) { return name == fileName; },
      .fileRule = [](const detail::ParsedFile&) { return std::optional<bool>(true); },
      .required = [](bool) -> std::span<const std::string_view> { return kRequired; },
      .addTests =
          [&](bool, const detail::RecordRef& record, std::vector<Test>& out) {
            const std::string_view len = *record.field("Len");
            detail::KnownAnswer answer(record,
                                       std::string(algorithm) + "Edges-" + bytesOfLength(len));
            answer.showHeads(kHeads);
            out.push_back(detail::knownAnswerTest(
                std::move(answer), [&hash](const detail::KnownAnswer& vector) {
                  const long long bits = vector.integer("Len");
                  if (bits < 0 || bits % 8 != 0 || bits / 8 > (1 << 24)) {
                    vector.fail("Len must be a whole number of bytes up to 16 MiB");
                  }
                  const ByteString message = edgeMessage(static_cast<std::size_t>(bits / 8));
                  detail::checkDigests(vector, hash, message, vector.bytes("MD"));
                  detail::checkMacs(vector, hash, vector.headBytes("Key"), message,
                                    vector.bytes("Mac"));
                }));
          },
  });
}

}  // namespace kavrit::test
