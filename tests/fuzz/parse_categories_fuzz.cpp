// Fuzzes the vector-file parser. Besides not crashing, the parse must keep its structural
// promises on any bytes: every record starts with the record-start key, names of body fields hold
// no white space, and the parse of two texts joined at a head line is the two parses in order.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "kavrit/test/parse_nist_kats.hpp"

namespace {

using kavrit::test::getCategories;
using kavrit::test::KatCategory;
using kavrit::test::parseCategories;

// The record-start keys the suites use, and one that a body line can easily spell.
constexpr std::string_view kKeys[] = {"COUNT", "Len", "Count", "I", "x"};

// ASCII white space and the UTF-8 encodings of the Unicode space characters.
bool holdsWhiteSpace(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == ' ' || (c >= '\t' && c <= '\r')) return true;
    const std::string_view rest = s.substr(i);
    if (rest.starts_with("\xC2\x85") || rest.starts_with("\xC2\xA0") ||
        rest.starts_with("\xE1\x9A\x80") || rest.starts_with("\xE2\x81\x9F") ||
        rest.starts_with("\xE3\x80\x80")) {
      return true;
    }
    if (rest.size() >= 3 && c == 0xE2 && static_cast<unsigned char>(rest[1]) == 0x80) {
      const auto d = static_cast<unsigned char>(rest[2]);
      if ((d >= 0x80 && d <= 0x8A) || d == 0xA8 || d == 0xA9 || d == 0xAF) return true;
    }
  }
  return false;
}

void checkShape(std::string_view key, const std::vector<KatCategory>& categories) {
  for (const KatCategory& category : categories) {
    for (const auto& record : category.records) {
      if (record.empty() || record.front().name != key) std::abort();
      for (const auto& field : record) {
        if (holdsWhiteSpace(field.name)) std::abort();
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string_view key = kKeys[data[0] % std::size(kKeys)];
  const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);

  const std::vector<KatCategory> whole = parseCategories(key, text);
  checkShape(key, whole);

  // Joining at a head line: a body line closes the first text (so a trailing head run of the first
  // text cannot merge with the head line), and the second text starts a category of its own.
  const std::size_t cut = data[1] * text.size() / 255;
  const std::string first = std::string(text.substr(0, cut)) + "\nx\n";
  const std::string second = "[k]\n" + std::string(text.substr(cut));
  std::vector<KatCategory> parts = parseCategories(key, first);
  for (KatCategory& c : parseCategories(key, second)) parts.push_back(std::move(c));
  if (parseCategories(key, first + second) != parts) std::abort();

  // getCategories on raw, uncleaned lines: blank and comment lines are body lines there.
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    lines.emplace_back(text.substr(at, end - at));
    at = end + 1;
  }
  checkShape(key, getCategories(key, lines));
  return 0;
}
