#pragma once

// Small rules the construction families (CMAC, key wrap, GCM, CCM) share for their file names and
// records.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "vectors/known_answer.hpp"

namespace kavrit::test::detail {

/// Removes `prefix` from the front of `text` when it is there.
bool consumePrefix(std::string_view& text, std::string_view prefix);

/// The key length in bits that `rest` starts with (one to four digits) when `extension` follows
/// it and nothing else: "128.rsp" with ".rsp" gives 128.
std::optional<long> keyBitsBefore(std::string_view rest, std::string_view extension);

/// "<file name>-<head>-<head>-...-<count>", a head line the category lacks written "?".
std::string nameWithHeads(const RecordRef& record, std::span<const std::string_view> heads,
                          std::string_view countField);

/// Fails the vector unless it holds exactly one of `answerField` and the flag line FAIL, and FAIL
/// only where `refusals` allows it; `misplacedFail` is the report for a FAIL elsewhere.
void requireAnswerOrFail(const KnownAnswer& vector, std::string_view answerField, bool refusals,
                         std::string_view misplacedFail);

}  // namespace kavrit::test::detail
