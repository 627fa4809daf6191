#include "kavrit/test/aes_ctr.hpp"

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "kavrit/test/aes.hpp"
#include "kavrit/test/assert.hpp"
#include "kavrit/test/hex.hpp"
#include "kavrit/test/implementation_error.hpp"
#include "kavrit/test/parse_nist_kats.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_files.hpp"

namespace kavrit::test::detail {
namespace {

// A bad KEY or IV stops the whole build, so say where it is.
ByteString decodeAtBuild(const std::string& path, std::size_t record, std::string_view field,
                         const std::string& hex) {
  try {
    return hexStringToBS(hex);
  } catch (const std::invalid_argument& error) {
    throw std::invalid_argument("makeAESCTRTests: " + path + ": record " + std::to_string(record) +
                                ": field " + std::string(field) + ": " + error.what());
  }
}

std::string operation(const AESCTRVector& vector) { return vector.encrypts ? "ctr" : "unCtr"; }

}  // namespace

std::optional<bool> aesCTRDirectionOf(std::string_view fileName) {
  const std::optional<std::string> key = aesModeKey(fileName);
  if (key == "CTRe") return true;
  if (key == "CTRd") return false;
  return std::nullopt;
}

std::vector<AESCTRVector> readAESCTRVectors(
    const std::function<bool(const ByteString&)>& ivAccepted) {
  std::vector<AESCTRVector> vectors;
  forEachVectorFile(getDataFileName("Test/KAT_AES_CTR"), "COUNT", {}, [&](VectorFile& file) {
    const std::optional<bool> encrypts = aesCTRDirectionOf(file.name);
    if (!encrypts) return;
    std::size_t index = 0;  // position of the record in the file, for error messages
    for (KatCategory& category : file.categories) {
      for (KatRecord& record : category.records) {
        ++index;
        const std::string* count = lookupField(record, "COUNT");
        const std::string* key = lookupField(record, "KEY");
        const std::string* ivHex = lookupField(record, "IV");
        std::string* plaintext = lookupField(record, "PLAINTEXT");
        std::string* ciphertext = lookupField(record, "CIPHERTEXT");
        if (!count || !key || !ivHex || !plaintext || !ciphertext) continue;
        ByteString iv = decodeAtBuild(file.path, index, "IV", *ivHex);
        if (!ivAccepted(iv)) continue;
        vectors.push_back({file.name + "-" + *count, file.path, *encrypts,
                           decodeAtBuild(file.path, index, "KEY", *key), std::move(iv),
                           std::move(*plaintext), std::move(*ciphertext), record.front().line});
      }
    }
  });
  return vectors;
}

ByteString decodeAESCTRField(const AESCTRVector& vector, std::string_view field,
                             const std::string& hex) {
  return decodeVectorField(vector.name, vector.path, field, hex);
}

ByteString padToBlocks(ByteString bytes, std::size_t blockBytes) {
  if (blockBytes > 0 && bytes.size() % blockBytes != 0) {
    bytes.resize(bytes.size() + blockBytes - bytes.size() % blockBytes, 0);
  }
  return bytes;
}

std::string aesCTROutputPrefix(const AESCTRVector& vector) {
  const std::string op = operation(vector);
  return vector.name + ": " + op + " of the " + (vector.encrypts ? "PLAINTEXT" : "CIPHERTEXT") +
         " differs from the " + (vector.encrypts ? "CIPHERTEXT" : "PLAINTEXT") +
         " (computed: whole input, then " + std::to_string(kAESCTRChunkSize) +
         "-byte chunks through " + op + "Lazy)\nvector file: " + vector.path;
}

std::string aesCTRNextIVPrefix(const AESCTRVector& vector) {
  const std::string op = operation(vector);
  return vector.name + ": " + op + " and " + op +
         "Lazy give different next IVs\nvector file: " + vector.path;
}

}  // namespace kavrit::test::detail

namespace kavrit::test {

std::vector<Test> makeAESCTRTests(const AnyBlockCipher& cipher) {
  std::vector<Test> tests;
  for (detail::AESCTRVector& vector : detail::readAESCTRVectors(ivFilter(cipher))) {
    // The key that decides whether the vector applies is the one its test uses.
    std::shared_ptr<const AnyKey> key =
        buildVectorKey(tests, cipher, vector.name, vector.path, vector.key, &vector.iv);
    if (!key) continue;
    std::string name = vector.name;
    SourceLocation location{vector.path, vector.line};
    tests.push_back(testCase(
        std::move(name),
        [&cipher, key = std::move(key), v = std::move(vector)] {
          const ByteString plaintext = detail::decodeAESCTRField(v, "PLAINTEXT", v.plaintextHex);
          const ByteString ciphertext = detail::decodeAESCTRField(v, "CIPHERTEXT", v.ciphertextHex);
          const ByteString& input = v.encrypts ? plaintext : ciphertext;
          const ByteString& expected = v.encrypts ? ciphertext : plaintext;
          const ByteString padded = detail::padToBlocks(input, cipher.blockBytes());
          const LazyByteString chunks = chunked(padded, kAESCTRChunkSize);
          const ChainedMode mode = v.encrypts ? ChainedMode::CTR : ChainedMode::UnCTR;
          const auto strict = key->chained(mode, v.iv, padded);
          const auto lazy = key->chainedLazy(mode, v.iv, chunks);
          const auto length = static_cast<long long>(input.size());
          assertEqual(
              detail::aesCTROutputPrefix(v),
              std::pair(takeBytes(strict.first, length), takeBytes(lazy.first.flatten(), length)),
              std::pair(expected, expected), ValueLabels{"computed", "vector"});
          assertEqual(detail::aesCTRNextIVPrefix(v), strict.second, lazy.second,
                      ValueLabels{"strict", "lazy"});
        },
        std::move(location)));
  }
  return tests;
}

}  // namespace kavrit::test
