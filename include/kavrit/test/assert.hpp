#pragma once

/// @file
/// The equality assertion of unit cases, and the text forms that failure reports use.

#include <concepts>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "kavrit/byte_string.hpp"
#include "kavrit/hash.hpp"

namespace kavrit::test {

/// Thrown by a failed assertion; its text carries the prefix and both values.
class AssertionFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// A byte string as a C++ string literal: printable ASCII as it is, everything else escaped.
std::string quoteBytes(const ByteString& bytes);
/// A lazy byte string as its quoted chunks, e.g. {"ab", "\x00"}.
std::string quoteLazyBytes(const LazyByteString& bytes);
/// Text as a double-quoted, escaped string literal.
std::string quoteText(std::string_view text);

/// The text of a value in a failure report: byte strings in hex, digests by `digestText`, pairs
/// as (a, b), text quoted, anything else through its `operator<<`.
template <class T>
std::string showValue(const T& value) {
  if constexpr (std::same_as<T, ByteString>) {
    return toHex(value);
  } else if constexpr (std::same_as<T, LazyByteString>) {
    return toHex(value.flatten());
  } else if constexpr (std::same_as<T, std::string>) {
    return quoteText(value);
  } else if constexpr (requires {
                         value.first;
                         value.second;
                       }) {
    // Appended piece by piece: "(" + std::string makes GCC 12 warn (-Wrestrict) at -O3.
    std::string out = "(";
    out += showValue(value.first);
    out += ", ";
    out += showValue(value.second);
    return out += ")";
  } else if constexpr (Hash<T>) {
    return digestText(value);
  } else {
    std::ostringstream os;
    os << value;
    return os.str();
  }
}

/// Where two values first differ, for byte strings and pairs of them: a line such as
/// "first difference: byte 3 (0x1f vs 0x2f)", or nothing.
template <class T>
std::optional<std::string> describeDifference(const T& a, const T& b) {
  if constexpr (std::same_as<T, ByteString>) {
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    std::ostringstream os;
    if (i < a.size() && i < b.size()) {
      os << "first difference at byte " << i << ": " << toHex({a[i]}) << " vs " << toHex({b[i]});
    } else {
      os << "equal for " << i << " bytes, then lengths differ: " << a.size() << " vs " << b.size();
    }
    return os.str();
  } else if constexpr (requires {
                         a.first;
                         a.second;
                       }) {
    if (!(a.first == b.first)) return describeDifference(a.first, b.first);
    auto second = describeDifference(a.second, b.second);
    if (second) return "second value: " + *second;
    return std::nullopt;
  } else if constexpr (requires {
                         { a.serialize() } -> std::same_as<ByteString>;
                       }) {
    // Digests, of a digest type or erased (kavrit::test::Digest): where their bytes differ.
    return describeDifference(a.serialize(), b.serialize());
  } else {
    return std::nullopt;
  }
}

/// How a report names the two values of an assertion.
struct ValueLabels {
  std::string_view expected = "expected";
  std::string_view actual = "but got";
};

/// Builds the text of a failed assertion.
std::string mismatchReport(std::string_view prefix, const std::string& expected,
                           const std::string& actual, const std::optional<std::string>& difference,
                           ValueLabels labels);

/// Passes when `expected == actual`; otherwise throws AssertionFailure with the prefix and both
/// values.
template <class T>
void assertEqual(std::string_view prefix, const T& expected, const T& actual,
                 ValueLabels labels = {}) {
  if (expected == actual) return;
  throw AssertionFailure(mismatchReport(prefix, showValue(expected), showValue(actual),
                                        describeDifference(expected, actual), labels));
}

}  // namespace kavrit::test
