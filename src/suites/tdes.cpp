#include "kavrit/test/tdes.hpp"

#include <array>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "suites/cipher_vectors.hpp"
#include "suites/file_rules.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test {
namespace {

struct Prefix {
  std::string_view name;
  AESMode encrypt;
  AESMode decrypt;
};

// The interleaved variants share the CBC and OFB prefixes and are told apart by the next letter.
constexpr Prefix kPrefixes[] = {
    {"TECB", AESMode::ECBEncrypt, AESMode::ECBDecrypt},
    {"TCBC", AESMode::CBCEncrypt, AESMode::CBCDecrypt},
    {"TCFB64", AESMode::CFBEncrypt, AESMode::CFBDecrypt},
    {"TOFB", AESMode::OFBEncrypt, AESMode::OFBDecrypt},
};

// The three DES keys of a record: KEY1, KEY2 and KEY3, or KEYs three times.
struct DESKeys {
  std::array<ByteString, 3> keys;
  std::string text;  // the record's key fields, which identify the key in the build-time cache
};

DESKeys desKeys(const detail::KnownAnswer& answer) {
  DESKeys out;
  if (answer.ref().field("KEYs") != nullptr) {
    const ByteString key = answer.bytes("KEYs");
    out.keys = {key, key, key};
    out.text = "KEYs=" + std::string(answer.text("KEYs"));
    return out;
  }
  static constexpr std::string_view kFields[] = {"KEY1", "KEY2", "KEY3"};
  for (std::size_t i = 0; i < 3; ++i) {
    out.keys[i] = answer.bytes(kFields[i]);
    out.text += answer.text(kFields[i]);
    out.text += ",";
  }
  return out;
}

// The key a cipher of `keyBits` takes for the record: three-key, two-key (K3 = K1) or single
// DES (K1 = K2 = K3); nothing when the record's keys have not that form.
std::optional<ByteString> keyFor(const DESKeys& des, long keyBits) {
  const auto& [k1, k2, k3] = des.keys;
  ByteString key = k1;
  switch (keyBits) {
    case 192:
      key.insert(key.end(), k2.begin(), k2.end());
      key.insert(key.end(), k3.begin(), k3.end());
      return key;
    case 128:
      if (k3 != k1) return std::nullopt;
      key.insert(key.end(), k2.begin(), k2.end());
      return key;
    case 64:
      if (k2 != k1 || k3 != k1) return std::nullopt;
      return key;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<AESMode> tdesModeOf(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  const std::string_view stem = dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
  for (const Prefix& prefix : kPrefixes) {
    if (!stem.starts_with(prefix.name) || stem.size() <= prefix.name.size()) continue;
    if (stem[prefix.name.size()] == 'I') return std::nullopt;
    if (stem.back() == 'e') return prefix.encrypt;
    if (stem.back() == 'd') return prefix.decrypt;
    return std::nullopt;
  }
  return std::nullopt;
}

std::vector<Test> makeTDESTests(const AnyBlockCipher& cipher) {
  static constexpr std::string_view kWithIV[] = {"COUNT", "IV", "PLAINTEXT", "CIPHERTEXT"};
  static constexpr std::string_view kWithoutIV[] = {"COUNT", "PLAINTEXT", "CIPHERTEXT"};
  const VectorDirectory& directory = vectorDirectory("Test/KAT_TDES");
  detail::BuildTimeChecks checks(cipher);
  const bool tripleDESBlocks = cipher.blockSize() == 64;
  const long keyBits = cipher.keyLength();
  std::vector<Test> tests = detail::buildVectorTests(detail::VectorSuite<AESMode>{
      .directory = getDataFileName(std::string(directory.name)),
      .recordKey = directory.recordKey,
      .listed = {},
      .fileRule = [tripleDESBlocks](const detail::ParsedFile& file) -> std::optional<AESMode> {
        if (!tripleDESBlocks) return std::nullopt;
        const std::optional<AESMode> mode = tdesModeOf(file.name);
        if (mode) detail::requireDirection(file, aesModeEncrypts(*mode));
        return mode;
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
            const DESKeys des = desKeys(answer);
            std::optional<ByteString> key = keyFor(des, keyBits);
            if (!key) return;
            ByteString iv;
            std::exception_ptr ivError;
            if (step.usesIV()) {
              iv = answer.bytes("IV");
              if (!checks.parseIV(iv, ivError)) return;
            }
            if (!checks.keyAccepted(answer, des.text, *key, out)) return;
            if (ivError) {
              out.push_back(detail::implementationThrewCase(answer, "IV::parse", ivError));
              return;
            }
            out.push_back(detail::nistVectorTest(cipher, std::move(answer), step,
                                                 {std::move(*key), std::move(iv)}));
          },
  });
  for (Test& law : makeBlockCipherPropTests(cipher)) tests.push_back(std::move(law));
  return tests;
}

}  // namespace kavrit::test
