#pragma once

/// @file
/// The parser of NIST known-answer text files: categories, head properties and records.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavrit::test {

/// One "name = value" pair, from either a bracketed head line ("[L = 20]") or a
/// body line ("KEY = 0a1b"). It decomposes into that pair: `const auto& [name, value] = field;`
/// (the line stays reachable as `field.line`).
struct KatField {
  std::string name;
  std::string value;
  /// The line of the text the field stands on, from 1 (parseCategories counts every line of the
  /// text, dropped ones included); for getCategories the position in its list of lines, from 1.
  /// Not part of equality: two fields are equal when their names and values are.
  int line = 0;

  friend bool operator==(const KatField& a, const KatField& b) {
    return a.name == b.name && a.value == b.value;
  }
};

/// The name (I = 0) or the value (I = 1) of a field, for structured bindings.
template <std::size_t I>
requires(I < 2) constexpr std::string& get(KatField& field) noexcept {
  if constexpr (I == 0) {
    return field.name;
  } else {
    return field.value;
  }
}

template <std::size_t I>
requires(I < 2) constexpr const std::string& get(const KatField& field) noexcept {
  if constexpr (I == 0) {
    return field.name;
  } else {
    return field.value;
  }
}

template <std::size_t I>
requires(I < 2) constexpr std::string&& get(KatField&& field) noexcept {
  return std::move(get<I>(field));
}

template <std::size_t I>
requires(I < 2) constexpr const std::string&& get(const KatField&& field) noexcept {
  return std::move(get<I>(field));
}

using KatRecord = std::vector<KatField>;

/// A section of a NIST known-answer file: the bracketed head lines that open it
/// and the records listed under them.
struct KatCategory {
  std::vector<KatField> properties;
  std::vector<KatRecord> records;

  bool operator==(const KatCategory&) const = default;
};

/// Parses the contents of a NIST .rsp/.txt vector file.
///
/// The text is cut into lines at '\n'. Lines with '#' in the first column and
/// lines holding only white space are dropped, and every '\r' is removed from
/// the rest. The remaining lines go through getCategories.
///
/// Text is read as UTF-8 for white-space purposes; bytes that are not valid
/// UTF-8 are never white space and come through unchanged. Never throws
/// (other than std::bad_alloc).
std::vector<KatCategory> parseCategories(std::string_view recordKey, std::string_view text);

/// Groups already cleaned lines into categories. A line starting with '[' is a
/// head line; a run of head lines opens a category and the following non-head
/// lines form its body. In the body, a field named exactly `recordKey` starts a
/// new record, later fields join it, and fields before the first such field are
/// ignored.
///
/// Head lines lose every '[' and ']', split at the first '=' and have the name
/// and value trimmed of white space. Body lines lose all white space and split
/// at the first '='. Without '=' the whole line is the name and the value is
/// empty. A value whose first character is '"' is quoted text, as BoringSSL's
/// files write it (`IN= "Ladies and Gentlemen"`): it keeps its spaces (U+0020)
/// up to its last character that is not white space, and loses its other white
/// space; the quotes stay in the value. Never throws (other than std::bad_alloc).
std::vector<KatCategory> getCategories(std::string_view recordKey,
                                       const std::vector<std::string>& lines);

/// Value of the first field whose name is exactly `name`, or nullptr.
const std::string* lookupField(const std::vector<KatField>& fields, std::string_view name);

/// The same on fields the caller owns, so that it can move the value out.
std::string* lookupField(std::vector<KatField>& fields, std::string_view name);

}  // namespace kavrit::test

/// To structured bindings a KatField is a pair of strings, its name and its value.
namespace std {

template <>
struct tuple_size<kavrit::test::KatField> : integral_constant<size_t, 2> {};

template <size_t I>
struct tuple_element<I, kavrit::test::KatField> {
  static_assert(I < 2, "a KatField has two elements, its name and its value");
  using type = string;
};

}  // namespace std
