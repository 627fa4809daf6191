#include "kavrit/test/parse_nist_kats.hpp"

#include <stdexcept>

#include <array>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vectors/parsed_file.hpp"

namespace kavrit::test {
namespace {

// The parser works on the bytes of the text, but decides white space character by character:
// UTF-8 sequences are decoded where they stand in the original line, and a byte that is not part
// of a well-formed sequence is a character of its own that is never white space. Removing
// characters ('\r', brackets, white space) therefore never glues stray bytes into a new character,
// and whatever is kept is copied byte for byte.

bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at the front of `bytes`, or 0. Overlong forms,
// surrogates and values past U+10FFFF are refused.
std::size_t sequenceLength(const unsigned char* bytes, std::size_t avail) {
  const unsigned char lead = bytes[0];
  if (lead < 0x80) return 1;
  std::size_t need = 0;
  unsigned char lo = 0x80;
  unsigned char hi = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 3;
    if (lead == 0xE0) lo = 0xA0;
    if (lead == 0xED) hi = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 4;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (avail < need) return 0;
  if (bytes[1] < lo || bytes[1] > hi) return 0;
  for (std::size_t k = 2; k < need; ++k) {
    if (!isContinuation(bytes[k])) return 0;
  }
  return need;
}

// The Unicode White_Space property of a code point.
bool isWhiteSpaceCodePoint(char32_t c) {
  if (c <= 0x20) return c == 0x20 || (c >= 0x09 && c <= 0x0D);
  if (c < 0x85) return false;
  if (c <= 0xA0) return c == 0x85 || c == 0xA0;
  if (c < 0x1680) return false;
  if (c == 0x1680) return true;
  if (c >= 0x2000 && c <= 0x200A) return true;
  return c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

constexpr std::array<bool, 128> kAsciiWhiteSpace = [] {
  std::array<bool, 128> table{};
  for (const char c : {' ', '\t', '\n', '\v', '\f', '\r'})
    table[static_cast<unsigned char>(c)] = true;
  return table;
}();

// Bytes that end a run of plain characters in a body line: white space, '=' and every byte of a
// multi-byte or stray character.
constexpr std::array<bool, 256> kBodyRunStop = [] {
  std::array<bool, 256> table{};
  for (std::size_t b = 0; b < 256; ++b) table[b] = b >= 0x80 || (b < 0x80 && kAsciiWhiteSpace[b]);
  table['='] = true;
  return table;
}();

// One character of a line: its bytes and whether it is white space.
struct Char {
  std::size_t length;
  bool whiteSpace;
};

Char charAt(const unsigned char* p, std::size_t avail) {
  if (p[0] < 0x80) return {1, kAsciiWhiteSpace[p[0]]};
  const std::size_t n = sequenceLength(p, avail);
  if (n == 0) return {1, false};  // a stray byte
  char32_t cp = 0;
  if (n == 2) {
    cp = (char32_t{p[0]} & 0x1F) << 6 | (p[1] & 0x3F);
  } else if (n == 3) {
    cp = (char32_t{p[0]} & 0x0F) << 12 | (char32_t{p[1]} & 0x3F) << 6 | (p[2] & 0x3F);
  } else {
    cp = (char32_t{p[0]} & 0x07) << 18 | (char32_t{p[1]} & 0x3F) << 12 |
         (char32_t{p[2]} & 0x3F) << 6 | (p[3] & 0x3F);
  }
  return {n, isWhiteSpaceCodePoint(cp)};
}

// A kept line: its bytes in the input, and whether its carriage returns count as removed (the
// cleaning of parseCategories) or as characters (lines handed to getCategories).
struct Line {
  std::string_view bytes;
  bool dropCarriageReturns;
  int number;
};

// Calls f(bytes, whiteSpace) for each character of the line that cleaning keeps.
template <class F>
void forEachChar(const Line& line, F&& f) {
  const auto* p = reinterpret_cast<const unsigned char*>(line.bytes.data());
  const std::size_t size = line.bytes.size();
  for (std::size_t at = 0; at < size;) {
    const Char c = charAt(p + at, size - at);
    if (!(line.dropCarriageReturns && p[at] == '\r')) {
      f(line.bytes.substr(at, c.length), c.whiteSpace);
    }
    at += c.length;
  }
}

char firstChar(const Line& line) {
  for (const char c : line.bytes) {
    if (!(line.dropCarriageReturns && c == '\r')) return c;
  }
  return '\0';
}

bool isHeadLine(const Line& line) { return firstChar(line) == '['; }

// Body line: every white-space character removed, then split at the first '='. The '=' byte
// never occurs inside a multi-byte character, so the split can go by bytes. Runs of plain ASCII
// are copied whole; only other bytes go through the UTF-8 decoder. A value whose first character
// is '"' is quoted text (BoringSSL's `IN= "Ladies and ..."`): its spaces stay, up to the last
// character that is not white space; other white space goes as elsewhere.
KatField parseBodyLine(const Line& line) {
  KatField field;
  std::string* target = &field.name;
  bool quoted = false;
  const auto* p = reinterpret_cast<const unsigned char*>(line.bytes.data());
  const std::size_t size = line.bytes.size();
  std::size_t at = 0;
  while (at < size) {
    const std::size_t run = at;
    while (at < size && !kBodyRunStop[p[at]]) ++at;
    if (target == &field.value && field.value.empty() && at > run && p[run] == '"') quoted = true;
    target->append(line.bytes.data() + run, at - run);
    if (at == size) break;
    if (p[at] == '=') {
      if (target == &field.name) {
        target = &field.value;
      } else {
        target->push_back('=');  // later '=' characters belong to the value
      }
      ++at;
      continue;
    }
    const Char c = charAt(p + at, size - at);
    if (!c.whiteSpace || (quoted && p[at] == ' ')) target->append(line.bytes.data() + at, c.length);
    at += c.length;
  }
  if (quoted) {
    while (field.value.back() == ' ') field.value.pop_back();  // the leading '"' stays
  }
  return field;
}

// Head line: every '[' and ']' removed, split at the first '=', white space trimmed from both
// ends of each part.
KatField parseHeadLine(const Line& line) {
  struct Kept {
    std::string_view bytes;
    bool whiteSpace;
  };
  std::vector<Kept> name;
  std::vector<Kept> value;
  std::vector<Kept>* target = &name;
  forEachChar(line, [&](std::string_view bytes, bool whiteSpace) {
    if (bytes.size() == 1 && (bytes[0] == '[' || bytes[0] == ']')) return;
    if (target == &name && bytes.size() == 1 && bytes[0] == '=') {
      target = &value;
      return;
    }
    target->push_back({bytes, whiteSpace});
  });
  const auto trimmed = [](const std::vector<Kept>& chars) {
    std::size_t first = 0;
    std::size_t last = chars.size();
    while (first < last && chars[first].whiteSpace) ++first;
    while (last > first && chars[last - 1].whiteSpace) --last;
    std::string out;
    for (std::size_t i = first; i < last; ++i) out.append(chars[i].bytes);
    return out;
  };
  return KatField{trimmed(name), trimmed(value)};
}

bool isBlank(std::string_view line) {
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  for (std::size_t at = 0; at < line.size();) {
    const Char c = charAt(p + at, line.size() - at);
    if (!c.whiteSpace) return false;
    at += c.length;
  }
  return true;
}

std::vector<KatCategory> groupCategories(std::string_view recordKey,
                                         const std::vector<Line>& lines) {
  std::vector<KatCategory> categories;
  std::size_t i = 0;
  while (i < lines.size()) {
    KatCategory category;
    for (; i < lines.size() && isHeadLine(lines[i]); ++i) {
      category.properties.push_back(parseHeadLine(lines[i]));
      category.properties.back().line = lines[i].number;
    }
    for (; i < lines.size() && !isHeadLine(lines[i]); ++i) {
      KatField field = parseBodyLine(lines[i]);
      field.line = lines[i].number;
      if (field.name == recordKey) {
        category.records.emplace_back().reserve(8);  // the vector files have 3 to 6 fields
      } else if (category.records.empty()) {
        continue;  // nothing to attach to before the first record starts
      }
      category.records.back().push_back(std::move(field));
    }
    categories.push_back(std::move(category));
  }
  return categories;
}

// The lines parseCategories keeps: every line of the text, numbered from 1, except those with
// '#' in the first column and those holding only white space.
std::vector<Line> keptLines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t start = 0;
  int number = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (number < std::numeric_limits<int>::max()) ++number;
    if (!line.empty() && line.front() == '#') continue;
    if (isBlank(line)) continue;
    lines.push_back({line, true, number});
  }
  return lines;
}

// A head line "[name = value]" of plain ASCII with no other bracket, and nothing but white
// space after it: the trimmed views parseHeadLine's copies would equal. Anything else gives
// nothing, and the line is copied.
bool viewHeadLine(std::string_view line, std::string_view& name, std::string_view& value) {
  const auto isSpace = [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x80 && kAsciiWhiteSpace[b];
  };
  while (!line.empty() && isSpace(line.back())) line.remove_suffix(1);
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return false;
  std::string_view inner = line.substr(1, line.size() - 2);
  for (const char c : inner) {
    if (static_cast<unsigned char>(c) >= 0x80 || c == '[' || c == ']' || c == '\r') return false;
  }
  const auto trim = [&](std::string_view part) {
    while (!part.empty() && isSpace(part.front())) part.remove_prefix(1);
    while (!part.empty() && isSpace(part.back())) part.remove_suffix(1);
    return part;
  };
  const std::size_t eq = inner.find('=');
  name = trim(inner.substr(0, eq));
  value = eq == std::string_view::npos ? std::string_view() : trim(inner.substr(eq + 1));
  return true;
}

// A body line whose name and value are each one run of plain ASCII in the text, around a single
// '=' and white space: the views parseBodyLine's copies would equal. Anything else (white space
// inside a name or value, a second '=', other bytes) gives nothing, and the line is copied.
bool viewBodyLine(std::string_view line, std::string_view& name, std::string_view& value) {
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t size = line.size();
  std::string_view* target = &name;
  name = {};
  value = {};
  for (std::size_t at = 0; at < size;) {
    if (p[at] >= 0x80) return false;
    if (kAsciiWhiteSpace[p[at]]) {
      ++at;
      continue;
    }
    if (p[at] == '=') {
      if (target == &value) return false;
      target = &value;
      ++at;
      continue;
    }
    const std::size_t run = at;
    while (at < size && !kBodyRunStop[p[at]]) ++at;
    if (!target->empty()) return false;
    *target = line.substr(run, at - run);
  }
  return true;
}

}  // namespace

