#include "kavrit/test/aes.hpp"

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

struct ModeEntry {
  std::string_view key;
  AESMode mode;
};

constexpr ModeEntry kModes[] = {
    {"ECBe", AESMode::ECBEncrypt}, {"ECBd", AESMode::ECBDecrypt}, {"CBCe", AESMode::CBCEncrypt},
    {"CBCd", AESMode::CBCDecrypt}, {"CFBe", AESMode::CFBEncrypt}, {"CFBd", AESMode::CFBDecrypt},
    {"OFBe", AESMode::OFBEncrypt}, {"OFBd", AESMode::OFBDecrypt},
};

// Decodes a value while the suite is built; a bad one stops the whole build, so say where it is.
ByteString decodeAtBuild(const std::string& path, std::size_t record, std::string_view field,
                         const std::string& hex) {
  try {
    return hexStringToBS(hex);
  } catch (const std::invalid_argument& error) {
    throw std::invalid_argument("makeAESTests: " + path + ": record " + std::to_string(record) +
                                ": field " + std::string(field) + ": " + error.what());
  }
}

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

std::vector<AESVector> readAESVectors(const std::function<bool(const ByteString&)>& ivAccepted) {
  std::vector<AESVector> vectors;
  // Each parsed file is ours while it is visited: its field values move into the vectors.
  forEachVectorFile(getDataFileName("Test/KAT_AES"), "COUNT", {}, [&](VectorFile& file) {
    const std::optional<AESMode> mode = aesModeOf(file.name);
    if (!mode) return;
    std::size_t index = 0;  // position of the record in the file, for error messages
    for (KatCategory& category : file.categories) {
      for (KatRecord& record : category.records) {
        ++index;
        ByteString iv;
        if (aesModeUsesIV(*mode)) {
          const std::string* ivHex = lookupField(record, "IV");
          if (ivHex == nullptr) continue;
          iv = decodeAtBuild(file.path, index, "IV", *ivHex);
          if (!ivAccepted(iv)) continue;
        }
        const std::string* count = lookupField(record, "COUNT");
        std::string* ciphertext = lookupField(record, "CIPHERTEXT");
        std::string* plaintext = lookupField(record, "PLAINTEXT");
        const std::string* key = lookupField(record, "KEY");
        if (!count || !ciphertext || !plaintext || !key) continue;
        vectors.push_back({file.name + "-" + *count, file.path, *mode,
                           decodeAtBuild(file.path, index, "KEY", *key), std::move(iv),
                           std::move(*plaintext), std::move(*ciphertext), record.front().line});
      }
    }
  });
  return vectors;
}

ByteString decodeAESField(const AESVector& vector, std::string_view field, const std::string& hex) {
  return decodeVectorField(vector.name, vector.path, field, hex);
}

std::string aesFailurePrefix(const AESVector& vector) {
  const bool encrypts = aesModeEncrypts(vector.mode);
  return vector.name + ": " + std::string(aesModeOperation(vector.mode)) + " of the " +
         (encrypts ? "PLAINTEXT" : "CIPHERTEXT") + " differs from the " +
         (encrypts ? "CIPHERTEXT" : "PLAINTEXT") + "\nvector file: " + vector.path;
}

}  // namespace detail
namespace {

ByteString applyAESMode(const AnyKey& key, AESMode mode, const ByteString& iv,
                        const ByteString& input) {
  switch (mode) {
    case AESMode::ECBEncrypt:
      return key.encryptBlock(input);
    case AESMode::ECBDecrypt:
      return key.decryptBlock(input);
    case AESMode::CBCEncrypt:
      return key.chained(ChainedMode::CBC, iv, input).first;
    case AESMode::CBCDecrypt:
      return key.chained(ChainedMode::UnCBC, iv, input).first;
    case AESMode::CFBEncrypt:
      return key.chained(ChainedMode::CFB, iv, input).first;
    case AESMode::CFBDecrypt:
      return key.chained(ChainedMode::UnCFB, iv, input).first;
    case AESMode::OFBEncrypt:
      return key.chained(ChainedMode::OFB, iv, input).first;
    case AESMode::OFBDecrypt:
      return key.chained(ChainedMode::UnOFB, iv, input).first;
  }
  throw std::logic_error("applyAESMode: unknown mode");
}

}  // namespace

std::vector<Test> makeAESTests(const AnyBlockCipher& cipher) {
  std::vector<Test> tests;
  for (detail::AESVector& vector : detail::readAESVectors(ivFilter(cipher))) {
    // The key that decides whether the vector applies is the one its test uses.
    std::shared_ptr<const AnyKey> key =
        buildVectorKey(tests, cipher, vector.name, vector.path, vector.key,
                       aesModeUsesIV(vector.mode) ? &vector.iv : nullptr);
    if (!key) continue;
    std::string name = vector.name;
    SourceLocation location{vector.path, vector.line};
    tests.push_back(testCase(
        std::move(name),
        [key = std::move(key), v = std::move(vector)] {
          const ByteString plaintext = detail::decodeAESField(v, "PLAINTEXT", v.plaintextHex);
          const ByteString ciphertext = detail::decodeAESField(v, "CIPHERTEXT", v.ciphertextHex);
          const bool encrypts = aesModeEncrypts(v.mode);
          const ByteString computed =
              applyAESMode(*key, v.mode, v.iv, encrypts ? plaintext : ciphertext);
          assertEqual(detail::aesFailurePrefix(v), computed, encrypts ? ciphertext : plaintext,
                      ValueLabels{"computed", "vector"});
        },
        std::move(location)));
  }
  for (Test& law : makeBlockCipherPropTests(cipher)) tests.push_back(std::move(law));
  return tests;
}

}  // namespace kavrit::test
