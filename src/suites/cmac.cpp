#include "kavrit/test/cmac.hpp"

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "kavrit/test/vector_files.hpp"
#include "suites/cipher_vectors.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test {
namespace {

// What a CMAC file's name says about its records: the block size they need, and whether the key
// is written as three DES keys.
struct CMACFile {
  long blockBits;
  bool tripleDES;
};

std::optional<CMACFile> cmacFileOf(std::string_view name) {
  if (name.find("3des") != std::string_view::npos) return CMACFile{64, true};
  if (name.find("aes") != std::string_view::npos) return CMACFile{128, false};
  return std::nullopt;
}

constexpr std::string_view kDESKeys[] = {"KEY1", "KEY2", "KEY3"};

ByteString firstBytes(const ByteString& bytes, std::size_t n) {
  return ByteString(bytes.begin(),
                    bytes.begin() + static_cast<std::ptrdiff_t>(std::min(n, bytes.size())));
}

}  // namespace

std::vector<Test> makeCMACTests(const AnyBlockCipher& cipher) {
  static constexpr std::string_view kAES[] = {"COUNT", "KEY", "MESSAGE", "OUTPUT"};
  static constexpr std::string_view kTripleDES[] = {"COUNT", "KEY1",    "KEY2",
                                                    "KEY3",  "MESSAGE", "OUTPUT"};
  const VectorDirectory& directory = vectorDirectory("Test/KAT_CMAC");
  detail::BuildTimeChecks checks(cipher);
  const long blockBits = cipher.blockSize();
  std::vector<Test> tests = detail::buildVectorTests(detail::VectorSuite<CMACFile>{
      .directory = getDataFileName(std::string(directory.name)),
      .recordKey = directory.recordKey,
      .listed = {},
      .fileRule = [blockBits](const detail::ParsedFile& file) -> std::optional<CMACFile> {
        const std::optional<CMACFile> rule = cmacFileOf(file.name);
        if (!rule || rule->blockBits != blockBits) return std::nullopt;
        return rule;
      },
      .leftOut =
          [&checks](const CMACFile& rule, const detail::RecordRef& record) {
            return !rule.tripleDES && checks.alreadyRefused(record, detail::CipherStep{});
          },
      .required = [](const CMACFile& rule) -> std::span<const std::string_view> {
        if (rule.tripleDES) return kTripleDES;
        return kAES;
      },
      .addTests =
          [&](const CMACFile& rule, const detail::RecordRef& record, std::vector<Test>& out) {
            detail::KnownAnswer answer(
                record, record.file->name + "-" + std::string(*record.field("COUNT")));
            std::string keyText;
            ByteString key;
            if (rule.tripleDES) {
              for (const std::string_view field : kDESKeys) {
                keyText += answer.text(field);
                const ByteString part = answer.bytes(field);
                key.insert(key.end(), part.begin(), part.end());
              }
            } else {
              keyText = answer.text("KEY");
              key = answer.bytes("KEY");
            }
            if (!checks.keyAccepted(answer, keyText, key, out)) return;
            out.push_back(detail::knownAnswerTest(
                std::move(answer), [&cipher, key](const detail::KnownAnswer& vector) {
                  const std::unique_ptr<const AnyKey> built =
                      detail::runTimeKey(cipher, vector, key);
                  const ByteString message = vector.bytes("MESSAGE");
                  const ByteString expected = vector.bytes("OUTPUT");
                  const ByteString strict = built->cmac(message);
                  const ByteString lazy = built->cmacLazy(chunked(message, kVectorChunkSize));
                  vector.check(
                      "cmac of the MESSAGE differs from the OUTPUT (computed: cmac, then "
                      "cmacLazy in " +
                          std::to_string(kVectorChunkSize) + "-byte chunks)",
                      std::pair(firstBytes(strict, expected.size()),
                                firstBytes(lazy, expected.size())),
                      std::pair(expected, expected));
                }));
          },
  });
  for (Test& law : makeCMACPropTests(cipher)) tests.push_back(std::move(law));
  return tests;
}

}  // namespace kavrit::test
