#include "kavrit/test/gcm.hpp"

#include <optional>
#include <span>
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

constexpr std::string_view kHeads[] = {"IVlen", "PTlen", "AADlen", "Taglen"};

void checkEncrypt(const detail::KnownAnswer& vector, const AnyKey& key) {
  const ByteString iv = vector.bytes("IV");
  const ByteString aad = vector.bytes("AAD");
  const ByteString plaintext = vector.bytes("PT");
  const AeadSealed expected{vector.bytes("CT"), vector.bytes("Tag")};
  const std::size_t tagBytes = expected.tag.size();
  const AeadSealed strict = key.gcmEncrypt(iv, aad, plaintext, tagBytes);
  const AeadSealed lazy = key.gcmEncryptLazy(iv, chunked(aad, kVectorChunkSize),
                                             chunked(plaintext, kVectorChunkSize), tagBytes);
  const auto joined = [](const AeadSealed& sealed) {
    ByteString out = sealed.ciphertext;
    out.insert(out.end(), sealed.tag.begin(), sealed.tag.end());
    return out;
  };
  vector.check(
      "gcmEncrypt of the PT differs from the CT followed by the Tag (computed: "
      "gcmEncrypt, then gcmEncryptLazy in " +
          std::to_string(kVectorChunkSize) + "-byte chunks)",
      std::pair(joined(strict), joined(lazy)), std::pair(joined(expected), joined(expected)));
  const std::optional<ByteString> opened = key.gcmDecrypt(iv, aad, strict.ciphertext, strict.tag);
  vector.checkOpened("gcmDecrypt refused the CT and Tag that it must open to the PT", opened,
                     plaintext);
  vector.check("gcmDecrypt of the CT differs from the PT", *opened, plaintext);
}

void checkDecrypt(const detail::KnownAnswer& vector, const AnyKey& key) {
  const ByteString iv = vector.bytes("IV");
  const ByteString aad = vector.bytes("AAD");
  const ByteString ciphertext = vector.bytes("CT");
  const ByteString tag = vector.bytes("Tag");
  const std::optional<ByteString> strict = key.gcmDecrypt(iv, aad, ciphertext, tag);
  const std::optional<ByteString> lazy = key.gcmDecryptLazy(
      iv, chunked(aad, kVectorChunkSize), chunked(ciphertext, kVectorChunkSize), tag);
  if (vector.ref().field("FAIL") != nullptr) {
    for (const auto& [name, opened] :
         {std::pair("gcmDecrypt", &strict), std::pair("gcmDecryptLazy", &lazy)}) {
      vector.checkRefused(
          std::string(name) + " accepted the CT and Tag, which the record marks FAIL: a forgery",
          *opened);
    }
    return;
  }
  const ByteString plaintext = vector.bytes("PT");
  vector.checkOpened("gcmDecrypt refused the CT and Tag, which open to the PT", strict, plaintext);
  vector.checkOpened("gcmDecryptLazy refused the CT and Tag, which open to the PT", lazy,
                     plaintext);
  vector.check(
      "gcmDecrypt of the CT differs from the PT (computed: gcmDecrypt, then "
      "gcmDecryptLazy in " +
          std::to_string(kVectorChunkSize) + "-byte chunks)",
      std::pair(*strict, *lazy), std::pair(plaintext, plaintext));
}

}  // namespace

std::optional<GCMFile> gcmFileOf(std::string_view name) {
  GCMFile rule;
  if (detail::consumePrefix(name, "gcmDecrypt")) {
    rule.decrypts = true;
  } else if (!detail::consumePrefix(name, "gcmEncryptExtIV")) {
    return std::nullopt;
  }
  const std::optional<long> keyBits = detail::keyBitsBefore(name, ".rsp");
  if (!keyBits) return std::nullopt;
  rule.keyBits = *keyBits;
  return rule;
}

std::vector<Test> makeGCMTests(const AnyBlockCipher& cipher) {
  static constexpr std::string_view kRequired[] = {"Count", "Key", "IV", "CT", "AAD", "Tag"};
  if (cipher.blockSize() != 128) return {};
  const VectorDirectory& directory = vectorDirectory("Test/KAT_GCM");
  detail::BuildTimeChecks checks(cipher);
  std::vector<Test> tests = detail::buildVectorTests(detail::VectorSuite<GCMFile>{
      .directory = getDataFileName(std::string(directory.name)),
      .recordKey = directory.recordKey,
      .listed = {},
      .fileRule = [](const detail::ParsedFile& file) { return gcmFileOf(file.name); },
      .required = [](const GCMFile&) -> std::span<const std::string_view> { return kRequired; },
      .addTests =
          [&](const GCMFile& rule, const detail::RecordRef& record, std::vector<Test>& out) {
            detail::KnownAnswer answer(record, detail::nameWithHeads(record, kHeads, "Count"));
            answer.showHeads(kHeads);
            if (!checks.keyFieldAccepted(answer, "Key", out)) return;
            out.push_back(detail::knownAnswerTest(
                std::move(answer), [&cipher, rule](const detail::KnownAnswer& vector) {
                  detail::requireAnswerOrFail(
                      vector, "PT", rule.decrypts,
                      "an encryption record marked FAIL; only decryption records can be");
                  const std::unique_ptr<const AnyKey> built =
                      detail::runTimeKey(cipher, vector, vector.bytes("Key"));
                  if (rule.decrypts) {
                    checkDecrypt(vector, *built);
                  } else {
                    checkEncrypt(vector, *built);
                  }
                }));
          },
  });
  for (Test& law : makeGCMPropTests(cipher)) tests.push_back(std::move(law));
  return tests;
}

}  // namespace kavrit::test
