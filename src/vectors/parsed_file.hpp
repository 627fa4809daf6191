#pragma once

// A vector file parsed for the suites: the same categories, head lines and records that
// parseCategories gives, held as offsets into the file's text instead of a string per field. A
// suite's tests keep the file alive and decode their fields when they run, so a file costs its
// text and 20 bytes per field.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavrit::test::detail {

/// One "name = value" pair of the file, as parseCategories reads it; `line` counts from 1.
struct FieldView {
  std::string_view name;
  std::string_view value;
  int line = 0;
};

/// A field's value, or nothing: what a lookup by name gives.
class FieldText {
 public:
  FieldText() = default;
  explicit FieldText(std::string_view value) : value_(value), present_(true) {}

  explicit operator bool() const noexcept { return present_; }
  std::string_view operator*() const noexcept { return value_; }
  const std::string_view* operator->() const noexcept { return &value_; }
  /// `text == nullptr`: whether the field is absent.
  friend bool operator==(const FieldText& text, std::nullptr_t) noexcept { return !text.present_; }

 private:
  std::string_view value_;
  bool present_ = false;
};

class ParsedFile;

/// The fields of one record, or the head lines of one category, in file order.
class FieldList {
 public:
  class iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = FieldView;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = FieldView;

    iterator() = default;
    iterator(const FieldList* list, std::size_t at) : list_(list), at_(at) {}
    FieldView operator*() const { return (*list_)[at_]; }
    iterator& operator++() {
      ++at_;
      return *this;
    }
    iterator operator++(int) {
      iterator before = *this;
      ++at_;
      return before;
    }
    bool operator==(const iterator& other) const { return at_ == other.at_; }

   private:
    const FieldList* list_ = nullptr;
    std::size_t at_ = 0;
  };

  FieldList(const ParsedFile& file, std::uint32_t first, std::uint32_t count)
      : file_(&file), first_(first), count_(count) {}

  [[nodiscard]] std::size_t size() const noexcept { return count_; }
  [[nodiscard]] bool empty() const noexcept { return count_ == 0; }
  [[nodiscard]] FieldView operator[](std::size_t at) const;
  [[nodiscard]] FieldView front() const { return (*this)[0]; }
  [[nodiscard]] iterator begin() const { return {this, 0}; }
  [[nodiscard]] iterator end() const { return {this, count_}; }

 private:
  const ParsedFile* file_;
  std::uint32_t first_;
  std::uint32_t count_;
};

/// Value of the first field named exactly `name`, or nothing.
FieldText lookupField(const FieldList& fields, std::string_view name);

class ParsedFile {
 public:
  /// Parses `text` under `recordKey`. Throws std::length_error for a text of 2 GiB or more.
  ParsedFile(std::string path, std::string name, std::string text, std::string_view recordKey);
  ParsedFile(const ParsedFile&) = delete;
  ParsedFile& operator=(const ParsedFile&) = delete;

  /// Directory and entry name joined with '/'.
  std::string path;
  /// The entry name (last path component, with its extension).
  std::string name;

  [[nodiscard]] std::size_t categoryCount() const noexcept { return categories_.size(); }
  [[nodiscard]] FieldList heads(std::size_t category) const;
  [[nodiscard]] std::size_t recordCount(std::size_t category) const;
  /// Record `index` of `category` (both counted from 0).
  [[nodiscard]] FieldList record(std::size_t category, std::size_t index) const;

 private:
  friend class FieldList;

  // Where a name or a value is: an offset and a length into the text, or into `owned_` when the
  // top bit of the length is set (names and values that are not one run of the text).
  struct Entry {
    std::uint32_t nameAt;
    std::uint32_t nameLength;
    std::uint32_t valueAt;
    std::uint32_t valueLength;
    std::int32_t line;
  };
  struct Span {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
  };
  struct Category {
    Span heads;
    Span records;
  };

  void add(std::pair<std::uint32_t, std::uint32_t> fieldName,
           std::pair<std::uint32_t, std::uint32_t> value, int line);
  // The offset and length of `part`, a view into the text or a copy into `owned_`.
  std::pair<std::uint32_t, std::uint32_t> place(std::string_view part, bool copy);
  [[nodiscard]] std::string_view at(std::uint32_t offset, std::uint32_t length) const;
  [[nodiscard]] FieldView field(std::uint32_t index) const;

  std::string text_;
  std::string owned_;
  std::vector<Entry> fields_;
  std::vector<Span> records_;
  std::vector<Category> categories_;
};

}  // namespace kavrit::test::detail
