#pragma once

// A vector file parsed for the suites: the same categories, head lines and records that
// parseCategories gives, held as views into the file's text instead of a string per field. A
// suite's tests keep the file alive and decode their fields when they run, so a file costs its
// text and one small entry per field.

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kavrit::test::detail {

/// One "name = value" pair of the file, as parseCategories reads it; `line` counts from 1.
struct FieldView {
  std::string_view name;
  std::string_view value;
  int line = 0;
};

/// Value of the first field named exactly `name`, or nullptr.
const std::string_view* lookupField(std::span<const FieldView> fields, std::string_view name);

class ParsedFile {
 public:
  /// Parses `text` under `recordKey`. Not copyable or movable: the fields point into the text.
  ParsedFile(std::string path, std::string name, std::string text, std::string_view recordKey);
  ParsedFile(const ParsedFile&) = delete;
  ParsedFile& operator=(const ParsedFile&) = delete;

  /// Directory and entry name joined with '/'.
  std::string path;
  /// The entry name (last path component, with its extension).
  std::string name;

  [[nodiscard]] std::size_t categoryCount() const noexcept { return categories_.size(); }
  [[nodiscard]] std::span<const FieldView> heads(std::size_t category) const;
  [[nodiscard]] std::size_t recordCount(std::size_t category) const;
  /// Record `index` of `category` (both counted from 0).
  [[nodiscard]] std::span<const FieldView> record(std::size_t category, std::size_t index) const;

 private:
  struct Span {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
  };
  struct Category {
    Span heads;
    Span records;
  };

  std::string_view own(std::string text);

  std::string text_;
  // Names and values that are not one run of the text (white space inside, a head line's
  // brackets); a deque keeps their addresses as it grows.
  std::deque<std::string> owned_;
  std::vector<FieldView> fields_;
  std::vector<Span> records_;
  std::vector<Category> categories_;
};

}  // namespace kavrit::test::detail