std::vector<KatCategory> parseCategories(std::string_view recordKey, std::string_view text) {
  return groupCategories(recordKey, keptLines(text));
}

std::vector<KatCategory> getCategories(std::string_view recordKey,
                                       const std::vector<std::string>& lines) {
  std::vector<Line> views;
  views.reserve(lines.size());
  for (const std::string& line : lines) {
    views.push_back({line, false, static_cast<int>(views.size()) + 1});
  }
  return groupCategories(recordKey, views);
}

namespace detail {

namespace {

constexpr std::uint32_t kOwned = 0x80000000u;

}  // namespace

ParsedFile::ParsedFile(std::string path, std::string name, std::string text,
                       std::string_view recordKey)
    : path(std::move(path)), name(std::move(name)), text_(std::move(text)) {
  if (text_.size() >= kOwned) {
    throw std::length_error(this->path + ": a vector file of 2 GiB or more cannot be read");
  }
  const std::vector<Line> lines = keptLines(text_);
  fields_.reserve(lines.size());
  std::size_t i = 0;
  while (i < lines.size()) {
    Category category;
    category.heads.first = static_cast<std::uint32_t>(fields_.size());
    category.records.first = static_cast<std::uint32_t>(records_.size());
    for (; i < lines.size() && isHeadLine(lines[i]); ++i) {
      std::string_view headName;
      std::string_view value;
      if (viewHeadLine(lines[i].bytes, headName, value)) {
        add(place(headName, false), place(value, false), lines[i].number);
      } else {
        const KatField copied = parseHeadLine(lines[i]);
        add(place(copied.name, true), place(copied.value, true), lines[i].number);
      }
      ++category.heads.count;
    }
    for (; i < lines.size() && !isHeadLine(lines[i]); ++i) {
      std::string_view fieldName;
      std::string_view value;
      KatField copied;
      const bool viewed = viewBodyLine(lines[i].bytes, fieldName, value);
      if (!viewed) {
        copied = parseBodyLine(lines[i]);
        fieldName = copied.name;
        value = copied.value;
      }
      if (fieldName == recordKey) {
        records_.push_back({static_cast<std::uint32_t>(fields_.size()), 0});
        ++category.records.count;
      } else if (category.records.count == 0) {
        continue;  // nothing to attach to before the first record starts
      }
      add(place(fieldName, !viewed), place(value, !viewed), lines[i].number);
      ++records_.back().count;
    }
    categories_.push_back(category);
  }
}

std::pair<std::uint32_t, std::uint32_t> ParsedFile::place(std::string_view part, bool copy) {
  if (!copy) {
    return {part.empty() ? 0 : static_cast<std::uint32_t>(part.data() - text_.data()),
            static_cast<std::uint32_t>(part.size())};
  }
  if (owned_.size() + part.size() >= kOwned) {
    throw std::length_error(path + ": a vector file of 2 GiB or more cannot be read");
  }
  const auto offset = static_cast<std::uint32_t>(owned_.size());
  owned_ += part;
  return {offset, static_cast<std::uint32_t>(part.size()) | kOwned};
}

void ParsedFile::add(std::pair<std::uint32_t, std::uint32_t> fieldName,
                     std::pair<std::uint32_t, std::uint32_t> value, int line) {
  fields_.push_back({fieldName.first, fieldName.second, value.first, value.second, line});
}

std::string_view ParsedFile::at(std::uint32_t offset, std::uint32_t length) const {
  const std::string& base = (length & kOwned) != 0 ? owned_ : text_;
  return std::string_view(base).substr(offset, length & ~kOwned);
}

FieldView ParsedFile::field(std::uint32_t index) const {
  const Entry& entry = fields_[index];
  return {at(entry.nameAt, entry.nameLength), at(entry.valueAt, entry.valueLength), entry.line};
}

FieldList ParsedFile::heads(std::size_t category) const {
  const Span span = categories_.at(category).heads;
  return FieldList(*this, span.first, span.count);
}

std::size_t ParsedFile::recordCount(std::size_t category) const {
  return categories_.at(category).records.count;
}

FieldList ParsedFile::record(std::size_t category, std::size_t index) const {
  const Span records = categories_.at(category).records;
  if (index >= records.count) throw std::out_of_range("ParsedFile::record: no such record");
  const Span span = records_[records.first + index];
  return FieldList(*this, span.first, span.count);
}

FieldView FieldList::operator[](std::size_t at) const {
  if (at >= count_) throw std::out_of_range("FieldList: no such field");
  return file_->field(first_ + static_cast<std::uint32_t>(at));
}

FieldText lookupField(const FieldList& fields, std::string_view name) {
  for (const FieldView field : fields) {
    if (field.name == name) return FieldText(field.value);
  }
  return FieldText();
}

}  // namespace detail

const std::string* lookupField(const std::vector<KatField>& fields, std::string_view name) {
  // Called for every field of every record a suite reads: compare lengths and first characters
  // before calling memcmp.
  for (const KatField& field : fields) {
    if (field.name.size() == name.size() && (name.empty() || field.name[0] == name[0]) &&
        field.name == name) {
      return &field.value;
    }
  }
  return nullptr;
}

std::string* lookupField(std::vector<KatField>& fields, std::string_view name) {
  return const_cast<std::string*>(lookupField(std::as_const(fields), name));
}

}  // namespace kavrit::test
