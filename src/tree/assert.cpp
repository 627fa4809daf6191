#include "kavrit/test/assert.hpp"

#include <cstdio>

namespace kavrit::test {
namespace {

bool isHexDigit(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Escapes like a C++ literal. A hex digit right after a \x escape is escaped too, so that the
// literal reads back as the same bytes.
void appendQuoted(std::string& out, const unsigned char* p, std::size_t n) {
  out.push_back('"');
  bool afterHexEscape = false;
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char c = p[i];
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
      afterHexEscape = false;
    } else if (c == '\n') {
      out += "\\n";
      afterHexEscape = false;
    } else if (c == '\t') {
      out += "\\t";
      afterHexEscape = false;
    } else if (c >= 0x20 && c < 0x7f && !(afterHexEscape && isHexDigit(c))) {
      out.push_back(static_cast<char>(c));
      afterHexEscape = false;
    } else {
      char buf[5];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
      afterHexEscape = true;
    }
  }
  out.push_back('"');
}

}  // namespace

std::string quoteBytes(const ByteString& bytes) {
  std::string out;
  out.reserve(bytes.size() + 2);
  appendQuoted(out, bytes.data(), bytes.size());
  return out;
}

std::string quoteLazyBytes(const LazyByteString& bytes) {
  std::string out = "{";
  for (std::size_t i = 0; i < bytes.chunks().size(); ++i) {
    if (i > 0) out += ", ";
    const ByteString& chunk = bytes.chunks()[i];
    appendQuoted(out, chunk.data(), chunk.size());
  }
  out += "}";
  return out;
}

std::string quoteText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  appendQuoted(out, reinterpret_cast<const unsigned char*>(text.data()), text.size());
  return out;
}

std::string mismatchReport(std::string_view prefix, const std::string& expected,
                           const std::string& actual, const std::optional<std::string>& difference,
                           ValueLabels labels) {
  // Align the two values under each other whatever the labels are.
  const std::size_t width = std::max(labels.expected.size(), labels.actual.size());
  std::string out(prefix);
  out += "\n";
  out += std::string(width - labels.expected.size(), ' ');
  out += labels.expected;
  out += ": " + expected + "\n";
  out += std::string(width - labels.actual.size(), ' ');
  out += labels.actual;
  out += ": " + actual;
  if (difference) out += "\n" + *difference;
  return out;
}

}  // namespace kavrit::test
