#include "kavrit/test/xts.hpp"

#include <cctype>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "kavrit/test/vector_files.hpp"
#include "suites/cipher_vectors.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test {
namespace {

// The file for a key length; other key lengths have none.
std::optional<std::string_view> xtsFileFor(long keyBits) {
  if (keyBits == 128) return "XTSGenAES128.rsp";
  if (keyBits == 256) return "XTSGenAES256.rsp";
  return std::nullopt;
}

// Records of a length in bits that is not whole bytes are left out; a DataUnitLen that is not a
// number is not, so that reading it reports the record.
bool partialBytes(const detail::RecordRef& record) {
  const detail::FieldText length = record.field("DataUnitLen");
  if (length == nullptr || length->empty()) return false;
  unsigned long long bits = 0;
  for (const char c : *length) {
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) return false;
    bits = bits * 10 + static_cast<unsigned long long>(c - '0');
  }
  return bits % 8 != 0;
}

ByteString part(const ByteString& bytes, std::size_t from, std::size_t n) {
  return ByteString(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                    bytes.begin() + static_cast<std::ptrdiff_t>(from + n));
}

}  // namespace

std::vector<Test> makeXTSTests(const AnyBlockCipher& cipher) {
  static constexpr std::string_view kRequired[] = {"COUNT", "DataUnitLen", "Key", "i", "PT", "CT"};
  if (cipher.blockSize() != 128) {
    throw std::invalid_argument("makeXTSTests: a block of " + std::to_string(cipher.blockSize()) +
                                " bits; XTS is defined for 128-bit blocks");
  }
  const VectorDirectory& directory = vectorDirectory("Test/KAT_XTS");
  detail::BuildTimeChecks checks(cipher);
  const std::optional<std::string_view> fileName = xtsFileFor(cipher.keyLength());
  const std::size_t keyBytes = static_cast<std::size_t>(cipher.keyLength() / 8);
  std::vector<Test> tests = detail::buildVectorTests(detail::VectorSuite<bool>{
      .directory = getDataFileName(std::string(directory.name)),
      .recordKey = directory.recordKey,
      .listed = [fileName](std::string_view name) { return fileName && name == *fileName; },
      .fileRule = [](const detail::ParsedFile&) -> std::optional<bool> { return true; },
      .leftOut = [](bool, const detail::RecordRef& record) { return partialBytes(record); },
      .required = [](bool) -> std::span<const std::string_view> { return kRequired; },
      .addTests =
          [&](bool, const detail::RecordRef& record, std::vector<Test>& out) {
            const std::optional<bool> encrypts = detail::headDirection(record.heads());
            detail::KnownAnswer answer(
                record, record.file->name + "-" +
                            (encrypts ? (*encrypts ? "ENCRYPT" : "DECRYPT") : "?") + "-" +
                            std::string(*record.field("COUNT")));
            const long long bits = answer.integer("DataUnitLen");
            const std::string_view keyText = answer.text("Key");
            const ByteString key = answer.bytes("Key");
            if (key.size() != 2 * keyBytes) {
              out.push_back(detail::failingCase(
                  answer.name(),
                  answer.error("the Key holds " + std::to_string(key.size()) +
                               " bytes; XTS under this cipher takes two keys of " +
                               std::to_string(keyBytes) + " bytes, data key then tweak key"),
                  answer.location()));
              return;
            }
            const ByteString key1 = part(key, 0, keyBytes);
            const ByteString key2 = part(key, keyBytes, keyBytes);
            const std::size_t half = keyText.size() / 2;
            if (!checks.keyAccepted(answer, keyText.substr(0, half), key1, out) ||
                !checks.keyAccepted(answer, keyText.substr(half), key2, out)) {
              return;
            }
            out.push_back(detail::knownAnswerTest(
                std::move(answer),
                [&cipher, key1, key2, encrypts, bits](const detail::KnownAnswer& vector) {
                  if (!encrypts) vector.fail("the record is under neither [ENCRYPT] nor [DECRYPT]");
                  const std::string_view input = *encrypts ? "PT" : "CT";
                  const std::string_view expected = *encrypts ? "CT" : "PT";
                  const ByteString in = vector.bytes(input);
                  for (const std::string_view field : {input, expected}) {
                    if (static_cast<long long>(vector.bytes(field).size()) * 8 != bits) {
                      vector.fail(std::string(field) + " is not DataUnitLen = " +
                                  std::to_string(bits) + " bits long\n" + vector.inputs());
                    }
                  }
                  // XTS is defined for these only: the record is wrong, not the implementation.
                  if (bits < 128) {
                    vector.fail("DataUnitLen = " + std::to_string(bits) +
                                " bits is under one 16-byte block, the least XTS takes");
                  }
                  const ByteString tweak = vector.bytes("i");
                  if (tweak.size() != 16) {
                    vector.fail("i holds " + std::to_string(tweak.size()) +
                                " bytes; the tweak is one 16-byte block");
                  }
                  const std::unique_ptr<const AnyKey> dataKey =
                      detail::runTimeKey(cipher, vector, key1);
                  const std::unique_ptr<const AnyKey> tweakKey =
                      detail::runTimeKey(cipher, vector, key2);
                  const std::string operation = *encrypts ? "xtsEncrypt" : "xtsDecrypt";
                  vector.check(
                      operation + " of the " + std::string(input) + " differs from the " +
                          std::string(expected) + " (data key, tweak key: the Key's halves)",
                      dataKey->xts(!*encrypts, *tweakKey, tweak, in), vector.bytes(expected));
                }));
          },
  });
  for (Test& law : makeXTSPropTests(cipher)) tests.push_back(std::move(law));
  return tests;
}

}  // namespace kavrit::test
