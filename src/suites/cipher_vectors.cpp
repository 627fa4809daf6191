#include "suites/cipher_vectors.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "kavrit/test/implementation_error.hpp"
#include "kavrit/test/vector_files.hpp"

namespace kavrit::test::detail {

std::string_view CipherStep::operation() const {
  switch (kind) {
    case Kind::EncryptBlock:
      return "encryptBlock";
    case Kind::DecryptBlock:
      return "decryptBlock";
    case Kind::Ecb:
      return "ecb";
    case Kind::UnEcb:
      return "unEcb";
    case Kind::Chained:
      return chainedModeName(chained);
  }
  return "?";
}

std::string CipherStep::mismatch(std::string_view input, std::string_view expected) const {
  std::string text(operation());
  text += " of the ";
  text += input;
  text += " differs from the ";
  text += expected;
  return text;
}

ByteString applyStep(const AnyKey& key, const CipherStep& step, const ByteString& iv,
                     const ByteString& input) {
  switch (step.kind) {
    case CipherStep::Kind::EncryptBlock:
      return key.encryptBlock(input);
    case CipherStep::Kind::DecryptBlock:
      return key.decryptBlock(input);
    case CipherStep::Kind::Ecb:
      return key.ecb(input);
    case CipherStep::Kind::UnEcb:
      return key.unEcb(input);
    case CipherStep::Kind::Chained:
      return key.chained(step.chained, iv, input).first;
  }
  throw std::logic_error("applyStep: unknown step");
}

Test implementationThrewCase(const KnownAnswer& answer, std::string_view step,
                             const std::exception_ptr& error) {
  return failingCase(answer.name(),
                     answer.error("the implementation threw from " + std::string(step) +
                                  " while the test was built: " + describeException(error)),
                     answer.location());
}

namespace {

bool isHexText(std::string_view text) {
  return text.size() % 2 == 0 && std::all_of(text.begin(), text.end(), [](char c) {
           const char lower = static_cast<char>(c | 0x20);
           return (c >= '0' && c <= '9') || (lower >= 'a' && lower <= 'f');
         });
}

}  // namespace

// Every record's key is looked up: a word at a time is several times quicker than the standard
// string hash on keys of 32 to 64 characters.
std::size_t BuildTimeChecks::TextHash::operator()(std::string_view text) const noexcept {
  std::uint64_t hash = 0x9E3779B97F4A7C15u ^ text.size();
  std::size_t at = 0;
  for (; at + 8 <= text.size(); at += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, text.data() + at, 8);
    hash = std::rotl((hash ^ word) * 0xFF51AFD7ED558CCDu, 29);
  }
  for (; at < text.size(); ++at)
    hash = (hash ^ static_cast<unsigned char>(text[at])) * 0x100000001B3u;
  return static_cast<std::size_t>(hash ^ (hash >> 32));
}

bool BuildTimeChecks::alreadyRefused(const RecordRef& record, const CipherStep& step) const {
  const detail::FieldText key = record.field("KEY");
  if (key == nullptr) return false;
  const auto found = keys_.find(*key);
  if (found == keys_.end() || found->second.accepted || found->second.error) return false;
  // A malformed IV is reported by the full check, whatever the key.
  const FieldText iv = step.usesIV() ? record.field("IV") : FieldText();
  return !step.usesIV() || (iv != nullptr && isHexText(*iv));
}

bool BuildTimeChecks::keyAccepted(const KnownAnswer& answer, const ByteString& key,
                                  std::vector<Test>& tests) {
  return keyAccepted(answer, answer.text("KEY"), key, tests);
}

bool BuildTimeChecks::keyFieldAccepted(const KnownAnswer& answer, std::string_view field,
                                       std::vector<Test>& tests) {
  const std::string_view text = answer.text(field);
  if (keys_.find(text) != keys_.end()) return keyAccepted(answer, text, ByteString(), tests);
  return keyAccepted(answer, text, answer.bytes(field), tests);
}

bool BuildTimeChecks::keyAccepted(const KnownAnswer& answer, std::string_view text,
                                  const ByteString& key, std::vector<Test>& tests) {
  auto found = keys_.find(text);
  if (found == keys_.end()) {
    Verdict verdict;
    try {
      verdict.accepted = cipher_.buildKey(key) != nullptr;
    } catch (...) {
      verdict.error = std::current_exception();
    }
    found = keys_.emplace(std::string(text), verdict).first;
  }
  if (found->second.error) {
    tests.push_back(implementationThrewCase(answer, "buildKey", found->second.error));
    return false;
  }
  return found->second.accepted;
}

std::optional<std::pair<ByteString, ByteString>> BuildTimeChecks::keyAndIV(
    const KnownAnswer& answer, const CipherStep& step, std::vector<Test>& tests) {
  ByteString iv;
  std::exception_ptr ivError;
  if (step.usesIV()) {
    iv = answer.bytes("IV");
    if (!parseIV(iv, ivError)) return std::nullopt;
  }
  ByteString key = answer.bytes("KEY");
  if (!keyAccepted(answer, key, tests)) return std::nullopt;
  if (ivError) {
    tests.push_back(implementationThrewCase(answer, "IV::parse", ivError));
    return std::nullopt;
  }
  return std::pair(std::move(key), std::move(iv));
}

