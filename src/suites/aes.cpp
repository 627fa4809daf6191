#include "kavrit/test/aes.hpp"

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

struct ModeEntry {
  std::string_view key;
  AESMode mode;
};

constexpr ModeEntry kModes[] = {
    {"ECBe", AESMode::ECBEncrypt}, {"ECBd", AESMode::ECBDecrypt}, {"CBCe", AESMode::CBCEncrypt},
    {"CBCd", AESMode::CBCDecrypt}, {"CFBe", AESMode::CFBEncrypt}, {"CFBd", AESMode::CFBDecrypt},
    {"OFBe", AESMode::OFBEncrypt}, {"OFBd", AESMode::OFBDecrypt},
};

}  // namespace

std::optional<std::string> aesModeKey(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  const std::string_view stem = dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
  if (stem.empty()) return std::nullopt;
  std::string key(fileName.substr(0, 3));
  key.push_back(stem.back());
  return key;
}

std::optional<AESMode> aesModeOf(std::string_view fileName) {
  const std::optional<std::string> key = aesModeKey(fileName);
  if (!key) return std::nullopt;
  if (key->find("CFB") != std::string::npos && fileName.find("CFB128") == std::string_view::npos) {
    return std::nullopt;
  }
  for (const ModeEntry& entry : kModes) {
    if (entry.key == *key) return entry.mode;
  }
  return std::nullopt;
}

bool aesModeUsesIV(AESMode mode) {
  return mode != AESMode::ECBEncrypt && mode != AESMode::ECBDecrypt;
}

bool aesModeEncrypts(AESMode mode) {
  switch (mode) {
    case AESMode::ECBEncrypt:
    case AESMode::CBCEncrypt:
    case AESMode::CFBEncrypt:
    case AESMode::OFBEncrypt:
      return true;
    default:
      return false;
  }
}

std::string_view aesModeOperation(AESMode mode) {
  switch (mode) {
    case AESMode::ECBEncrypt:
      return "encryptBlock";
    case AESMode::ECBDecrypt:
      return "decryptBlock";
    case AESMode::CBCEncrypt:
      return "cbc";
    case AESMode::CBCDecrypt:
      return "unCbc";
    case AESMode::CFBEncrypt:
      return "cfb";
    case AESMode::CFBDecrypt:
      return "unCfb";
    case AESMode::OFBEncrypt:
      return "ofb";
    case AESMode::OFBDecrypt:
      return "unOfb";
  }
  return "?";
}

namespace detail {

CipherStep aesStep(AESMode mode) {
  using Kind = CipherStep::Kind;
  switch (mode) {
    case AESMode::ECBEncrypt:
      return {Kind::EncryptBlock, ChainedMode::CBC, true};
    case AESMode::ECBDecrypt:
      return {Kind::DecryptBlock, ChainedMode::CBC, false};
    case AESMode::CBCEncrypt:
      return {Kind::Chained, ChainedMode::CBC, true};
    case AESMode::CBCDecrypt:
      return {Kind::Chained, ChainedMode::UnCBC, false};
    case AESMode::CFBEncrypt:
      return {Kind::Chained, ChainedMode::CFB, true};
    case AESMode::CFBDecrypt:
      return {Kind::Chained, ChainedMode::UnCFB, false};
    case AESMode::OFBEncrypt:
      return {Kind::Chained, ChainedMode::OFB, true};
    case AESMode::OFBDecrypt:
      return {Kind::Chained, ChainedMode::UnOFB, false};
  }
  throw std::logic_error("aesStep: unknown mode");
}

}  // namespace detail

std::vector<Test> makeAESTests(const AnyBlockCipher& cipher) {
  static constexpr std::string_view kWithIV[] = {"IV", "COUNT", "CIPHERTEXT", "PLAINTEXT", "KEY"};
  static constexpr std::string_view kWithoutIV[] = {"COUNT", "CIPHERTEXT", "PLAINTEXT", "KEY"};
  const VectorDirectory& directory = vectorDirectory("Test/KAT_AES");
  detail::BuildTimeChecks checks(cipher);
  std::vector<Test> tests = detail::buildVectorTests(detail::VectorSuite<AESMode>{
      .directory = getDataFileName(std::string(directory.name)),
      .recordKey = directory.recordKey,
      .listed = {},
      .fileRule =
          [](const detail::ParsedFile& file) {
            const std::optional<AESMode> mode = aesModeOf(file.name);
            if (mode) detail::requireDirection(file, aesModeEncrypts(*mode));
            return mode;
          },
      .leftOut =
          [&checks](AESMode mode, const detail::RecordRef& record) {
            return checks.alreadyRefused(record, detail::aesStep(mode));
          },
      .required = [](AESMode mode) -> std::span<const std::string_view> {
        if (aesModeUsesIV(mode)) return kWithIV;
        return kWithoutIV;
      },
      .addTests =
          [&](AESMode mode, const detail::RecordRef& record, std::vector<Test>& out) {
            const detail::CipherStep step = detail::aesStep(mode);
            detail::KnownAnswer answer(
                record, record.file->name + "-" + std::string(*record.field("COUNT")));
            auto keyAndIV = checks.keyAndIV(answer, step, out);
            if (keyAndIV) {
              out.push_back(detail::nistVectorTest(cipher, std::move(answer), step));
            }
          },
  });
  for (Test& law : makeBlockCipherPropTests(cipher)) tests.push_back(std::move(law));
  return tests;
}

}  // namespace kavrit::test
