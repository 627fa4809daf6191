#pragma once

// What the block-cipher known-answer families share: the operation a file selects, the build-time
// decisions on keys and IVs, and the test of one vector.

#include <cstddef>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "kavrit/test/aes.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"
#include "suites/file_rules.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test::detail {

/// The operation a vector file applies to its input.
struct CipherStep {
  enum class Kind { EncryptBlock, DecryptBlock, Ecb, UnEcb, Chained };
  Kind kind = Kind::EncryptBlock;
  ChainedMode chained = ChainedMode::CBC;  // for Kind::Chained
  bool encrypts = true;

  [[nodiscard]] bool usesIV() const { return kind == Kind::Chained; }
  [[nodiscard]] bool isCounter() const {
    return kind == Kind::Chained && (chained == ChainedMode::CTR || chained == ChainedMode::UnCTR);
  }
  /// The entry point's name in reports: "encryptBlock", "unEcb", "cbc", ...
  [[nodiscard]] std::string_view operation() const;
  /// "cbc of the PLAINTEXT differs from the CIPHERTEXT", with the file's own field names.
  [[nodiscard]] std::string mismatch(std::string_view input, std::string_view expected) const;
};

/// The step applied to `input` (the IV is ignored by the block and ECB steps).
ByteString applyStep(const AnyKey& key, const CipherStep& step, const ByteString& iv,
                     const ByteString& input);

/// Build-time calls into the implementation for a suite's vectors: buildKey is asked once per
/// distinct key, and an implementation that throws gives the vector a failing test instead of
/// ending the build.
class BuildTimeChecks {
 public:
  explicit BuildTimeChecks(const AnyBlockCipher& cipher) : cipher_(cipher) {}

  /// Whether buildKey gives a key for `key`, the decoded KEY of `answer`. When it throws, `tests`
  /// gets a failing case for `answer` and the result is false.
  bool keyAccepted(const KnownAnswer& answer, const ByteString& key, std::vector<Test>& tests);
  /// The same for a key that is not the record's KEY field: `text` names it among the keys asked
  /// about (a K field, or the three DES keys of a record written one after the other).
  bool keyAccepted(const KnownAnswer& answer, std::string_view text, const ByteString& key,
                   std::vector<Test>& tests);
  /// The same for the record's field `field`, decoded only when its text is not among the keys
  /// already asked about (hex errors throw, as KnownAnswer::bytes does). The test decodes it
  /// again when it runs, so that a suite holds no copies of its keys.
  bool keyFieldAccepted(const KnownAnswer& answer, std::string_view field,
                        std::vector<Test>& tests);
  /// Reads `iv` with IV::parse into the bytes the parse keeps; false when it refuses them. When it
  /// throws, the result is true and `error` holds the exception: the caller still drops the vector
  /// for a refused key before it reports the error.
  bool parseIV(ByteString& iv, std::exception_ptr& error);

  /// The record's KEY and, for a step that uses one, its IV as IV::parse reads it: nothing when
  /// the parse refuses the IV or buildKey the key (the vector is left out). An implementation that
  /// throws gives `tests` a failing case for `answer` instead, and nothing. Hex errors throw.
  std::optional<std::pair<ByteString, ByteString>> keyAndIV(const KnownAnswer& answer,
                                                            const CipherStep& step,
                                                            std::vector<Test>& tests);

  /// Whether the record's KEY is one that buildKey has already refused (and its IV, where the step
  /// uses one, is well-formed hex): such a record is left out without any further work.
  bool alreadyRefused(const RecordRef& record, const CipherStep& step) const;

 private:
  struct Verdict {
    bool accepted = false;
    std::exception_ptr error;
  };
  // Keys repeat across a suite's records: each distinct one is built once. They are remembered
  // by their text in the record, so a refused key is not even decoded again.
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept;
  };
  const AnyBlockCipher& cipher_;
  std::unordered_map<std::string, Verdict, TextHash, std::equal_to<>> keys_;
};

/// A case for `answer` that fails with what the implementation threw from `step` while the suite
/// was built.
Test implementationThrewCase(const KnownAnswer& answer, std::string_view step,
                             const std::exception_ptr& error);

/// The key of a vector, built again when its test runs; fails the test when buildKey now gives no
/// key.
std::unique_ptr<const AnyKey> runTimeKey(const AnyBlockCipher& cipher, const KnownAnswer& answer,
                                         const ByteString& key);

/// What the test of a whole-message known answer does: apply `step` to the decoded `inputField`
/// and compare with `expectedField`.
struct CipherVector {
  CipherStep step;
  ByteString key;
  ByteString iv;
  std::string_view inputField;
  std::string_view expectedField;
  /// The key and IV are the record's KEY and IV, decoded (and the IV parsed) again when the test
  /// runs, instead of `key` and `iv`: a suite of thousands of vectors holds no copies of them.
  bool fromRecord = false;
};

/// The test of `vector`, whose key and IV were read and accepted at build time. A counter-mode
/// input, padded with zeros to whole blocks, goes through the strict entry point whole and through
/// the lazy one in kVectorChunkSize-byte chunks; both outputs, cut to the input's length, must
/// equal the expected field, and both next IVs agree.
Test cipherVectorTest(const AnyBlockCipher& cipher, KnownAnswer answer, CipherVector vector);

/// The same for a record of the NIST layout: PLAINTEXT to CIPHERTEXT when `step` encrypts, the
/// other way round otherwise.
Test nistVectorTest(const AnyBlockCipher& cipher, KnownAnswer answer, const CipherStep& step,
                    std::pair<ByteString, ByteString> keyAndIV);
/// The same with the record's own KEY and IV, which keyAndIV accepted when the suite was built.
Test nistVectorTest(const AnyBlockCipher& cipher, KnownAnswer answer, const CipherStep& step);

/// The step of a NIST-layout file's operation (ECB as encryptBlock/decryptBlock on the whole
/// input); shared by the AES and Triple-DES files.
CipherStep aesStep(AESMode mode);

}  // namespace kavrit::test::detail
