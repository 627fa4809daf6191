#include "kavrit/test/parse_nist_kats.hpp"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavrit::test {
namespace {

// Lines are handled as sequences of code points so that removing characters
// ('\r', brackets, white space) can never glue stray bytes into a new
// character. Bytes that are not valid UTF-8 are carried as U+DC80..U+DCFF
// ("escaped bytes"); a strict decoder never yields those code points itself,
// so encoding them back restores the input byte for byte.
using Units = std::u32string;
using UnitsView = std::u32string_view;

constexpr char32_t kEscapeBase = 0xDC00;

bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at the front of `bytes`, or 0.
// Overlong forms, surrogates and values past U+10FFFF are refused.
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

Units decode(std::string_view text) {
  Units out;
  out.reserve(text.size());
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t len = sequenceLength(bytes + pos, text.size() - pos);
    if (len == 0) {
      out.push_back(kEscapeBase + bytes[pos]);
      ++pos;
      continue;
    }
    char32_t cp = 0;
    switch (len) {
      case 1:
        cp = bytes[pos];
        break;
      case 2:
        cp = (char32_t{bytes[pos]} & 0x1F) << 6 | (bytes[pos + 1] & 0x3F);
        break;
      case 3:
        cp = (char32_t{bytes[pos]} & 0x0F) << 12 | (char32_t{bytes[pos + 1]} & 0x3F) << 6 |
             (bytes[pos + 2] & 0x3F);
        break;
      default:
        cp = (char32_t{bytes[pos]} & 0x07) << 18 | (char32_t{bytes[pos + 1]} & 0x3F) << 12 |
             (char32_t{bytes[pos + 2]} & 0x3F) << 6 | (bytes[pos + 3] & 0x3F);
        break;
    }
    out.push_back(cp);
    pos += len;
  }
  return out;
}

std::string encode(UnitsView units) {
  std::string out;
  out.reserve(units.size());
  for (const char32_t cp : units) {
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp >= kEscapeBase + 0x80 && cp <= kEscapeBase + 0xFF) {
      out.push_back(static_cast<char>(static_cast<unsigned char>(cp - kEscapeBase)));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

// The Unicode White_Space property.
bool isWhiteSpace(char32_t c) {
  if (c <= 0x20) return c == 0x20 || (c >= 0x09 && c <= 0x0D);
  if (c < 0x85) return false;
  if (c <= 0xA0) return c == 0x85 || c == 0xA0;
  if (c < 0x1680) return false;
  if (c == 0x1680) return true;
  if (c >= 0x2000 && c <= 0x200A) return true;
  return c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

UnitsView trim(UnitsView s) {
  std::size_t first = 0;
  std::size_t last = s.size();
  while (first < last && isWhiteSpace(s[first])) ++first;
  while (last > first && isWhiteSpace(s[last - 1])) --last;
  return s.substr(first, last - first);
}

bool isBlank(UnitsView s) { return std::all_of(s.begin(), s.end(), isWhiteSpace); }

bool isHeadLine(UnitsView line) { return !line.empty() && line.front() == U'['; }

template <typename Pred>
Units removeIf(UnitsView s, Pred drop) {
  Units out;
  out.reserve(s.size());
  for (const char32_t c : s) {
    if (!drop(c)) out.push_back(c);
  }
  return out;
}

std::pair<UnitsView, UnitsView> splitAtEquals(UnitsView s) {
  const std::size_t eq = s.find(U'=');
  if (eq == UnitsView::npos) return {s, UnitsView{}};
  return {s.substr(0, eq), s.substr(eq + 1)};
}

KatField parseHeadLine(UnitsView line) {
  const Units bare = removeIf(line, [](char32_t c) { return c == U'[' || c == U']'; });
  const auto [name, value] = splitAtEquals(bare);
  return KatField{encode(trim(name)), encode(trim(value))};
}

KatField parseBodyLine(UnitsView line) {
  const Units squeezed = removeIf(line, isWhiteSpace);
  const auto [name, value] = splitAtEquals(squeezed);
  return KatField{encode(name), encode(value)};
}

std::vector<KatCategory> groupCategories(std::string_view recordKey,
                                         const std::vector<Units>& lines) {
  std::vector<KatCategory> categories;
  std::size_t i = 0;
  while (i < lines.size()) {
    KatCategory category;
    for (; i < lines.size() && isHeadLine(lines[i]); ++i) {
      category.properties.push_back(parseHeadLine(lines[i]));
    }
    for (; i < lines.size() && !isHeadLine(lines[i]); ++i) {
      KatField field = parseBodyLine(lines[i]);
      if (field.name == recordKey) {
        category.records.emplace_back();
      } else if (category.records.empty()) {
        continue;  // nothing to attach to before the first record starts
      }
      category.records.back().push_back(std::move(field));
    }
    categories.push_back(std::move(category));
  }
  return categories;
}

}  // namespace

std::vector<KatCategory> parseCategories(std::string_view recordKey, std::string_view text) {
  const Units units = decode(text);
  const UnitsView all(units);
  std::vector<Units> lines;
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find(U'\n', start);
    if (end == UnitsView::npos) end = all.size();
    const UnitsView line = all.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.front() == U'#') continue;
    if (isBlank(line)) continue;
    lines.push_back(removeIf(line, [](char32_t c) { return c == U'\r'; }));
  }
  return groupCategories(recordKey, lines);
}

std::vector<KatCategory> getCategories(std::string_view recordKey,
                                       const std::vector<std::string>& lines) {
  std::vector<Units> decoded;
  decoded.reserve(lines.size());
  for (const std::string& line : lines) decoded.push_back(decode(line));
  return groupCategories(recordKey, decoded);
}

const std::string* lookupField(const std::vector<KatField>& fields, std::string_view name) {
  for (const KatField& field : fields) {
    if (field.name == name) return &field.value;
  }
  return nullptr;
}

}  // namespace kavrit::test
