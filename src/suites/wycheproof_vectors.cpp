#include "suites/wycheproof_vectors.hpp"

#include <atomic>
#include <exception>
#include <stdexcept>
#include <string>
#include <utility>

#include "kavrit/test/assert.hpp"
#include "kavrit/test/hex.hpp"
#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_files.hpp"
#include "kavrit/test/wycheproof.hpp"

namespace kavrit::test {
namespace {

std::atomic<std::size_t> acceptedCount{0};
std::atomic<std::size_t> refusedCount{0};

std::string_view resultText(detail::WycheproofResult result) {
  switch (result) {
    case detail::WycheproofResult::Valid:
      return "valid";
    case detail::WycheproofResult::Invalid:
      return "invalid";
    case detail::WycheproofResult::Acceptable:
      return "acceptable";
  }
  return "?";
}

}  // namespace

WycheproofTally wycheproofAcceptableTally() {
  return WycheproofTally{acceptedCount.load(), refusedCount.load()};
}

namespace detail {

WycheproofVector::WycheproofVector(std::shared_ptr<const WycheproofFile> file, std::size_t group,
                                   std::size_t test)
    : file_(std::move(file)), group_(group), test_(test) {}

std::string WycheproofVector::name() const {
  std::string name = file_->name + "-tc" + std::to_string(test().tcId);
  for (const std::string& flag : test().flags) name += "-" + flag;
  return name;
}

SourceLocation WycheproofVector::location() const {
  return SourceLocation{file_->path, test().line == 0 ? 1 : test().line};
}

const ByteString& WycheproofVector::bytes(std::string_view field) const {
  if (const ByteString* value = test().field(field)) return *value;
  throw std::logic_error(name() + ": the suite reads a field \"" + std::string(field) +
                         "\" that the file's schema does not have");
}

std::uint64_t WycheproofVector::number(std::string_view field) const {
  if (const std::optional<std::uint64_t> value = test().number(field)) return *value;
  throw std::logic_error(name() + ": the suite reads a field \"" + std::string(field) +
                         "\" that the file's schema does not have");
}

std::uint64_t WycheproofVector::parameter(std::string_view name, std::uint64_t fallback) const {
  return group().parameter(name).value_or(fallback);
}

std::string WycheproofVector::report() const {
  const WycheproofCase& t = test();
  const SourceLocation at = location();
  std::string out = "  vector: " + at.file + ":" + std::to_string(at.line) + ", tcId " +
                    std::to_string(t.tcId) + ", result " + std::string(resultText(t.result));
  if (!t.comment.empty()) out += "\n  comment: " + quoteText(t.comment);
  if (!group().parameters.empty()) {
    out += "\n  group:";
    for (const auto& [parameter, value] : group().parameters) {
      out += " " + parameter + " = " + std::to_string(value);
    }
  }
  for (const auto& [field, value] : t.bytes) {
    out += "\n  " + field + " = " + (value.empty() ? "(empty)" : toHex(value));
  }
  for (const auto& [field, value] : t.numbers)
    out += "\n  " + field + " = " + std::to_string(value);
  for (const std::string& flag : t.flags) {
    const auto found = file_->notes.find(flag);
    if (found == file_->notes.end()) continue;
    const WycheproofNote& note = found->second;
    out += "\n  flag " + flag + " (" + note.bugType + "): " + note.description;
    if (!note.effect.empty()) out += "\n    effect: " + note.effect;
    if (!note.cves.empty()) {
      out += "\n    CVEs:";
      for (const std::string& cve : note.cves) out += " " + cve;
    }
  }
  return out;
}

void WycheproofVector::fail(std::string_view what) const {
  throw AssertionFailure(name() + ": " + std::string(what) + "\n" + report());
}

namespace {

// What an attempt gave: its output, or the refusal and how it was made.
struct Outcome {
  std::optional<ByteString> output;
  std::string refusal;
};

Outcome attempt(const WycheproofVector& vector, const WycheproofAttempt& attempt) {
  try {
    std::optional<ByteString> output = attempt.run();
    if (output) return Outcome{std::move(output), {}};
    return Outcome{std::nullopt, attempt.entry + " refused it"};
  } catch (const std::invalid_argument& error) {
    return Outcome{std::nullopt, attempt.entry + " rejected it (" + error.what() + ")"};
  } catch (const AssertionFailure&) {
    throw;
  } catch (const std::exception& error) {
    vector.fail(attempt.entry + " threw " + error.what() +
                "; a refusal is an empty result or std::invalid_argument");
  }
}

// An output in a report; a forged input's "plaintext" can be long, and its first bytes tell enough.
std::string gave(const ByteString& output) {
  constexpr std::size_t kShown = 64;
  std::string text = std::to_string(output.size()) + " bytes";
  if (output.empty()) return text;
  if (output.size() <= kShown) return text + ": " + toHex(output);
  return text + ", starting " + toHex(ByteString(output.begin(), output.begin() + kShown)) + "...";
}

// Fails the test in requireExpected's form for an outcome that is not a value: `expected` ("must
// be refused") above what the entry point did.
[[noreturn]] void failOutcome(const WycheproofVector& vector, const std::string& what,
                              const std::string& expected, const std::string& computed) {
  throw AssertionFailure(mismatchReport(vector.name() + ": " + what, expected, computed,
                                        std::nullopt, ValueLabels{"expected", "computed"}) +
                         "\n" + vector.report());
}

void noteAcceptable(const WycheproofVector& vector, bool accepted, const std::string& how) {
  (accepted ? acceptedCount : refusedCount).fetch_add(1);
  recordNote(vector.name() + ": acceptable input " + (accepted ? "accepted" : "refused") + " (" +
             how + ")");
}

void requireExpected(const WycheproofVector& vector, const WycheproofAttempt& attempt,
                     const ByteString& output) {
  if (output == attempt.expected) return;
  const std::string prefix =
      vector.name() + ": " + attempt.entry + " gave another value than " + attempt.expectedName;
  try {
    assertEqual(prefix, attempt.expected, output, ValueLabels{"expected", "computed"});
  } catch (const AssertionFailure& failure) {
    throw AssertionFailure(std::string(failure.what()) + "\n" + vector.report());
  }
}

}  // namespace

void checkWycheproofAttempts(const WycheproofVector& vector,
                             std::span<const WycheproofAttempt> attempts) {
  const WycheproofResult result = vector.test().result;
  std::string accepted;
  std::string refused;
  for (const WycheproofAttempt& one : attempts) {
    const Outcome outcome = attempt(vector, one);
    switch (result) {
      case WycheproofResult::Valid:
        if (!outcome.output) {
          failOutcome(vector, outcome.refusal + ", which must be accepted",
                      gave(one.expected) + " (" + one.expectedName + ")", "refused");
        }
        requireExpected(vector, one, *outcome.output);
        break;
      case WycheproofResult::Invalid:
        if (!outcome.output) break;
        if (one.kind == WycheproofAttempt::Kind::Derives) {
          failOutcome(vector,
                      one.entry + " derived " + std::to_string(outcome.output->size()) +
                          " bytes, for parameters that must be refused",
                      "must be refused", gave(*outcome.output));
        }
        if (one.kind == WycheproofAttempt::Kind::Opens) {
          failOutcome(vector, one.entry + " accepted an input that must be refused",
                      "must be refused", gave(*outcome.output));
        }
        if (*outcome.output == one.expected) {
          vector.fail(one.entry + " gave " + one.expectedName +
                      " of the vector, an output that must not be produced for these inputs");
        }
        break;
      case WycheproofResult::Acceptable:
        if (!outcome.output) {
          refused += (refused.empty() ? "" : "; ") + outcome.refusal;
          break;
        }
        requireExpected(vector, one, *outcome.output);
        accepted += (accepted.empty() ? "" : ", ") + one.entry;
        break;
    }
  }
  if (result == WycheproofResult::Acceptable) {
    noteAcceptable(
        vector, !accepted.empty(),
        accepted.empty() ? refused : "by " + accepted + (refused.empty() ? "" : "; " + refused));
  }
}

void checkWycheproofRefusedEarly(const WycheproofVector& vector, const std::string& who) {
  switch (vector.test().result) {
    case WycheproofResult::Valid:
      vector.fail(who + ", which must be accepted");
    case WycheproofResult::Invalid:
      return;
    case WycheproofResult::Acceptable:
      noteAcceptable(vector, false, who);
      return;
  }
}

std::unique_ptr<const AnyKey> wycheproofKey(const AnyBlockCipher& cipher, const ByteString& key) {
  try {
    return cipher.buildKey(key);
  } catch (const std::invalid_argument&) {
    return nullptr;
  }
}

std::vector<Test> wycheproofTests(const std::shared_ptr<const WycheproofFile>& file,
                                  const std::function<bool(const WycheproofGroup&)>& takesGroup,
                                  WycheproofBody body) {
  // One copy of the body for all of the file's tests.
  const auto shared = std::make_shared<const WycheproofBody>(std::move(body));
  std::vector<Test> tests;
  for (std::size_t g = 0; g < file->groups.size(); ++g) {
    if (!takesGroup(file->groups[g])) continue;
    for (std::size_t t = 0; t < file->groups[g].tests.size(); ++t) {
      WycheproofVector vector(file, g, t);
      std::string name = vector.name();
      SourceLocation location = vector.location();
      tests.push_back(testCase(
          std::move(name), [vector = std::move(vector), shared] { (*shared)(vector); },
          std::move(location)));
    }
  }
  return tests;
}

std::shared_ptr<const WycheproofFile> libraryWycheproofFile(std::string_view name) {
  return loadWycheproofFile(getDataFileName("Test/WYCHEPROOF/" + std::string(name)));
}

void requireWycheproofSchema(const WycheproofFile& file, std::string_view schema) {
  if (file.schema == schema) return;
  throw std::invalid_argument(file.path + ": schema \"" + file.schema + "\" where \"" +
                              std::string(schema) + "\" belongs");
}

ByteString wycheproofTag(ByteString mac, std::uint64_t bits) {
  if (bits / 8 < mac.size()) mac.resize(static_cast<std::size_t>(bits / 8));
  return mac;
}

LazyByteString wycheproofChunks(const ByteString& bytes) {
  return chunked(bytes, kVectorChunkSize);
}

}  // namespace detail
}  // namespace kavrit::test