bool BuildTimeChecks::parseIV(ByteString& iv, std::exception_ptr& error) {
  try {
    std::optional<ByteString> parsed = cipher_.parseIV(iv);
    if (!parsed) return false;
    iv = std::move(*parsed);
  } catch (...) {
    error = std::current_exception();
  }
  return true;
}

std::unique_ptr<const AnyKey> runTimeKey(const AnyBlockCipher& cipher, const KnownAnswer& answer,
                                         const ByteString& key) {
  std::unique_ptr<const AnyKey> built = cipher.buildKey(key);
  if (!built) {
    answer.fail("buildKey returned no key for this vector's " + std::to_string(key.size()) +
                "-byte KEY when the test ran, although it returned one when the suite was built");
  }
  return built;
}

namespace {

ByteString padToBlocks(ByteString bytes, std::size_t blockBytes) {
  if (blockBytes > 0 && bytes.size() % blockBytes != 0) {
    bytes.resize(bytes.size() + blockBytes - bytes.size() % blockBytes, 0);
  }
  return bytes;
}

// The vector with the record's KEY and IV, as the suite's build read them.
CipherVector fromRecord(const AnyBlockCipher& cipher, const KnownAnswer& answer,
                        const CipherVector& held) {
  CipherVector v = held;
  v.key = answer.bytes("KEY");
  if (v.step.usesIV()) {
    std::optional<ByteString> iv = cipher.parseIV(answer.bytes("IV"));
    if (!iv) {
      answer.fail(
          "IV::parse refused this vector's IV when the test ran, although it accepted it "
          "when the suite was built");
    }
    v.iv = std::move(*iv);
  }
  return v;
}

void checkCounterMode(const KnownAnswer& answer, const AnyKey& key, const CipherVector& v,
                      std::size_t blockBytes, const ByteString& input, const ByteString& expected) {
  const ByteString padded = padToBlocks(input, blockBytes);
  const auto strict = key.chained(v.step.chained, v.iv, padded);
  const auto lazy = key.chainedLazy(v.step.chained, v.iv, chunked(padded, kVectorChunkSize));
  const auto length = static_cast<long long>(input.size());
  const std::string operation(v.step.operation());
  answer.check(v.step.mismatch(v.inputField, v.expectedField) + " (computed: whole input, then " +
                   std::to_string(kVectorChunkSize) + "-byte chunks through " + operation + "Lazy)",
               std::pair(takeBytes(strict.first, length), takeBytes(lazy.first.flatten(), length)),
               std::pair(expected, expected));
  answer.check(operation + " and " + operation + "Lazy give different next IVs", strict.second,
               lazy.second, ValueLabels{"strict", "lazy"});
}

void checkCipherVector(const AnyBlockCipher& cipher, const KnownAnswer& vectorAnswer,
                       const CipherVector& v) {
  const ByteString input = vectorAnswer.bytes(v.inputField);
  const ByteString expected = vectorAnswer.bytes(v.expectedField);
  const std::unique_ptr<const AnyKey> key = runTimeKey(cipher, vectorAnswer, v.key);
  // CFB and OFB also encrypt a final part-block as a stream cipher does (Blowfish's vectors end
  // inside a block): such a message is padded and compared over its own length, as in CTR.
  const bool partBlock = v.step.kind == CipherStep::Kind::Chained &&
                         input.size() % cipher.blockBytes() != 0 &&
                         v.step.chained != ChainedMode::CBC && v.step.chained != ChainedMode::UnCBC;
  if (v.step.isCounter() || partBlock) {
    checkCounterMode(vectorAnswer, *key, v, cipher.blockBytes(), input, expected);
  } else {
    vectorAnswer.check(v.step.mismatch(v.inputField, v.expectedField),
                       applyStep(*key, v.step, v.iv, input), expected);
  }
}

}  // namespace

Test cipherVectorTest(const AnyBlockCipher& cipher, KnownAnswer answer, CipherVector vector) {
  if (vector.fromRecord) {
    // The test holds the step alone: the rest comes from the record when it runs.
    return knownAnswerTest(
        std::move(answer), [&cipher, held = vector.step, input = vector.inputField,
                            expected = vector.expectedField](const KnownAnswer& vectorAnswer) {
          checkCipherVector(
              cipher, vectorAnswer,
              fromRecord(cipher, vectorAnswer, {held, {}, {}, input, expected, true}));
        });
  }
  return knownAnswerTest(std::move(answer),
                         [&cipher, held = std::move(vector)](const KnownAnswer& vectorAnswer) {
                           checkCipherVector(cipher, vectorAnswer, held);
                         });
}

Test nistVectorTest(const AnyBlockCipher& cipher, KnownAnswer answer, const CipherStep& step) {
  return cipherVectorTest(cipher, std::move(answer),
                          {step,
                           {},
                           {},
                           step.encrypts ? "PLAINTEXT" : "CIPHERTEXT",
                           step.encrypts ? "CIPHERTEXT" : "PLAINTEXT",
                           true});
}

Test nistVectorTest(const AnyBlockCipher& cipher, KnownAnswer answer, const CipherStep& step,
                    std::pair<ByteString, ByteString> keyAndIV) {
  return cipherVectorTest(
      cipher, std::move(answer),
      {step, std::move(keyAndIV.first), std::move(keyAndIV.second),
       step.encrypts ? "PLAINTEXT" : "CIPHERTEXT", step.encrypts ? "CIPHERTEXT" : "PLAINTEXT"});
}

}  // namespace kavrit::test::detail
