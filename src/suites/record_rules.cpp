#include "suites/record_rules.hpp"

#include <cctype>

namespace kavrit::test::detail {

bool consumePrefix(std::string_view& text, std::string_view prefix) {
  if (!text.starts_with(prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

std::optional<long> keyBitsBefore(std::string_view rest, std::string_view extension) {
  std::size_t digits = 0;
  while (digits < rest.size() && std::isdigit(static_cast<unsigned char>(rest[digits]))) ++digits;
  if (digits == 0 || digits > 4 || rest.substr(digits) != extension) return std::nullopt;
  return std::stol(std::string(rest.substr(0, digits)));
}

std::string nameWithHeads(const RecordRef& record, std::span<const std::string_view> heads,
                          std::string_view countField) {
  std::string name = record.file->name;
  for (const std::string_view head : heads) {
    const detail::FieldText value = record.head(head);
    name += "-";
    name += value ? *value : "?";
  }
  const detail::FieldText count = record.field(countField);
  name += "-";
  name += count ? *count : "?";
  return name;
}

void requireAnswerOrFail(const KnownAnswer& vector, std::string_view answerField, bool refusals,
                         std::string_view misplacedFail) {
  const bool hasAnswer = vector.ref().field(answerField) != nullptr;
  const bool hasFail = vector.ref().field("FAIL") != nullptr;
  if (hasAnswer == hasFail) {
    vector.fail("the record holds " +
                (hasAnswer ? "both " + std::string(answerField) + " and FAIL"
                           : "neither " + std::string(answerField) + " nor FAIL") +
                "; it needs exactly one of them");
  }
  if (!refusals && hasFail) vector.fail(misplacedFail);
}

}  // namespace kavrit::test::detail
