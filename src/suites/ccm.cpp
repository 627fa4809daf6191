#include "kavrit/test/ccm.hpp"

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "kavrit/test/vector_files.hpp"
#include "suites/cipher_vectors.hpp"
#include "suites/file_rules.hpp"
#include "suites/record_rules.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test {
namespace {

constexpr std::string_view kLengths[] = {"Alen", "Plen", "Nlen", "Tlen"};
constexpr std::string_view kHeads[] = {"Alen", "Plen", "Nlen", "Tlen", "Key", "Nonce"};

// A record's own field, or else the head line of its category of that name.
detail::FieldText fieldOrHead(const detail::RecordRef& record, std::string_view name) {
  const detail::FieldText field = record.field(name);
  return field ? field : record.head(name);
}

ByteString bytesOf(const detail::KnownAnswer& vector, std::string_view name) {
  if (vector.ref().field(name) != nullptr) return vector.bytes(name);
  if (vector.ref().head(name) == nullptr) {
    vector.fail("the record has no " + std::string(name) + ", nor its category a head line of it");
  }
  return vector.headBytes(name);
}

std::size_t lengthOf(const detail::KnownAnswer& vector, std::string_view head) {
  const detail::FieldText text = vector.ref().head(head);
  if (text == nullptr) vector.fail("the category has no head line " + std::string(head));
  long long value = 0;
  try {
    value = readInteger(head, *text);
  } catch (const std::invalid_argument& e) {
    vector.fail(e.what());
  }
  if (value < 0) vector.fail(std::string(head) + " is negative");
  return static_cast<std::size_t>(value);
}

// The AAD or payload of `length` bytes: the files write an empty one as "00".
ByteString sizedField(const detail::KnownAnswer& vector, std::string_view field, std::size_t length,
                      std::string_view head) {
  ByteString bytes = vector.bytes(field);
  if (length == 0) return {};
  if (bytes.size() != length) {
    vector.fail(std::string(field) + " holds " + std::to_string(bytes.size()) + " bytes, but " +
                std::string(head) + " is " + std::to_string(length));
  }
  return bytes;
}

void checkCase(const detail::KnownAnswer& vector, const AnyKey& key, const CCMFile& rule) {
  const std::size_t aadBytes = lengthOf(vector, "Alen");
  const std::size_t payloadBytes = lengthOf(vector, "Plen");
  const std::size_t tagBytes = lengthOf(vector, "Tlen");
  const ByteString nonce = bytesOf(vector, "Nonce");
  const ByteString aad = sizedField(vector, "Adata", aadBytes, "Alen");
  const ByteString sealed = vector.bytes("CT");
  if (sealed.size() != payloadBytes + tagBytes) {
    vector.fail("CT holds " + std::to_string(sealed.size()) +
                " bytes, not Plen + Tlen = " + std::to_string(payloadBytes + tagBytes));
  }
  const auto cut = sealed.begin() + static_cast<std::ptrdiff_t>(payloadBytes);
  const ByteString ciphertext(sealed.begin(), cut);
  const ByteString tag(cut, sealed.end());
  if (rule.decrypts) {
    const detail::FieldText result = vector.ref().field("Result");
    if (result == nullptr || (*result != "Pass" && *result != "Fail")) {
      vector.fail("the record's Result is " +
                  (result ? "\"" + std::string(*result) + "\"" : "missing") +
                  "; it must be Pass or Fail");
    }
    const std::optional<ByteString> opened = key.ccmDecrypt(nonce, aad, ciphertext, tag);
    if (*result == "Fail") {
      vector.checkRefused(
          "ccmDecrypt accepted the CT, which the record marks Result = Fail: a "
          "forgery",
          opened);
      return;
    }
    const ByteString payload = sizedField(vector, "Payload", payloadBytes, "Plen");
    vector.checkOpened("ccmDecrypt refused the CT, which opens to the Payload", opened, payload);
    vector.check("ccmDecrypt of the CT differs from the Payload", *opened, payload);
    return;
  }
  const ByteString payload = sizedField(vector, "Payload", payloadBytes, "Plen");
  const AeadSealed computed = key.ccmEncrypt(nonce, aad, payload, tagBytes);
  ByteString joined = computed.ciphertext;
  joined.insert(joined.end(), computed.tag.begin(), computed.tag.end());
  vector.check("ccmEncrypt of the Payload differs from the CT (ciphertext followed by the tag)",
               joined, sealed);
  const std::optional<ByteString> opened = key.ccmDecrypt(nonce, aad, ciphertext, tag);
  vector.checkOpened("ccmDecrypt refused the CT that it must open to the Payload", opened, payload);
  vector.check("ccmDecrypt of the CT differs from the Payload", *opened, payload);
}

}  // namespace

std::optional<CCMFile> ccmFileOf(std::string_view name) {
  CCMFile rule;
  if (detail::consumePrefix(name, "DVPT")) {
    rule.decrypts = true;
  } else if (!detail::consumePrefix(name, "VADT") && !detail::consumePrefix(name, "VNT") &&
             !detail::consumePrefix(name, "VPT") && !detail::consumePrefix(name, "VTT")) {
    return std::nullopt;
  }
  const std::optional<long> keyBits = detail::keyBitsBefore(name, ".rsp");
  if (!keyBits) return std::nullopt;
  rule.keyBits = *keyBits;
  return rule;
}

std::vector<Test> makeCCMTests(const AnyBlockCipher& cipher) {
  static constexpr std::string_view kRequired[] = {"Count", "Adata", "CT"};
  if (cipher.blockSize() != 128) return {};
  const VectorDirectory& directory = vectorDirectory("Test/KAT_CCM");
  detail::BuildTimeChecks checks(cipher);
  std::vector<Test> tests = detail::buildVectorTests(detail::VectorSuite<CCMFile>{
      .directory = getDataFileName(std::string(directory.name)),
      .recordKey = directory.recordKey,
      .listed = {},
      .fileRule = [](const detail::ParsedFile& file) { return ccmFileOf(file.name); },
      .required = [](const CCMFile&) -> std::span<const std::string_view> { return kRequired; },
      .addTests =
          [&](const CCMFile& rule, const detail::RecordRef& record, std::vector<Test>& out) {
            detail::KnownAnswer answer(record, detail::nameWithHeads(record, kLengths, "Count"));
            answer.showHeads(kHeads);
            const detail::FieldText keyText = fieldOrHead(record, "Key");
            if (keyText == nullptr) {
              out.push_back(detail::failingCase(
                  answer.name(),
                  answer.error("the record has no Key, nor its category a head line of it"),
                  answer.location()));
              return;
            }
            const ByteString key =
                record.field("Key") ? answer.bytes("Key") : answer.headBytes("Key");
            if (!checks.keyAccepted(answer, *keyText, key, out)) return;
            out.push_back(detail::knownAnswerTest(
                std::move(answer), [&cipher, key, rule](const detail::KnownAnswer& vector) {
                  const std::unique_ptr<const AnyKey> built =
                      detail::runTimeKey(cipher, vector, key);
                  checkCase(vector, *built, rule);
                }));
          },
  });
  for (Test& law : makeCCMPropTests(cipher)) tests.push_back(std::move(law));
  return tests;
}

}  // namespace kavrit::test
