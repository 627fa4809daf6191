#include "kavrit/test/aes_ctr.hpp"

#include <optional>
#include <string>
#include <string_view>

#include "kavrit/test/aes.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "suites/cipher_vectors.hpp"
#include "suites/file_rules.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test {
namespace {

// "CTRe" and "CTRd" files, by the same mode key as the AES files.
std::optional<bool> directionOf(std::string_view fileName) {
  const std::optional<std::string> key = aesModeKey(fileName);
  if (key == "CTRe") return true;
  if (key == "CTRd") return false;
  return std::nullopt;
}

// The counter-mode vectors of one directory: files named like the AES ones with the mode key
// "CTRe" or "CTRd".
std::vector<Test> ctrTestsOf(const AnyBlockCipher& cipher, std::string_view directoryName) {
  static constexpr std::string_view kRequired[] = {"COUNT", "KEY", "IV", "PLAINTEXT", "CIPHERTEXT"};
  const VectorDirectory& directory = vectorDirectory(directoryName);
  detail::BuildTimeChecks checks(cipher);
  return detail::buildVectorTests(detail::VectorSuite<bool>{
      .directory = getDataFileName(std::string(directory.name)),
      .recordKey = directory.recordKey,
      .listed = {},
      .fileRule =
          [](const detail::ParsedFile& file) {
            const std::optional<bool> encrypts = directionOf(file.name);
            if (encrypts) detail::requireDirection(file, *encrypts);
            return encrypts;
          },
      .required = [](bool) -> std::span<const std::string_view> { return kRequired; },
      .addTests =
          [&](bool encrypts, const detail::RecordRef& record, std::vector<Test>& out) {
            detail::KnownAnswer answer(
                record, record.file->name + "-" + std::string(*record.field("COUNT")));
            const detail::CipherStep step{detail::CipherStep::Kind::Chained,
                                          encrypts ? ChainedMode::CTR : ChainedMode::UnCTR,
                                          encrypts};
            auto keyAndIV = checks.keyAndIV(answer, step, out);
            if (keyAndIV) {
              out.push_back(detail::nistVectorTest(cipher, std::move(answer), step));
            }
          },
  });
}

}  // namespace

std::vector<Test> makeAESCTRTests(const AnyBlockCipher& cipher) {
  return ctrTestsOf(cipher, "Test/KAT_AES_CTR");
}

std::vector<Test> makeAESCTREdgeTests(const AnyBlockCipher& cipher) {
  return ctrTestsOf(cipher, "Test/KAT_AES_CTR_EDGES");
}

}  // namespace kavrit::test
