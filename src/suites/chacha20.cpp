#include "kavrit/test/chacha20.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "kavrit/test/vector_files.hpp"
#include "suites/hash_vectors.hpp"
#include "suites/stream_vectors.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test {
namespace {

using detail::KnownAnswer;

void checkChaCha20(const KnownAnswer& vector, const AnyStreamCipher& cipher) {
  const ByteString key = vector.bytes("KEY");
  const ByteString nonce = vector.bytes("NONCE");
  const long long counter = vector.integer("INITIAL_BLOCK_COUNTER");
  if (counter < 0) vector.fail("INITIAL_BLOCK_COUNTER is negative");
  const ByteString plaintext = vector.bytes("PLAINTEXT");
  const ByteString ciphertext = vector.bytes("CIPHERTEXT");
  const auto start = [&] {
    return detail::startStream(vector, cipher, key, nonce, static_cast<std::uint64_t>(counter));
  };
  vector.check("apply of the PLAINTEXT differs from the CIPHERTEXT",
               detail::applied(vector, start()->apply(plaintext), "apply"), ciphertext);
  vector.check("applyLazy of the PLAINTEXT in " + std::to_string(kVectorChunkSize) +
                   "-byte chunks differs from the CIPHERTEXT",
               detail::applied(vector, start()->applyLazy(chunked(plaintext, kVectorChunkSize)),
                               "applyLazy"),
               ciphertext);
  vector.check(
      "successive apply calls of 1, 2, 3, ... bytes of the PLAINTEXT differ from the "
      "CIPHERTEXT",
      detail::appliedInPieces(vector, *start(), plaintext, 1, plaintext.size()), ciphertext);
}

void checkPoly1305(const KnownAnswer& vector, const AnyMac& mac) {
  const ByteString key = vector.bytes("KEY");
  const ByteString message = vector.bytes("MSG");
  const ByteString expected = vector.bytes("TAG");
  const std::unique_ptr<const AnyMacKey> built = mac.buildKey(key);
  if (!built) vector.fail("buildKey refused the " + std::to_string(key.size()) + "-byte KEY");
  vector.check("tag of the MSG differs from the TAG (computed: tag, then tagLazy in " +
                   std::to_string(kVectorChunkSize) + "-byte chunks)",
               std::pair(built->tag(message), built->tagLazy(chunked(message, kVectorChunkSize))),
               std::pair(expected, expected));
}

// The field names of one file's ChaCha20-Poly1305 records.
struct AeadFields {
  std::string_view key;
  std::string_view nonce;
  std::string_view plaintext;
  std::string_view aad;
  std::string_view ciphertext;
  std::string_view tag;
};
constexpr AeadFields kBoringSSL{"KEY", "NONCE", "IN", "AD", "CT", "TAG"};
constexpr AeadFields kOpenSSL{"Key", "IV", "Plaintext", "AAD", "Ciphertext", "Tag"};

ByteString flipped(ByteString bytes, std::size_t at, std::uint8_t bit) {
  bytes[at] = static_cast<std::uint8_t>(bytes[at] ^ bit);
  return bytes;
}

// open and openLazy of the message must both refuse it; `why` says what is wrong with it.
void checkBothRefuse(const KnownAnswer& vector, const AnyAeadKey& key, const ByteString& nonce,
                     const ByteString& aad, const ByteString& ciphertext, const ByteString& tag,
                     const std::string& why) {
  vector.checkRefused("open accepted " + why, key.open(nonce, aad, ciphertext, tag));
  vector.checkRefused("openLazy accepted " + why,
                      key.openLazy(nonce, chunked(aad, kVectorChunkSize),
                                   chunked(ciphertext, kVectorChunkSize), tag));
}

void checkChaCha20Poly1305(const KnownAnswer& vector, const AnyAead& aead,
                           const AeadFields& fields) {
  const ByteString keyBytes = vector.bytes(fields.key);
  const ByteString nonce = vector.bytes(fields.nonce);
  const ByteString aad = vector.bytes(fields.aad);
  const ByteString plaintext = vector.bytes(fields.plaintext);
  const ByteString ciphertext = vector.bytes(fields.ciphertext);
  const ByteString tag = vector.bytes(fields.tag);
  const std::unique_ptr<const AnyAeadKey> key = aead.buildKey(keyBytes);
  if (!key) vector.fail("buildKey refused the " + std::to_string(keyBytes.size()) + "-byte key");
  if (const detail::FieldText result = vector.ref().field("Result")) {
    if (*result != "CIPHERFINAL_ERROR") {
      vector.fail("Result = " + std::string(*result) +
                  "; the only result a record states is CIPHERFINAL_ERROR, a forged tag");
    }
    checkBothRefuse(vector, *key, nonce, aad, ciphertext, tag,
                    "the ciphertext and tag, which the record marks CIPHERFINAL_ERROR: a forgery");
    return;
  }
  const auto joined = [](const AeadSealed& sealed) {
    ByteString out = sealed.ciphertext;
    out.insert(out.end(), sealed.tag.begin(), sealed.tag.end());
    return out;
  };
  const ByteString expected = joined(AeadSealed{ciphertext, tag});
  vector.check(
      "seal of the plaintext differs from the ciphertext followed by the tag (computed: "
      "seal, then sealLazy in " +
          std::to_string(kVectorChunkSize) + "-byte chunks)",
      std::pair(joined(key->seal(nonce, aad, plaintext)),
                joined(key->sealLazy(nonce, chunked(aad, kVectorChunkSize),
                                     chunked(plaintext, kVectorChunkSize)))),
      std::pair(expected, expected));
  const std::optional<ByteString> strict = key->open(nonce, aad, ciphertext, tag);
  const std::optional<ByteString> lazy = key->openLazy(nonce, chunked(aad, kVectorChunkSize),
                                                       chunked(ciphertext, kVectorChunkSize), tag);
  vector.checkOpened("open refused the ciphertext and tag, which open to the plaintext", strict,
                     plaintext);
  vector.checkOpened("openLazy refused the ciphertext and tag, which open to the plaintext", lazy,
                     plaintext);
  vector.check(
      "open of the ciphertext differs from the plaintext (computed: open, then openLazy "
      "in " +
          std::to_string(kVectorChunkSize) + "-byte chunks)",
      std::pair(*strict, *lazy), std::pair(plaintext, plaintext));
  if (!tag.empty()) {
    checkBothRefuse(vector, *key, nonce, aad, ciphertext, flipped(tag, tag.size() - 1, 0x80),
                    "the tag with its last bit flipped");
  }
  if (!ciphertext.empty()) {
    checkBothRefuse(vector, *key, nonce, aad, flipped(ciphertext, 0, 0x01), tag,
                    "the ciphertext with its first bit flipped");
  }
  if (!aad.empty()) {
    checkBothRefuse(vector, *key, nonce, flipped(aad, 0, 0x01), ciphertext, tag,
                    "the AAD with its first bit flipped");
  }
}

}  // namespace

