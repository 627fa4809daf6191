#include "kavrit/test/twofish.hpp"

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "suites/cipher_vectors.hpp"
#include "suites/file_rules.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test {
namespace {

// Where a kind takes its values from. The key and the input come from the record or from the
// category's head lines; the expected value, the counter I and the IV always from the record.
struct KindInfo {
  std::string_view baseName;
  TwofishKind kind;
  std::string_view namePrefix;
  bool keyFromHead;
  bool inputFromHead;
  std::string_view inputField;
  std::string_view expectedField;
};

constexpr KindInfo kKinds[] = {
    {"ECB_VK", TwofishKind::VariableKey, "ECB-E-VK", false, true, "PT", "CT"},
    {"ECB_VT", TwofishKind::VariableText, "ECB-E-VT-", true, false, "PT", "CT"},
    {"ECB_TLB", TwofishKind::Table, "ECB-TLB-E-", false, false, "PT", "CT"},
    {"ECB_E_M", TwofishKind::ECBEncrypt, "ECB-E-", false, false, "PT", "CT"},
    {"ECB_D_M", TwofishKind::ECBDecrypt, "ECB-D-", false, false, "CT", "PT"},
    {"CBC_E_M", TwofishKind::CBCEncrypt, "CBC-E-", false, false, "PT", "CT"},
    {"CBC_D_M", TwofishKind::CBCDecrypt, "CBC-D-", false, false, "CT", "PT"},
};

std::string_view baseName(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  return dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
}

const KindInfo* kindInfo(std::string_view fileName) {
  const std::string_view base = baseName(fileName);
  for (const KindInfo& info : kKinds) {
    if (info.baseName == base) return &info;
  }
  return nullptr;
}

bool usesIV(TwofishKind kind) {
  return kind == TwofishKind::CBCEncrypt || kind == TwofishKind::CBCDecrypt;
}

bool hasRecords(const detail::ParsedFile& file) {
  for (std::size_t category = 0; category < file.categoryCount(); ++category) {
    if (file.recordCount(category) != 0) return true;
  }
  return false;
}

}  // namespace

std::optional<TwofishKind> twofishKindOf(std::string_view fileName) {
  const KindInfo* info = kindInfo(fileName);
  if (info == nullptr) return std::nullopt;
  return info->kind;
}

namespace {

detail::CipherStep stepOf(TwofishKind kind) {
  using Kind = detail::CipherStep::Kind;
  switch (kind) {
    case TwofishKind::ECBDecrypt:
      return {Kind::UnEcb, ChainedMode::CBC, false};
    case TwofishKind::CBCEncrypt:
      return {Kind::Chained, ChainedMode::CBC, true};
    case TwofishKind::CBCDecrypt:
      return {Kind::Chained, ChainedMode::UnCBC, false};
    default:
      return {Kind::Ecb, ChainedMode::CBC, true};
  }
}

ByteString fieldBytes(const detail::KnownAnswer& answer, bool fromHead, std::string_view field) {
  return fromHead ? answer.headBytes(field) : answer.bytes(field);
}

// The key is decoded and built when the test runs, so that a bad KEY or a refused key fails that
// test alone.
Test twofishTest(const AnyBlockCipher& cipher, detail::KnownAnswer answer, const KindInfo& info,
                 ByteString iv) {
  return detail::knownAnswerTest(
      std::move(answer), [&cipher, &info, iv = std::move(iv)](const detail::KnownAnswer& vector) {
        const ByteString keyBytes = fieldBytes(vector, info.keyFromHead, "KEY");
        const std::unique_ptr<const AnyKey> key = cipher.buildKey(keyBytes);
        if (!key) {
          vector.fail("buildKey returned no key for this vector's " +
                      std::to_string(keyBytes.size()) + "-byte KEY\nMaybe.fromJust: Nothing");
        }
        const ByteString input = fieldBytes(vector, info.inputFromHead, info.inputField);
        const ByteString expected = vector.bytes(info.expectedField);
        const detail::CipherStep step = stepOf(info.kind);
        vector.check(step.mismatch(info.inputField, info.expectedField),
                     detail::applyStep(*key, step, iv, input), expected);
      });
}

}  // namespace

std::vector<Test> makeTwoFishTests(const AnyBlockCipher& cipher) {
  static constexpr std::string_view kHeadKey[] = {"KEY"};
  static constexpr std::string_view kHeadInput[] = {"PT"};
  const VectorDirectory& directory = vectorDirectory("Test/KAT_TWOFISH");
  detail::BuildTimeChecks checks(cipher);
  std::vector<Test> tests = detail::buildVectorTests(detail::VectorSuite<const KindInfo*>{
      .directory = getDataFileName(std::string(directory.name)),
      .recordKey = directory.recordKey,
      .listed = {},
      .fileRule = [](const detail::ParsedFile& file) -> std::optional<const KindInfo*> {
        if (!hasRecords(file)) return std::nullopt;
        const KindInfo* info = kindInfo(file.name);
        if (info == nullptr) {
          int line = 0;
          for (std::size_t category = 0; category < file.categoryCount() && line == 0; ++category) {
            if (file.recordCount(category) != 0) line = file.record(category, 0).front().line;
          }
          throw std::runtime_error(detail::vectorErrorText(
              file.path, line, file.name,
              "the file holds records, but its base name \"" + std::string(baseName(file.name)) +
                  "\" is none of the Twofish test kinds ECB_VK, ECB_VT, ECB_TLB, ECB_E_M, "
                  "ECB_D_M, CBC_E_M and CBC_D_M\nTest/TwoFish:(40,1)-(76,64)|function "
                  "buildTestFunc"));
        }
        return info;
      },
      // Fields that may come from the head lines are looked up below.
      .required = [](const KindInfo*) -> std::span<const std::string_view> { return {}; },
      .addTests =
          [&](const KindInfo* info, const detail::RecordRef& record, std::vector<Test>& out) {
            const auto present = [&](bool fromHead, std::string_view field) {
              return (fromHead ? record.head(field) : record.field(field)) != nullptr;
            };
            if (!present(info->keyFromHead, "KEY") ||
                !present(info->inputFromHead, info->inputField) ||
                !present(false, info->expectedField) || !present(false, "I")) {
              return;
            }
            detail::KnownAnswer answer(
                record, std::string(info->namePrefix) + std::string(*record.field("I")));
            if (info->keyFromHead) answer.showHeads(kHeadKey);
            if (info->inputFromHead) answer.showHeads(kHeadInput);
            ByteString iv;
            if (usesIV(info->kind)) {
              if (record.field("IV") == nullptr) return;
              iv = answer.bytes("IV");
              std::exception_ptr ivError;
              if (!checks.parseIV(iv, ivError)) return;
              if (ivError) {
                out.push_back(detail::implementationThrewCase(answer, "IV::parse", ivError));
                return;
              }
            }
            out.push_back(twofishTest(cipher, std::move(answer), *info, std::move(iv)));
          },
  });
  for (Test& law : makeBlockCipherPropTests(cipher)) tests.push_back(std::move(law));
  return tests;
}

}  // namespace kavrit::test
