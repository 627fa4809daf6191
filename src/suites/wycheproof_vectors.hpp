#pragma once

// What every Wycheproof family shares: a test of a loaded file as its unit case sees it, the
// report that explains a failure with the flags' bug types, and the rule that turns a test's
// result (valid, invalid, acceptable) into what the implementation must do.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kavrit/byte_string.hpp"
#include "kavrit/test/any_block_cipher.hpp"
#include "kavrit/test/test_tree.hpp"
#include "vectors/wycheproof_file.hpp"

namespace kavrit::test::detail {

/// One test of a loaded file.
class WycheproofVector {
 public:
  WycheproofVector(std::shared_ptr<const WycheproofFile> file, std::size_t group, std::size_t test);

  [[nodiscard]] const WycheproofFile& file() const noexcept { return *file_; }
  [[nodiscard]] const WycheproofGroup& group() const { return file_->groups[group_]; }
  [[nodiscard]] const WycheproofCase& test() const { return group().tests[test_]; }

  /// "<file>-tc<tcId>", then "-<flag>" for each flag.
  [[nodiscard]] std::string name() const;
  [[nodiscard]] SourceLocation location() const;

  /// A byte field of the test; the schema guarantees the suites' fields, so a missing one is the
  /// library's fault (std::logic_error).
  [[nodiscard]] const ByteString& bytes(std::string_view field) const;
  [[nodiscard]] std::uint64_t number(std::string_view field) const;
  /// A group parameter in bits (`tagSize`, ...), or `fallback` where the group has none.
  [[nodiscard]] std::uint64_t parameter(std::string_view name, std::uint64_t fallback) const;

  /// The file and line, the tcId, result and comment, the group's parameters, every input in hex
  /// and, for each flag, its bug type, description, effect and CVEs.
  [[nodiscard]] std::string report() const;
  /// Fails the test: AssertionFailure with "<name>: <what>" and the report.
  [[noreturn]] void fail(std::string_view what) const;

 private:
  std::shared_ptr<const WycheproofFile> file_;
  std::size_t group_;
  std::size_t test_;
};

/// One entry point tried on a vector. `run` gives the output, or nothing when the entry point
/// refuses; a std::invalid_argument it throws is a refusal as well (a parameter the construction
/// rejects), any other exception fails the test with its text.
struct WycheproofAttempt {
  enum class Kind {
    /// Encryption, wrapping, a MAC: for an invalid test, it must not give the expected output.
    Produces,
    /// Decryption, unwrapping, verification: for an invalid test, it must refuse.
    Opens,
    /// A key derivation: for an invalid test (a length out of range), it must refuse.
    Derives,
  };
  Kind kind = Kind::Produces;
  /// The entry point, as reports name it ("gcmDecryptLazy").
  std::string entry;
  std::function<std::optional<ByteString>()> run;
  ByteString expected;
  /// What `expected` is, for reports ("the ct followed by the tag").
  std::string expectedName;
};

/// Applies the test's result to the attempts. valid: every attempt gives exactly its expected
/// output. invalid: a Produces attempt may give anything but the expected output or refuse; Opens
/// and Derives attempts must refuse. acceptable: an attempt may refuse, but what it gives must be
/// the expected output; which way the implementation went is recorded as a note and counted.
void checkWycheproofAttempts(const WycheproofVector& vector,
                             std::span<const WycheproofAttempt> attempts);

/// The same when the input was refused before any entry point ran: `who` refused it
/// ("buildKey refused the 8-byte key").
void checkWycheproofRefusedEarly(const WycheproofVector& vector, const std::string& who);

/// `key` built by `cipher`; nothing when buildKey gives no key or throws std::invalid_argument
/// (both are refusals).
std::unique_ptr<const AnyKey> wycheproofKey(const AnyBlockCipher& cipher, const ByteString& key);

/// One unit case per test of `file` in the groups `takesGroup` accepts, in file order, running
/// `body` on it.
using WycheproofBody = std::function<void(const WycheproofVector&)>;
std::vector<Test> wycheproofTests(const std::shared_ptr<const WycheproofFile>& file,
                                  const std::function<bool(const WycheproofGroup&)>& takesGroup,
                                  WycheproofBody body);

/// The file `name` of the library's Wycheproof folder, loaded; throws naming the path when it
/// cannot be read or parsed.
std::shared_ptr<const WycheproofFile> libraryWycheproofFile(std::string_view name);

/// Refuses (std::invalid_argument naming the file and both schemas) a file whose schema is not
/// `schema`.
void requireWycheproofSchema(const WycheproofFile& file, std::string_view schema);

/// A MAC cut to the group's `tagSize` bits (Wycheproof's truncated tags).
ByteString wycheproofTag(ByteString mac, std::uint64_t bits);

/// Splits `bytes` into kVectorChunkSize-byte chunks for the lazy entry points.
LazyByteString wycheproofChunks(const ByteString& bytes);

}  // namespace kavrit::test::detail