std::vector<Test> makeChaCha20Tests(const AnyStreamCipher& cipher) {
  static constexpr std::string_view kRequired[] = {"KEY", "NONCE", "INITIAL_BLOCK_COUNTER",
                                                   "PLAINTEXT", "CIPHERTEXT"};
  std::size_t index = 0;
  return detail::singleFileTests(
      "Test/KAT_CHACHA20", "RFC7539.rsp", kRequired,
      [&](const detail::RecordRef& record, std::vector<Test>& out) {
        out.push_back(detail::knownAnswerTest(
            KnownAnswer(record, "ChaCha20-" + std::to_string(++index)),
            [&cipher](const KnownAnswer& vector) { checkChaCha20(vector, cipher); }));
      });
}

std::vector<Test> makePoly1305Tests(const AnyMac& mac) {
  static constexpr std::string_view kRequired[] = {"KEY", "MSG", "TAG"};
  std::size_t index = 0;
  return detail::singleFileTests(
      "Test/KAT_POLY1305", "RFC7539.rsp", kRequired,
      [&](const detail::RecordRef& record, std::vector<Test>& out) {
        out.push_back(detail::knownAnswerTest(
            KnownAnswer(record, "Poly1305-" + std::to_string(++index)),
            [&mac](const KnownAnswer& vector) { checkPoly1305(vector, mac); }));
      });
}

std::vector<Test> makeChaCha20Poly1305Tests(const AnyAead& aead) {
  struct File {
    const char* name;
    const char* label;
    const AeadFields* fields;
  };
  static constexpr File kFiles[] = {{"BoringSSL.rsp", "BoringSSL", &kBoringSSL},
                                    {"OpenSSL.rsp", "OpenSSL", &kOpenSSL}};
  std::vector<Test> tests;
  for (const File& file : kFiles) {
    const AeadFields* fields = file.fields;
    const std::string_view required[] = {fields->key, fields->nonce,      fields->plaintext,
                                         fields->aad, fields->ciphertext, fields->tag};
    std::size_t index = 0;
    const std::string prefix = std::string("ChaCha20Poly1305-") + file.label + "-";
    for (Test& test :
         detail::singleFileTests("Test/KAT_CHACHA20_POLY1305", file.name, required,
                                 [&](const detail::RecordRef&record, std::vector<Test>&out) {
                                   out.push_back(detail::knownAnswerTest(
                                       KnownAnswer(record, prefix + std::to_string(++index)),
                                       [&aead, fields](const KnownAnswer& vector) {
                                         checkChaCha20Poly1305(vector, aead, *fields);
                                       }));
                                 })) {
      tests.push_back(std::move(test));
    }
  }
  return tests;
}

}  // namespace kavrit::test
