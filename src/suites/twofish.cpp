#include "kavrit/test/twofish.hpp"

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "kavrit/test/assert.hpp"
#include "kavrit/test/block_cipher_props.hpp"
#include "kavrit/test/hex.hpp"
#include "kavrit/test/implementation_error.hpp"
#include "kavrit/test/parse_nist_kats.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_files.hpp"

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

bool hasRecords(const VectorFile& file) {
  for (const KatCategory& category : file.categories) {
    if (!category.records.empty()) return true;
  }
  return false;
}

}  // namespace

std::optional<TwofishKind> twofishKindOf(std::string_view fileName) {
  const KindInfo* info = kindInfo(fileName);
  if (info == nullptr) return std::nullopt;
  return info->kind;
}

namespace detail {

std::vector<TwofishVector> readTwofishVectors(
    const std::function<bool(const ByteString&)>& ivAccepted) {
  std::vector<TwofishVector> vectors;
  forEachVectorFile(getDataFileName("Test/KAT_TWOFISH"), "I", {}, [&](const VectorFile& file) {
    if (!hasRecords(file)) return;
    const KindInfo* info = kindInfo(file.name);
    if (info == nullptr) {
      throw std::runtime_error(
          "Test/TwoFish:(40,1)-(76,64)|function buildTestFunc: no Twofish test kind for the "
          "vector file " +
          file.path + " (its base name \"" + std::string(baseName(file.name)) +
          "\" is none of ECB_VK, ECB_VT, ECB_TLB, ECB_E_M, ECB_D_M, CBC_E_M, CBC_D_M)");
    }
    std::size_t index = 0;  // position of the record in the file, for error messages
    for (const KatCategory& category : file.categories) {
      for (const KatRecord& record : category.records) {
        ++index;
        const std::string* key =
            lookupField(info->keyFromHead ? category.properties : record, "KEY");
        const std::string* input =
            lookupField(info->inputFromHead ? category.properties : record, info->inputField);
        const std::string* expected = lookupField(record, info->expectedField);
        const std::string* counter = lookupField(record, "I");
        if (!key || !input || !expected || !counter) continue;
        ByteString iv;
        if (usesIV(info->kind)) {
          const std::string* ivHex = lookupField(record, "IV");
          if (ivHex == nullptr) continue;
          try {
            iv = hexStringToBS(*ivHex);
          } catch (const std::invalid_argument& error) {
            throw std::invalid_argument("makeTwoFishTests: " + file.path + ": record " +
                                        std::to_string(index) + ": field IV: " + error.what());
          }
          if (!ivAccepted(iv)) continue;
        }
        vectors.push_back({std::string(info->namePrefix) + *counter, file.path, info->kind, *key,
                           *input, *expected, info->inputField, info->expectedField, std::move(iv),
                           record.front().line});
      }
    }
  });
  return vectors;
}

ByteString decodeTwofishField(const TwofishVector& vector, std::string_view field,
                              const std::string& hex) {
  return decodeVectorField(vector.name, vector.path, field, hex);
}

std::string rejectedKeyMessage(const TwofishVector& vector, std::size_t keyBytes) {
  return vector.name + ": Maybe.fromJust: Nothing — buildKey rejected the " +
         std::to_string(keyBytes) + "-byte key\nvector file: " + vector.path;
}

std::string twofishFailurePrefix(const TwofishVector& vector) {
  std::string operation;
  switch (vector.kind) {
    case TwofishKind::ECBDecrypt:
      operation = "unEcb";
      break;
    case TwofishKind::CBCEncrypt:
      operation = "cbc";
      break;
    case TwofishKind::CBCDecrypt:
      operation = "unCbc";
      break;
    default:
      operation = "ecb";
      break;
  }
  return vector.name + ": " + operation + " of the " + std::string(vector.inputField) +
         " differs from the " + std::string(vector.expectedField) + "\nvector file: " + vector.path;
}

}  // namespace detail
namespace {

ByteString applyTwofishKind(const AnyKey& key, TwofishKind kind, const ByteString& iv,
                            const ByteString& input) {
  switch (kind) {
    case TwofishKind::VariableKey:
    case TwofishKind::VariableText:
    case TwofishKind::Table:
    case TwofishKind::ECBEncrypt:
      return key.ecb(input);
    case TwofishKind::ECBDecrypt:
      return key.unEcb(input);
    case TwofishKind::CBCEncrypt:
      return key.chained(ChainedMode::CBC, iv, input).first;
    case TwofishKind::CBCDecrypt:
      return key.chained(ChainedMode::UnCBC, iv, input).first;
  }
  throw std::logic_error("applyTwofishKind: unknown kind");
}

}  // namespace

std::vector<Test> makeTwoFishTests(const AnyBlockCipher& cipher) {
  std::vector<Test> tests;
  for (detail::TwofishVector& vector : detail::readTwofishVectors(ivFilter(cipher))) {
    const auto build = [&] {
      if (usesIV(vector.kind)) vector.iv = cipher.parseIV(vector.iv).value();
    };
    if (!buildStepSucceeds(tests, vector.name, vector.path, "IV::parse", build)) continue;
    std::string name = vector.name;
    SourceLocation location{vector.path, vector.line};
    tests.push_back(testCase(
        std::move(name),
        [&cipher, v = std::move(vector)] {
          const ByteString keyBytes = detail::decodeTwofishField(v, "KEY", v.keyHex);
          const std::unique_ptr<const AnyKey> key = cipher.buildKey(keyBytes);
          if (!key) throw std::runtime_error(detail::rejectedKeyMessage(v, keyBytes.size()));
          const ByteString input = detail::decodeTwofishField(v, v.inputField, v.inputHex);
          const ByteString expected = detail::decodeTwofishField(v, v.expectedField, v.expectedHex);
          assertEqual(detail::twofishFailurePrefix(v), applyTwofishKind(*key, v.kind, v.iv, input),
                      expected, ValueLabels{"computed", "vector"});
        },
        std::move(location)));
  }
  for (Test& law : makeBlockCipherPropTests(cipher)) tests.push_back(std::move(law));
  return tests;
}

}  // namespace kavrit::test
