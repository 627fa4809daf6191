#include "kavrit/test/key_wrap.hpp"

#include <cctype>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "kavrit/test/paths.hpp"
#include "kavrit/test/vector_directories.hpp"
#include "suites/cipher_vectors.hpp"
#include "suites/file_rules.hpp"
#include "suites/record_rules.hpp"
#include "vectors/known_answer.hpp"

namespace kavrit::test {
namespace {

// The entry point a case calls, for reports.
std::string operationName(const KeyWrapFile& rule, bool unwrap) {
  std::string name = unwrap ? "keyUnwrap" : "keyWrap";
  if (rule.kind == KeyWrapKind::KWP) name += "Pad";
  if (rule.inverse) name += " (kavrit's, over the inverse cipher)";
  return name;
}

ByteString wrapWith(const AnyKey& key, const KeyWrapFile& rule, std::size_t blockBytes,
                    const ByteString& plaintext) {
  if (rule.inverse) return detail::genericKeyWrap(key, rule.kind, blockBytes, plaintext, true);
  return key.keyWrap(rule.kind, plaintext);
}

std::optional<ByteString> unwrapWith(const AnyKey& key, const KeyWrapFile& rule,
                                     std::size_t blockBytes, const ByteString& wrapped) {
  if (rule.inverse) return detail::genericKeyUnwrap(key, rule.kind, blockBytes, wrapped, true);
  return key.keyUnwrap(rule.kind, wrapped);
}

void checkUnwrap(const detail::KnownAnswer& vector, const AnyKey& key, const KeyWrapFile& rule,
                 std::size_t blockBytes) {
  const std::optional<ByteString> unwrapped = unwrapWith(key, rule, blockBytes, vector.bytes("C"));
  const std::string operation = operationName(rule, true);
  if (vector.ref().field("FAIL") != nullptr) {
    vector.checkRefused(operation + " accepted C, which the record marks FAIL", unwrapped);
    return;
  }
  const ByteString expected = vector.bytes("P");
  vector.checkOpened(operation + " refused C, which unwraps to P", unwrapped, expected);
  vector.check(operation + " of C differs from P", *unwrapped, expected);
}

}  // namespace

std::optional<KeyWrapFile> keyWrapFileOf(std::string_view name) {
  KeyWrapFile rule;
  if (detail::consumePrefix(name, "KWP_")) {
    rule.kind = KeyWrapKind::KWP;
  } else if (!detail::consumePrefix(name, "KW_")) {
    return std::nullopt;
  }
  if (detail::consumePrefix(name, "AD_")) {
    rule.unwraps = true;
  } else if (!detail::consumePrefix(name, "AE_")) {
    return std::nullopt;
  }
  std::size_t digits = 0;
  while (digits < name.size() && std::isdigit(static_cast<unsigned char>(name[digits]))) ++digits;
  if (digits == 0) return std::nullopt;
  name.remove_prefix(digits);
  rule.inverse = detail::consumePrefix(name, "_inv");
  if (name != ".txt") return std::nullopt;
  return rule;
}

std::vector<Test> makeKeyWrapTests(const AnyBlockCipher& cipher) {
  static constexpr std::string_view kRequired[] = {"COUNT", "K", "C"};
  static constexpr std::string_view kHeads[] = {"PLAINTEXT LENGTH"};
  const VectorDirectory& directory = vectorDirectory("Test/KAT_KEYWRAP");
  detail::BuildTimeChecks checks(cipher);
  return detail::buildVectorTests(detail::VectorSuite<KeyWrapFile>{
      .directory = getDataFileName(std::string(directory.name)),
      .recordKey = directory.recordKey,
      .listed = {},
      .fileRule = [](const detail::ParsedFile& file) { return keyWrapFileOf(file.name); },
      .required = [](const KeyWrapFile&) -> std::span<const std::string_view> { return kRequired; },
      .addTests =
          [&](const KeyWrapFile& rule, const detail::RecordRef& record, std::vector<Test>& out) {
            const detail::FieldText length = record.head("PLAINTEXT LENGTH");
            detail::KnownAnswer answer(record, record.file->name + "-" +
                                                   std::string(length ? *length : "?") + "-" +
                                                   std::string(*record.field("COUNT")));
            answer.showHeads(kHeads);
            if (!checks.keyFieldAccepted(answer, "K", out)) return;
            out.push_back(detail::knownAnswerTest(
                std::move(answer), [&cipher, rule](const detail::KnownAnswer& vector) {
                  detail::requireAnswerOrFail(
                      vector, "P", rule.unwraps,
                      "a wrapping record marked FAIL; only unwrapping records can be");
                  const std::unique_ptr<const AnyKey> built =
                      detail::runTimeKey(cipher, vector, vector.bytes("K"));
                  const std::size_t blockBytes = cipher.blockBytes();
                  if (!rule.unwraps) {
                    vector.check(operationName(rule, false) + " of P differs from C",
                                 wrapWith(*built, rule, blockBytes, vector.bytes("P")),
                                 vector.bytes("C"));
                  }
                  checkUnwrap(vector, *built, rule, blockBytes);
                }));
          },
  });
}

}  // namespace kavrit::test
